#include "resources/picture_scale.h"

#include <gtest/gtest.h>

#include <climits>
#include <iterator>

namespace paperchk {
namespace {

TEST(PrinterPictureForDpi, LargestScaleNotAboveTheDpi) {
  struct Case {
    int dpi;
    int percent;
  };
  const Case cases[] = {
      // At and below 100 %: the template's own drawing.
      {INT_MIN, 100}, {0, 100}, {72, 100}, {96, 100}, {119, 100},
      // Each scale from its own DPI up to just below the next one's.
      {120, 125}, {143, 125}, {144, 150}, {168, 150}, {191, 150}, {192, 200},
      // Above the largest drawing: the largest.
      {240, 200}, {288, 200}, {INT_MAX, 200},
  };
  for (const Case& c : cases) {
    const PictureScale& chosen = PrinterPictureForDpi(c.dpi);
    EXPECT_EQ(chosen.percent, c.percent) << "at " << c.dpi << " DPI";
  }
  EXPECT_EQ(PrinterPictureForDpi(96).bitmapId, IDB_PRINTER);
}

TEST(PrinterPictureForDpi, ScalesRiseFromTheTemplatesDrawingWithOneBitmapEach) {
  ASSERT_EQ(kPrinterPictures[0].percent, 100);
  EXPECT_EQ(kPrinterPictures[0].bitmapId, IDB_PRINTER);
  for (std::size_t i = 1; i < std::size(kPrinterPictures); ++i) {
    EXPECT_GT(kPrinterPictures[i].percent, kPrinterPictures[i - 1].percent);
    for (std::size_t j = 0; j < i; ++j) EXPECT_NE(kPrinterPictures[i].bitmapId, kPrinterPictures[j].bitmapId);
  }
}

}  // namespace
}  // namespace paperchk
