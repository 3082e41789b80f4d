#include "program_watch.h"

#include "resources/resource_ids.h"

namespace soak {
namespace {

constexpr wchar_t kTitleStart[] = L"Verifica carta";
constexpr wchar_t kFileErrorCaption[] = L"KLDEXE";
constexpr DWORD kStepMs = 15;
// A window in the middle of the process's end (its controls already gone)
// is not one the program shows: a window counts once it has stayed this
// long with the program still running.
constexpr DWORD kStrangerSettleMs = 200;

std::string Joined(const std::vector<std::wstring>& texts) {
  std::string line;
  for (const std::wstring& text : texts) {
    if (text.empty()) continue;
    if (!line.empty()) line += " / ";
    line += drv::Utf8(text);
  }
  return line;
}

}  // namespace

std::string Description(HWND window) {
  return "'" + drv::Utf8(drv::WindowText(window)) + "': " + Joined(drv::ChildTexts(window));
}

bool ProgramWatch::Fail(const std::string& what) {
  failures_.push_back(what);
  return false;
}

Windows ProgramWatch::Look() const {
  Windows windows;
  for (HWND window : drv::TopLevelWindows(process_.id(), drv::kDialogClass, true)) {
    const std::wstring caption = drv::WindowText(window);
    if (GetDlgItem(window, IDC_IGNORE) != nullptr && caption.rfind(kTitleStart, 0) == 0) {
      windows.main = window;
    } else if (GetDlgItem(window, IDC_WAIT_MESSAGE) != nullptr) {
      windows.waitBox = window;
    } else if (caption == kFileErrorCaption) {
      windows.fileBoxes.push_back(window);
    } else {
      windows.strangers.push_back(window);
    }
  }
  return windows;
}

bool ProgramWatch::Check(const Windows& windows) {
  for (HWND stranger : windows.strangers) {
    if (WaitForSingleObject(process_.handle(), kStrangerSettleMs) == WAIT_OBJECT_0) break;
    if (IsWindow(stranger) && IsWindowVisible(stranger)) {
      return Fail("a window the run did not provoke: " + Description(stranger));
    }
  }
  if (windows.fileBoxes.size() > allowedFileBoxes_) {
    return Fail(windows.fileBoxes.size() == 1
                    ? "a file-error box the run did not provoke: " + Description(windows.fileBoxes[0])
                    : std::to_string(windows.fileBoxes.size()) + " file-error boxes at once");
  }
  if (dialogMustStayHidden_ && windows.main != nullptr) return Fail("the paper-check dialog was shown again");
  return true;
}

bool ProgramWatch::Observe(const Condition& done, DWORD timeoutMs) {
  const double deadline = drv::NowMs() + timeoutMs;
  for (;;) {
    const bool running = process_.IsRunning();
    const Windows windows = Look();
    if (!Check(windows)) return false;
    if (done(windows)) return true;
    if (!running || drv::NowMs() >= deadline) return false;
    WaitForSingleObject(process_.handle(), kStepMs);
  }
}

bool ProgramWatch::Await(const Condition& done, DWORD timeoutMs, const std::string& what) {
  if (Observe(done, timeoutMs)) return true;
  if (failed()) return false;
  if (!process_.IsRunning()) return Fail("paperchk ended (" + ExitStatusText() + ") while the soak waited for " + what);
  return Fail("no " + what + " within " + std::to_string(timeoutMs) + " ms");
}

bool ProgramWatch::Watch(DWORD ms) {
  Observe([](const Windows&) { return false; }, ms);
  if (failed()) return false;
  if (!process_.IsRunning()) return Fail("paperchk ended (" + ExitStatusText() + ") before the run was over");
  return true;
}

std::string ProgramWatch::ExitStatusText() const {
  const std::optional<DWORD> status = process_.ExitCode();
  return status ? "exit status " + std::to_string(*status) : "still running";
}

}  // namespace soak
