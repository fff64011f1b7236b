// Keys after a message box or a prompt, pressed as a user presses them: through the X server (xdotool),
// to whichever window has the input focus, with no window manager to hand it back. Run by
// focus_e2e.sh on a private virtual screen. Also: F5, F8 and F10 pressed while a prompt or another
// window has the focus belong to that window and do nothing to the panel.
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>

#include "panel_rig.h"

namespace qx9::test {
namespace {

// One xdotool command; false when it failed.
bool Xdotool(const QStringList& args) { return QProcess::execute(QStringLiteral("xdotool"), args) == 0; }
bool Key(const char* key) { return Xdotool({QStringLiteral("key"), QString::fromLatin1(key)}); }
bool Type(const char* text) { return Xdotool({QStringLiteral("type"), QString::fromLatin1(text)}); }

// Calls `answer` with the modal box once it is shown and holds the focus, from inside its event loop.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(std::function<void(QDialog*)> answer) : answer_(std::move(answer)) {
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr || !dialog->isVisible() || QApplication::focusWidget() == nullptr ||
          QApplication::focusWidget()->window() != dialog) {
        return;
      }
      poll_.stop();
      ++Answered;
      answer_(dialog);
    });
    poll_.start(20);
  }
  int Answered = 0;

 private:
  std::function<void(QDialog*)> answer_;
  QTimer poll_;
};

// The panel shown and holding the focus, the pointer parked outside it, as after a user's click.
bool ShowPanel(PanelRig& rig, const ProgramBuilder& program) {
  rig.Load(program);
  if (!QTest::qWaitForWindowExposed(rig.form.get())) return false;
  rig.form->activateWindow();
  if (!QTest::qWaitForWindowActive(rig.form.get())) return false;
  return Xdotool({QStringLiteral("mousemove"), QStringLiteral("790"), QStringLiteral("590")});
}

struct AfterBoxRow { const char* Name; bool Prompt; };
const AfterBoxRow kAfterBoxes[] = {
    {"message box", false},
    {"prompt", true},
};

}  // namespace

class FocusE2E : public QObject {
  Q_OBJECT

 private slots:
  // After the box closes, F8 steps again and typed characters reach the focused word box.
  void keysAfterBox_data() { AddRows(kAfterBoxes); }
  void keysAfterBox() {
    const AfterBoxRow& r = Row(kAfterBoxes);
    PanelRig rig(true);
    ProgramBuilder p;
    if (r.Prompt) p.Pot(C(0), C(1), V("W1"));
    if (!r.Prompt) p.Debug();
    p.Let(V("W2"), {{3, C(1)}}).Let(V("W2"), {{3, C(1)}}).End();
    QVERIFY(ShowPanel(rig, p));
    BoxAnswerer answerer([&](QDialog*) {
      if (r.Prompt) Type("42");
      Key("Return");
    });
    QVERIFY(Key("F8"));
    QTRY_COMPARE(answerer.Answered, 1);
    QTRY_COMPARE(rig.m().InstructionsExecuted, uint64_t{1});
    QCOMPARE(rig.m().Ram[1], r.Prompt ? 42 : 0);
    QVERIFY(Key("F8"));
    QTRY_COMPARE(rig.m().InstructionsExecuted, uint64_t{2});
    QCOMPARE(rig.m().Ram[2], 1);
    QVERIFY(Key("End"));
    QVERIFY(Type("7"));
    QTRY_COMPARE(rig.Get<QLineEdit>(QStringLiteral("WBox0"))->text(), QStringLiteral("00007"));
  }

  // F5, F8 and F10 typed into a prompt are the prompt's: the panel neither runs nor steps meanwhile.
  void fKeysInPrompt() {
    PanelRig rig(true);
    QVERIFY(ShowPanel(rig, ProgramBuilder().Pot(C(0), C(1), V("W1")).Let(V("W2"), {{3, C(1)}}).End()));
    uint64_t executedInPrompt = 99;
    bool runningInPrompt = true;
    QString typedInPrompt;
    BoxAnswerer answerer([&](QDialog* dialog) {
      for (const char* key : {"F5", "F8", "F10"}) Key(key);
      // Keys arrive in order: once the 5 typed after them is in, they have been delivered.
      Type("5");
      auto* input = dialog->findChild<QLineEdit*>();
      for (int i = 0; i < 500 && input->text().isEmpty(); ++i) QTest::qWait(10);
      typedInPrompt = input->text();
      executedInPrompt = rig.m().InstructionsExecuted;
      runningInPrompt = rig.timer().isEnabled();
      Key("Return");
    });
    QVERIFY(Key("F8"));
    QTRY_COMPARE(answerer.Answered, 1);
    QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
    QCOMPARE(typedInPrompt, QStringLiteral("5"));
    // Only the Pot that asks has run.
    QCOMPARE(executedInPrompt, uint64_t{1});
    QVERIFY(!runningInPrompt);
    QCOMPARE(rig.m().InstructionsExecuted, uint64_t{1});
    QCOMPARE(rig.m().Ram[1], 5);
    QCOMPARE(rig.m().Ram[2], 0);
  }

  // Another window of the program holds the focus: the keys are its own.
  void fKeysInAnotherWindow() {
    PanelRig rig(true);
    QVERIFY(ShowPanel(rig, ProgramBuilder().Let(V("W2"), {{3, C(1)}}).End()));
    QLineEdit other;
    other.move(500, 400);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    for (const char* key : {"F5", "F8", "F10"}) QVERIFY(Key(key));
    QVERIFY(Type("x"));
    QTRY_COMPARE(other.text(), QStringLiteral("x"));
    QCOMPARE(rig.m().InstructionsExecuted, uint64_t{0});
    QVERIFY(!rig.timer().isEnabled());
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::FocusE2E)
#include "focus_e2e.moc"
