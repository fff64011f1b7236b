// The bitmaps reach an executable through the static qx9assets library, at the sizes the panel lays out,
// with corners that let the panel's grey through, and LEDs that read lit and dark the right way round.
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QSize>
#include <QString>

#include <gtest/gtest.h>

namespace {

QImage Load(const char* name) {
  return QImage(QStringLiteral(":/assets/") + QString::fromLatin1(name)).convertToFormat(QImage::Format_ARGB32);
}

TEST(Assets, EveryBitmapLoadsFromTheResourceAtItsSize) {
  const struct {
    const char* Name;
    int Width;
    int Height;
    bool OnPanel;
  } all[] = {{"led_on.png", 33, 32, true},      {"led_off.png", 33, 32, true}, {"switch_up.png", 41, 63, true},
             {"switch_down.png", 47, 51, true}, {"logo.png", 32, 32, false},   {"qx9emu.png", 128, 128, false}};
  for (const auto& e : all) {
    const QImage image = Load(e.Name);
    ASSERT_EQ(image.size(), QSize(e.Width, e.Height)) << e.Name;
    if (e.OnPanel) {
      EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << e.Name;
      EXPECT_EQ(qAlpha(image.pixel(e.Width - 1, e.Height - 1)), 0) << e.Name;
    }
  }
  // Lens colour, just below and right of the centre, away from the highlight.
  const QColor lit = Load("led_on.png").pixelColor(19, 18);
  const QColor dark = Load("led_off.png").pixelColor(19, 18);
  EXPECT_GT(lit.red(), 200);
  EXPECT_LT(lit.green(), 80);
  EXPECT_LT(dark.red(), 120);
}

}  // namespace

int main(int argc, char** argv) {
  // The discovery run at build time has no display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
