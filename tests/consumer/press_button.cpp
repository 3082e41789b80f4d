// The consumer test's user: waits for paperchk's dialog, whichever program
// started it, presses one of its buttons with real input (xdotool on the
// test's display) and waits for paperchk's process to end.
//   consumer_press.exe Riprova|Ignora|Annulla
// Exit status 0 when the button was pressed and paperchk ended.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "resources/resource_ids.h"
#include "test_automation.h"

namespace drv = paperchk_driver;

namespace {

constexpr DWORD kDialogTimeoutMs = 30000;
constexpr DWORD kEndTimeoutMs = 10000;

int ButtonOf(const char* name) {
  if (_stricmp(name, "Riprova") == 0) return IDC_RETRY;
  if (_stricmp(name, "Ignora") == 0) return IDC_IGNORE;
  if (_stricmp(name, "Annulla") == 0) return IDC_CANCEL_PRINTING;
  return 0;
}

BOOL CALLBACK FindPaperCheckDialog(HWND window, LPARAM found) {
  if (IsWindowVisible(window) && drv::ClassNameOf(window) == drv::kDialogClass &&
      drv::WindowText(window).rfind(L"Verifica carta", 0) == 0) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  const int button = argc == 2 ? ButtonOf(argv[1]) : 0;
  if (button == 0) {
    std::fprintf(stderr, "usage: consumer_press.exe Riprova|Ignora|Annulla\n");
    return 2;
  }
  // Real input only: a posted click would not show that a person can press it.
  const auto input = drv::MakeXdotoolInput();
  if (!input) {
    std::printf("press: xdotool cannot reach the display\n");
    return 1;
  }
  HWND dialog = nullptr;
  drv::WaitUntil(
      [&] {
        EnumWindows(FindPaperCheckDialog, reinterpret_cast<LPARAM>(&dialog));
        return dialog != nullptr;
      },
      kDialogTimeoutMs, 100);
  if (!dialog) {
    std::printf("press: no paperchk dialog appeared\n");
    return 1;
  }
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, drv::ProcessOf(dialog));
  HWND control = GetDlgItem(dialog, button);
  if (!process || !control || !drv::ActivateByClick(*input, dialog) || !drv::ClickWindowCentre(*input, control)) {
    std::printf("press: could not press %s\n", argv[1]);
    return 1;
  }
  const bool ended = WaitForSingleObject(process, kEndTimeoutMs) == WAIT_OBJECT_0;
  CloseHandle(process);
  std::printf("press: pressed %s with %s; paperchk %s\n", argv[1], input->name(), ended ? "ended" : "still runs");
  return ended ? 0 : 1;
}
