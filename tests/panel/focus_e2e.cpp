// Keys pressed through the X server (xdotool) of focus_e2e.sh's virtual screen, as a user presses them.
#include <QDialog>
#include <QProcess>
#include <QTimer>

#include "panel_rig.h"

namespace qx9::test {
namespace {

// One xdotool command; false when it failed.
bool Xdotool(const QStringList& args) { return QProcess::execute(QStringLiteral("xdotool"), args) == 0; }
bool Key(const char* key) { return Xdotool({QStringLiteral("key"), QString::fromLatin1(key)}); }
bool Type(const char* text) { return Xdotool({QStringLiteral("type"), QString::fromLatin1(text)}); }

// Calls `answer` from inside the modal box's event loop once the box is shown and holds the focus.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(const std::function<void()>& answer) {
    QObject::connect(&poll_, &QTimer::timeout, [this, answer] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr || !dialog->isVisible() || QApplication::activeWindow() != dialog) return;
      poll_.stop();
      ++Answered;
      answer();
    });
    poll_.start(20);
  }
  int Answered = 0;

 private:
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

}  // namespace

class FocusE2E : public QObject {
  Q_OBJECT

 private slots:
  // F-keys in a box are the box's; the panel used to lose the keyboard when the box closed.
  void keysAfterBox_data() {
    QTest::addColumn<bool>("prompt");
    QTest::newRow("message box") << false;
    QTest::newRow("prompt") << true;
  }
  void keysAfterBox() {
    QFETCH(bool, prompt);
    PanelRig rig(true);
    ProgramBuilder p;
    if (prompt) p.Pot(C(0), C(1), V("W1"));
    if (!prompt) p.Debug();
    p.Let(V("W2"), {{3, C(1)}}).Let(V("W2"), {{3, C(1)}}).End();
    QVERIFY(ShowPanel(rig, p));
    BoxAnswerer answerer([&] {
      for (const char* key : {"F5", "F8", "F10"}) Key(key);
      if (prompt) Type("42");
      Key("Return");
    });
    QVERIFY(Key("F8"));
    QTRY_COMPARE(answerer.Answered, 1);
    QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
    QCOMPARE(rig.m().InstructionsExecuted, uint64_t{1});
    QVERIFY(!rig.timer().isEnabled());
    QCOMPARE(rig.m().Ram[1], prompt ? 42 : 0);
    QVERIFY(Key("F8"));
    QTRY_COMPARE(rig.m().InstructionsExecuted, uint64_t{2});
    QCOMPARE(rig.m().Ram[2], 1);
    QVERIFY(Key("End"));
    QVERIFY(Type("7"));
    QTRY_COMPARE(rig.Get<QLineEdit>(QStringLiteral("WBox0"))->text(), QStringLiteral("00007"));
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::FocusE2E)
#include "focus_e2e.moc"
