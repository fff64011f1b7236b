// The bitmaps reach an executable through the static qx9assets library and are the ones the panel
// expects: right sizes, transparent around the drawing, and a lit LED that really looks lit.

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QSet>
#include <QString>

#include <gtest/gtest.h>

namespace {

QImage Load(const char* name) {
  const QPixmap pixmap(QStringLiteral(":/assets/") + QString::fromLatin1(name));
  return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

struct Expected {
  const char* Name;
  int Width;
  int Height;
};

TEST(Assets, EveryBitmapLoadsFromTheResourceAtItsSize) {
  const Expected all[] = {
      {"led_on.png", 33, 32},      {"led_off.png", 33, 32}, {"switch_up.png", 41, 63},
      {"switch_down.png", 47, 51}, {"logo.png", 32, 32},    {"qx9emu.png", 128, 128},
  };
  for (const Expected& e : all) {
    const QImage image = Load(e.Name);
    ASSERT_FALSE(image.isNull()) << e.Name;
    EXPECT_EQ(image.width(), e.Width) << e.Name;
    EXPECT_EQ(image.height(), e.Height) << e.Name;
  }
}

// The panel places the bitmaps on its grey background: the corners must let it show through.
TEST(Assets, PanelBitmapsAreTransparentInTheCorners) {
  for (const char* name : {"led_on.png", "led_off.png", "switch_up.png", "switch_down.png"}) {
    const QImage image = Load(name);
    ASSERT_FALSE(image.isNull()) << name;
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << name;
    EXPECT_EQ(qAlpha(image.pixel(image.width() - 1, image.height() - 1)), 0) << name;
  }
}

// A swapped or washed-out pair of LED bitmaps would make every pin read wrong on the panel.
TEST(Assets, LitLedIsBrightRedAndDarkLedIsDark) {
  const QImage on = Load("led_on.png");
  const QImage off = Load("led_off.png");
  ASSERT_FALSE(on.isNull());
  ASSERT_FALSE(off.isNull());
  // Just below and right of the centre: lens colour, away from the highlight.
  const QColor lit = on.pixelColor(19, 18);
  const QColor dark = off.pixelColor(19, 18);
  EXPECT_GT(lit.red(), 200);
  EXPECT_LT(lit.green(), 80);
  EXPECT_LT(dark.red(), 120);
  EXPECT_GT(lit.red(), 2 * dark.red());
}

// The splash logo is an icon in the sixteen colours of old desktops.
TEST(Assets, LogoUsesAtMostSixteenColours) {
  const QImage logo = Load("logo.png");
  ASSERT_FALSE(logo.isNull());
  QSet<QRgb> colours;
  for (int y = 0; y < logo.height(); ++y) {
    for (int x = 0; x < logo.width(); ++x) {
      const QRgb px = logo.pixel(x, y);
      if (qAlpha(px) == 0) continue;
      EXPECT_EQ(qAlpha(px), 255) << x << "," << y;
      colours.insert(px);
    }
  }
  EXPECT_GE(colours.size(), 4);
  EXPECT_LE(colours.size(), 16);
}

}  // namespace

int main(int argc, char** argv) {
  // The discovery run at build time has no display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
