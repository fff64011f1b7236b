// The modal windows: the splash and its three ways out, the load step's dialog loop (scripted), and
// the real boxes driven as a user would (title, buttons, modality, ticks arriving meanwhile).
#include <QFileDialog>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include "panel/splash.h"
#include "panel_rig.h"

namespace qx9::test {
namespace {

// Answers real modal windows: a short timer hands the active modal widget to the next handler in line,
// which acts on it and says whether it was the one it wanted.
class ModalAnswerer {
 public:
  using Handler = std::function<bool(QWidget* modal)>;
  ModalAnswerer() {
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal != nullptr && modal->isVisible() && !handlers_.empty() && handlers_.front()(modal)) handlers_.pop_front();
    });
    poll_.start(10);
  }
  void Then(Handler handler) { handlers_.push_back(std::move(handler)); }
  bool Done() const { return handlers_.empty(); }

 private:
  QTimer poll_;
  std::deque<Handler> handlers_;
};

// Chooses path in the file dialog, or cancels it for an empty path.
ModalAnswerer::Handler ChooseFile(const QString& path, QStringList& seen) {
  return [path, &seen](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (dialog == nullptr) return false;
    seen << dialog->windowTitle();
    if (path.isEmpty()) {
      dialog->reject();
      return true;
    }
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it; the override still runs
    return true;
  };
}

// High 3 / End, in a file cut or padded to the given length.
QString WriteProgram(const QTemporaryDir& dir, const char* name, int length) {
  const std::array<uint8_t, 256> image = ProgramBuilder().High(C(3)).End().Build();
  const QString path = dir.filePath(QString::fromLatin1(name));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
  file.write(QByteArray(reinterpret_cast<const char*>(image.data()), 256).leftJustified(length, '\x55', true));
  return path;
}

