// Screenshot comparison: sizes must match; at most one pixel in a thousand may differ beyond the tolerance.
#include <gtest/gtest.h>

#include "scenario/form_camera.h"

namespace qx9::scenario {
namespace {

// A 100x100 grey picture with the first `changed` pixels (in row order) moved by `delta`.
QImage Picture(int changed, int delta) {
  QImage image(100, 100, QImage::Format_RGB32);
  image.fill(QColor(100, 100, 100));
  for (int i = 0; i < changed; ++i) image.setPixel(i % 100, i / 100, qRgb(100 + delta, 100, 100));
  return image;
}

TEST(ImageCompareTest, CountsPixelsBeyondTheTolerance) {
  struct Case {
    const char* What;
    int Changed;
    int Delta;
    bool Ok;
  };
  const Case kCases[] = {
      {"everything within the tolerance", 10000, kChannelTolerance, true},
      {"ten pixels in ten thousand", 10, 100, true},
      {"eleven pixels in ten thousand", 11, 100, false},
      {"everything far off", 10000, kChannelTolerance + 1, false},
  };
  const QImage reference = Picture(0, 0);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.What);
    EXPECT_EQ(CompareImages(reference, Picture(c.Changed, c.Delta)).Ok, c.Ok);
  }
}

TEST(ImageCompareTest, APictureOfAnotherSizeDiffers) {
  const ShotResult sized = CompareImages(Picture(0, 0), QImage(50, 40, QImage::Format_RGB32));
  EXPECT_FALSE(sized.Ok);
  EXPECT_EQ(sized.Expected, "a picture of 100x100");
  EXPECT_EQ(sized.Seen, "50x40");
}

}  // namespace
}  // namespace qx9::scenario
