// The panel drawn once a frame while the program runs freely: every instruction still takes effect,
// a frame draws only what changed, the exact state shows at once when asked, and typed words survive.
#include "panel_rig.h"

namespace qx9::test {
namespace {

ProgramBuilder Counter() {
  ProgramBuilder p;
  p.Label("top").Let(V("W0"), {{3, C(1)}}).Goto("top");
  return p;
}

QString RawText(const PanelRig& rig, const QString& name) { return rig.Raw<QLineEdit>(name)->text(); }

// Widgets written by one Step of the counter after Typed went into W1 (empty: nothing typed).
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
  // A free run draws nothing between frames; the frame draws the word, its bytes and the instruction.
  void runDrawsOncePerFrame() {
    PanelRig rig(Counter());
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
    QCOMPARE(rig.form->display().WidgetWrites(), before + 3);
  }

  void stopShowsTheExactState() {
    PanelRig rig(Counter());
    rig.form->RunBtn_Click();
    rig.Advance(7);
    QTest::mouseClick(rig.Raw<QPushButton>("RunBtn"), Qt::LeftButton);
    QVERIFY(!rig.form->display().Pending());
    QCOMPARE(RawText(rig, "WBox0"), QStringLiteral("0004"));
    QCOMPARE(RawText(rig, "StateBox"), QString::fromStdString(rig.m().InstrText));
  }

  // Step Over starts a free run; the press still shows its result at once.
  void stepOverShowsAtOnce() {
    ProgramBuilder p;
    p.Let(V("W2"), {{3, C(9)}}).Gosub("sub").End().Label("sub").Let(V("W0"), {{3, C(1)}}).Return();
    PanelRig rig(p);
    QTest::keyClick(rig.Raw<QLineEdit>("WBox0"), Qt::Key_F10);
    QCOMPARE(RawText(rig, "WBox2"), QStringLiteral("0009"));
    QTest::keyClick(rig.Raw<QLineEdit>("WBox0"), Qt::Key_F10);
    QVERIFY(rig.timer().isEnabled());
    QCOMPARE(RawText(rig, "StateBox"), QStringLiteral("Let W0=W0+1"));
  }

  // A box opened in a free run opens over the exact state, though no frame was drawn since.
  void boxOpensOverTheExactState() {
    PanelRig rig(ProgramBuilder().High(C(3)).End());
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
    PanelRig rig(Counter());
    if (!r.Typed.isEmpty()) rig.Raw<QLineEdit>("WBox1")->setText(r.Typed);
    const qint64 before = rig.form->display().WidgetWrites();
    rig.form->Step_Click();
    QCOMPARE(rig.form->display().WidgetWrites() - before, r.Writes);
    QCOMPARE(RawText(rig, "WBox1"), r.W1After);
    QCOMPARE(RawText(rig, "WBox0"), QStringLiteral("0001"));
  }

  // Words typed in a free run are not drawn over by the next frame, and the next instruction takes them.
  void typedDuringRunIsKept() {
    PanelRig rig(Counter());
    rig.form->RunBtn_Click();
    rig.Advance(4);
    rig.Raw<QLineEdit>("WBox0")->setText(QStringLiteral("0100"));
    rig.Raw<QLineEdit>("WBox1")->setText(QStringLiteral("0042"));
    rig.form->FlushPanel();  // the frame holds W0 as the core last had it
    QCOMPARE(RawText(rig, "WBox0"), QStringLiteral("0100"));
    rig.Advance(2);
    QCOMPARE(rig.m().Ram[0], 0x101);
    QCOMPARE(rig.m().Ram[1], 0x42);
    QCOMPARE(rig.Get<QLineEdit>("WBox1")->text(), QStringLiteral("0042"));
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::DisplayTest)
#include "display_test.moc"
