// What the panel shows of the machine, what it reads back from the word boxes, and the switches.
#include "panel_rig.h"

namespace qx9::test {
namespace {

// A program that only waits at its start: nothing runs unless a test steps it.
ProgramBuilder IdleProgram() {
  ProgramBuilder p;
  p.Label("top").Goto("top");
  return p;
}

bool ShowsPixmap(QLabel* image, const char* path) {
  return image->pixmap().toImage() == QPixmap(QString::fromLatin1(path)).toImage();
}

}  // namespace

class DisplayTest : public QObject {
  Q_OBJECT

 private slots:
  void refresh_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("bytes");
    QTest::newRow("port 0x8001") << 7 << -32767 << "8001" << "Pins=01 Dirs=80";
    QTest::newRow("W0 -1") << 0 << -1 << "FFFF" << "B0=FF   B1=FF";
    QTest::newRow("W0 0xFF01") << 0 << -255 << "FF01" << "B0=01   B1=FF";
    QTest::newRow("W6 0x00AB") << 6 << 0xAB << "00AB" << "B12=AB  B13=00";
    QTest::newRow("W5 0xABCD") << 5 << -21555 /* 0xABCD */ << "ABCD" << "B10=CD  B11=AB";
  }
  void refresh() {
    QFETCH(int, index);
    QFETCH(int, entry);
    QFETCH(QString, word);
    QFETCH(QString, bytes);
    PanelRig rig;
    rig.Load(IdleProgram());
    rig.m().Ram[index] = entry;
    rig.m().RefreshPanel();
    QCOMPARE(rig.WBox(index)->text(), word);
    QCOMPARE(rig.BVar(index)->text(), bytes);
    // And the box reads back as the same 16-bit pattern.
    rig.m().Ram[index] = 12345;
    rig.m().ReadWordBoxes();
    QCOMPARE(static_cast<uint16_t>(rig.m().Ram[index]), static_cast<uint16_t>(entry));
  }

  void portWordLightsLedsAndLocksSwitches() {
    PanelRig rig;
    rig.Load(IdleProgram());
    rig.m().Ram[7] = -32767;  // 0x8001: pin 0 high, pin 7 an output
    rig.m().RefreshPanel();
    for (int i = 0; i < 8; ++i) {
      QCOMPARE(ShowsPixmap(rig.GLED(i), ":/assets/led_on.png"), i == 0);
      QCOMPARE(rig.GInBtn(i)->isEnabled(), i != 7);
    }
    rig.m().Ram[7] = 0;
    rig.m().RefreshPanel();
    for (int i = 0; i < 8; ++i) {
      QVERIFY(ShowsPixmap(rig.GLED(i), ":/assets/led_off.png"));
      QVERIFY(rig.GInBtn(i)->isEnabled());
    }
  }

