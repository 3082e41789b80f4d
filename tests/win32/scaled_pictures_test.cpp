// The paper-check dialog's pictures at the display's scale: the dialog is
// built from its template in this process and its pictures are shown for the
// window's DPI as the dialog does when it is filled. The test program carries
// the product's manifest, so it is DPI-aware as paperchk is.
//
// ctest runs these tests once per DPI, each in a Wine prefix set to it
// (scripts/wine-dpi-run.sh); PAPERCHK_TEST_DPI names the DPI that prefix has.
// Without it they expect 96, the ordinary prefix's.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "dialog/scaled_pictures_win32.h"
#include "resources/resource_ids.h"

namespace paperchk::win {
namespace {

int PrefixDpi() {
  const char* value = std::getenv("PAPERCHK_TEST_DPI");
  return value ? std::atoi(value) : 96;
}

// The scale (percent) whose drawing each DPI the tests run at must show.
int ExpectedPercent(int dpi) {
  switch (dpi) {
    case 96: return 100;
    case 120: return 125;
    case 144: return 150;
    case 192: return 200;
    default: return 0;
  }
}

HWND ChildWithStaticType(HWND dialog, LONG type) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == type) return child;
  }
  return nullptr;
}

// The template's dialog, its pictures shown as the dialog does on filling.
class ScaledDialog {
 public:
  ScaledDialog()
      : hwnd_(CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PAPER_CHECK), nullptr, Init,
                                 reinterpret_cast<LPARAM>(&pictures_))) {}
  ~ScaledDialog() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  ScaledDialog(const ScaledDialog&) = delete;
  ScaledDialog& operator=(const ScaledDialog&) = delete;

  HWND hwnd() const { return hwnd_; }
  ScaledPictures& pictures() { return pictures_; }
  HWND frame() const { return ChildWithStaticType(hwnd_, SS_BITMAP); }
  HWND icon() const { return ChildWithStaticType(hwnd_, SS_ICON); }
  HBITMAP bitmap() const {
    return reinterpret_cast<HBITMAP>(SendMessageA(frame(), STM_GETIMAGE, IMAGE_BITMAP, 0));
  }

 private:
  static INT_PTR CALLBACK Init(HWND hwnd, UINT message, WPARAM, LPARAM lparam) {
    if (message != WM_INITDIALOG) return FALSE;
    auto* shown = reinterpret_cast<ScaledPictures*>(lparam);
    shown->Attach(hwnd);
    shown->ShowFor(WindowDpi(hwnd));
    return TRUE;
  }

  ScaledPictures pictures_;  // outlives the window: declared first
  HWND hwnd_;
};

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return {0, 0};
  return {info.bmWidth, info.bmHeight};
}

SIZE IconSize(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return {0, 0};
  const SIZE size = BitmapSize(info.hbmColor);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return size;
}

