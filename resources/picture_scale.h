#pragma once
// The printer picture is drawn for several display scales; bitmap 153 is
// the 100 % (96 DPI) drawing. A window shows the drawing made for the
// largest scale not above its own, so the picture fills its frame as it
// does at 100 % and is never enlarged into blocks.
#include "resources/resource_ids.h"

namespace paperchk {

struct PictureScale {
  int percent;   // the display scale the drawing is made for
  int bitmapId;  // its bitmap resource
};

// Dots per inch at 100 %.
inline constexpr int kBaseDpi = 96;

// Smallest scale first; one bitmap per row in paperchk.rc.
inline constexpr PictureScale kPrinterPictures[] = {
    {100, IDB_PRINTER},
    {125, IDB_PRINTER_125},
    {150, IDB_PRINTER_150},
    {200, IDB_PRINTER_200},
};

// The drawing for a window of `dpi` dots per inch: the largest scale whose
// DPI is not above it; the 100 % drawing below 96 DPI.
const PictureScale& PrinterPictureForDpi(int dpi);

}  // namespace paperchk
