#include "workbench/timeline_dock.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "workbench/timeline_view.h"

namespace qx9 {

namespace {

constexpr double kZoomStep = 2.0;
constexpr int64_t kScrollSteps = 200;  // scroll bar units across one view

}  // namespace

TimelineDock::TimelineDock(Form1& panel, QWidget* parent)
    : QWidget(parent),
      panel_(panel),
      view_(new TimelineView(panel.recorder(), this)),
      rows_(new QScrollArea(this)),
      scroll_(new QScrollBar(Qt::Horizontal, this)),
      cursor_(new QLabel(this)),
      follow_(new QCheckBox(tr("Follow"), this)) {
  setObjectName(QStringLiteral("TimelineDock"));
  scroll_->setObjectName(QStringLiteral("TimelineScroll"));
  cursor_->setObjectName(QStringLiteral("TimelineCursor"));
  follow_->setObjectName(QStringLiteral("TimelineFollow"));
  follow_->setToolTip(tr("Keep the latest time in view during a run"));
  auto button = [this](const QString& text, const QString& name, const QString& tip, auto slot) {
    auto* b = new QToolButton(this);
    b->setText(text);
    b->setObjectName(name);
    b->setToolTip(tip);
    connect(b, &QToolButton::clicked, this, slot);
    return b;
  };
  auto* bar = new QHBoxLayout;
  bar->addWidget(button(tr("+"), QStringLiteral("TimelineZoomIn"), tr("Zoom in (or the wheel)"),
                        [this] { view_->ZoomBy(kZoomStep); }));
  bar->addWidget(button(tr("-"), QStringLiteral("TimelineZoomOut"), tr("Zoom out (or the wheel)"),
                        [this] { view_->ZoomBy(1 / kZoomStep); }));
  bar->addWidget(button(tr("All"), QStringLiteral("TimelineShowAll"), tr("Show everything recorded"),
                        [this] { view_->ShowAll(); }));
  bar->addWidget(follow_);
  bar->addWidget(cursor_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(2);
  layout->addLayout(bar);
  // All rows stay readable in a short dock: they scroll up and down rather than squeeze the window.
  rows_->setObjectName(QStringLiteral("TimelineRows"));
  rows_->setWidgetResizable(true);
  rows_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  rows_->setFrameShape(QFrame::NoFrame);
  rows_->setMinimumHeight(TimelineView::kRowHeight * 2);
  view_->setMinimumHeight(view_->sizeHint().height());
  rows_->setWidget(view_);
  layout->addWidget(rows_, 1);
  layout->addWidget(scroll_);

  view_->OnViewChanged = [this] { ViewChanged(); };
  view_->OnJump = [this](int64_t timeUs) { JumpTo(timeUs); };
  connect(scroll_, &QScrollBar::valueChanged, this, &TimelineDock::Scrolled);
  connect(follow_, &QCheckBox::toggled, this, [this](bool on) {
    if (!syncing_) view_->SetFollowing(on);
  });
  ViewChanged();
}

void TimelineDock::Refresh() { view_->Refresh(); }

QString TimelineDock::cursorText() const { return cursor_->text(); }

QSize TimelineDock::sizeHint() const {
  const QSize hint = QWidget::sizeHint();
  return {hint.width(), hint.height() - rows_->sizeHint().height() + view_->sizeHint().height()};
}

uint64_t TimelineDock::JumpTo(int64_t timeUs) {
  // A free run would go straight on from the restored point: it stops first, as for any jump back.
  if (panel_.TimerEnabled()) panel_.RunBtn_Click();
  const uint64_t n = panel_.recorder().InstructionAt(timeUs);
  const uint64_t reached = panel_.history().GoTo(n);
  panel_.SetLastPWM(panel_.history().LastPwm());
  panel_.FlushPanel();
  view_->SetFollowing(false);
  if (OnJumped) OnJumped();
  return reached;
}

int64_t TimelineDock::ScrollUnitUs() const { return std::max<int64_t>(1, view_->SpanUs() / kScrollSteps); }

void TimelineDock::ViewChanged() {
  syncing_ = true;
  const int64_t unit = ScrollUnitUs();
  const int64_t hidden = std::max<int64_t>(0, view_->EndUs() - view_->StartUs() - view_->SpanUs());
  scroll_->setRange(0, static_cast<int>(std::min<int64_t>(hidden / unit, INT32_MAX)));
  scroll_->setPageStep(static_cast<int>(kScrollSteps));
  scroll_->setSingleStep(static_cast<int>(kScrollSteps / 10));
  scroll_->setValue(static_cast<int>(std::min<int64_t>((view_->FromUs() - view_->StartUs()) / unit, INT32_MAX)));
  follow_->setChecked(view_->Following());
  cursor_->setText(view_->CursorText());
  syncing_ = false;
}

void TimelineDock::Scrolled(int value) {
  if (syncing_) return;
  view_->SetRange(view_->StartUs() + int64_t{value} * ScrollUnitUs(), view_->SpanUs());
}

}  // namespace qx9