bool OnTheWindowsGrey(QLabel* label) {
  return label->autoFillBackground() && label->palette().color(QPalette::Window) == QColor(192, 192, 192);
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void splashLooks() {
    frmSplash splash;
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(splash.isModal());
    QCOMPARE(splash.size(), QSize(492, 283));
    QCOMPARE(splash.geometry().center(), QGuiApplication::primaryScreen()->availableGeometry().center());
    auto text = [&](const char* name) { return splash.findChild<QLabel*>(QString::fromLatin1(name))->text(); };
    QCOMPARE(text("lblCompanyProduct"), QStringLiteral("Ovrin Presents"));
    QCOMPARE(text("lblProductName"), QStringLiteral("QX9EMU"));
    QCOMPARE(text("lblVersion"), QStringLiteral("Version 0.8 Beta"));
    for (const char* name : {"lblNoticeTop", "lblPlatform", "lblNotice", "lblCompany", "lblWarning"}) {
      QVERIFY2(!text(name).isEmpty(), name);
    }
    QCOMPARE(splash.findChild<QWidget*>(QStringLiteral("Frame1"))->geometry(), QRect(10, 4, 472, 270));
  }

  // Its timer ends the modal show after ten seconds.
  void splashTimer() {
    frmSplash splash;
    QCOMPARE(splash.timer1().interval(), 10000);
    QVERIFY(splash.timer1().isActive() && splash.timer1().isSingleShot());
    splash.timer1().start(0);  // its timeout, without the wait
    QTimer::singleShot(5000, &splash, [&] { splash.done(-1); });
    QCOMPARE(splash.exec(), int(QDialog::Accepted));
    QVERIFY(!splash.isVisible());
    QVERIFY(!splash.timer1().isActive());
  }

  // A character key closes it, other keys do not; a click closes it on the frame only, clicked where a
  // user clicks: at the control's place in the window.
  void splashCloses_data() {
    QTest::addColumn<int>("key");  // 0: a click on the target
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("closes");
    QTest::newRow("letter") << int(Qt::Key_A) << "a" << true;
    QTest::newRow("space") << int(Qt::Key_Space) << " " << true;
    QTest::newRow("Enter") << int(Qt::Key_Return) << "\r" << true;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << "\x1b" << true;
    QTest::newRow("F1") << int(Qt::Key_F1) << "" << false;
    QTest::newRow("Shift alone") << int(Qt::Key_Shift) << "" << false;
    QTest::newRow("frame") << 0 << "Frame1" << true;
    QTest::newRow("logo") << 0 << "imgLogo" << false;
    QTest::newRow("product name") << 0 << "lblProductName" << false;
  }
  void splashCloses() {
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(bool, closes);
    frmSplash splash;
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    if (key != 0) {
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
      QApplication::sendEvent(&splash, &press);
    } else {
      QWidget* widget = splash.findChild<QWidget*>(text);
      // For the frame: a point of its own, away from every label.
      const QPoint local = text == QLatin1String("Frame1") ? QPoint(widget->width() / 4, widget->height() / 2)
                                                          : widget->rect().center();
      QVERIFY(widget->childAt(local) == nullptr);
      QTest::mouseClick(splash.windowHandle(), Qt::LeftButton, {}, widget->mapTo(&splash, local));
    }
    QCOMPARE(splash.isVisible(), !closes);
  }

  // The splash comes first, before the window shows and its labels take the window's grey; then the
  // dialog asks until a file loads ("File Error!" after each that does not) or the user cancels. A
  // file named on the command line is tried first.
  void loadStep_data() {
    QTest::addColumn<QString>("given");
    QTest::addColumn<QStringList>("files");  // the dialog's answers in turn; "-" cancels
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("fileErrors");
    QTest::newRow("a 256-byte file") << "" << QStringList{"good.obj"} << true << 0;
    QTest::newRow("255 bytes, then a good one") << "" << QStringList{"short.obj", "good.obj"} << true << 1;
    QTest::newRow("a missing file, then Cancel") << "" << QStringList{"missing.obj", "-"} << false << 1;
    QTest::newRow("Cancel at once") << "" << QStringList{"-"} << false << 0;
    QTest::newRow("given, loads") << "good.obj" << QStringList{} << true << 0;
    QTest::newRow("given, missing") << "nothing.obj" << QStringList{"good.obj"} << true << 1;
  }
  void loadStep() {
    QFETCH(QString, given);
    QFETCH(QStringList, files);
    QFETCH(bool, loaded);
    QFETCH(int, fileErrors);
    QTemporaryDir dir;
    WriteProgram(dir, "good.obj", 256);
    WriteProgram(dir, "short.obj", 255);
    PanelRig rig;
    for (const QString& f : files) rig.dialogs->Files.push_back(f == QLatin1String("-") ? std::nullopt : std::optional(dir.filePath(f)));
    bool shownOrColouredAtSplash = true;
    rig.dialogs->OnSplash = [&] { shownOrColouredAtSplash = rig.form->isVisible() || OnTheWindowsGrey(rig.BVar(0)); };
    QCOMPARE(rig.form->Form_Load(given.isEmpty() ? std::nullopt : std::optional(dir.filePath(given))), loaded);
    QCOMPARE(rig.dialogs->Splashes, 1);
    QCOMPARE(rig.dialogs->ParentShownAtFileDialog, std::vector<bool>(files.size(), true));
    QCOMPARE(rig.dialogs->Messages, std::vector<QString>(fileErrors, QStringLiteral("File Error!")));
    QVERIFY(!shownOrColouredAtSplash);
    for (int i = 0; i < 8; ++i) QVERIFY(OnTheWindowsGrey(rig.BVar(i)));
    for (int i = 1; i <= 12; ++i) QVERIFY(OnTheWindowsGrey(rig.Get<QLabel>(QStringLiteral("Label%1").arg(i))));
    if (!loaded) return;
    QCOMPARE(rig.StateText(), QStringLiteral("High 3"));
    QVERIFY(rig.Activate());
    QCOMPARE(QApplication::focusWidget(), rig.WBox(0));
  }

  // The whole step with the real windows, answered as a user would: a key on the splash, a short file
  // in the dialog, OK on the error, then a good file or Cancel.
  void loadStepWithTheRealWindows_data() {
    QTest::addColumn<bool>("cancel");
    QTest::newRow("a good file") << false;
    QTest::newRow("Cancel") << true;
  }
  void loadStepWithTheRealWindows() {
    QFETCH(bool, cancel);
    QTemporaryDir dir;
    PanelRig rig(true);
    ModalAnswerer answerer;
    QStringList seen;
    answerer.Then([&](QWidget* modal) {
      if (qobject_cast<frmSplash*>(modal) == nullptr) return false;
      seen << QStringLiteral("splash");
      QTest::keyClick(modal, Qt::Key_Space);
      return true;
    });
    answerer.Then(ChooseFile(WriteProgram(dir, "short.obj", 255), seen));
    answerer.Then([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      if (box == nullptr) return false;
      seen << QStringLiteral("%1: %2 [%3 button]").arg(box->windowTitle(), box->text()).arg(box->buttons().size());
      box->button(QMessageBox::Ok)->click();
      return true;
    });
    answerer.Then(ChooseFile(cancel ? QString() : WriteProgram(dir, "good.obj", 256), seen));
    QCOMPARE(rig.form->Form_Load(), !cancel);
    QVERIFY(answerer.Done());
    QCOMPARE(seen, (QStringList{"splash", "Select a QX9 Object File", "qx9: File Error! [1 button]", "Select a QX9 Object File"}));
    QCOMPARE(rig.StateText(), cancel ? QString() : QStringLiteral("High 3"));
  }

  // The one filter lists object files in every letter case, and nothing else.
  void fileDialogFilter() {
    QTemporaryDir dir;
    for (const char* name : {"a.OBJ", "b.obj", "c.Obj", "d.txt", "e.objx", "OBJ"}) WriteProgram(dir, name, 256);
    QFileDialog dialog;
    SetUpObjectFileDialog(dialog);
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
    QTRY_COMPARE(listed(), (QStringList{"a.OBJ", "b.obj", "c.Obj"}));  // the model reads in the background
  }

  // The real boxes: titled, a message with OK only, a prompt with an empty default; ticks that arrive
  // while one is open find the machine busy and run nothing.
  void realBoxes_data() {
    QTest::addColumn<bool>("prompt");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QStringList>("seen");
    QTest::addColumn<int>("w0");
    QTest::newRow("message") << false << true << QStringList{"qx9", "Debug Not Implemented", "1 button"} << 0;
    QTest::newRow("prompt, OK") << true << true << QStringList{"qx9", "Pot value for pin 0", ""} << 123;
    QTest::newRow("prompt, Cancel") << true << false << QStringList{"qx9", "Pot value for pin 0", ""} << 0;
  }
  void realBoxes() {
    QFETCH(bool, prompt);
    QFETCH(bool, accept);
    QFETCH(QStringList, seen);
    QFETCH(int, w0);
    PanelRig rig(true);
    rig.Load(prompt ? ProgramBuilder().Pot(C(0), C(1), V("W0")).High(C(1)).End() : ProgramBuilder().Debug().High(C(1)).End());
    ModalAnswerer answerer;
    QStringList shown;
    bool busyMeanwhile = false;
    answerer.Then([&](QWidget* modal) {
      auto* dialog = qobject_cast<QDialog*>(modal);
      shown << dialog->windowTitle();
      if (auto* box = qobject_cast<QMessageBox*>(modal)) shown << box->text() << QStringLiteral("%1 button").arg(box->buttons().size());
      if (auto* input = qobject_cast<QInputDialog*>(modal)) {
        shown << input->labelText() << input->textValue();
        QTest::keyClicks(input->findChild<QLineEdit*>(), QStringLiteral("123"));
      }
      busyMeanwhile = rig.m().Busy;
      rig.form->Timer1_Timer();
      rig.form->Timer1_Timer();
      if (accept) dialog->accept();
      else dialog->reject();
      return true;
    });
    rig.form->Step_Click();
    QVERIFY(answerer.Done());
    QCOMPARE(shown, seen);
    QVERIFY(busyMeanwhile);
    QCOMPARE(rig.m().Ram[0], w0);
    QCOMPARE(rig.m().Ram[7], 0);  // the ticks ran nothing
    QCOMPARE(rig.StateText(), QStringLiteral("High 1"));
  }
};

}  // namespace qx9::test

QX9_PANEL_TEST_MAIN(qx9::test::DialogsTest)
#include "dialogs_test.moc"
