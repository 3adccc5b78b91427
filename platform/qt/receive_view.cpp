#include "platform/qt/receive_view.h"

#include "platform/qt/edit_menu.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <utility>

namespace platform {
namespace {

constexpr int kMargin = 2;

}  // namespace

ReceiveView::ReceiveView(QWidget* parent) : QAbstractScrollArea(parent)
{
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  verticalScrollBar()->setSingleStep(1);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(), qOverload<>(&QWidget::update));
  refreshMetrics();
}

void ReceiveView::changeEvent(QEvent* e)
{
  if (e->type() == QEvent::FontChange) {
    refreshMetrics();
    relayout();
  }
  QAbstractScrollArea::changeEvent(e);
}

// Everything line breaking and painting need from the font, taken once per font.
void ReceiveView::refreshMetrics()
{
  const QFontMetricsF fm(font());
  m_ascent = fm.ascent();
  m_layout.setMetrics([fm](char32_t c) { return fm.horizontalAdvance(QString::fromUcs4(&c, 1)); },
                      std::ceil(fm.height()));
}

// The receive step hands over a whole new text at most once a display frame; assistive technology
// hears of it as often, as an insertion when the old text still stands at its start.
void ReceiveView::setText(const QString& text)
{
  const QString old = std::exchange(m_text, text);
  m_anchor = m_caret = 0;
  relayout();
  if (!QAccessible::isActive() || old == m_text)
    return;
  if (m_text.startsWith(old)) {
    QAccessibleTextInsertEvent inserted(this, static_cast<int>(old.size()), m_text.mid(old.size()));
    QAccessible::updateAccessibility(&inserted);
    return;
  }
  QAccessibleTextUpdateEvent replaced(this, 0, old, m_text);
  QAccessible::updateAccessibility(&replaced);
}

void ReceiveView::setSelection(int anchor, int caret)
{
  const int length = static_cast<int>(m_text.size());
  m_anchor = std::clamp(anchor, 0, length);
  m_caret = std::clamp(caret, 0, length);
  viewport()->update();
  selectionChanged();
}

void ReceiveView::selectionChanged()
{
  if (!QAccessible::isActive())
    return;
  QAccessibleTextSelectionEvent selection(this, std::min(m_anchor, m_caret), std::max(m_anchor, m_caret));
  selection.setCursorPosition(m_caret);
  QAccessible::updateAccessibility(&selection);
}

QRect ReceiveView::characterRect(int position)
{
  if (position < 0 || position >= m_text.size())
    return {};
  const int line = m_layout.lineOf(position);
  const int row = line - firstVisibleLine();
  const qreal x = kMargin + m_layout.xOf(line, position);
  const qreal lineHeight = m_layout.lineHeight();
  const QRect inViewport(static_cast<int>(x), static_cast<int>(kMargin + row * lineHeight),
                         std::max(1, static_cast<int>(m_layout.advanceAt(position))), static_cast<int>(lineHeight));
  return inViewport.translated(viewport()->mapTo(this, QPoint(0, 0)));
}

void ReceiveView::scrollToPosition(int position)
{
  const int line = m_layout.lineOf(std::clamp(position, 0, static_cast<int>(m_text.size())));
  QScrollBar* bar = verticalScrollBar();
  if (line < bar->value())
    bar->setValue(line);
  else if (line >= bar->value() + visibleLineCount())
    bar->setValue(line - visibleLineCount() + 1);
}

void ReceiveView::scrollByLines(int lines)
{
  verticalScrollBar()->setValue(verticalScrollBar()->value() + lines);
}

int ReceiveView::wrapWidth() const
{
  return viewport()->width() - 2 * kMargin;
}

void ReceiveView::relayout()
{
  m_layout.layout(std::u16string_view(reinterpret_cast<const char16_t*>(m_text.constData()),
                                      static_cast<std::size_t>(m_text.size())),
                  wrapWidth());
  updateScrollBar();
  viewport()->update();
}

void ReceiveView::updateScrollBar()
{
  const int visible = visibleLineCount();
  QScrollBar* bar = verticalScrollBar();
  bar->setPageStep(std::max(1, visible));
  bar->setRange(0, std::max(0, lineCount() - visible));
}

int ReceiveView::visibleLineCount() const
{
  return std::max(1, static_cast<int>((viewport()->height() - kMargin) / m_layout.lineHeight()));
}

int ReceiveView::firstVisibleLine() const
{
  return verticalScrollBar()->value();
}

QString ReceiveView::lineText(int line) const
{
  if (line < 0 || line >= lineCount())
    return {};
  const int start = m_layout.lineStart(line);
  return m_text.mid(start, m_layout.lineEnd(line) - start);
}

int ReceiveView::positionAt(const QPoint& p)
{
  const int row = static_cast<int>((p.y() - kMargin) / m_layout.lineHeight());
  const int line = std::clamp(firstVisibleLine() + row, 0, lineCount() - 1);
  return m_layout.positionAt(line, p.x() - kMargin);
}

