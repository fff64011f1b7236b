// Message boxes, prompts and the file dialog: scripted where the program's logic is tested, real where
// the boxes themselves are (title, buttons, modality, ticks arriving meanwhile).
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QMessageBox>
#include <QTemporaryDir>

#include "modal_answerer.h"
#include "panel_rig.h"

namespace qx9::test {
namespace {

ProgramBuilder PotThenHigh() {
  ProgramBuilder p;
  p.Pot(C(0), C(1), V("W0")).High(C(1)).End();
  return p;
}

// The panel with the real dialogs and silent tones.
struct RealPanel {
  std::shared_ptr<std::vector<RecordingTones::Call>> tones = std::make_shared<std::vector<RecordingTones::Call>>();
  Form1 form{nullptr, std::make_unique<RecordingTones>(tones)};
  void Load(const ProgramBuilder& program) {
    form.machine().LoadImage(program.Build());
    form.show();
    form.machine().StartProgram();
  }
};

void WriteBytes(const QString& path, int count) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(count, '\0'));
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void prompts_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<int>("w0");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("prompts");
    QTest::newRow("a value") << "" << std::optional<QString>(QStringLiteral("42")) << 42 << QStringList{} << 1;
    QTest::newRow("a negative value") << "" << std::optional<QString>(QStringLiteral(" -7 ")) << -7 << QStringList{}
                                      << 1;
    QTest::newRow("cancel") << "" << std::optional<QString>() << 5 << QStringList{} << 1;
    QTest::newRow("bad text") << "" << std::optional<QString>(QStringLiteral("4x")) << 5
                              << QStringList{QStringLiteral("Enter a whole number from -32768 to 32767")} << 1;
    QTest::newRow("out of range") << "" << std::optional<QString>(QStringLiteral("40000")) << 5
                                  << QStringList{QStringLiteral("Enter a whole number from -32768 to 32767")} << 1;
    QTest::newRow("value box") << "100" << std::optional<QString>() << 100 << QStringList{} << 0;
  }
  void prompts() {
    QFETCH(QString, box);
    QFETCH(std::optional<QString>, answer);
    QFETCH(int, w0);
    QFETCH(QStringList, messages);
    QFETCH(int, prompts);
    PanelRig rig;
    rig.Load(PotThenHigh());
    rig.WBox(0)->setText(QStringLiteral("0005"));
    rig.Get<QLineEdit>(QStringLiteral("PotInput"))->setText(box);
    rig.dialogs->Answers = {answer};
    rig.form->Step_Click();
    QCOMPARE(static_cast<int>(rig.dialogs->Prompts.size()), prompts);
    if (prompts > 0) QCOMPARE(rig.dialogs->Prompts[0], QStringLiteral("Pot value for pin 0"));
    QCOMPARE(rig.m().Ram[0], w0);
    QCOMPARE(QStringList(rig.dialogs->Messages.begin(), rig.dialogs->Messages.end()), messages);
    QCOMPARE(rig.StateText(), QStringLiteral("High 1"));  // the program goes on either way
    QCOMPARE(rig.Get<QLineEdit>(QStringLiteral("PotInput"))->text(), box);
  }

  void pulsInPromptAndLastPwm() {
    PanelRig rig;
    rig.Load(ProgramBuilder().PulsIn(C(3), C(1), V("W1")).Pwm(C(3), C(128), C(10)).End());
    rig.dialogs->Answers = {QStringLiteral("250")};
    rig.form->Step_Click();
    QCOMPARE(rig.dialogs->Prompts, std::vector<QString>{QStringLiteral("Enter 10uS pulse length for pin 3")});
    QCOMPARE(rig.m().Ram[1], 250);
    // The preview of the PWM already shows its voltage.
    QCOMPARE(rig.Get<QLineEdit>(QStringLiteral("LastPWM"))->text(), QStringLiteral("Pin3=2.51"));
  }

  // A real modal box: titled, with OK only; ticks that arrive while it is open do nothing.
  void realMessageBox() {
    RealPanel panel;
    panel.Load(ProgramBuilder().Debug().High(C(1)).End());
    ModalAnswerer answerer;
    QString text, title;
    int buttons = 0;
    bool busyMeanwhile = false;
    answerer.Then([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      if (box == nullptr) return false;
      text = box->text();
      title = box->windowTitle();
      buttons = static_cast<int>(box->buttons().size());
      busyMeanwhile = panel.form.machine().Busy;
      panel.form.Timer1_Timer();
      panel.form.Timer1_Timer();
      box->button(QMessageBox::Ok)->click();
      return true;
    });
    panel.form.Step_Click();
    QVERIFY(answerer.Done());
    QCOMPARE(text, QStringLiteral("Debug Not Implemented"));
    QCOMPARE(title, QStringLiteral("qx9"));
    QCOMPARE(buttons, 1);
    QVERIFY(busyMeanwhile);
    QCOMPARE(panel.form.machine().Ram[7], 0);  // the ticks ran nothing
    QCOMPARE(panel.form.findChild<QLineEdit*>(QStringLiteral("StateBox"))->text(), QStringLiteral("High 1"));
  }

  void realPrompt_data() {
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("w0");
    QTest::newRow("OK") << true << 123;
    QTest::newRow("Cancel") << false << 0;
  }
  void realPrompt() {
    QFETCH(bool, accept);
    QFETCH(int, w0);
    RealPanel panel;
    panel.Load(PotThenHigh());
    ModalAnswerer answerer;
    QString label, title, initial;
    answerer.Then([&](QWidget* modal) {
      auto* prompt = qobject_cast<QInputDialog*>(modal);
      if (prompt == nullptr) return false;
      label = prompt->labelText();
      title = prompt->windowTitle();
      initial = prompt->textValue();
      QTest::keyClicks(prompt->findChild<QLineEdit*>(), QStringLiteral("123"));
      if (accept) {
        prompt->accept();
      } else {
        prompt->reject();
      }
      return true;
    });
    panel.form.Step_Click();
    QVERIFY(answerer.Done());
    QCOMPARE(label, QStringLiteral("Pot value for pin 0"));
    QCOMPARE(title, QStringLiteral("qx9"));
    QCOMPARE(initial, QString());
    QCOMPARE(panel.form.machine().Ram[0], w0);
  }

  // The one filter lists object files in every letter case, and nothing else.
  void fileDialogFilter() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char* name : {"a.OBJ", "b.obj", "c.Obj", "d.txt", "e.objx", "OBJ"}) WriteBytes(dir.filePath(name), 256);
    QFileDialog dialog;
    SetUpObjectFileDialog(dialog);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Select a QX9 Object File"));
    QCOMPARE(dialog.nameFilters().size(), 1);
    QVERIFY(dialog.nameFilters()[0].startsWith(QStringLiteral("Object Files (*.OBJ) (")));
    dialog.setDirectory(dir.path());
    dialog.show();
    auto* model = dialog.findChild<QFileSystemModel*>();
    QVERIFY(model != nullptr);
    auto listed = [&] {
      QStringList names;
      const QModelIndex root = model->index(dir.path());
      for (int row = 0; row < model->rowCount(root); ++row) {
        const QModelIndex index = model->index(row, 0, root);
        if (model->flags(index) & Qt::ItemIsEnabled) names << index.data().toString();
      }
      names.sort();
      return names;
    };
    // The model reads the folder in the background.
    QTRY_COMPARE(listed(), (QStringList{"a.OBJ", "b.obj", "c.Obj"}));
  }

  void fileDialogAnswers_data() {
    QTest::addColumn<bool>("accept");
    QTest::newRow("a file") << true;
    QTest::newRow("Cancel") << false;
  }
  void fileDialogAnswers() {
    QFETCH(bool, accept);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("prog.obj"));
    WriteBytes(path, 256);
    ModalAnswerer answerer;
    answerer.Then([&](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      if (dialog == nullptr) return false;
      if (accept) {
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it; the override still runs
      } else {
        dialog->reject();
      }
      return true;
    });
    QtDialogs dialogs;
    const std::optional<QString> chosen = dialogs.OpenObjectFile(nullptr);
    QVERIFY(answerer.Done());
    if (accept) {
      QVERIFY(chosen.has_value());
      QCOMPARE(QFileInfo(*chosen).canonicalFilePath(), QFileInfo(path).canonicalFilePath());
    } else {
      QVERIFY(!chosen.has_value());
    }
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::DialogsTest)
#include "dialogs_test.moc"
