// The window as designed: every control's place, size, caption, font and state, and the focus order.
#include <QFontInfo>

#include "panel_rig.h"

namespace qx9::test {
namespace {

struct Designed {
  const char* Name;
  int Left, Top, Width, Height;  // twips
  const char* Caption;           // nullptr: no caption to check
  const char* Family;            // nullptr: the dialog font
  double PointSize;
  bool Bold;
};

// The design table, in twips as drawn; 15 twips make a pixel.
const Designed kControls[] = {
    {"Label12", 0, 0, 6375, 255, nullptr, "Arial", 12, true},
    {"GLED0", 5760, 240, 495, 480, nullptr, nullptr, 8.25, false},
    {"GLED1", 4968, 240, 495, 480, nullptr, nullptr, 8.25, false},
    {"GLED2", 4180, 240, 495, 480, nullptr, nullptr, 8.25, false},
    {"GLED3", 3392, 240, 495, 480, nullptr, nullptr, 8.25, false},
    {"GLED4", 2604, 240, 495, 480, nullptr, nullptr, 8.25, false},
    {"GLED5", 1816, 240, 495, 480, nullptr, nullptr, 8.25, false},
    {"GLED6", 1028, 240, 495, 480, nullptr, nullptr, 8.25, false},
    {"GLED7", 240, 240, 495, 480, nullptr, nullptr, 8.25, false},
    {"GInBtn0", 5640, 840, 705, 765, nullptr, nullptr, 8.25, false},
    {"GInBtn1", 4848, 840, 705, 765, nullptr, nullptr, 8.25, false},
    {"GInBtn2", 4060, 840, 705, 765, nullptr, nullptr, 8.25, false},
    {"GInBtn3", 3272, 840, 705, 765, nullptr, nullptr, 8.25, false},
    {"GInBtn4", 2484, 840, 705, 765, nullptr, nullptr, 8.25, false},
    {"GInBtn5", 1696, 840, 705, 765, nullptr, nullptr, 8.25, false},
    {"GInBtn6", 908, 840, 705, 765, nullptr, nullptr, 8.25, false},
    {"GInBtn7", 120, 840, 705, 765, nullptr, nullptr, 8.25, false},
    {"Label9", 0, 1920, 855, 255, "LastPWM:", nullptr, 8.25, false},
    {"LastPWM", 840, 1800, 975, 375, "", nullptr, 8.25, false},
    {"Label10", 2040, 1920, 735, 255, "Pot Input:", nullptr, 8.25, false},
    {"PotInput", 2880, 1800, 855, 375, "", nullptr, 8.25, false},
    {"Label11", 4200, 1920, 735, 255, "Pulse In:", nullptr, 8.25, false},
    {"PulsIn", 5160, 1800, 855, 375, "", nullptr, 8.25, false},
    {"Label1", 960, 2520, 375, 255, "W0", "Courier New", 8.25, false},
    {"Label3", 960, 2880, 375, 255, "W1", "Courier New", 8.25, false},
    {"Label4", 960, 3240, 375, 255, "W2", "Courier New", 8.25, false},
    {"Label5", 960, 3600, 375, 255, "W3", "Courier New", 8.25, false},
    {"Label6", 960, 3960, 375, 255, "W4", "Courier New", 8.25, false},
    {"Label7", 960, 4320, 375, 255, "W5", "Courier New", 8.25, false},
    {"Label8", 960, 4680, 375, 255, "W6", "Courier New", 8.25, false},
    {"Label2", 840, 5040, 615, 255, "PORT", "Courier New", 8.25, false},
    {"WBox0", 1560, 2400, 975, 375, nullptr, nullptr, 8.25, false},
    {"WBox1", 1560, 2760, 975, 375, nullptr, nullptr, 8.25, false},
    {"WBox2", 1560, 3120, 975, 375, nullptr, nullptr, 8.25, false},
    {"WBox3", 1560, 3480, 975, 375, nullptr, nullptr, 8.25, false},
    {"WBox4", 1560, 3840, 975, 375, nullptr, nullptr, 8.25, false},
    {"WBox5", 1560, 4200, 975, 375, nullptr, nullptr, 8.25, false},
    {"WBox6", 1560, 4560, 975, 375, nullptr, nullptr, 8.25, false},
    {"WBox7", 1560, 4920, 975, 375, nullptr, nullptr, 8.25, false},
    {"BVar0", 2640, 2520, 2055, 255, nullptr, "Courier New", 8.25, false},
    {"BVar1", 2640, 2880, 2055, 255, nullptr, "Courier New", 8.25, false},
    {"BVar2", 2640, 3240, 2055, 255, nullptr, "Courier New", 8.25, false},
    {"BVar3", 2640, 3600, 2055, 255, nullptr, "Courier New", 8.25, false},
    {"BVar4", 2640, 3960, 2055, 255, nullptr, "Courier New", 8.25, false},
    {"BVar5", 2640, 4320, 2055, 255, nullptr, "Courier New", 8.25, false},
    {"BVar6", 2640, 4680, 2055, 255, nullptr, "Courier New", 8.25, false},
    {"BVar7", 2640, 5040, 2055, 255, nullptr, "Courier New", 8.25, false},
    {"RunBtn", 4920, 3360, 1335, 375, "Run (F5)", nullptr, 8.25, false},
    {"Step", 4920, 4080, 1335, 375, "Step (F8)", nullptr, 8.25, false},
    {"StepOver", 4920, 4800, 1335, 375, "Step Over (F10)", nullptr, 8.25, false},
    {"StateBox", 0, 5400, 6375, 375, nullptr, nullptr, 8.25, false},
};

int Px(int twips) { return static_cast<int>(std::lround(twips / 15.0)); }

QString CaptionOf(QWidget* w) {
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
  if (auto* button = qobject_cast<QPushButton*>(w)) return button->text();
  return {};
}

// The families "Arial" and "Courier New" resolve to their metric twins here.
bool FamilyMatches(const QString& asked, const QString& got) {
  if (got == asked) return true;
  if (asked == QLatin1String("Arial")) return got == QLatin1String("Liberation Sans");
  if (asked == QLatin1String("Courier New")) return got == QLatin1String("Liberation Mono");
  return false;
}

}  // namespace

class LayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void window() {
    PanelRig rig;
    QCOMPARE(rig.form->windowTitle(), QStringLiteral("Ovrin QX9 Emulator"));
    QCOMPARE(rig.form->size(), QSize(426, 385));
    QCOMPARE(rig.form->palette().color(QPalette::Window), QColor(192, 192, 192));
    QVERIFY(rig.Get<QLabel>(QStringLiteral("Label12"))->text().contains(QStringLiteral("Ovrin")));
    QVERIFY(rig.Get<QLabel>(QStringLiteral("Label12"))->text().contains(QStringLiteral(".example")));
  }

