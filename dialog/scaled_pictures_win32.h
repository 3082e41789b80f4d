#pragma once
#include <windows.h>

namespace paperchk::win {

// The window's dots per inch: GetDpiForWindow where the system has it
// (looked up at run time: older systems lack it), else the screen's, which
// is the system DPI for a DPI-aware program.
int WindowDpi(HWND window);

// The icon size the platform asks for at `dpi` (GetSystemMetricsForDpi where
// the system has it, else the system DPI's size).
int IconSizeForDpi(int dpi);

// The paper-check dialog's two pictures, shown in the drawing made for the
// window's DPI. The template shows the 100 % drawings; the first change of
// scale swaps in others. Every image it replaces is deleted, and the ones it
// loaded itself go with it.
class ScaledPictures {
 public:
  ScaledPictures() = default;
  ~ScaledPictures();
  ScaledPictures(const ScaledPictures&) = delete;
  ScaledPictures& operator=(const ScaledPictures&) = delete;

  // Finds the picture frame (the bitmap control) and the icon control among
  // the dialog's children.
  void Attach(HWND dialog);
  void ShowFor(int dpi);

 private:
  void ShowPrinter(int dpi);
  void ShowIcon(int dpi);

  HWND frame_ = nullptr;
  HWND iconControl_ = nullptr;
  int shownPercent_ = 100;  // the template's drawing
  int shownIconSize_ = 0;
  HBITMAP ownBitmap_ = nullptr;
  HICON ownIcon_ = nullptr;
};

}  // namespace paperchk::win
