// The window as designed (every control's place, size, caption, font, state and the focus order) and
// what it shows of the machine: the word boxes both ways, the LEDs and the switches.
#include <QFontInfo>

#include "panel_rig.h"

namespace qx9::test {
namespace {

struct Designed {
  QString Name;
  QRect Twips;                     // 15 make a pixel
  std::optional<QString> Caption = {};  // none: no caption to check
  QString Family = {};             // empty: the dialog font at 8.25 pt
};

// The single controls, then the eight of each array: LEDs with their switches below, and the rows
// of word label, word box and byte label 360 twips apart (the last row is the port's).
std::vector<Designed> Controls() {
  const QString courier = QStringLiteral("Courier New");
  std::vector<Designed> c = {
      {"Label12", {0, 0, 6375, 255}, {}, QStringLiteral("Arial")},
      {"Label9", {0, 1920, 855, 255}, "LastPWM:"},
      {"LastPWM", {840, 1800, 975, 375}, ""},
      {"Label10", {2040, 1920, 735, 255}, "Pot Input:"},
      {"PotInput", {2880, 1800, 855, 375}, ""},
      {"Label11", {4200, 1920, 735, 255}, "Pulse In:"},
      {"PulsIn", {5160, 1800, 855, 375}, ""},
      {"RunBtn", {4920, 3360, 1335, 375}, "Run (F5)"},
      {"Step", {4920, 4080, 1335, 375}, "Step (F8)"},
      {"StepOver", {4920, 4800, 1335, 375}, "Step Over (F10)"},
      {"StateBox", {0, 5400, 6375, 375}},
  };
  const int ledLefts[] = {5760, 4968, 4180, 3392, 2604, 1816, 1028, 240};
  for (int i = 0; i < 8; ++i) {
    const QString n = QString::number(i);
    const int top = 2400 + 360 * i;
    c.push_back({"GLED" + n, {ledLefts[i], 240, 495, 480}});
    c.push_back({"GInBtn" + n, {ledLefts[i] - 120, 840, 705, 765}});
    c.push_back({"WBox" + n, {1560, top, 975, 375}});
    c.push_back({"BVar" + n, {2640, top + 120, 2055, 255}, {}, courier});
    if (i < 7) c.push_back({QStringLiteral("Label%1").arg(i == 0 ? 1 : i + 2), {960, top + 120, 375, 255}, "W" + n, courier});
  }
  c.push_back({"Label2", {840, 5040, 615, 255}, "PORT", courier});
  return c;
}

int Px(int twips) { return static_cast<int>(std::lround(twips / 15.0)); }

bool Shows(QLabel* image, const char* path) {
  return image->pixmap().toImage() == QPixmap(QString::fromLatin1(path)).toImage();
}

// A program that only loops: nothing runs unless a test steps it.
ProgramBuilder Idle() { return std::move(ProgramBuilder().Label("top").Goto("top")); }

struct WordRow {
  const char* Name;
  int Index, Entry;
  QString Word, Bytes;
};
const WordRow kWords[] = {
    {"port 0x8001", 7, -32767, "8001", "Pins=01 Dirs=80"},
    {"W0 -1", 0, -1, "FFFF", "B0=FF   B1=FF"},
    {"W0 0xFF01", 0, -255, "FF01", "B0=01   B1=FF"},
    {"W6 0x00AB", 6, 0xAB, "00AB", "B12=AB  B13=00"},
};

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
  }

  void controls_data() {
    QTest::addColumn<int>("row");
    const std::vector<Designed> controls = Controls();
    QCOMPARE(controls.size(), size_t{51});
    for (size_t i = 0; i < controls.size(); ++i) QTest::addRow("%s", qPrintable(controls[i].Name)) << static_cast<int>(i);
  }
  void controls() {
    QFETCH(int, row);
    const Designed d = Controls()[static_cast<size_t>(row)];
    PanelRig rig;
    QWidget* w = rig.Get(d.Name);
    QCOMPARE(w->parentWidget(), rig.form.get());
    QCOMPARE(w->geometry(), QRect(Px(d.Twips.x()), Px(d.Twips.y()), Px(d.Twips.width()), Px(d.Twips.height())));
    if (d.Caption) QCOMPARE(w->property("text").toString(), *d.Caption);
    const bool banner = row == 0;
    QCOMPARE(w->font().pointSizeF(), banner ? 12.0 : 8.25);
    QCOMPARE(w->font().bold(), banner);
    QCOMPARE(w->font().family(), d.Family.isEmpty() ? rig.form->font().family() : d.Family);
    // The families resolve to their metric twins installed with the project.
    if (!d.Family.isEmpty()) QCOMPARE(QFontInfo(w->font()).family(), banner ? QStringLiteral("Liberation Sans") : QStringLiteral("Liberation Mono"));
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
  void wordBoxes_data() { AddRows(kWords); }
  void wordBoxes() {
    const WordRow& r = Row(kWords);
    PanelRig rig;
    rig.Load(Idle());
    rig.m().Ram[r.Index] = r.Entry;
    rig.m().RefreshPanel();
    for (int i = 0; i < 8; ++i) QCOMPARE(rig.WBox(i)->text(), i == r.Index ? r.Word : QStringLiteral("0000"));
    QCOMPARE(rig.BVar(r.Index)->text(), r.Bytes);
    rig.m().Ram[r.Index] = 12345;
    rig.m().ReadWordBoxes();
    QCOMPARE(static_cast<uint16_t>(rig.m().Ram[r.Index]), static_cast<uint16_t>(r.Entry));
    // What a user types is what the next read takes.
    rig.WBox(r.Index)->clear();
    QTest::keyClicks(rig.WBox(r.Index), QStringLiteral("12ab"));
    rig.m().ReadWordBoxes();
    QCOMPARE(rig.m().Ram[r.Index], 0x12AB);
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
