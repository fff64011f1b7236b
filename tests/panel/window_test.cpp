// The window as designed (every control's place, size, caption, font, state and the focus order) and
// what it shows of the machine: the word boxes both ways, the LEDs and the switches.
#include <QFontInfo>

#include "panel_rig.h"

namespace qx9::test {
namespace {

struct Designed {
  const char* Name;
  int Left, Top, Width, Height;  // twips; 15 make a pixel
  const char* Caption;           // nullptr: no caption to check
  const char* Family;            // nullptr: the dialog font at 8.25 pt
};

const Designed kControls[] = {
    {"Label12", 0, 0, 6375, 255, nullptr, "Arial"},
    {"GLED0", 5760, 240, 495, 480, nullptr, nullptr},
    {"GLED1", 4968, 240, 495, 480, nullptr, nullptr},
    {"GLED2", 4180, 240, 495, 480, nullptr, nullptr},
    {"GLED3", 3392, 240, 495, 480, nullptr, nullptr},
    {"GLED4", 2604, 240, 495, 480, nullptr, nullptr},
    {"GLED5", 1816, 240, 495, 480, nullptr, nullptr},
    {"GLED6", 1028, 240, 495, 480, nullptr, nullptr},
    {"GLED7", 240, 240, 495, 480, nullptr, nullptr},
    {"GInBtn0", 5640, 840, 705, 765, nullptr, nullptr},
    {"GInBtn1", 4848, 840, 705, 765, nullptr, nullptr},
    {"GInBtn2", 4060, 840, 705, 765, nullptr, nullptr},
    {"GInBtn3", 3272, 840, 705, 765, nullptr, nullptr},
    {"GInBtn4", 2484, 840, 705, 765, nullptr, nullptr},
    {"GInBtn5", 1696, 840, 705, 765, nullptr, nullptr},
    {"GInBtn6", 908, 840, 705, 765, nullptr, nullptr},
    {"GInBtn7", 120, 840, 705, 765, nullptr, nullptr},
    {"Label9", 0, 1920, 855, 255, "LastPWM:", nullptr},
    {"LastPWM", 840, 1800, 975, 375, "", nullptr},
    {"Label10", 2040, 1920, 735, 255, "Pot Input:", nullptr},
    {"PotInput", 2880, 1800, 855, 375, "", nullptr},
    {"Label11", 4200, 1920, 735, 255, "Pulse In:", nullptr},
    {"PulsIn", 5160, 1800, 855, 375, "", nullptr},
    {"Label1", 960, 2520, 375, 255, "W0", "Courier New"},
    {"Label3", 960, 2880, 375, 255, "W1", "Courier New"},
    {"Label4", 960, 3240, 375, 255, "W2", "Courier New"},
    {"Label5", 960, 3600, 375, 255, "W3", "Courier New"},
    {"Label6", 960, 3960, 375, 255, "W4", "Courier New"},
    {"Label7", 960, 4320, 375, 255, "W5", "Courier New"},
    {"Label8", 960, 4680, 375, 255, "W6", "Courier New"},
    {"Label2", 840, 5040, 615, 255, "PORT", "Courier New"},
    {"WBox0", 1560, 2400, 975, 375, nullptr, nullptr},
    {"WBox1", 1560, 2760, 975, 375, nullptr, nullptr},
    {"WBox2", 1560, 3120, 975, 375, nullptr, nullptr},
    {"WBox3", 1560, 3480, 975, 375, nullptr, nullptr},
    {"WBox4", 1560, 3840, 975, 375, nullptr, nullptr},
    {"WBox5", 1560, 4200, 975, 375, nullptr, nullptr},
    {"WBox6", 1560, 4560, 975, 375, nullptr, nullptr},
    {"WBox7", 1560, 4920, 975, 375, nullptr, nullptr},
    {"BVar0", 2640, 2520, 2055, 255, nullptr, "Courier New"},
    {"BVar1", 2640, 2880, 2055, 255, nullptr, "Courier New"},
    {"BVar2", 2640, 3240, 2055, 255, nullptr, "Courier New"},
    {"BVar3", 2640, 3600, 2055, 255, nullptr, "Courier New"},
    {"BVar4", 2640, 3960, 2055, 255, nullptr, "Courier New"},
    {"BVar5", 2640, 4320, 2055, 255, nullptr, "Courier New"},
    {"BVar6", 2640, 4680, 2055, 255, nullptr, "Courier New"},
    {"BVar7", 2640, 5040, 2055, 255, nullptr, "Courier New"},
    {"RunBtn", 4920, 3360, 1335, 375, "Run (F5)", nullptr},
    {"Step", 4920, 4080, 1335, 375, "Step (F8)", nullptr},
    {"StepOver", 4920, 4800, 1335, 375, "Step Over (F10)", nullptr},
    {"StateBox", 0, 5400, 6375, 375, nullptr, nullptr},
};

int Px(int twips) { return static_cast<int>(std::lround(twips / 15.0)); }

QString CaptionOf(QWidget* w) {
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
  return qobject_cast<QPushButton*>(w)->text();
}

bool Shows(QLabel* image, const char* path) {
  return image->pixmap().toImage() == QPixmap(QString::fromLatin1(path)).toImage();
}

// A program that only loops: nothing runs unless a test steps it.
ProgramBuilder Idle() { return std::move(ProgramBuilder().Label("top").Goto("top")); }

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void window() {
    PanelRig rig;
    QCOMPARE(rig.form->windowTitle(), QStringLiteral("Ovrin QX9 Emulator"));
    QCOMPARE(rig.form->size(), QSize(426, 385));
    QCOMPARE(rig.form->palette().color(QPalette::Window), QColor(192, 192, 192));
    QVERIFY(rig.Get<QLabel>(QStringLiteral("Label12"))->text().contains(QStringLiteral("Ovrin")));
    QVERIFY(!rig.Get(QStringLiteral("LastPWM"))->isEnabled());
    QVERIFY(!rig.Get(QStringLiteral("StateBox"))->isEnabled());
    QVERIFY(!rig.form->timer1().isEnabled());
    for (int i = 0; i < 8; ++i) {
      QVERIFY(rig.GInBtn(i)->isEnabled() && rig.GInBtn(i)->hasScaledContents());
      QCOMPARE(rig.GInBtn(i)->property("Tag").toString(), QStringLiteral("0"));
    }
    // The LEDs show their bitmap at its own size, the switches stretched.
    QVERIFY(!rig.GLED(0)->hasScaledContents());
    QCOMPARE(rig.GLED(0)->pixmap().size(), QSize(33, 32));
    QCOMPARE(rig.GInBtn(0)->pixmap().size(), QSize(47, 51));
    QCOMPARE(QPixmap(QStringLiteral(":/assets/switch_up.png")).size(), QSize(41, 63));
    QCOMPARE(QPixmap(QStringLiteral(":/assets/logo.png")).size(), QSize(32, 32));
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
    const bool banner = row == 0;
    QCOMPARE(w->font().pointSizeF(), banner ? 12.0 : 8.25);
    QCOMPARE(w->font().bold(), banner);
    const QString family = d.Family != nullptr ? QString::fromLatin1(d.Family) : rig.form->font().family();
    QCOMPARE(w->font().family(), family);
    // The families resolve to their metric twins installed with the project.
    const QString resolved = QFontInfo(w->font()).family();
    if (family == QLatin1String("Arial")) QCOMPARE(resolved, QStringLiteral("Liberation Sans"));
    if (family == QLatin1String("Courier New")) QCOMPARE(resolved, QStringLiteral("Liberation Mono"));
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

  // RefreshPanel writes each word into its own box and label; ReadWordBoxes reads that box back.
  void wordBoxes_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("bytes");
    QTest::newRow("port 0x8001") << 7 << -32767 << "8001" << "Pins=01 Dirs=80";
    QTest::newRow("W0 -1") << 0 << -1 << "FFFF" << "B0=FF   B1=FF";
    QTest::newRow("W0 0xFF01") << 0 << -255 << "FF01" << "B0=01   B1=FF";
    QTest::newRow("W6 0x00AB") << 6 << 0xAB << "00AB" << "B12=AB  B13=00";
  }
  void wordBoxes() {
    QFETCH(int, index);
    QFETCH(int, entry);
    QFETCH(QString, word);
    QFETCH(QString, bytes);
    PanelRig rig;
    rig.Load(Idle());
    rig.m().Ram[index] = entry;
    rig.m().RefreshPanel();
    for (int i = 0; i < 8; ++i) QCOMPARE(rig.WBox(i)->text(), i == index ? word : QStringLiteral("0000"));
    QCOMPARE(rig.BVar(index)->text(), bytes);
    rig.m().Ram[index] = 12345;
    rig.m().ReadWordBoxes();
    QCOMPARE(static_cast<uint16_t>(rig.m().Ram[index]), static_cast<uint16_t>(entry));
    // What a user types is what the next read takes.
    rig.WBox(index)->clear();
    QTest::keyClicks(rig.WBox(index), QStringLiteral("12ab"));
    rig.m().ReadWordBoxes();
    QCOMPARE(rig.m().Ram[index], 0x12AB);
  }

