#include "scenario/form_camera.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSaveFile>

#include "panel/dialogs.h"
#include "panel/form1.h"
#include "panel/tone_player.h"

namespace qx9::scenario {

namespace {

// The window is built without anyone to talk to: no splash, no boxes, no sound.
class NoDialogs final : public Dialogs {
 public:
  void ShowSplash() override {}
  void MessageBox(QWidget*, const QString&) override {}
  std::optional<QString> Prompt(QWidget*, const QString&) override { return std::nullopt; }
  std::optional<QString> OpenObjectFile(QWidget*) override { return std::nullopt; }
};

class NoTones final : public TonePlayer {
 public:
  void Tone(int, int) override {}
  void Rest(int) override {}
};

void SetBox(QWidget& form, const QString& name, const std::string& text) {
  if (auto* box = form.findChild<QLineEdit*>(name)) box->setText(QString::fromStdString(text));
}

QString SizeText(const QImage& image) { return QStringLiteral("%1x%2").arg(image.width()).arg(image.height()); }

bool SavePng(const QImage& image, const std::string& path, std::string& error) {
  // Saved through a temporary file, so a reader never finds half a picture.
  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
    error = file.errorString().toStdString();
    return false;
  }
  return true;
}

}  // namespace

ShotResult CompareImages(const QImage& reference, const QImage& seen) {
  ShotResult result;
  if (reference.size() != seen.size()) {
    result.Ok = false;
    result.Expected = "a picture of " + SizeText(reference).toStdString();
    result.Seen = SizeText(seen).toStdString();
    return result;
  }
  const QImage a = reference.convertToFormat(QImage::Format_ARGB32);
  const QImage b = seen.convertToFormat(QImage::Format_ARGB32);
  int64_t differing = 0;
  for (int y = 0; y < a.height(); ++y) {
    const auto* rowA = reinterpret_cast<const QRgb*>(a.constScanLine(y));
    const auto* rowB = reinterpret_cast<const QRgb*>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = rowA[x];
      const QRgb q = rowB[x];
      const bool differs =
          std::abs(qRed(p) - qRed(q)) > kChannelTolerance || std::abs(qGreen(p) - qGreen(q)) > kChannelTolerance ||
          std::abs(qBlue(p) - qBlue(q)) > kChannelTolerance || std::abs(qAlpha(p) - qAlpha(q)) > kChannelTolerance;
      if (differs) ++differing;
    }
  }
  const int64_t total = int64_t{a.width()} * a.height();
  if (differing * 1000 > total * kMaxDifferingPerMille) {
    result.Ok = false;
    result.Expected = "at most 0.1% of " + std::to_string(total) + " pixels differing";
    result.Seen = std::to_string(differing) + " differing";
  }
  return result;
}

FormCamera::FormCamera() = default;
FormCamera::~FormCamera() = default;

void FormCamera::EnsureApplication() {
  if (QApplication::instance() != nullptr) return;
  // Offscreen unless the caller chose a platform; the picture is the same either way.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "qx9run";
  static char* argv[] = {name, nullptr};
  app_ = std::make_unique<QApplication>(argc, argv);
}

QImage FormCamera::Render(const PanelScene& scene) {
  Form1 form(std::make_unique<NoDialogs>(), std::make_unique<NoTones>());
  // The window's own load step (colours, layout, the file), then the scenario's state in its machine.
  form.Form_Load(QFile::decodeName(scene.Program.c_str()));
  Machine& machine = form.machine();
  static_cast<MachineState&>(machine) = scene.State;
  form.SetRunning(scene.Running);
  machine.RefreshPanel();
  for (int i = 0; i < 8; ++i) SetBox(form, QStringLiteral("WBox%1").arg(i), scene.WordBoxes[i]);
  SetBox(form, QStringLiteral("PotInput"), scene.Pot);
  SetBox(form, QStringLiteral("PulsIn"), scene.PulsIn);
  form.SetLastPWM(scene.LastPWM);
  // Whatever the window defers to the event loop happens before the picture is taken.
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  return form.grab().toImage();
}

ShotResult FormCamera::Take(const PanelScene& scene, const std::string& saveTo, const std::string& compareWith) {
  EnsureApplication();
  const QImage picture = Render(scene);
  ShotResult result;
  std::string error;
  if (!saveTo.empty() && !SavePng(picture, saveTo, error)) {
    result.Ok = false;
    result.Expected = "the picture saved to " + saveTo;
    result.Seen = error;
    return result;
  }
  if (compareWith.empty()) return result;
  const QImage reference(QString::fromStdString(compareWith));
  if (reference.isNull()) {
    result.Ok = false;
    result.Expected = "a reference picture in " + compareWith;
    result.Seen = "no readable image";
    return result;
  }
  return CompareImages(reference, picture);
}

}  // namespace qx9::scenario
