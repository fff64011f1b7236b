#pragma once
// frmSplash: the start-up window that names the product. The load step shows it modally; it closes on
// the first of a character key, a click on its frame, or its own timer after ten seconds.

#include <QDialog>
#include <QFrame>
#include <QTimer>

class QLabel;

namespace qx9 {

// Frame1: the splash's frame. A click on its own area closes the splash; the labels and the logo on it
// keep their clicks to themselves.
class SplashFrame : public QFrame {
  Q_OBJECT

 public:
  using QFrame::QFrame;

 signals:
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

class frmSplash : public QDialog {  // NOLINT(readability-identifier-naming): the form's own name
  Q_OBJECT

 public:
  static constexpr int kTimeoutMs = 10000;

  explicit frmSplash(QWidget* parent = nullptr);

  // The three ways out; each unloads the splash, which ends its modal show.
  void Form_KeyPress(const QString& text);
  void Frame1_Click();
  void Timer1_Timer();

  QTimer& timer1() { return timer1_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Unload();

  SplashFrame* frame1_ = nullptr;
  QTimer timer1_;
};

}  // namespace qx9