void ReceiveView::paintEvent(QPaintEvent*)
{
  QPainter painter(viewport());
  const QPalette& pal = palette();
  painter.fillRect(viewport()->rect(), pal.brush(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Base));
  painter.setFont(font());
  const int first = firstVisibleLine();
  const int last = std::min(lineCount() - 1, first + visibleLineCount());
  const int selFrom = std::min(m_anchor, m_caret);
  const int selTo = std::max(m_anchor, m_caret);
  const bool focused = hasFocus();
  const qreal lineHeight = m_layout.lineHeight();
  for (int line = first; line <= last; ++line) {
    const qreal top = kMargin + (line - first) * lineHeight;
    const int start = m_layout.lineStart(line);
    const int end = m_layout.lineEnd(line);
    const int a = std::clamp(selFrom, start, end);
    const int b = std::clamp(selTo, start, end);
    painter.setPen(pal.color(QPalette::Text));
    painter.drawText(QPointF(kMargin, top + m_ascent), m_text.mid(start, end - start));
    if (a >= b)
      continue;
    const qreal xa = kMargin + m_layout.xOf(line, a);
    const qreal xb = kMargin + m_layout.xOf(line, b);
    const QRectF band(xa, top, xb - xa, lineHeight);
    painter.fillRect(band, pal.brush(focused ? QPalette::Active : QPalette::Inactive, QPalette::Highlight));
    painter.setPen(pal.color(QPalette::HighlightedText));
    painter.drawText(QPointF(xa, top + m_ascent), m_text.mid(a, b - a));
  }
}

void ReceiveView::resizeEvent(QResizeEvent* e)
{
  QAbstractScrollArea::resizeEvent(e);
  if (std::max(1, wrapWidth()) != m_layout.width())
    relayout();
  else
    updateScrollBar();
}

void ReceiveView::mousePressEvent(QMouseEvent* e)
{
  if (e->button() != Qt::LeftButton)
    return QAbstractScrollArea::mousePressEvent(e);
  setFocus(Qt::MouseFocusReason);
  m_caret = positionAt(e->position().toPoint());
  if (!(e->modifiers() & Qt::ShiftModifier))
    m_anchor = m_caret;
  viewport()->update();
  selectionChanged();
}

void ReceiveView::mouseMoveEvent(QMouseEvent* e)
{
  if (!(e->buttons() & Qt::LeftButton))
    return;
  const QPoint p = e->position().toPoint();
  if (p.y() < 0)
    verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  else if (p.y() > viewport()->height())
    verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  m_caret = positionAt(p);
  viewport()->update();
  selectionChanged();
}

void ReceiveView::mouseDoubleClickEvent(QMouseEvent* e)
{
  const int at = positionAt(e->position().toPoint());
  const auto isWordChar = [this](int i) { return i >= 0 && i < m_text.size() && !m_text[i].isSpace(); };
  int from = at;
  int to = at;
  while (isWordChar(from - 1))
    --from;
  while (isWordChar(to))
    ++to;
  setSelection(from, to);
}

void ReceiveView::keyPressEvent(QKeyEvent* e)
{
  if (e->matches(QKeySequence::Copy) || (e->key() == Qt::Key_Insert && e->modifiers() == Qt::ControlModifier)) {
    copy();
    return;
  }
  if (e->matches(QKeySequence::SelectAll)) {
    selectAll();
    return;
  }
  QScrollBar* bar = verticalScrollBar();
  const bool ctrl = e->modifiers() & Qt::ControlModifier;
  switch (e->key()) {
  case Qt::Key_Up:
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    return;
  case Qt::Key_Down:
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    return;
  case Qt::Key_PageUp:
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    return;
  case Qt::Key_PageDown:
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    return;
  case Qt::Key_Home:
    if (ctrl)
      bar->setValue(bar->minimum());
    return;
  case Qt::Key_End:
    if (ctrl)
      bar->setValue(bar->maximum());
    return;
  default:
    QAbstractScrollArea::keyPressEvent(e);
  }
}

void ReceiveView::contextMenuEvent(QContextMenuEvent* e)
{
  QMenu menu(this);
  QAction* copyAction = menu.addAction(QStringLiteral("复制(&C)"), this, &ReceiveView::copy);
  copyAction->setEnabled(m_anchor != m_caret);
  menu.addSeparator();
  QAction* all = menu.addAction(QStringLiteral("全选(&A)"), this, &ReceiveView::selectAll);
  all->setEnabled(!m_text.isEmpty());
  platform::AppendOwnerItems(menu, this);
  menu.exec(e->globalPos());
}

void ReceiveView::focusInEvent(QFocusEvent* e)
{
  QAbstractScrollArea::focusInEvent(e);
  viewport()->update();
}

void ReceiveView::focusOutEvent(QFocusEvent* e)
{
  QAbstractScrollArea::focusOutEvent(e);
  viewport()->update();
}

QString ReceiveView::selectedText() const
{
  const int from = std::min(m_anchor, m_caret);
  return m_text.mid(from, std::abs(m_caret - m_anchor));
}

void ReceiveView::selectAll()
{
  setSelection(0, static_cast<int>(m_text.size()));
}

void ReceiveView::copy() const
{
  if (m_anchor != m_caret)
    QApplication::clipboard()->setText(selectedText());
}

}  // namespace platform
