// The modal windows: the load step's dialog loop, the file dialog, and a real prompt.
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QInputDialog>
#include <QTimer>
#include <QTreeView>

#include "panel_rig.h"

namespace qx9::test {
namespace {

// High 3 / End, in a file cut or padded to the given length.
void WriteProgram(const QTemporaryDir& dir, const char* name, int length) {
  const std::array<uint8_t, 256> image = ProgramBuilder().High(C(3)).End().Build();
  const QByteArray bytes(reinterpret_cast<const char*>(image.data()), 256);
  WriteFile(dir.filePath(QString::fromLatin1(name)), bytes.leftJustified(length, '\x55', true));
}

// Asked until a file loads ("File Error!" after each that fails) or Cancel ("-"); a given file goes first.
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
    {"given, missing", "nothing.obj", {"good.obj"}, true, 1},
};

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  // The splash before the window shows, the file dialog over it; only a loaded file's folder is kept.
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
    bool shownAtSplash = true;
    rig.dialogs->OnSplash = [&] { shownAtSplash = rig.form->isVisible(); };
    QCOMPARE(rig.form->Form_Load(r.Given.isEmpty() ? std::nullopt : std::optional(dir.filePath(r.Given))), r.Loaded);
    QCOMPARE(rig.dialogs->Splashes, 1);
    QCOMPARE(rig.dialogs->ParentShownAtFileDialog, std::vector<bool>(r.Files.size(), true));
    QCOMPARE(rig.dialogs->Messages, std::vector<QString>(r.FileErrors, QStringLiteral("File Error!")));
    QVERIFY(!shownAtSplash);
    QCOMPARE(rig.StateText(), r.Loaded ? QStringLiteral("High 3") : QString());
    QCOMPARE(ObjectFileFolder(), r.Loaded ? dir.path() : QDir::tempPath());
    if (r.Loaded) {
      QVERIFY(rig.Activate());
      QCOMPARE(QApplication::focusWidget(), rig.WBox(0));
    }
  }

  // Object files in every letter case, nothing else; no column cuts its text short ("256...tes").
  void fileDialog() {
    QTemporaryDir dir;
    for (const char* name : {"a.OBJ", "b.obj", "c.Obj", "d.txt", "e.objx", "OBJ"}) WriteProgram(dir, name, 256);
    QFileDialog dialog;
    SetUpObjectFileDialog(dialog);
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
    const QModelIndex file = model->index(dir.filePath(QStringLiteral("a.OBJ")));
    for (int column = 0; column < 4; ++column) {
      const int needed = details->sizeHintForIndex(file.sibling(file.row(), column)).width();
      QTRY_VERIFY2(details->header()->sectionSize(column) >= needed, qPrintable(QString::number(column)));
    }
  }

  // The real prompt: titled, with an empty default; ticks that arrive while it is open run nothing.
  void realPrompt() {
    PanelRig rig(ProgramBuilder().Pot(C(0), C(1), V("W0")).High(C(1)).End(), true);
    QStringList shown;
    bool busyMeanwhile = false;
    QTimer answerer;  // answers the box once it is up
    QObject::connect(&answerer, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr || !dialog->isVisible()) return;
      answerer.stop();
      auto* input = qobject_cast<QInputDialog*>(dialog);
      shown << input->windowTitle() << input->labelText() << input->textValue();
      QTest::keyClicks(input->findChild<QLineEdit*>(), QStringLiteral("123"));
      busyMeanwhile = rig.m().Busy;
      rig.form->Timer1_Timer();
      rig.form->Timer1_Timer();
      dialog->accept();
    });
    answerer.start(10);
    rig.form->Step_Click();
    QCOMPARE(shown, (QStringList{"qx9", "Pot value for pin 0", ""}));
    QVERIFY(busyMeanwhile);
    QCOMPARE(rig.m().Ram[0], 123);
    QCOMPARE(rig.m().Ram[7], 0);  // the ticks ran nothing
    QCOMPARE(rig.StateText(), QStringLiteral("High 1"));
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::DialogsTest)
#include "dialogs_test.moc"
