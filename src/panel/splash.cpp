#include "panel/splash.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

#include "panel/twips.h"

namespace qx9 {

void SplashFrame::mousePressEvent(QMouseEvent* event) {
  event->accept();
  emit clicked();
}

namespace {

struct SplashLabel {
  const char* Name;
  int Left, Top, Width, Height;  // twips, relative to Frame1
  double PointSize;
  bool Bold;
  Qt::Alignment Align;
  bool SizedToText;
  const char* Text;
};

// The labels of the splash; the ones sized to their text keep the edge they are aligned to.
constexpr SplashLabel kLabels[] = {
    {"lblNoticeTop", 120, 240, 6855, 255, 8.25, false, Qt::AlignRight, false,
     "Beta release: please tell us what you find"},
    {"lblCompanyProduct", 2355, 705, 2460, 435, 18, true, Qt::AlignLeft, true, "Ovrin Presents"},
    {"lblProductName", 2520, 1140, 3435, 765, 32.25, true, Qt::AlignLeft, true, "QX9EMU"},
    {"lblPlatform", 1920, 2040, 5085, 360, 15.75, true, Qt::AlignRight, true, "Emulator for the QX9 controller"},
    {"lblVersion", 4995, 2700, 1860, 285, 12, true, Qt::AlignRight, true, "Version 0.8 Beta"},
    {"lblNotice", 4560, 3060, 2415, 255, 8.25, false, Qt::AlignLeft, false, "Written and published by"},
    {"lblCompany", 4560, 3270, 2415, 255, 8.25, false, Qt::AlignLeft, false, "Ovrin, www.ovrin.example"},
    {"lblWarning", 150, 3660, 6855, 195, 8.25, false, Qt::AlignLeft, false, "Press any key or click here to continue."},
};

}  // namespace

frmSplash::frmSplash(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("frmSplash"));
  setModal(true);
  setFixedSize(Twips(7380), Twips(4245));
  // A thin raised edge stands in for the dialog frame that a window without a title bar still has.
  auto* edge = new QFrame(this);
  edge->setFrameShape(QFrame::Panel);
  edge->setFrameShadow(QFrame::Raised);
  edge->setGeometry(rect());
  edge->setAttribute(Qt::WA_TransparentForMouseEvents);

  frame1_ = new SplashFrame(this);
  frame1_->setObjectName(QStringLiteral("Frame1"));
  frame1_->setFrameShape(QFrame::Box);
  frame1_->setFrameShadow(QFrame::Sunken);
  frame1_->setGeometry(TwipsRect(150, 60, 7080, 4050));
  connect(frame1_, &SplashFrame::clicked, this, &frmSplash::Frame1_Click);

  // The logo and the labels do nothing when clicked: their clicks must not reach the frame.
  auto* logo = new QLabel(frame1_);
  logo->setObjectName(QStringLiteral("imgLogo"));
  logo->setGeometry(TwipsRect(0, 120, 1215, 1065));
  logo->setScaledContents(true);
  logo->setPixmap(QPixmap(QStringLiteral(":/assets/logo.png")));
  logo->setAttribute(Qt::WA_NoMousePropagation);

  for (const SplashLabel& design : kLabels) {
    auto* label = new QLabel(QString::fromUtf8(design.Text), frame1_);
    label->setObjectName(QString::fromLatin1(design.Name));
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(design.PointSize);
    font.setBold(design.Bold);
    label->setFont(font);
    label->setAlignment(design.Align | Qt::AlignTop);
    label->setAttribute(Qt::WA_NoMousePropagation);
    const QRect designed = TwipsRect(design.Left, design.Top, design.Width, design.Height);
    if (design.SizedToText) {
      const QSize needed = label->sizeHint();
      QRect r(designed.topLeft(), needed);
      if (design.Align & Qt::AlignRight) r.moveRight(designed.right());
      label->setGeometry(r);
    } else {
      label->setGeometry(designed);
    }
  }

  timer1_.setSingleShot(true);
  timer1_.setInterval(kTimeoutMs);
  connect(&timer1_, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect r = rect();
    r.moveCenter(screen->availableGeometry().center());
    move(r.topLeft());
  }

  // The ten seconds count from the splash's loading, not from its showing.
  timer1_.start();
}

void frmSplash::keyPressEvent(QKeyEvent* event) {
  // Function keys, arrows and lone modifiers produce no character and leave the splash open; Escape
  // and Enter are characters here, not the dialog's reject and accept.
  Form_KeyPress(event->text());
  event->accept();
}

void frmSplash::Form_KeyPress(const QString& text) {
  if (!text.isEmpty()) Unload();
}

void frmSplash::Frame1_Click() { Unload(); }

void frmSplash::Timer1_Timer() { Unload(); }

void frmSplash::Unload() {
  timer1_.stop();
  done(QDialog::Accepted);
}

}  // namespace qx9