  // The port word lights its LEDs and locks the switches of output pins; a click on a locked switch
  // does nothing, one on another switch (where the user clicks in the window) sets its input pin.
  void ledsAndSwitches() {
    PanelRig rig;
    rig.Load(Idle());
    rig.m().Ram[7] = -32767;  // 0x8001: pin 0 high, pin 7 an output
    rig.m().RefreshPanel();
    for (int i = 0; i < 8; ++i) {
      QCOMPARE(Shows(rig.GLED(i), i == 0 ? ":/assets/led_on.png" : ":/assets/led_off.png"), true);
      QCOMPARE(rig.GInBtn(i)->isEnabled(), i != 7);
    }
    QTest::mouseClick(rig.GInBtn(7), Qt::LeftButton);
    QCOMPARE(rig.GInBtn(7)->property("Tag").toString(), QStringLiteral("0"));
    QCOMPARE(static_cast<uint16_t>(rig.m().Ram[7]), 0x8001);

    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    QTest::mouseClick(rig.form->windowHandle(), Qt::LeftButton, {}, rig.GInBtn(3)->geometry().center());
    QCOMPARE(static_cast<uint16_t>(rig.m().Ram[7]), 0x8009);
    QCOMPARE(rig.GInBtn(3)->property("Tag").toString(), QStringLiteral("1"));
    QVERIFY(Shows(rig.GInBtn(3), ":/assets/switch_up.png"));
    QVERIFY(Shows(rig.GLED(3), ":/assets/led_on.png"));
    QCOMPARE(rig.BVar(7)->text(), QStringLiteral("Pins=09 Dirs=80"));
    QTest::mouseClick(rig.GInBtn(3), Qt::LeftButton);
    QCOMPARE(static_cast<uint16_t>(rig.m().Ram[7]), 0x8001);
    QVERIFY(Shows(rig.GInBtn(3), ":/assets/switch_down.png"));
    QVERIFY(Shows(rig.GLED(3), ":/assets/led_off.png"));
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::WindowTest)
#include "window_test.moc"
