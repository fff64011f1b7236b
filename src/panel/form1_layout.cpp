// The controls of Form1 at their designed positions, with their captions, fonts, design states and
// focus order.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "panel/contrast.h"
#include "panel/form1.h"
#include "panel/image_control.h"
#include "panel/twips.h"

namespace qx9 {

namespace {

// Left edges of the pin columns, pin 0 at the right as in a written byte.
constexpr std::array<int, 8> kLedLeft = {5760, 4968, 4180, 3392, 2604, 1816, 1028, 240};
constexpr std::array<int, 8> kSwitchLeft = {5640, 4848, 4060, 3272, 2484, 1696, 908, 120};

// Row labels of the memory display: row 7, the port word, sits a little further left and is wider.
constexpr std::array<const char*, 8> kRowLabelName = {"Label1", "Label3", "Label4", "Label5",
                                                      "Label6", "Label7", "Label8", "Label2"};
constexpr std::array<const char*, 8> kRowCaption = {"W0", "W1", "W2", "W3", "W4", "W5", "W6", "PORT"};

QFont NamedFont(const char* family, double pointSize, bool bold = false) {
  QFont font(QString::fromLatin1(family));
  font.setPointSizeF(pointSize);
  font.setBold(bold);
  return font;
}

template <typename W>
W* Place(W* widget, const QString& name, int left, int top, int width, int height) {
  widget->setObjectName(name);
  widget->setGeometry(TwipsRect(left, top, width, height));
  return widget;
}

QString Indexed(const char* name, int i) { return QString::fromLatin1(name) + QString::number(i); }

}  // namespace

void Form1::CreateControls() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Ovrin QX9 Emulator"));
  // The controls sit at fixed places, so the window has one size: a window manager then offers
  // neither resizing nor maximising, and nothing is clipped or left floating in empty space.
  setFixedSize(Twips(6390), Twips(5775));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  QPalette grey = palette();
  grey.setColor(QPalette::Window, QColor(192, 192, 192));
  setPalette(grey);
  setAutoFillBackground(true);
  // Controls that name no font use the dialog font at 8.25 pt. The layout was measured for a narrow
  // dialog font; the desktop's usual sans fonts are wider and would cut "Pot Input:" short, so the
  // dialog font here is Arial (its metric twin on this platform).
  setFont(NamedFont("Arial", 8.25));

  Label12_ = Place(new QLabel(QStringLiteral("Ovrin  -  www.ovrin.example"), this), QStringLiteral("Label12"), 0, 0,
                   6375, 255);
  Label12_->setFont(NamedFont("Arial", 12, true));
  Label12_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

  for (int i = 0; i < 8; ++i) {
    GLED_[i] = Place(new ImageControl(this), Indexed("GLED", i), kLedLeft[i], 240, 495, 480);
    GLED_[i]->setPixmap(LEDOFF_);
    GInBtn_[i] = Place(new ImageControl(this), Indexed("GInBtn", i), kSwitchLeft[i], 840, 705, 765);
    GInBtn_[i]->setScaledContents(true);  // the taller switch-up bitmap is squeezed into the same box
    GInBtn_[i]->setPixmap(SwDn_);
    GInBtn_[i]->setProperty("Tag", QStringLiteral("0"));
    connect(GInBtn_[i], &ImageControl::clicked, this, [this, i] { GInBtn_Click(i); });
  }

  Place(new QLabel(QStringLiteral("LastPWM:"), this), QStringLiteral("Label9"), 0, 1920, 855, 255);
  LastPWM_ = Place(new QLineEdit(this), QStringLiteral("LastPWM"), 840, 1800, 975, 375);
  LastPWM_->setEnabled(false);
  Place(new QLabel(QStringLiteral("Pot Input:"), this), QStringLiteral("Label10"), 2040, 1920, 735, 255);
  PotInput_ = Place(new QLineEdit(this), QStringLiteral("PotInput"), 2880, 1800, 855, 375);
  Place(new QLabel(QStringLiteral("Pulse In:"), this), QStringLiteral("Label11"), 4200, 1920, 735, 255);
  PulsIn_ = Place(new QLineEdit(this), QStringLiteral("PulsIn"), 5160, 1800, 855, 375);

