#include "help_engine_stand_in.h"

#include "test_automation.h"

#include <cstring>

namespace paperchk_driver {
namespace {

constexpr ULONG_PTR kWinHelpMagic = 0xA1DE505;
constexpr wchar_t kClassName[] = L"MS_WINHELP";

}  // namespace

HelpEngineStandIn::HelpEngineStandIn() {
  thread_ = std::thread([this] { Run(); });
  std::unique_lock<std::mutex> lock(mutex_);
  ready_.wait(lock, [this] { return started_; });
}

HelpEngineStandIn::~HelpEngineStandIn() {
  if (threadId_ != 0) PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
  thread_.join();
}

std::vector<HelpRequest> HelpEngineStandIn::Requests() {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

bool HelpEngineStandIn::WaitForRequests(std::size_t count, DWORD timeoutMs) {
  return WaitUntil([&] { return Requests().size() >= count; }, timeoutMs);
}

LRESULT CALLBACK HelpEngineStandIn::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) {
    auto* self = reinterpret_cast<HelpEngineStandIn*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (self != nullptr && copy != nullptr && copy->dwData == kWinHelpMagic) self->Record(wParam, *copy);
    return TRUE;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The request: a header of size, command, data, reserved and the offset of
// the file name, then the name.
void HelpEngineStandIn::Record(WPARAM owner, const COPYDATASTRUCT& copy) {
  const auto* bytes = static_cast<const std::uint8_t*>(copy.lpData);
  const std::size_t size = copy.cbData;
  HelpRequest request;
  request.owner = owner;
  if (bytes != nullptr && size >= 16) {
    std::uint16_t command = 0;
    std::uint16_t fileOffset = 0;
    std::memcpy(&command, bytes + 2, 2);
    std::memcpy(&request.data, bytes + 4, 4);
    std::memcpy(&fileOffset, bytes + 12, 2);
    request.command = command;
    if (fileOffset >= 16 && fileOffset < size) {
      const char* name = reinterpret_cast<const char*>(bytes + fileOffset);
      request.path.assign(name, strnlen(name, size - fileOffset));
    }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.push_back(request);
}

void HelpEngineStandIn::Run() {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClassName;
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, kClassName, L"help engine stand-in", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
  if (window != nullptr) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  {
    std::lock_guard<std::mutex> lock(mutex_);
    window_ = window;
    threadId_ = GetCurrentThreadId();
    started_ = true;
  }
  ready_.notify_all();
  MSG message;
  while (window != nullptr && GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  if (window != nullptr) DestroyWindow(window);
  UnregisterClassW(kClassName, windowClass.hInstance);
}

}  // namespace paperchk_driver
