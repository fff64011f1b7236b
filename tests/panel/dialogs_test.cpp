// The modal windows: the splash and its ways out, the load step's dialog loop (scripted), the file
// dialog, and the real boxes driven as a user would.
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QInputDialog>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>
#include <QTreeView>

#include "panel/splash.h"
#include "panel_rig.h"

namespace qx9::test {
namespace {

// High 3 / End, in a file cut or padded to the given length.
void WriteProgram(const QTemporaryDir& dir, const char* name, int length) {
  const std::array<uint8_t, 256> image = ProgramBuilder().High(C(3)).End().Build();
  const QByteArray bytes(reinterpret_cast<const char*>(image.data()), 256);
  WriteFile(dir.filePath(QString::fromLatin1(name)), bytes.leftJustified(length, '\x55', true));
}

bool OnTheWindowsGrey(QLabel* label) {
  return label->autoFillBackground() && label->palette().color(QPalette::Window) == QColor(192, 192, 192);
}

// A character key closes the splash, other keys do not; a click closes it on the frame only.
// Key 0: a click on the target named by Text, else a key press with that text.
struct CloseRow {
  const char* Name;
  int Key;
  QString Text;
  bool Closes;
};
const CloseRow kCloses[] = {
    {"letter", Qt::Key_A, "a", true}, {"Escape", Qt::Key_Escape, "\x1b", true},
    {"F1", Qt::Key_F1, "", false},    {"frame", 0, "Frame1", true},
    {"logo", 0, "imgLogo", false},
};

// The dialog asks until a file loads ("File Error!" after each that does not) or the user cancels
// ("-"); a file named on the command line is tried first.
struct LoadRow {
  const char* Name;
  QString Given;
  QStringList Files;
  bool Loaded;
  int FileErrors;
};
const LoadRow kLoads[] = {
    {"255 bytes, then a good one", "", {"short.obj", "good.obj"}, true, 1},
    {"a missing file, then Cancel", "", {"missing.obj", "-"}, false, 1},
    {"given, loads", "good.obj", {}, true, 0},
    {"given, missing", "nothing.obj", {"good.obj"}, true, 1},
};

// The real boxes: titled, a message with OK only, a prompt with an empty default.
struct BoxRow {
  const char* Name;
  bool Prompt;
  QStringList Seen;
  int W0;
};
const BoxRow kBoxes[] = {
    {"message", false, {"qx9", "Debug Not Implemented", "1 button"}, 0},
    {"prompt, OK", true, {"qx9", "Pot value for pin 0", ""}, 123},
};

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  // Frameless, and its timer ends the modal show after ten seconds.
  void splash() {
    frmSplash splash;
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(splash.timer1().interval(), 10000);
    splash.timer1().start(0);  // its timeout, without the wait
    QTimer::singleShot(5000, &splash, [&] { splash.done(-1); });
    QCOMPARE(splash.exec(), int(QDialog::Accepted));
  }

  void splashCloses_data() { AddRows(kCloses); }
  void splashCloses() {
    const CloseRow& r = Row(kCloses);
    frmSplash splash;
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    if (r.Key != 0) {
      QKeyEvent press(QEvent::KeyPress, r.Key, Qt::NoModifier, r.Text);
      QApplication::sendEvent(&splash, &press);
    } else {  // clicked where a user clicks; on the frame, at a point away from every label
      QWidget* widget = splash.findChild<QWidget*>(r.Text);
      const QPoint local = r.Closes ? QPoint(widget->width() / 4, widget->height() / 2) : widget->rect().center();
      QVERIFY(widget->childAt(local) == nullptr);
      QTest::mouseClick(splash.windowHandle(), Qt::LeftButton, {}, widget->mapTo(&splash, local));
    }
    QCOMPARE(splash.isVisible(), !r.Closes);
  }

  // The splash comes first, before the window shows and its labels take the window's grey; the file
  // dialog opens over the shown window; only a file that loads replaces the remembered folder.
  void loadStep_data() { AddRows(kLoads); }
  void loadStep() {
    const LoadRow& r = Row(kLoads);
    QTemporaryDir dir;
    WriteProgram(dir, "good.obj", 256);
    WriteProgram(dir, "short.obj", 255);
    RememberObjectFile(QDir::tempPath() + QStringLiteral("/earlier.obj"));
    PanelRig rig;
    for (const QString& f : r.Files)
      rig.dialogs->Files.push_back(f == QLatin1String("-") ? std::nullopt : std::optional(dir.filePath(f)));
    bool shownOrColouredAtSplash = true;
    rig.dialogs->OnSplash = [&] { shownOrColouredAtSplash = rig.form->isVisible() || OnTheWindowsGrey(rig.BVar(0)); };
    QCOMPARE(rig.form->Form_Load(r.Given.isEmpty() ? std::nullopt : std::optional(dir.filePath(r.Given))), r.Loaded);
    QCOMPARE(rig.dialogs->Splashes, 1);
    QCOMPARE(rig.dialogs->ParentShownAtFileDialog, std::vector<bool>(r.Files.size(), true));
    QCOMPARE(rig.dialogs->Messages, std::vector<QString>(r.FileErrors, QStringLiteral("File Error!")));
    QVERIFY(!shownOrColouredAtSplash);
    for (int i = 0; i < 8; ++i) QVERIFY(OnTheWindowsGrey(rig.BVar(i)));
    for (int i = 1; i <= 12; ++i) QVERIFY(OnTheWindowsGrey(rig.Get<QLabel>(QStringLiteral("Label%1").arg(i))));
    QCOMPARE(rig.StateText(), r.Loaded ? QStringLiteral("High 3") : QString());
    QCOMPARE(ObjectFileFolder(), r.Loaded ? dir.path() : QDir::tempPath());
    if (r.Loaded) {
      QVERIFY(rig.Activate());
      QCOMPARE(QApplication::focusWidget(), rig.WBox(0));
    }
  }