// A user32 function newer than the headers' target system.
template <class Function>
Function User32Function(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

TEST(ScaledPictures, ProcessIsDpiAwareAtThePrefixDpi) {
  const auto isAware = User32Function<BOOL(WINAPI*)()>("IsProcessDPIAware");
  ASSERT_NE(isAware, nullptr);
  EXPECT_TRUE(isAware());
  // Per monitor where the system knows the awareness contexts (the
  // manifest's first choice it understands).
  const auto getContext = User32Function<HANDLE(WINAPI*)()>("GetThreadDpiAwarenessContext");
  const auto getAwareness = User32Function<int(WINAPI*)(HANDLE)>("GetAwarenessFromDpiAwarenessContext");
  if (getContext && getAwareness) {
    EXPECT_EQ(getAwareness(getContext()), 2 /* DPI_AWARENESS_PER_MONITOR_AWARE */);
  }

  ScaledDialog dialog;
  ASSERT_NE(dialog.hwnd(), nullptr);
  EXPECT_EQ(WindowDpi(dialog.hwnd()), PrefixDpi()) << "the prefix's LogPixels did not take";
}

TEST(ScaledPictures, FrameShowsTheDrawingForTheLargestScaleNotAboveTheDpi) {
  const int dpi = PrefixDpi();
  const int percent = ExpectedPercent(dpi);
  ASSERT_NE(percent, 0) << "no expectation for " << dpi << " DPI";
  ScaledDialog dialog;
  ASSERT_NE(dialog.hwnd(), nullptr);

  const SIZE image = BitmapSize(dialog.bitmap());
  EXPECT_NEAR(image.cx, 112 * percent / 100, 2) << "at " << dpi << " DPI";
  EXPECT_NEAR(image.cy, 86 * percent / 100, 2) << "at " << dpi << " DPI";

  // The frame keeps its template size, which holds the image.
  RECT frame{};
  GetClientRect(dialog.frame(), &frame);
  EXPECT_GE(frame.right, image.cx);
  EXPECT_GE(frame.bottom, image.cy);
  RECT wanted{0, 0, 79, 63};
  MapDialogRect(dialog.hwnd(), &wanted);
  RECT window{};
  GetWindowRect(dialog.frame(), &window);
  EXPECT_EQ(window.right - window.left, wanted.right);
  EXPECT_EQ(window.bottom - window.top, wanted.bottom);

  // The icon has the size the platform asks for, drawn at that size.
  const SIZE icon = IconSize(reinterpret_cast<HICON>(SendMessageA(dialog.icon(), STM_GETICON, 0, 0)));
  EXPECT_EQ(icon.cx, IconSizeForDpi(dpi));
  EXPECT_EQ(icon.cx, GetSystemMetrics(SM_CXICON));
  EXPECT_EQ(icon.cy, icon.cx);
}

TEST(ScaledPictures, EveryControlLiesInsideTheClientArea) {
  ScaledDialog dialog;
  ASSERT_NE(dialog.hwnd(), nullptr);
  RECT client{};
  GetClientRect(dialog.hwnd(), &client);
  int controls = 0;
  for (HWND child = GetWindow(dialog.hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, dialog.hwnd(), reinterpret_cast<POINT*>(&rect), 2);
    SCOPED_TRACE("control id " + std::to_string(GetDlgCtrlID(child)));
    EXPECT_GE(rect.left, client.left);
    EXPECT_GE(rect.top, client.top);
    EXPECT_LE(rect.right, client.right);
    EXPECT_LE(rect.bottom, client.bottom);
    ++controls;
  }
  EXPECT_EQ(controls, 21);  // the 17 shown and the 4 labels for screen readers
}

TEST(ScaledPictures, ChangeOfScaleSwapsTheDrawingsAndDeletesTheReplacedOnes) {
  ScaledDialog dialog;
  ASSERT_NE(dialog.hwnd(), nullptr);
  const HBITMAP first = dialog.bitmap();
  ASSERT_NE(first, nullptr);

  // To 200 % and on to 150 %, as on moves between displays, then back to
  // the 100 % drawing: each replaced image is gone, the shown one alive.
  const int steps[] = {192, 144, 96, 96};
  const int percents[] = {200, 150, 100, 100};
  HBITMAP shown = first;
  for (int i = 0; i < 4; ++i) {
    dialog.pictures().ShowFor(steps[i]);
    const HBITMAP now = dialog.bitmap();
    SCOPED_TRACE("to " + std::to_string(steps[i]) + " DPI");
    EXPECT_NEAR(BitmapSize(now).cx, 112 * percents[i] / 100, 2);
    EXPECT_EQ(GetObjectType(now), static_cast<DWORD>(OBJ_BITMAP));
    if (now != shown) {
      EXPECT_EQ(GetObjectType(shown), 0u) << "the replaced bitmap was kept";
    }
    shown = now;
  }
  // The same scale again loads nothing new.
  dialog.pictures().ShowFor(96);
  EXPECT_EQ(dialog.bitmap(), shown);

  dialog.pictures().ShowFor(192);
  EXPECT_EQ(IconSize(reinterpret_cast<HICON>(SendMessageA(dialog.icon(), STM_GETICON, 0, 0))).cx,
            IconSizeForDpi(192));
}

}  // namespace
}  // namespace paperchk::win
