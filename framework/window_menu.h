#pragma once
// The window menu of a dialog that is neither closed, moved nor sized through
// it: Close, Move and Size stay grayed.
#include <windows.h>

namespace paperchk::win {

// Grays Close, Move and Size in the window's menu.
void GrayFixedWindowMenuItems(HWND window);

// The platform brings the window menu's items up to date each time it opens
// it, which enables Move again. Windows does so before it sends
// WM_INITMENUPOPUP, Wine after it; so the items are grayed on both messages
// below. Both answer as a dialog procedure does (FALSE: default handling).
//
// WM_INITMENUPOPUP: grays the items when the menu about to open is the
// window menu.
INT_PTR OnWindowMenuPopup(HWND window, LPARAM lparam);
// WM_ENTERIDLE: the open menu waits for input, after the platform's update;
// grays the items again and redraws the shown menu if that changed them.
INT_PTR OnMenuIdle(HWND window, WPARAM wparam, LPARAM lparam);

}  // namespace paperchk::win
