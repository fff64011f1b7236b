#include "workbench/workbench.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSettings>
#include <QSlider>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>
#include <utility>

#include "panel/panel_history.h"
#include "workbench/history_bar.h"
#include "workbench/program_view.h"
#include "workbench/stops_dock.h"
#include "workbench/timeline_dock.h"
#include "workbench/timeline_exports.h"
#include "workbench/variables_view.h"

namespace qx9 {

namespace {

QSettings Settings() { return QSettings(QStringLiteral("qx9"), QStringLiteral("workbench")); }

QByteArray ContentKey(const QByteArray& bytes) {
  return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QByteArray ImageBytes(const std::array<uint8_t, kImageSize>& image) {
  return QByteArray(reinterpret_cast<const char*>(image.data()), kImageSize);
}

constexpr qint64 kSpeedWindowNs = 500'000'000;  // the speed shown is measured over half a second

}  // namespace

Workbench::Workbench(Form1& panel, QWidget* parent)
    : QMainWindow(parent),
      panel_(panel),
      machine_(panel.machine()),
      program_(new ProgramView(this)),
      variables_(new VariablesView(this)) {
  setObjectName(QStringLiteral("Workbench"));
  setWindowTitle(tr("QX9 Workbench"));
  setCentralWidget(program_);
  program_->OnToggle = [this](int address) {
    breakpoints_.Toggle(address);
    BreakpointsChanged();
  };
  variables_->OnWordEdited = [this](int word, const QString& text) { TypeWord(word, text); };
  BuildActions();
  BuildSpeedBar();
  BuildDocks();
  BuildTimeline();
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("StopStatus"));
  speedReached_ = new QLabel(this);
  speedReached_->setObjectName(QStringLiteral("SpeedReached"));
  statusBar()->addWidget(status_, 1);
  statusBar()->addPermanentWidget(speedReached_);
  historyBar_ = new HistoryBar(panel_.panelHistory(), panel_.history(), *program_, this);
  addToolBarBreak();  // a row of its own: the slider needs the width
  addToolBar(historyBar_);
  historyBar_->OnStatus = [this](const QString& text) { status_->setText(text); };
  variables_->OnWhoWrote = [this](const QString& name) { historyBar_->WhoWrote(name); };
  panel_.panelHistory().SetStops(&breakpoints_);
  panel_.panelHistory().OnMoved = [this] { HistoryMoved(); };

  elapsed_.start();
  clock_ = [this] { return elapsed_.nsecsElapsed(); };
  machine_.AddListener(watcher_);
  breakpoints_.Attach(machine_);
  Machine* machine = &machine_;
  Form1* form = &panel_;
  panel_.timer1().setMachineHooks({[machine] { return static_cast<quint64>(machine->InstructionsExecuted); },
                                   [machine] { machine->SkipIdleTicks(machine->IdleTicksAhead()); },
                                   [form](bool slice) { form->SetRedrawDeferred(slice); }});
  display_.setInterval(kDisplayIntervalMs);
  connect(&display_, &QTimer::timeout, this, &Workbench::DisplayTick);

