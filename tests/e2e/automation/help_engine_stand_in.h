// Stands in for the help viewer in the end-to-end tests and the soak.
// WinHelpA hands each request in a WM_COPYDATA message (a header of size,
// command, data, reserved and the offset of the file name, then the name) to
// the first window of class MS_WINHELP; while this window exists Wine starts
// no viewer of its own (which would block on the missing help file), and the
// test sees exactly what was asked.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace paperchk_driver {

struct HelpRequest {
  UINT command = 0;          // HELP_CONTEXT, HELP_QUIT, ...
  std::uint32_t data = 0;    // the topic for HELP_CONTEXT
  std::string path;          // the help file
  std::uintptr_t owner = 0;  // the window that asked
};

class HelpEngineStandIn {
 public:
  HelpEngineStandIn();
  ~HelpEngineStandIn();
  HelpEngineStandIn(const HelpEngineStandIn&) = delete;
  HelpEngineStandIn& operator=(const HelpEngineStandIn&) = delete;

  bool ok() const { return window_ != nullptr; }
  // Every request since the stand-in started.
  std::vector<HelpRequest> Requests();
  // True when at least `count` requests have come within the time.
  bool WaitForRequests(std::size_t count, DWORD timeoutMs);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Record(WPARAM owner, const COPYDATASTRUCT& copy);
  void Run();

  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable ready_;
  bool started_ = false;
  HWND window_ = nullptr;
  DWORD threadId_ = 0;
  std::vector<HelpRequest> requests_;
};

}  // namespace paperchk_driver
