#pragma once
// What the panel tests share: a main() that runs Qt Test offscreen, scripted dialogs and tones, and a
// Form1 wired to them with a program loaded.

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "panel/dialogs.h"
#include "panel/form1.h"
#include "panel/tone_player.h"
#include "support/program_builder.h"

namespace qx9::test {

// Answers the panel's modal windows from queues and records what was asked.
class ScriptedDialogs final : public Dialogs {
 public:
  struct Log {
    int Splashes = 0;
    int FileDialogs = 0;
    std::vector<QString> Messages;
    std::vector<QString> Prompts;
    std::deque<std::optional<QString>> Answers;  // prompt answers; none left = Cancel
    std::deque<std::optional<QString>> Files;    // file dialog answers; none left = Cancel
    std::function<void()> DuringModal;           // runs inside every box, as the user would wait there
    std::function<void()> OnSplash;              // runs while the splash would be open
    std::vector<bool> ParentShownAtFileDialog;   // whether the window was visible under each dialog
  };

  explicit ScriptedDialogs(std::shared_ptr<Log> log) : log_(std::move(log)) {}

  void ShowSplash() override {
    ++log_->Splashes;
    if (log_->OnSplash) log_->OnSplash();
  }
  void MessageBox(QWidget*, const QString& text) override {
    log_->Messages.push_back(text);
    if (log_->DuringModal) log_->DuringModal();
  }
  std::optional<QString> Prompt(QWidget*, const QString& text) override {
    log_->Prompts.push_back(text);
    if (log_->DuringModal) log_->DuringModal();
    return Pop(log_->Answers);
  }
  std::optional<QString> OpenObjectFile(QWidget* parent) override {
    ++log_->FileDialogs;
    log_->ParentShownAtFileDialog.push_back(parent != nullptr && parent->isVisible());
    return Pop(log_->Files);
  }

 private:
  static std::optional<QString> Pop(std::deque<std::optional<QString>>& queue) {
    if (queue.empty()) return std::nullopt;
    const bool cancel = !queue.front().has_value();
    const QString text = cancel ? QString() : *queue.front();
    queue.pop_front();
    if (cancel) return std::nullopt;
    return text;
  }
  std::shared_ptr<Log> log_;
};

class RecordingTones final : public TonePlayer {
 public:
  struct Call {
    int FrequencyHz;  // 0 for a rest
    int DurationMs;
  };
  explicit RecordingTones(std::shared_ptr<std::vector<Call>> calls) : calls_(std::move(calls)) {}
  void Tone(int frequencyHz, int durationMs) override { calls_->push_back({frequencyHz, durationMs}); }
  void Rest(int durationMs) override { calls_->push_back({0, durationMs}); }

 private:
  std::shared_ptr<std::vector<Call>> calls_;
};

// A Form1 with scripted dialogs and tones. Nothing is loaded until Load() or the load step runs.
struct PanelRig {
  std::shared_ptr<ScriptedDialogs::Log> dialogs = std::make_shared<ScriptedDialogs::Log>();
  std::shared_ptr<std::vector<RecordingTones::Call>> tones = std::make_shared<std::vector<RecordingTones::Call>>();
  std::unique_ptr<Form1> form = std::make_unique<Form1>(std::make_unique<ScriptedDialogs>(dialogs),
                                                        std::make_unique<RecordingTones>(tones));

  Machine& m() { return form->machine(); }

  // Loads the image as the load step does after the file was read, and shows the window.
  void Load(const std::array<uint8_t, 256>& image) {
    m().LoadImage(image);
    form->show();
    m().StartProgram();
  }
  void Load(const ProgramBuilder& program) { Load(program.Build()); }

  template <typename W = QWidget>
  W* Get(const QString& name) const {
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

  // Runs n ticks of Timer1 as its handler would be called.
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) form->Timer1_Timer();
  }
};

// Runs one Qt Test class offscreen (unless a platform was chosen), at 96 dpi, with a private runtime
// folder so Qt has nothing to warn about.
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
  QApplication app(argc, argv);
  return QTest::qExec(&test, argc, argv);
}

}  // namespace qx9::test

#define QX9_PANEL_TEST_MAIN(TestClass)                 \
  int main(int argc, char** argv) {                    \
    TestClass test;                                    \
    return qx9::test::RunPanelTest(test, argc, argv);  \
  }
