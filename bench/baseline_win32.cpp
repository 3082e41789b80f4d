// The benchmark's baseline: a program with exactly paperchk's compiled
// resources and manifest and the same common-control initialisation, that
// shows template 102 modally and does nothing else (no C++ library either).
// The bench driver ends it from outside.
#include <windows.h>
#include <commctrl.h>

#include "resources/resource_ids.h"

namespace {

INT_PTR CALLBACK BaselineProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG ? TRUE : FALSE; }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_PAPER_CHECK), nullptr, &BaselineProc, 0);
  return 0;
}