  void controls_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < static_cast<int>(std::size(kControls)); ++i) QTest::newRow(kControls[i].Name) << i;
  }
  void controls() {
    QFETCH(int, row);
    const Designed& d = kControls[row];
    PanelRig rig;
    QWidget* w = rig.Get(QString::fromLatin1(d.Name));
    QCOMPARE(w->parentWidget(), rig.form.get());
    QCOMPARE(w->geometry(), QRect(Px(d.Left), Px(d.Top), Px(d.Width), Px(d.Height)));
    if (d.Caption != nullptr) QCOMPARE(CaptionOf(w), QString::fromLatin1(d.Caption));
    const QFont font = w->font();
    QCOMPARE(font.pointSizeF(), d.PointSize);
    QCOMPARE(font.bold(), d.Bold);
    const QString family = d.Family != nullptr ? QString::fromLatin1(d.Family) : rig.form->font().family();
    QCOMPARE(font.family(), family);
    if (d.Family != nullptr) {
      const QString resolved = QFontInfo(font).family();
      QVERIFY2(FamilyMatches(family, resolved), qPrintable(family + QStringLiteral(" -> ") + resolved));
    }
  }

  void designStates() {
    PanelRig rig;
    QVERIFY(!rig.Get(QStringLiteral("LastPWM"))->isEnabled());
    QVERIFY(!rig.Get(QStringLiteral("StateBox"))->isEnabled());
    for (int i = 0; i < 8; ++i) {
      QVERIFY(rig.GInBtn(i)->isEnabled());
      QCOMPARE(rig.GInBtn(i)->property("Tag").toString(), QStringLiteral("0"));
      QVERIFY(rig.GInBtn(i)->hasScaledContents());
      QVERIFY(!rig.GLED(i)->hasScaledContents());
    }
    QVERIFY(!rig.form->timer1().isEnabled());
  }

  void bitmapSizes() {
    // The bitmaps come as resources; the LEDs show them at their own size, the switches stretched.
    const struct {
      const char* Path;
      QSize Size;
    } kBitmaps[] = {{":/assets/led_on.png", {33, 32}},
                    {":/assets/led_off.png", {33, 32}},
                    {":/assets/switch_up.png", {41, 63}},
                    {":/assets/switch_down.png", {47, 51}},
                    {":/assets/logo.png", {32, 32}}};
    for (const auto& b : kBitmaps) {
      const QPixmap pixmap(QString::fromLatin1(b.Path));
      if (pixmap.isNull()) QSKIP("the bitmaps are not bundled in this build");
      QCOMPARE(pixmap.size(), b.Size);
    }
    PanelRig rig;
    QCOMPARE(rig.GLED(0)->pixmap().size(), QSize(33, 32));
    QCOMPARE(rig.GInBtn(0)->pixmap().size(), QSize(47, 51));
  }

  void focusOrder() {
    PanelRig rig;
    QVERIFY(rig.Activate());
    // The focus starts in the first word box and Tab walks the designed order, round to the start.
    const QStringList order = {"WBox0", "WBox1", "WBox2", "WBox3", "WBox4", "WBox5", "WBox6", "WBox7",
                               "Step",  "RunBtn", "StepOver", "PotInput", "PulsIn", "WBox0"};
    QCOMPARE(QApplication::focusWidget()->objectName(), order[0]);
    for (int i = 1; i < order.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget()->objectName(), order[i]);
    }
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::LayoutTest)
#include "layout_test.moc"
