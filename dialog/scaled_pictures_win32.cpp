#include "dialog/scaled_pictures_win32.h"

#include "framework/dialog.h"
#include "resources/picture_scale.h"
#include "resources/resource_ids.h"

namespace paperchk::win {
namespace {

// Functions of newer systems than the oldest this program starts on.
template <class Function>
Function User32Function(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);

HWND ChildWithStaticType(HWND dialog, LONG type) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == type) return child;
  }
  return nullptr;
}

}  // namespace

int WindowDpi(HWND window) {
  const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (getDpiForWindow) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kBaseDpi;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kBaseDpi;
}

int IconSizeForDpi(int dpi) {
  const auto getSystemMetricsForDpi = User32Function<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
  if (getSystemMetricsForDpi && dpi > 0) {
    const int size = getSystemMetricsForDpi(SM_CXICON, static_cast<UINT>(dpi));
    if (size > 0) return size;
  }
  return GetSystemMetrics(SM_CXICON);
}

ScaledPictures::~ScaledPictures() {
  if (ownBitmap_) DeleteObject(ownBitmap_);
  if (ownIcon_) DestroyIcon(ownIcon_);
}

void ScaledPictures::Attach(HWND dialog) {
  frame_ = ChildWithStaticType(dialog, SS_BITMAP);
  iconControl_ = ChildWithStaticType(dialog, SS_ICON);
  // The icon control loaded the icon of the system's size.
  shownIconSize_ = GetSystemMetrics(SM_CXICON);
}

void ScaledPictures::ShowFor(int dpi) {
  ShowPrinter(dpi);
  ShowIcon(dpi);
}

void ScaledPictures::ShowPrinter(int dpi) {
  const PictureScale& picture = PrinterPictureForDpi(dpi);
  if (!frame_ || picture.percent == shownPercent_) return;
  // No LR_CREATEDIBSECTION: the larger drawings are run-length encoded,
  // which only a device-dependent bitmap takes.
  auto* bitmap = static_cast<HBITMAP>(
      LoadImageA(Application::Module(), MAKEINTRESOURCEA(picture.bitmapId), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
  if (!bitmap) return;  // the drawing shown stays
  // The frame (SS_CENTERIMAGE) keeps its size and centres the new image. It
  // hands back the one it showed: the template's, which it loaded for itself,
  // or one of ours; either way nothing else holds it.
  auto* previous = reinterpret_cast<HBITMAP>(
      SendMessageA(frame_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  if (previous && previous != bitmap) DeleteObject(previous);
  ownBitmap_ = bitmap;
  shownPercent_ = picture.percent;
}

void ScaledPictures::ShowIcon(int dpi) {
  const int size = IconSizeForDpi(dpi);
  if (!iconControl_ || size == shownIconSize_) return;
  auto* icon = static_cast<HICON>(
      LoadImageA(Application::Module(), MAKEINTRESOURCEA(IDI_ATTENTION), IMAGE_ICON, size, size, 0));
  if (!icon) return;
  // The template's icon is the platform's shared copy and must not be
  // destroyed; only the one loaded here is.
  SendMessageA(iconControl_, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  if (ownIcon_) DestroyIcon(ownIcon_);
  ownIcon_ = icon;
  shownIconSize_ = size;
}

}  // namespace paperchk::win
