#pragma once
// Shared by the panel's tests: scripted dialogs, a Form1 on a clock the test moves, helpers, and main().

#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <cstdio>
#include <deque>

#include "panel/dialogs.h"
#include "panel/form1.h"
#include "panel/tone_player.h"
#include "support/program_builder.h"

namespace qx9::test {

using Answers = std::deque<std::optional<QString>>;  // none left = Cancel

// Answers the panel's modal windows from queues and records what was asked.
struct ScriptedDialogs final : Dialogs {
  int Splashes = 0;
  std::vector<QString> Messages;
  Answers Files;
  std::vector<bool> ParentShownAtFileDialog;  // whether the window was visible under each dialog
  std::function<void()> OnSplash;             // runs while the splash would be open
  std::function<void()> OnMessage;            // runs while a message box would be open

  void ShowSplash() override {
    ++Splashes;
    if (OnSplash) OnSplash();
  }
  void MessageBox(QWidget*, const QString& text) override {
    Messages.push_back(text);
    if (OnMessage) OnMessage();
  }
  std::optional<QString> Prompt(QWidget*, const QString&) override { return std::nullopt; }  // Cancel
  std::optional<QString> OpenObjectFile(QWidget* parent) override {
    ParentShownAtFileDialog.push_back(parent != nullptr && parent->isVisible());
    return Pop(Files);
  }
  static std::optional<QString> Pop(Answers& queue) {
    // (Copying the optional itself trips a false maybe-uninitialized warning in GCC.)
    const bool cancel = queue.empty() || !queue.front();
    const QString text = cancel ? QString() : *queue.front();
    if (!queue.empty()) queue.pop_front();
    if (cancel) return std::nullopt;
    return text;
  }
};

struct SilentTones final : TonePlayer {
  void Tone(int, int) override {}
  void Rest(int) override {}
};

// A Form1 with scripted dialogs (or the real ones) and no sound; nothing is loaded until Load().
struct PanelRig {
  ScriptedDialogs* dialogs = nullptr;  // owned by the form; null with the real dialogs
  qint64 ns = 0;
  std::unique_ptr<Form1> form;

  explicit PanelRig(bool realDialogs = false) {
    std::unique_ptr<Dialogs> scripted = realDialogs ? nullptr : std::make_unique<ScriptedDialogs>();
    dialogs = static_cast<ScriptedDialogs*>(scripted.get());
    form = std::make_unique<Form1>(std::move(scripted), std::make_unique<SilentTones>());
    form->timer1().setClock([this] { return ns; });
  }
  explicit PanelRig(const ProgramBuilder& program, bool realDialogs = false) : PanelRig(realDialogs) { Load(program); }

  Machine& m() { return form->machine(); }
  PacedTimer& timer() { return form->timer1(); }

  // Loads the image as the load step does after the file was read, and shows the window.
  void Load(const ProgramBuilder& program) {
    m().LoadImage(program.Build());
    form->show();
    m().StartProgram();
  }

  // Reading a control is reading the panel: the exact state is drawn first, as for a user who looks.
  template <typename W = QWidget>
  W* Get(const QString& name) const {
    form->FlushPanel();
    return Raw<W>(name);
  }
  // A control as it is now, between frames (nothing is drawn first).
  template <typename W = QWidget>
  W* Raw(const QString& name) const {
    W* widget = form->findChild<W*>(name);
    if (widget == nullptr) qFatal("no control named %s", qPrintable(name));
    return widget;
  }
  QLineEdit* WBox(int i) const { return Get<QLineEdit>(QStringLiteral("WBox%1").arg(i)); }
  QLabel* BVar(int i) const { return Get<QLabel>(QStringLiteral("BVar%1").arg(i)); }
  QLabel* GLED(int i) const { return Get<QLabel>(QStringLiteral("GLED%1").arg(i)); }
  QLabel* GInBtn(int i) const { return Get<QLabel>(QStringLiteral("GInBtn%1").arg(i)); }
  QPushButton* Button(const char* name) const { return Get<QPushButton>(QString::fromLatin1(name)); }
  QString StateText() const { return Get<QLineEdit>(QStringLiteral("StateBox"))->text(); }
  QString RunCaption() const { return Button("RunBtn")->text(); }

  // Makes the window the active one, so keys go to its focused control.
  bool Activate() {
    form->show();
    form->activateWindow();
    QApplication::setActiveWindow(form.get());
    return QTest::qWaitForWindowActive(form.get());
  }

  // Moves the clock on by ms, waking Timer1 up every millisecond as the real timer would.
  void Advance(int ms) {
    for (int i = 0; i < ms; ++i) {
      ns += 1'000'000;
      timer().WakeUp();
    }
  }
};

inline void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
  file.write(bytes);
}

// What run() writes to the standard error stream.
inline QByteArray StderrOf(const std::function<void()>& run) {
  QTemporaryFile file;
  if (!file.open()) qFatal("no temporary file");
  std::fflush(stderr);
  const int saved = dup(2);
  dup2(file.handle(), 2);
  run();
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
  file.seek(0);
  return file.readAll();
}

// Half periods between the first and the last sign change over the time between; 0 with fewer than two.
inline double CrossingFrequency(const int16_t* samples, size_t count, int sampleRate) {
  int64_t first = -1;
  int64_t last = -1;
  int64_t changes = 0;
  for (size_t i = 1; i < count; ++i) {
    if ((samples[i] > 0) != (samples[i - 1] > 0)) {
      if (first < 0) first = static_cast<int64_t>(i);
      last = static_cast<int64_t>(i);
      ++changes;
    }
  }
  if (changes < 2 || last == first) return 0;
  return static_cast<double>(changes - 1) * sampleRate / (2.0 * static_cast<double>(last - first));
}

// A table of structs with a Name as Qt Test rows: AddRows() in the _data slot, Row() in the test.
template <typename R, size_t N>
void AddRows(const R (&rows)[N]) {
  QTest::addColumn<int>("row");
  for (size_t i = 0; i < N; ++i) QTest::newRow(rows[i].Name) << static_cast<int>(i);
}
template <typename R, size_t N>
const R& Row(const R (&rows)[N]) {
  return rows[*static_cast<int*>(QTest::qData("row", qMetaTypeId<int>()))];
}

// Runs one Qt Test class offscreen (unless chosen otherwise), at 96 dpi, in private folders.
inline int RunPanelTest(QObject& test, int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qunsetenv("QT_SCALE_FACTOR");
  qunsetenv("QT_FONT_DPI");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    const QString dir = QDir::tempPath() + QStringLiteral("/qx9-panel-tests-%1").arg(getuid());
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir));
  }
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
  QApplication app(argc, argv);
  return QTest::qExec(&test, argc, argv);
}

}  // namespace qx9::test

#define QX9_PANEL_TEST_MAIN(TestClass)                \
  int main(int argc, char** argv) {                   \
    TestClass test;                                   \
    return qx9::test::RunPanelTest(test, argc, argv); \
  }
