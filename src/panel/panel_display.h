#pragma once
// What the panel's widgets show of the machine, drawn at most once per displayed frame.
//
// A free run executes a thousand instructions a second and the core hands over a new view after each;
// a screen shows sixty frames. So while deferred, the latest view is kept and a frame timer applies it;
// otherwise (stepping, a stopped run) every view is applied at once. Applying touches only the widgets
// whose text or image differs from what they show, since every touched widget repaints.

#include <QObject>
#include <QPixmap>
#include <QTimer>
#include <array>
#include <string>

#include "core/host.h"

class QLabel;
class QLineEdit;

namespace qx9 {

class PanelDisplay : public QObject {
  Q_OBJECT

 public:
  static constexpr int kFrameMs = 16;  // about 60 frames a second

  struct Widgets {
    std::array<QLineEdit*, 8> WBox{};
    std::array<QLabel*, 8> BVar{};
    std::array<QLabel*, 8> GLED{};
    std::array<QLabel*, 8> GInBtn{};
    QLineEdit* StateBox = nullptr;
    QLineEdit* LastPWM = nullptr;
    QPixmap LedOn, LedOff, SwitchUp, SwitchDown;
  };

  explicit PanelDisplay(Widgets widgets, QObject* parent = nullptr);

  // The latest view, StateBox text and LastPWM text; shown at once unless deferred.
  void Show(const PanelView& view);
  void ShowState(const std::string& text);
  void ShowLastPWM(const std::string& text);
  // The StateBox text last handed over, drawn or not yet.
  const std::string& LatestState() const { return latest_.StateText; }

  // Deferred while the program runs freely. Ending the deferral shows the latest state at once.
  void SetDeferred(bool deferred);
  bool Deferred() const { return deferred_; }

  // Applies whatever changed since the last apply; cheap when nothing did.
  void Apply();
  bool Pending() const { return pending_; }

  // What a word box holds for the core: the user's text if they typed into it since the core last
  // showed a view, else the word the core last showed (drawn or not yet).
  std::string WordBoxText(int index) const;
  bool AnyBoxEdited() const;

  // Widget writes since construction (the benchmark and tests check that unchanged ones are skipped).
  qint64 WidgetWrites() const { return widgetWrites_; }
  QTimer& frameTimer() { return frame_; }

 private:
  void Changed();
  void ApplyWords();
  void ApplyPins();
  void SetText(QLineEdit* box, const std::string& text, std::string& shown);
  void SetText(QLabel* label, const std::string& text, std::string& shown);

  Widgets w_;
  QTimer frame_;
  bool deferred_ = false;
  bool pending_ = false;

  PanelView latest_;
  std::string latestPWM_;
  // What the widgets show now; the flags start opposite to every real state so the first apply draws.
  std::array<std::string, 8> shownWord_, shownByte_;
  std::array<int, 8> shownLed_{-1, -1, -1, -1, -1, -1, -1, -1};
  std::array<int, 8> shownSwitchUp_{-1, -1, -1, -1, -1, -1, -1, -1};
  std::array<int, 8> shownSwitchEnabled_{-1, -1, -1, -1, -1, -1, -1, -1};
  std::string shownState_, shownPWM_;
  // Boxes the user typed into since the core last showed a view: their text is the user's, not ours.
  std::array<bool, 8> edited_{};
  qint64 widgetWrites_ = 0;
};

}  // namespace qx9