  // Its one filter lists object files in every letter case, nothing else; no column cuts its text
  // short ("256...tes").
  void fileDialog() {
    QTemporaryDir dir;
    for (const char* name : {"a.OBJ", "b.obj", "c.Obj", "d.txt", "e.objx", "OBJ"}) WriteProgram(dir, name, 256);
    QFileDialog dialog;
    SetUpObjectFileDialog(dialog);
    QCOMPARE(dialog.nameFilters().size(), 1);
    dialog.setDirectory(dir.path());
    dialog.show();
    auto* model = dialog.findChild<QFileSystemModel*>();
    const QModelIndex root = model->index(dir.path());
    auto listed = [&] {
      QStringList names;
      for (int row = 0; row < model->rowCount(root); ++row) {
        if (model->flags(model->index(row, 0, root)) & Qt::ItemIsEnabled)
          names << model->index(row, 0, root).data().toString();
      }
      names.sort();
      return names;
    };
    QTRY_COMPARE(listed(), (QStringList{"a.OBJ", "b.obj", "c.Obj"}));  // the model reads in the background
    auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    QVERIFY(details->isVisible());
    const QModelIndex file = model->index(dir.filePath(QStringLiteral("a.OBJ")));
    QCOMPARE(file.sibling(file.row(), 1).data().toString(), QStringLiteral("256 bytes"));
    for (int column = 0; column < 4; ++column) {
      const int needed = details->sizeHintForIndex(file.sibling(file.row(), column)).width();
      QTRY_VERIFY2(details->header()->sectionSize(column) >= needed, qPrintable(QString::number(column)));
    }
  }

  // Where the dialog opens: the folder remembered from the last load, else the current directory.
  void fileDialogFolder_data() {
    QTest::addColumn<bool>("remembered");
    QTest::addColumn<bool>("removed");
    QTest::newRow("the first time") << false << false;
    QTest::newRow("after a load") << true << false;
    QTest::newRow("the folder is gone") << true << true;
  }
  void fileDialogFolder() {
    QFETCH(bool, remembered);
    QFETCH(bool, removed);
    QSettings(QStringLiteral("qx9emu"), QStringLiteral("qx9emu")).clear();
    auto dir = std::make_unique<QTemporaryDir>();
    const QString folder = dir->path();
    if (remembered) RememberObjectFile(dir->filePath(QStringLiteral("GOOD.OBJ")));
    if (removed) dir.reset();
    QFileDialog dialog;
    SetUpObjectFileDialog(dialog);
    QCOMPARE(dialog.directory().absolutePath(), remembered && !removed ? folder : QDir::currentPath());
  }

  // Ticks that arrive while a real box is open find the machine busy and run nothing.
  void realBoxes_data() { AddRows(kBoxes); }
  void realBoxes() {
    const BoxRow& r = Row(kBoxes);
    PanelRig rig(r.Prompt ? ProgramBuilder().Pot(C(0), C(1), V("W0")).High(C(1)).End()
                          : ProgramBuilder().Debug().High(C(1)).End(),
                 true);
    QStringList shown;
    bool busyMeanwhile = false;
    QTimer answerer;  // answers the box once it is up
    QObject::connect(&answerer, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr || !dialog->isVisible()) return;
      answerer.stop();
      shown << dialog->windowTitle();
      if (auto* box = qobject_cast<QMessageBox*>(dialog))
        shown << box->text() << QStringLiteral("%1 button").arg(box->buttons().size());
      if (auto* input = qobject_cast<QInputDialog*>(dialog)) {
        shown << input->labelText() << input->textValue();
        QTest::keyClicks(input->findChild<QLineEdit*>(), QStringLiteral("123"));
      }
      busyMeanwhile = rig.m().Busy;
      rig.form->Timer1_Timer();
      rig.form->Timer1_Timer();
      dialog->accept();
    });
    answerer.start(10);
    rig.form->Step_Click();
    QCOMPARE(shown, r.Seen);
    QVERIFY(busyMeanwhile);
    QCOMPARE(rig.m().Ram[0], r.W0);
    QCOMPARE(rig.m().Ram[7], 0);  // the ticks ran nothing
    QCOMPARE(rig.StateText(), QStringLiteral("High 1"));
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::DialogsTest)
#include "dialogs_test.moc"