  const QFont fixed = NamedFont("Courier New", 8.25);
  for (int i = 0; i < 8; ++i) {
    const int labelTop = 2520 + 360 * i;
    RowLabel_[i] = Place(new QLabel(QString::fromLatin1(kRowCaption[i]), this), QString::fromLatin1(kRowLabelName[i]),
                         i == 7 ? 840 : 960, labelTop, i == 7 ? 615 : 375, 255);
    RowLabel_[i]->setFont(fixed);
    WBox_[i] = Place(new QLineEdit(this), Indexed("WBox", i), 1560, 2400 + 360 * i, 975, 375);
    BVar_[i] = Place(new QLabel(this), Indexed("BVar", i), 2640, labelTop, 2055, 255);
    BVar_[i]->setFont(fixed);
  }

  RunBtn_ = Place(new QPushButton(QStringLiteral("Run (F5)"), this), QStringLiteral("RunBtn"), 4920, 3360, 1335, 375);
  Step_ = Place(new QPushButton(QStringLiteral("Step (F8)"), this), QStringLiteral("Step"), 4920, 4080, 1335, 375);
  StepOver_ = Place(new QPushButton(QStringLiteral("Step Over (F10)"), this), QStringLiteral("StepOver"), 4920, 4800,
                    1335, 375);
  connect(RunBtn_, &QPushButton::clicked, this, [this] { RunBtn_Click(); });
  connect(Step_, &QPushButton::clicked, this, [this] { Step_Click(); });
  connect(StepOver_, &QPushButton::clicked, this, [this] { StepOver_Click(); });
  for (QPushButton* button : {RunBtn_, Step_, StepOver_}) button->setAutoDefault(false);

  StateBox_ = Place(new QLineEdit(this), QStringLiteral("StateBox"), 0, 5400, 6375, 375);
  StateBox_->setEnabled(false);

  // Focus order: the word boxes top to bottom, the buttons, the value boxes.
  QWidget* previous = WBox_[0];
  for (QWidget* next : std::initializer_list<QWidget*>{WBox_[1], WBox_[2], WBox_[3], WBox_[4], WBox_[5], WBox_[6],
                                                       WBox_[7], Step_, RunBtn_, StepOver_, PotInput_, PulsIn_}) {
    setTabOrder(previous, next);
    previous = next;
  }
  WBox_[0]->setFocus();
  MakeDisabledTextReadable();
}

// The controls whose look follows the machine, for the display that draws them.
PanelDisplay::Widgets Form1::DisplayedWidgets() const {
  PanelDisplay::Widgets widgets;
  widgets.WBox = WBox_;
  widgets.BVar = BVar_;
  for (int i = 0; i < 8; ++i) {
    widgets.GLED[i] = GLED_[i];
    widgets.GInBtn[i] = GInBtn_[i];
  }
  widgets.StateBox = StateBox_;
  widgets.LastPWM = LastPWM_;
  widgets.LedOn = LEDON_;
  widgets.LedOff = LEDOFF_;
  widgets.SwitchUp = SwUp_;
  widgets.SwitchDown = SwDn_;
  return widgets;
}

// StateBox and LastPWM are read-only and look disabled, but StateBox is the panel's most important
// readout: its disabled text is darkened just enough to read on the disabled background.
void Form1::MakeDisabledTextReadable() {
  for (QLineEdit* box : {StateBox_, LastPWM_}) {
    QPalette p = box->palette();
    const QColor text = p.color(QPalette::Disabled, QPalette::Text);
    p.setColor(QPalette::Disabled, QPalette::Text, ReadableOn(text, p.color(QPalette::Disabled, QPalette::Base)));
    box->setPalette(p);
  }
}

// Every label shows on the window's grey, whatever its own colour: the byte labels first, then Label1
// to Label12.
void Form1::ColourLabels() {
  const QColor grey = palette().color(QPalette::Window);
  auto colour = [&grey](QLabel* label) {
    QPalette p = label->palette();
    p.setColor(QPalette::Window, grey);
    label->setPalette(p);
    label->setAutoFillBackground(true);
  };
  for (QLabel* label : BVar_) colour(label);
  for (int i = 1; i <= 12; ++i) {
    if (auto* label = findChild<QLabel*>(Indexed("Label", i), Qt::FindDirectChildrenOnly)) colour(label);
  }
}

}  // namespace qx9
