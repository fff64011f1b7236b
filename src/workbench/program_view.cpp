#include "workbench/program_view.h"

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBlock>

namespace qx9 {

// The strip left of the text: it only forwards painting and clicks to the view.
class ProgramMargin : public QWidget {
 public:
  explicit ProgramMargin(ProgramView& view) : QWidget(&view), view_(view) {
    setObjectName(QStringLiteral("ProgramMargin"));
  }
  QSize sizeHint() const override { return {view_.MarginWidth(), 0}; }

 protected:
  void paintEvent(QPaintEvent* event) override { view_.PaintMargin(event); }
  void mousePressEvent(QMouseEvent* event) override { view_.MarginPressed(event->position().toPoint().y()); }

 private:
  ProgramView& view_;
};

ProgramView::ProgramView(QWidget* parent) : QPlainTextEdit(parent), margin_(new ProgramMargin(*this)) {
  setObjectName(QStringLiteral("ProgramView"));
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setViewportMargins(MarginWidth(), 0, 0, 0);
  connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
    if (dy != 0) {
      margin_->scroll(0, dy);
    } else {
      margin_->update(0, rect.y(), margin_->width(), rect.height());
    }
  });
}

int ProgramView::MarginWidth() const { return fontMetrics().horizontalAdvance(QStringLiteral("0")) * 5 + 20; }

void ProgramView::SetProgram(ProgramText text) {
  program_ = std::move(text);
  QStringList lines;
  for (const std::string& line : program_.Lines) lines << QString::fromStdString(line);
  setPlainText(lines.join(QLatin1Char('\n')));
  highlightedLine_ = -1;
  setExtraSelections({});
}

void ProgramView::ShowNext(int address) {
  const int line = program_.LineOf(address);
  if (line == highlightedLine_) return;
  highlightedLine_ = line;
  QList<QTextEdit::ExtraSelection> selections;
  if (line >= 0) {
    QTextEdit::ExtraSelection next;
    next.format.setBackground(QColor(255, 236, 140));
    next.format.setProperty(QTextFormat::FullWidthSelection, true);
    next.cursor = QTextCursor(document()->findBlockByNumber(line));
    selections << next;
    // Keep the line in sight without moving the user's cursor.
    const QTextCursor saved = textCursor();
    setTextCursor(next.cursor);
    ensureCursorVisible();
    setTextCursor(saved);
  }
  setExtraSelections(selections);
  margin_->update();
}

void ProgramView::SetBreakpoints(const std::set<int>& addresses) {
  breakpoints_ = addresses;
  margin_->update();
}

int ProgramView::CursorAddress() const {
  const int line = textCursor().blockNumber();
  if (line < 0 || line >= static_cast<int>(program_.LineAddress.size())) return -1;
  return program_.LineAddress[static_cast<size_t>(line)];
}

void ProgramView::MoveCursorToLine(int line) { setTextCursor(QTextCursor(document()->findBlockByNumber(line))); }

void ProgramView::ClickMargin(int line) {
  if (line < 0 || line >= static_cast<int>(program_.LineAddress.size())) return;
  const int address = program_.LineAddress[static_cast<size_t>(line)];
  if (address >= 0 && OnToggle) OnToggle(address);
}

void ProgramView::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  const QRect r = contentsRect();
  margin_->setGeometry(r.left(), r.top(), MarginWidth(), r.height());
}

void ProgramView::MarginPressed(int y) {
  QTextBlock block = firstVisibleBlock();
  while (block.isValid()) {
    const QRectF box = blockBoundingGeometry(block).translated(contentOffset());
    if (y >= box.top() && y < box.bottom()) {
      ClickMargin(block.blockNumber());
      return;
    }
    block = block.next();
  }
}

// Each instruction line shows its address; a breakpoint is a red disc over it, the next line an arrow.
void ProgramView::PaintMargin(QPaintEvent* event) {
  QPainter painter(margin_);
  painter.fillRect(event->rect(), palette().window());
  painter.setRenderHint(QPainter::Antialiasing);
  const int size = fontMetrics().height() - 4;
  for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
    const QRectF box = blockBoundingGeometry(block).translated(contentOffset());
    if (box.top() > event->rect().bottom()) break;
    const size_t line = static_cast<size_t>(block.blockNumber());
    if (line >= program_.LineAddress.size()) continue;
    const int address = program_.LineAddress[line];
    if (address < 0) continue;
    const int top = static_cast<int>(box.top());
    if (breakpoints_.count(address) != 0) {
      painter.setPen(Qt::NoPen);
      painter.setBrush(QColor(200, 30, 30));
      painter.drawEllipse(2, top + 2, size, size);
    }
    if (static_cast<int>(line) == highlightedLine_) {
      painter.setPen(QColor(40, 40, 160));
      painter.drawText(QRect(2, top, size + 2, fontMetrics().height()), Qt::AlignCenter, QStringLiteral("\u25B6"));
    }
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(QRect(size + 6, top, margin_->width() - size - 8, fontMetrics().height()), Qt::AlignRight,
                     QStringLiteral("%1").arg(address, 3, 16, QLatin1Char('0')).toUpper());
  }
}

}  // namespace qx9
