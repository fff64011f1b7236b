#pragma once
// The screenshot step's camera: the real Form1, built offscreen on the scenario's machine state and
// grabbed, so the picture is exactly what the window shows. The QApplication is created on the first
// picture only; a run without screenshots never touches the window system.

#include <QImage>
#include <memory>

#include "scenario/panel_camera.h"

class QApplication;

namespace qx9::scenario {

// A pixel differs when one of its channels differs by more than this; a picture differs when more than
// one pixel in a thousand does (font smoothing may vary a little between machines).
constexpr int kChannelTolerance = 16;
constexpr int kMaxDifferingPerMille = 1;

// Compares a picture with its reference; sizes must match.
ShotResult CompareImages(const QImage& reference, const QImage& seen);

class FormCamera final : public PanelCamera {
 public:
  FormCamera();
  ~FormCamera() override;
  ShotResult Take(const PanelScene& scene, const std::string& saveTo, const std::string& compareWith) override;

  // The panel as the window shows the scene.
  static QImage Render(const PanelScene& scene);

 private:
  void EnsureApplication();
  std::unique_ptr<QApplication> app_;
};

}  // namespace qx9::scenario
