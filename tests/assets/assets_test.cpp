// The bitmaps reach an executable through the static qx9assets library, at the sizes the panel lays out,
// with corners that let the panel's grey through.
#include <QGuiApplication>
#include <QImage>
#include <QSize>
#include <QString>

#include <gtest/gtest.h>

namespace {

QImage Load(const char* name) {
  return QImage(QStringLiteral(":/assets/") + QString::fromLatin1(name)).convertToFormat(QImage::Format_ARGB32);
}

TEST(Assets, EveryBitmapLoadsFromTheResourceWithCornersThePanelsGreyShowsThrough) {
  const struct {
    const char* Name;
    int Width;
    int Height;
  } all[] = {{"led_on.png", 33, 32},      {"led_off.png", 33, 32}, {"switch_up.png", 41, 63},
             {"switch_down.png", 47, 51}, {"logo.png", 32, 32},    {"qx9emu.png", 128, 128}};
  for (const auto& e : all) {
    const QImage image = Load(e.Name);
    ASSERT_EQ(image.size(), QSize(e.Width, e.Height)) << e.Name;
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << e.Name;
  }
}

}  // namespace

int main(int argc, char** argv) {
  // The discovery run at build time has no display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
