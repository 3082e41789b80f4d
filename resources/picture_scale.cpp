#include "resources/picture_scale.h"

namespace paperchk {

const PictureScale& PrinterPictureForDpi(int dpi) {
  const PictureScale* chosen = &kPrinterPictures[0];
  for (const PictureScale& scale : kPrinterPictures) {
    // In 64 bits: a DPI of any int value compares without overflow.
    if (static_cast<long long>(scale.percent) * kBaseDpi <= static_cast<long long>(dpi) * 100) chosen = &scale;
  }
  return *chosen;
}

}  // namespace paperchk
