// The panel drawn once a frame while the program runs freely: the core's every instruction still takes
// effect in order, nothing is drawn between frames, a frame draws only what changed, and the exact state
// shows at once when the run stops, on a press, before a box opens and to whoever reads the panel.
// Typed words are never lost to a frame drawn over them.
#include "panel_rig.h"

namespace qx9::test {
namespace {

ProgramBuilder Counter() {
  ProgramBuilder p;
  p.Label("top").Let(V("W0"), {{3, C(1)}}).Goto("top");
  return p;
}

QString RawText(const PanelRig& rig, const QString& name) { return rig.Raw<QLineEdit>(name)->text(); }

// Widgets written by one Step of the counter, from its first instruction: only what changed.
// Keys: the word typed into W1 first (empty: none).
struct WriteRow {
  const char* Name;
  QString Typed;
  int Writes;
  QString W1After;
};
const WriteRow kWrites[] = {
    {"Let: its word, its bytes, the preview", "", 3, "0000"},
    {"a typed word is taken and redrawn", "0012", 5, "0012"},
    {"text that is no number reads as 0", "zz", 4, "0000"},
};

}  // namespace

class DisplayTest : public QObject {
  Q_OBJECT

 private slots:
  // A free run draws nothing between frames, while the core runs every instruction.
  void runDrawsOncePerFrame() {
    PanelRig rig;
    rig.Load(Counter());
    const qint64 before = rig.form->display().WidgetWrites();
    rig.form->RunBtn_Click();
    rig.Advance(100);
    QCOMPARE(rig.m().Ram[0], 50);
    QCOMPARE(rig.form->display().WidgetWrites(), before);
    QVERIFY(rig.form->display().frameTimer().isActive());
    QCOMPARE(RawText(rig, "WBox0"), QStringLiteral("0000"));
    rig.form->display().Apply();  // the frame timer's handler
    QCOMPARE(RawText(rig, "WBox0"), QStringLiteral("0032"));
    QCOMPARE(rig.Raw<QLabel>("BVar0")->text(), QStringLiteral("B0=32   B1=00"));
    // The frame draws the word box, its bytes and the instruction line: nothing else changed.
    QCOMPARE(rig.form->display().WidgetWrites(), before + 3);
  }

  void stopShowsTheExactState() {
    PanelRig rig;
    rig.Load(Counter());
    rig.form->RunBtn_Click();
    rig.Advance(7);
    QCOMPARE(RawText(rig, "WBox0"), QStringLiteral("0000"));
    QTest::mouseClick(rig.Raw<QPushButton>("RunBtn"), Qt::LeftButton);
    QVERIFY(!rig.timer().isEnabled());
    QVERIFY(!rig.form->display().Pending());
    QCOMPARE(RawText(rig, "WBox0"), QStringLiteral("0004"));
    QCOMPARE(RawText(rig, "StateBox"), QString::fromStdString(rig.m().InstrText));
  }

  // Step Over starts a free run; the press still shows its result at once.
  void stepOverShowsAtOnce() {
    PanelRig rig;
    ProgramBuilder p;
    p.Let(V("W2"), {{3, C(9)}}).Gosub("sub").End().Label("sub").Let(V("W0"), {{3, C(1)}}).Return();
    rig.Load(p);
    QTest::keyClick(rig.Raw<QLineEdit>("WBox0"), Qt::Key_F10);
    QCOMPARE(RawText(rig, "WBox2"), QStringLiteral("0009"));
    QTest::keyClick(rig.Raw<QLineEdit>("WBox0"), Qt::Key_F10);
    QVERIFY(rig.timer().isEnabled());
    QCOMPARE(RawText(rig, "StateBox"), QStringLiteral("Let W0=W0+1"));
  }

  // A box opened in a free run opens over the exact state: here the port word of High 3 before End's
  // message, though no frame was drawn since.
  void boxOpensOverTheExactState() {
    PanelRig rig;
    rig.Load(ProgramBuilder().High(C(3)).End());
    QString portAtMessage;
    rig.dialogs->OnMessage = [&] { portAtMessage = RawText(rig, "WBox7"); };
    rig.form->RunBtn_Click();
    rig.Advance(2);
    QCOMPARE(rig.dialogs->Messages.size(), size_t{1});
    QCOMPARE(portAtMessage, QStringLiteral("0808"));
  }

  void writesOnlyWhatChanged_data() { AddRows(kWrites); }
  void writesOnlyWhatChanged() {
    const WriteRow& r = Row(kWrites);
    PanelRig rig;
    rig.Load(Counter());
    if (!r.Typed.isEmpty()) rig.Raw<QLineEdit>("WBox1")->setText(r.Typed);
    const qint64 before = rig.form->display().WidgetWrites();
    rig.form->Step_Click();
    QCOMPARE(rig.form->display().WidgetWrites() - before, r.Writes);
    QCOMPARE(RawText(rig, "WBox1"), r.W1After);
    QCOMPARE(RawText(rig, "WBox0"), QStringLiteral("0001"));
  }

  // A word typed during a free run is taken by the next instruction and then drawn as the core has it.
  void typedDuringRunIsTaken() {
    PanelRig rig;
    rig.Load(Counter());
    rig.form->RunBtn_Click();
    rig.Advance(3);
    rig.Raw<QLineEdit>("WBox1")->setText(QStringLiteral("0042"));
    rig.Advance(1);
    QCOMPARE(rig.m().Ram[1], 0x42);
    QCOMPARE(rig.Get<QLineEdit>("WBox1")->text(), QStringLiteral("0042"));
  }

  // A word typed after the core's last view but before the frame is not drawn over by that frame.
  void typedBeforeFrameIsKept() {
    PanelRig rig;
    rig.Load(Counter());
    rig.form->RunBtn_Click();
    rig.Advance(4);
    rig.Raw<QLineEdit>("WBox0")->setText(QStringLiteral("0100"));
    rig.form->FlushPanel();
    QCOMPARE(RawText(rig, "WBox0"), QStringLiteral("0100"));
    rig.Advance(2);
    QCOMPARE(rig.m().Ram[0], 0x101);
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::DisplayTest)
#include "display_test.moc"
