// The load step: splash, colours, the window, the dialog until a file loads, the first instruction.
#include <QTemporaryDir>

#include "modal_answerer.h"
#include "panel/splash.h"
#include <QFileDialog>
#include <QMessageBox>

#include "panel_rig.h"

namespace qx9::test {
namespace {

// High 3 / End, and a file of that image cut to a given length.
QString WriteProgram(const QTemporaryDir& dir, const char* name, int length) {
  const std::array<uint8_t, 256> image = ProgramBuilder().High(C(3)).End().Build();
  QByteArray bytes(reinterpret_cast<const char*>(image.data()), 256);
  bytes = bytes.leftJustified(length, '\x55', true);
  const QString path = dir.filePath(QString::fromLatin1(name));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
  file.write(bytes);
  return path;
}

bool ShowsOnTheWindowsGrey(QLabel* label) {
  return label->autoFillBackground() && label->palette().color(QPalette::Window) == QColor(192, 192, 192);
}

}  // namespace

class LoadStepTest : public QObject {
  Q_OBJECT

 private slots:
  void dialogLoop_data() {
    QTest::addColumn<QStringList>("files");   // answers of the dialog in turn; "-" cancels
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("fileErrors");
    QTest::newRow("a 256-byte file") << QStringList{"good.obj"} << true << 0;
    QTest::newRow("a longer file") << QStringList{"long.OBJ"} << true << 0;
    QTest::newRow("255 bytes, then a good one") << QStringList{"short.obj", "good.obj"} << true << 1;
    QTest::newRow("a missing file, then Cancel") << QStringList{"missing.obj", "-"} << false << 1;
    QTest::newRow("a folder, then a good one") << QStringList{".", "good.obj"} << true << 1;
    QTest::newRow("Cancel at once") << QStringList{"-"} << false << 0;
  }
  void dialogLoop() {
    QFETCH(QStringList, files);
    QFETCH(bool, loaded);
    QFETCH(int, fileErrors);
    QTemporaryDir dir;
    WriteProgram(dir, "good.obj", 256);
    WriteProgram(dir, "long.OBJ", 1000);
    WriteProgram(dir, "short.obj", 255);
    PanelRig rig;
    for (const QString& f : files) {
      rig.dialogs->Files.push_back(f == QLatin1String("-") ? std::nullopt : std::optional<QString>(dir.filePath(f)));
    }
    const bool result = rig.form->Form_Load();
    QCOMPARE(result, loaded);
    QCOMPARE(rig.dialogs->FileDialogs, static_cast<int>(files.size()));
    QCOMPARE(rig.dialogs->Messages, std::vector<QString>(fileErrors, QStringLiteral("File Error!")));
    if (loaded) {
      QCOMPARE(rig.StateText(), QStringLiteral("High 3"));
      QCOMPARE(rig.WBox(7)->text(), QStringLiteral("0000"));
      QCOMPARE(rig.m().TokByte, 2);
      QCOMPARE(rig.m().TokBit, 4);
    }
  }

  // The splash comes first, with the window not yet shown; the labels are coloured before it shows.
  void order() {
    QTemporaryDir dir;
    PanelRig rig;
    rig.dialogs->Files = {WriteProgram(dir, "good.obj", 256)};
    bool shownAtSplash = true;
    bool colouredAtSplash = true;
    rig.dialogs->OnSplash = [&] {
      shownAtSplash = rig.form->isVisible();
      colouredAtSplash = ShowsOnTheWindowsGrey(rig.BVar(0));
    };
    QVERIFY(rig.form->Form_Load());
    QCOMPARE(rig.dialogs->Splashes, 1);
    QVERIFY(!shownAtSplash);
    QVERIFY(!colouredAtSplash);
    QCOMPARE(rig.dialogs->ParentShownAtFileDialog, std::vector<bool>{true});
    for (int i = 0; i < 8; ++i) QVERIFY(ShowsOnTheWindowsGrey(rig.BVar(i)));
    for (int i = 1; i <= 12; ++i) QVERIFY(ShowsOnTheWindowsGrey(rig.Get<QLabel>(QStringLiteral("Label%1").arg(i))));
    QVERIFY(rig.Activate());
    QCOMPARE(QApplication::focusWidget(), rig.WBox(0));
  }

  // A file named on the command line is loaded without the dialog; when it cannot be, the dialog asks.
  void commandLineFile_data() {
    QTest::addColumn<QString>("given");
    QTest::addColumn<int>("fileDialogs");
    QTest::newRow("loads") << "good.obj" << 0;
    QTest::newRow("too short") << "short.obj" << 1;
    QTest::newRow("missing") << "nothing.obj" << 1;
  }
  void commandLineFile() {
    QFETCH(QString, given);
    QFETCH(int, fileDialogs);
    QTemporaryDir dir;
    const QString good = WriteProgram(dir, "good.obj", 256);
    WriteProgram(dir, "short.obj", 255);
    PanelRig rig;
    rig.dialogs->Files = {good};
    QVERIFY(rig.form->Form_Load(dir.filePath(given)));
    QCOMPARE(rig.dialogs->Splashes, 1);
    QCOMPARE(rig.dialogs->FileDialogs, fileDialogs);
    QCOMPARE(rig.dialogs->Messages.size(), size_t(fileDialogs));
    QCOMPARE(rig.StateText(), QStringLiteral("High 3"));
  }

  // The whole step with the real windows, answered as a user would: a key on the splash, a short file
  // in the dialog, OK on the error, then a good file.
  void withTheRealWindows() {
    QTemporaryDir dir;
    const QString shortFile = WriteProgram(dir, "short.obj", 255);
    const QString good = WriteProgram(dir, "good.obj", 256);
    auto tones = std::make_shared<std::vector<RecordingTones::Call>>();
    Form1 form(nullptr, std::make_unique<RecordingTones>(tones));
    ModalAnswerer answerer;
    QStringList seen;
    answerer.Then([&](QWidget* modal) {
      if (qobject_cast<frmSplash*>(modal) == nullptr) return false;
      seen << QStringLiteral("splash");
      QTest::keyClick(modal, Qt::Key_Space);
      return true;
    });
    auto chooseFile = [&](const QString& path) {
      return [&, path](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (dialog == nullptr) return false;
        seen << dialog->windowTitle();
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog*>(dialog)->accept();
        return true;
      };
    };
    answerer.Then(chooseFile(shortFile));
    answerer.Then([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      if (box == nullptr) return false;
      seen << box->windowTitle() + QStringLiteral(": ") + box->text();
      box->button(QMessageBox::Ok)->click();
      return true;
    });
    answerer.Then(chooseFile(good));
    QVERIFY(form.Form_Load());
    QVERIFY(answerer.Done());
    QCOMPARE(seen, (QStringList{"splash", "Select a QX9 Object File", "qx9: File Error!", "Select a QX9 Object File"}));
    QVERIFY(form.isVisible());
    QCOMPARE(form.findChild<QLineEdit*>(QStringLiteral("StateBox"))->text(), QStringLiteral("High 3"));
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::LoadStepTest)
#include "load_step_test.moc"