  void typedWordBoxes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("shown");
    QTest::newRow("lower case") << "ffff" << -1 << "FFFF";
    QTest::newRow("largest positive") << "7FFF" << 32767 << "7FFF";
    QTest::newRow("empty") << "" << 0 << "0000";
    QTest::newRow("stops at a non-digit") << "12G4" << 18 << "0012";
    QTest::newRow("blanks ignored") << " 1 2" << 18 << "0012";
    QTest::newRow("five digits") << "10000" << 65536 << "0000";
  }
  // A value typed into a word box is what the next cycle works with, and the redraw shows its pattern.
  void typedWordBoxes() {
    QFETCH(QString, text);
    QFETCH(int, entry);
    QFETCH(QString, shown);
    PanelRig rig;
    rig.Load(IdleProgram());
    rig.WBox(2)->setText(text);
    rig.m().ReadWordBoxes();
    QCOMPARE(rig.m().Ram[2], entry);
    rig.form->Step_Click();
    QCOMPARE(rig.WBox(2)->text(), shown);
  }

  void typingIntoTheBoxWithTheKeyboard() {
    PanelRig rig;
    rig.Load(IdleProgram());
    rig.WBox(1)->clear();
    QTest::keyClicks(rig.WBox(1), QStringLiteral("00ab"));
    rig.form->Step_Click();
    QCOMPARE(rig.m().Ram[1], 0xAB);
    QCOMPARE(rig.WBox(1)->text(), QStringLiteral("00AB"));
    QCOMPARE(rig.BVar(1)->text(), QStringLiteral("B2=AB   B3=00"));
  }

  void switchClicksSetInputPins() {
    PanelRig rig;
    rig.Load(IdleProgram());
    QTest::mouseClick(rig.GInBtn(3), Qt::LeftButton);
    QCOMPARE(rig.GInBtn(3)->property("Tag").toString(), QStringLiteral("1"));
    QVERIFY(ShowsPixmap(rig.GInBtn(3), ":/assets/switch_up.png"));
    QCOMPARE(rig.m().Ram[7], 0x0008);
    QCOMPARE(rig.WBox(7)->text(), QStringLiteral("0008"));
    QCOMPARE(rig.BVar(7)->text(), QStringLiteral("Pins=08 Dirs=00"));
    QVERIFY(ShowsPixmap(rig.GLED(3), ":/assets/led_on.png"));

    QTest::mouseClick(rig.GInBtn(3), Qt::LeftButton);
    QCOMPARE(rig.GInBtn(3)->property("Tag").toString(), QStringLiteral("0"));
    QVERIFY(ShowsPixmap(rig.GInBtn(3), ":/assets/switch_down.png"));
    QCOMPARE(rig.m().Ram[7], 0);
    QVERIFY(ShowsPixmap(rig.GLED(3), ":/assets/led_off.png"));
  }

  // A click at the switch's place in the window, as a user makes it, reaches the switch.
  void switchClickedByWindowPosition() {
    PanelRig rig;
    rig.Load(IdleProgram());
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    QTest::mouseClick(rig.form->windowHandle(), Qt::LeftButton, {}, rig.GInBtn(5)->geometry().center());
    QCOMPARE(rig.m().Ram[7], 0x0020);
  }

  void switchOfAnOutputPin() {
    PanelRig rig;
    rig.Load(IdleProgram());
    rig.WBox(7)->setText(QStringLiteral("8000"));  // pin 7 an output, low
    rig.form->Step_Click();
    QVERIFY(!rig.GInBtn(7)->isEnabled());
    // A click on the disabled switch does nothing at all.
    QTest::mouseClick(rig.GInBtn(7), Qt::LeftButton);
    QCOMPARE(rig.GInBtn(7)->property("Tag").toString(), QStringLiteral("0"));
    QCOMPARE(static_cast<uint16_t>(rig.m().Ram[7]), 0x8000);
    // A click that reaches it anyway moves the switch and leaves the level alone.
    rig.form->GInBtn_Click(7);
    QCOMPARE(rig.GInBtn(7)->property("Tag").toString(), QStringLiteral("1"));
    QVERIFY(ShowsPixmap(rig.GInBtn(7), ":/assets/switch_up.png"));
    QCOMPARE(static_cast<uint16_t>(rig.m().Ram[7]), 0x8000);
    QVERIFY(!rig.GInBtn(7)->isEnabled());
  }

  // A value typed but not yet used by a cycle survives a switch click.
  void switchClickKeepsATypedWord() {
    PanelRig rig;
    rig.Load(IdleProgram());
    rig.WBox(4)->setText(QStringLiteral("1234"));
    QTest::mouseClick(rig.GInBtn(0), Qt::LeftButton);
    QCOMPARE(rig.WBox(4)->text(), QStringLiteral("1234"));
    QCOMPARE(rig.BVar(4)->text(), QStringLiteral("B8=34   B9=12"));
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::DisplayTest)
#include "display_test.moc"