  const QSettings settings = Settings();
  // Room for the program, the timeline under it and the variables beside them, within the screen.
  resize(QSize(1100, 800).boundedTo(screen()->availableGeometry().size()));
  sizeTimeline_ = settings.value(QStringLiteral("window/state")).isNull();
  restoreGeometry(settings.value(QStringLiteral("window/geometry")).toByteArray());
  restoreState(settings.value(QStringLiteral("window/state")).toByteArray());
  baseline_ = Rows();
  variables_->Show(baseline_, baseline_);
  wasRunning_ = panel_.TimerEnabled();
}

Workbench::~Workbench() {
  // The panel goes on alone at the designed pace, with nothing of the workbench's left in its machine.
  panel_.timer1().setSpeed(PacedTimer::Speed::RealTime);
  panel_.timer1().setMachineHooks({});
  panel_.panelHistory().OnMoved = nullptr;
  panel_.panelHistory().SetStops(nullptr);
  breakpoints_.Detach();
  machine_.RemoveListener(watcher_);
}

void Workbench::BuildActions() {
  QToolBar* bar = addToolBar(tr("Run"));
  bar->setObjectName(QStringLiteral("RunBar"));
  auto add = [this, bar](const QString& text, const QKeySequence& key, const QString& name, auto slot) {
    QAction* action = bar->addAction(text);
    action->setObjectName(name);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setToolTip(QStringLiteral("%1 (%2)").arg(text, key.toString(QKeySequence::NativeText)));
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  add(tr("Step"), QKeySequence(Qt::Key_F8), QStringLiteral("StepAction"), &Workbench::Step);
  add(tr("Step Over"), QKeySequence(Qt::Key_F10), QStringLiteral("StepOverAction"), &Workbench::StepOver);
  runAction_ = add(tr("Run"), QKeySequence(Qt::Key_F5), QStringLiteral("RunAction"), &Workbench::RunStop);
  add(tr("Run to Cursor"), QKeySequence(Qt::CTRL | Qt::Key_F10), QStringLiteral("RunToCursorAction"),
      &Workbench::RunToCursor);
  bar->addSeparator();
  add(tr("Toggle Breakpoint"), QKeySequence(Qt::Key_F9), QStringLiteral("ToggleBreakpointAction"),
      &Workbench::ToggleBreakpointAtCursor);
}

void Workbench::BuildSpeedBar() {
  addToolBarBreak();
  QToolBar* bar = addToolBar(tr("Speed"));
  bar->setObjectName(QStringLiteral("SpeedBar"));
  speedMode_ = new QComboBox(bar);
  speedMode_->setObjectName(QStringLiteral("SpeedMode"));
  // In the order of PacedTimer::Speed.
  speedMode_->addItems({tr("Slow motion"), tr("Real time"), tr("As fast as possible")});
  speedMode_->setCurrentIndex(static_cast<int>(PacedTimer::Speed::RealTime));
  slowRate_ = new QSlider(Qt::Horizontal, bar);
  slowRate_->setObjectName(QStringLiteral("SlowRate"));
  slowRate_->setRange(PacedTimer::kMinSlowRate, PacedTimer::kMaxSlowRate);
  slowRate_->setValue(10);
  slowRate_->setFixedWidth(140);
  slowRateText_ = new QLabel(bar);
  slowRateText_->setObjectName(QStringLiteral("SlowRateText"));
  slowRateText_->setMinimumWidth(slowRateText_->fontMetrics().horizontalAdvance(QStringLiteral("999/s ")));
  bar->addWidget(new QLabel(tr("Speed "), bar));
  bar->addWidget(speedMode_);
  bar->addWidget(slowRate_);
  bar->addWidget(slowRateText_);
  connect(speedMode_, &QComboBox::currentIndexChanged, this, &Workbench::SpeedControlsChanged);
  connect(slowRate_, &QSlider::valueChanged, this, &Workbench::SpeedControlsChanged);
  SpeedControlsChanged();
}

void Workbench::BuildDocks() {
  auto* variablesDock = new QDockWidget(tr("Variables"), this);
  variablesDock->setObjectName(QStringLiteral("VariablesDock"));
  variablesDock->setWidget(variables_);
  addDockWidget(Qt::RightDockWidgetArea, variablesDock);
  stops_ = new StopsDock(breakpoints_, machine_, this);
  stops_->OnChanged = [this] { BreakpointsChanged(); };
  auto* stopsDock = new QDockWidget(tr("Breakpoints"), this);
  stopsDock->setObjectName(QStringLiteral("BreakpointsDock"));
  stopsDock->setWidget(stops_);
  addDockWidget(Qt::RightDockWidgetArea, stopsDock);
  resizeDocks({variablesDock, stopsDock}, {380, 160}, Qt::Vertical);
  resizeDocks({variablesDock}, {380}, Qt::Horizontal);
}

bool Workbench::LoadProgram(const QString& objectPath) {
  QFile file(objectPath);
  QByteArray bytes;
  if (file.open(QIODevice::ReadOnly)) bytes = file.readAll();
  if (bytes.size() < kImageSize) {
    status_->setText(tr("Cannot show %1: it cannot be read or is shorter than %2 bytes")
                         .arg(QFileInfo(objectPath).fileName())
                         .arg(kImageSize));
    return false;
  }
  std::array<uint8_t, kImageSize> image{};
  for (int i = 0; i < kImageSize; ++i) image[static_cast<size_t>(i)] = static_cast<uint8_t>(bytes[i]);
  const std::string source = SourcePathFor(QFile::encodeName(objectPath).toStdString());
  SetProgram(image, QFile::decodeName(QByteArray::fromStdString(source)));
  // The whole file, so two files that differ after the image keep their own breakpoints.
  programKey_ = ContentKey(bytes);
  LoadStops();
  setWindowTitle(tr("QX9 Workbench - %1").arg(QFileInfo(objectPath).fileName()));
  return true;
}

void Workbench::SetProgram(const std::array<uint8_t, kImageSize>& image, const QString& sourcePath) {
  fileImage_ = image;
  haveImage_ = true;
  text_ = ListingText(image);
  if (!sourcePath.isEmpty()) {
    QFile source(sourcePath);
    if (source.open(QIODevice::ReadOnly)) text_ = SourceOrListing(image, source.readAll().toStdString());
  }
  program_->SetProgram(text_);
  programKey_ = ContentKey(ImageBytes(image));
  LoadStops();
  baseline_ = Rows();
  Stopped();
  if (!text_.Note.empty()) status_->setText(QString::fromStdString(text_.Note));
}

void Workbench::Step() {
  panel_.Step_Click();
  Stopped();
}

void Workbench::StepOver() {
  panel_.StepOver_Click();
  if (panel_.TimerEnabled()) {
    wasRunning_ = true;
    status_->setText(tr("Stepping over the call..."));
  } else {
    Stopped();
  }
}

void Workbench::RunStop() {
  panel_.RunBtn_Click();
  if (panel_.TimerEnabled()) {
    wasRunning_ = true;
    runAction_->setText(tr("Stop"));
    status_->setText(tr("Running"));
  } else {
    Stopped();
  }
}

void Workbench::RunToCursor() {
  const int address = program_->CursorAddress();
  if (address < 0) {
    status_->setText(tr("The cursor's line holds no instruction to run to"));
    return;
  }
  breakpoints_.SetRunTo(address);
  if (!panel_.TimerEnabled()) RunStop();
}

void Workbench::ToggleBreakpointAtCursor() {
  const int address = program_->CursorAddress();
  if (address < 0) {
    status_->setText(tr("The cursor's line holds no instruction for a breakpoint"));
    return;
  }
  breakpoints_.Toggle(address);
  BreakpointsChanged();
}

void Workbench::SetSpeed(PacedTimer::Speed speed, int slowRate) {
  slowRate_->setValue(std::clamp(slowRate, PacedTimer::kMinSlowRate, PacedTimer::kMaxSlowRate));
  speedMode_->setCurrentIndex(static_cast<int>(speed));
  SpeedControlsChanged();
}

void Workbench::SpeedControlsChanged() {
  const auto speed = static_cast<PacedTimer::Speed>(speedMode_->currentIndex());
  slowRate_->setEnabled(speed == PacedTimer::Speed::SlowMotion);
  slowRateText_->setText(tr("%1/s").arg(slowRate_->value()));
  panel_.timer1().setSpeed(speed, slowRate_->value());
  // The speed reached is measured afresh from the change on.
  speedSinceNs_ = clock_ ? clock_() : 0;
  speedSinceCount_ = machine_.InstructionsExecuted;
}

void Workbench::DisplayTick() {
  const bool running = panel_.TimerEnabled();
  if (running) {
    ShowLive();
  } else if (wasRunning_ || dirty_ || breakSeen_) {
    Stopped();
  }
  wasRunning_ = running;
  dirty_ = false;
  timeline_->Refresh();
  MeasureSpeed();
}

void Workbench::Stopped() {
  breakpoints_.SetRunTo(std::nullopt);
  const int next = NextAddress();
  program_->ShowNext(next);
  std::vector<VariableRow> rows = Rows();
  variables_->Show(rows, baseline_);
  baseline_ = std::move(rows);
  if (breakSeen_) {
    status_->setText(tr("Stopped: %1").arg(QString::fromStdString(breakpoints_.Reason())));
  } else {
    status_->setText(tr("Next: %1").arg(QString::fromStdString(AddressText(next))));
  }
  runAction_->setText(panel_.TimerEnabled() ? tr("Stop") : tr("Run"));
  breakSeen_ = false;
  dirty_ = false;
  wasRunning_ = panel_.TimerEnabled();
  if (historyBar_ != nullptr) historyBar_->Follow();
}

void Workbench::HistoryMoved() {
  breakpoints_.OnExternalChange(machine_);
  Stopped();
  const History& history = panel_.history();
  status_->setText(tr("History: #%1 of %2; next %3")
                       .arg(history.CurrentPoint())
                       .arg(history.LastPoint())
                       .arg(QString::fromStdString(AddressText(NextAddress()))));
}

void Workbench::ShowLive() {
  // During a wait nothing moves: no redraw at all, so the run keeps its pace.
  if (machine_.InstructionsExecuted == shownCount_ && machine_.Ram == shownRam_) return;
  shownCount_ = machine_.InstructionsExecuted;
  shownRam_ = machine_.Ram;
  program_->ShowNext(NextAddress());
  variables_->Show(Rows(), baseline_);
  runAction_->setText(tr("Stop"));
  historyBar_->Follow();
}

int Workbench::NextAddress() {
  // After a restart the next cycle resets first: the next instruction is the reset's, not the token's.
  return machine_.NextCycleResets() ? machine_.PeekNext().Address : machine_.LinearAddress();
}

std::vector<VariableRow> Workbench::Rows() {
  VariableSource source;
  source.State = &machine_;
  source.FileImage = haveImage_ ? &fileImage_ : nullptr;
  source.Program = &text_;
  if (auto* box = panel_.findChild<QLineEdit*>(QStringLiteral("LastPWM"))) source.LastPWM = box->text().toStdString();
  return VariableRows(source);
}

// Typing into the panel's box is what editing a word means: it takes effect at the next step.
void Workbench::TypeWord(int word, const QString& text) {
  auto* box = panel_.findChild<QLineEdit*>(QStringLiteral("WBox%1").arg(word));
  if (box == nullptr) return;
  box->setText(text.trimmed());
  // As if typed: whatever listens for typing in the panel hears it too.
  emit box->textEdited(box->text());
  status_->setText(tr("%1 typed into the panel's box: it takes effect at the next step")
                       .arg(word == kPortWord ? QStringLiteral("PORT") : QStringLiteral("W%1").arg(word)));
}

void Workbench::BreakpointsChanged() {
  program_->SetBreakpoints(breakpoints_.Addresses());
  stops_->Refresh(text_);
  SaveStops();
}

void Workbench::MeasureSpeed() {
  const qint64 now = clock_();
  if (now - speedSinceNs_ < kSpeedWindowNs) return;
  const quint64 count = machine_.InstructionsExecuted;
  const double rate = static_cast<double>(count - speedSinceCount_) * 1e9 / static_cast<double>(now - speedSinceNs_);
  speedSinceNs_ = now;
  speedSinceCount_ = count;
  speedText_ = panel_.TimerEnabled() ? tr("%L1 instructions/s").arg(qRound64(rate)) : tr("stopped");
  speedReached_->setText(speedText_);
}

QString Workbench::statusText() const { return status_->text(); }

QString Workbench::speedText() const { return speedText_; }

// Breakpoints, conditions and watches, under the program's content hash.
void Workbench::SaveStops() const {
  if (programKey_.isEmpty()) return;
  QSettings settings = Settings();
  settings.beginGroup(QStringLiteral("programs/") + QString::fromLatin1(programKey_));
  QVariantList addresses;
  for (int address : breakpoints_.Addresses()) addresses << address;
  QStringList conditions;
  for (const Condition& c : breakpoints_.Conditions()) conditions << QString::fromStdString(c.Text);
  QStringList watches;
  for (const Watch& w : breakpoints_.Watches()) watches << QString::fromStdString(w.Text);
  settings.setValue(QStringLiteral("breakpoints"), addresses);
  settings.setValue(QStringLiteral("conditions"), conditions);
  settings.setValue(QStringLiteral("watches"), watches);
}

void Workbench::LoadStops() {
  breakpoints_.ClearAddresses();
  while (!breakpoints_.Conditions().empty()) breakpoints_.RemoveCondition(0);
  while (!breakpoints_.Watches().empty()) breakpoints_.RemoveWatch(0);
  const QSettings settings = Settings();
  const QString group = QStringLiteral("programs/") + QString::fromLatin1(programKey_) + QLatin1Char('/');
  for (const QVariant& address : settings.value(group + QStringLiteral("breakpoints")).toList()) {
    bool ok = false;
    const int value = address.toInt(&ok);
    if (ok && value >= 0 && value < kEndAddress) breakpoints_.Set(value, true);
  }
  // Saved texts went through the same parser; one edited by hand into nonsense is skipped.
  std::string ignored;
  for (const QString& text : settings.value(group + QStringLiteral("conditions")).toStringList()) {
    breakpoints_.AddCondition(text.toStdString(), ignored);
  }
  for (const QString& text : settings.value(group + QStringLiteral("watches")).toStringList()) {
    breakpoints_.AddWatch(text.toStdString(), machine_, ignored);
  }
  program_->SetBreakpoints(breakpoints_.Addresses());
  stops_->Refresh(text_);
}

void Workbench::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The first time, and unless the user sized the docks before, the timeline opens tall enough for its
  // rows but leaves the program at least half the window; the layout only takes a size once shown.
  if (std::exchange(sizeTimeline_, false)) {
    if (auto* dock = qobject_cast<QDockWidget*>(timeline_->parentWidget())) {
      resizeDocks({dock}, {std::min(timeline_->sizeHint().height(), height() * 45 / 100)}, Qt::Vertical);
    }
  }
  breakpoints_.Attach(machine_);
  panel_.panelHistory().SetStops(&breakpoints_);
  display_.start();
}

void Workbench::closeEvent(QCloseEvent* event) {
  QSettings settings = Settings();
  settings.setValue(QStringLiteral("window/geometry"), saveGeometry());
  settings.setValue(QStringLiteral("window/state"), saveState());
  display_.stop();
  // A closed workbench stops nothing: the panel alone runs as designed.
  breakpoints_.Detach();
  panel_.panelHistory().SetStops(nullptr);  // the panel's Reverse Run then goes to the start
  SetSpeed(PacedTimer::Speed::RealTime, slowRate_->value());
  QMainWindow::closeEvent(event);
}

}  // namespace qx9
