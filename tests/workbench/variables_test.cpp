// The variables view: every row of the machine state, what changed since the last stop, and a word
// edited as if typed into the panel's box.
#include "workbench/variables_view.h"
#include "workbench_rig.h"

namespace qx9::test {

class VariablesTest : public QObject {
  Q_OBJECT

  QTemporaryDir settings_;

  static QString Cell(VariablesView& view, const char* name, int column) {
    const int row = view.RowOf(QString::fromLatin1(name));
    if (row < 0) return QStringLiteral("<no row %1>").arg(QString::fromLatin1(name));
    return view.item(row, column)->text();
  }

 private slots:
  void initTestCase() { PrivateSettings(settings_); }
  void init() { ForgetSettings(); }

  void changesSinceTheLastStopAreMarked() {
    LoopBench rig;
    VariablesView& view = rig.bench->variablesView();
    QCOMPARE(view.ChangedNames(), QStringList());
    rig.bench->Step();  // Let W0=W0+1
    QCOMPARE(view.ChangedNames(), (QStringList{"W0", "B0", "Bit15..Bit0"}));
    rig.bench->Step();  // Let W2=W2+3
    QCOMPARE(view.ChangedNames(), (QStringList{"W2", "B4"}));
    rig.bench->Step();  // Goto: nothing changes
    QCOMPARE(view.ChangedNames(), QStringList());
  }

  void aRunMarksEverythingSinceTheStopBeforeIt() {
    LoopBench rig;
    rig.view().ClickMargin(rig.LineOf(rig.p.jump));
    rig.bench->RunStop();
    rig.RunFor(20);
    QVERIFY(!rig.timer().isEnabled());
    QCOMPARE(rig.bench->variablesView().ChangedNames(), (QStringList{"W0", "W2", "B0", "B4", "Bit15..Bit0"}));
  }

  void wordsShowHexAndSignedDecimal() {
    LoopBench rig;
    rig.WBox(0)->setText(QStringLiteral("FFFE"));
    rig.bench->Step();  // W0 = -2 + 1
    VariablesView& view = rig.bench->variablesView();
    QCOMPARE(Cell(view, "W0", 1), QStringLiteral("FFFF"));
    QCOMPARE(Cell(view, "W0", 2), QStringLiteral("-1"));
    QCOMPARE(Cell(view, "B1", 2), QStringLiteral("255"));
    QCOMPARE(Cell(view, "Bit15..Bit0", 1), QStringLiteral("1111 1111 1111 1111"));
  }

  void portPinsDirectionsStackImageAndLastPwm() {
    WorkbenchRig rig;
    ProgramBuilder b;
    b.Let(V("Dirs"), {{1, C(0x81)}}).High(C(0)).Write(C(5), V("W0")).Gosub("sub").End();
    b.Label("sub").Pwm(C(7), C(255), C(1)).Return();
    rig.Show(b);
    rig.WBox(0)->setText(QStringLiteral("0007"));
    for (int i = 0; i < 5; ++i) rig.bench->Step();
    VariablesView& view = rig.bench->variablesView();
    // PWM leaves its pin an input: of Dirs=129 only pin 0 stays an output.
    QCOMPARE(Cell(view, "Port", 1), QStringLiteral("0101"));
    QCOMPARE(Cell(view, "Pins (7..0)", 1), QStringLiteral("0000 0001"));
    QCOMPARE(Cell(view, "Dirs (7..0)", 1), QStringLiteral("0000 0001"));
    QCOMPARE(Cell(view, "Gosub depth", 1), QStringLiteral("1"));
    QVERIFY(Cell(view, "Return 1", 1).startsWith(QStringLiteral("@")));
    // Write's location counts down from the top of the image.
    QCOMPARE(Cell(view, "Image 250", 1), QStringLiteral("7"));
    QCOMPARE(Cell(view, "Image 250", 2), QStringLiteral("file: 0"));
    QCOMPARE(Cell(view, "LastPWM", 1), QStringLiteral("Pin7=5.00"));
  }

  // Only a word's value is editable; an edit takes effect at the next step, as typed into the box.
  void editingAWordTypesIntoThePanelsBox() {
    LoopBench rig;
    VariablesView& view = rig.bench->variablesView();
    QVERIFY(view.item(view.RowOf(QStringLiteral("Port")), 1)->flags() & Qt::ItemIsEditable);
    QVERIFY(!(view.item(view.RowOf(QStringLiteral("B0")), 1)->flags() & Qt::ItemIsEditable));
    QVERIFY(!(view.item(view.RowOf(QStringLiteral("W3")), 0)->flags() & Qt::ItemIsEditable));
    view.item(view.RowOf(QStringLiteral("W3")), 1)->setText(QStringLiteral("00ff"));
    QCOMPARE(rig.WBox(3)->text(), QStringLiteral("00ff"));
    QCOMPARE(rig.m().Ram[3], 0);
    rig.bench->Step();
    QCOMPARE(rig.m().Ram[3], 0xFF);
    QCOMPARE(Cell(view, "W3", 1), QStringLiteral("00FF"));
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::VariablesTest)
#include "variables_test.moc"
