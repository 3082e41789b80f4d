#include "framework/window_menu.h"

namespace paperchk::win {

namespace {

constexpr UINT kFixedCommands[] = {SC_CLOSE, SC_MOVE, SC_SIZE};

// Grays the items; true when one of them was not grayed before.
bool GrayItems(HMENU menu) {
  bool changed = false;
  for (UINT command : kFixedCommands) {
    const UINT before = EnableMenuItem(menu, command, MF_BYCOMMAND | MF_GRAYED);
    if (before != static_cast<UINT>(-1) && (before & MF_GRAYED) == 0) changed = true;
  }
  return changed;
}

}  // namespace

void GrayFixedWindowMenuItems(HWND window) { GrayItems(GetSystemMenu(window, FALSE)); }

INT_PTR OnWindowMenuPopup(HWND window, LPARAM lparam) {
  if (HIWORD(lparam) != 0) GrayFixedWindowMenuItems(window);
  return FALSE;
}

INT_PTR OnMenuIdle(HWND window, WPARAM wparam, LPARAM lparam) {
  if (wparam != MSGF_MENU) return FALSE;
  // lparam is the window that shows the open menu.
  if (GrayItems(GetSystemMenu(window, FALSE)) && lparam != 0)
    InvalidateRect(reinterpret_cast<HWND>(lparam), nullptr, TRUE);
  return FALSE;
}

}  // namespace paperchk::win
