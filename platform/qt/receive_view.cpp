#include "platform/qt/receive_view.h"

#include "platform/qt/qt_private.h"

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

bool isCjk(char32_t c)
{
  return c >= 0x2E80;
}

// One character as laid out: its UTF-16 length and code point.
struct Unit {
  char32_t code;
  int length;
};

Unit unitAt(const QString& s, int i)
{
  const QChar c = s[i];
  if (c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
    return {QChar::surrogateToUcs4(c, s[i + 1]), 2};
  return {c.unicode(), 1};
}

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
  m_lineHeight = std::max<qreal>(1, std::ceil(fm.height()));
  m_ascent = fm.ascent();
  for (char16_t c = 0; c < 128; ++c) {
    m_asciiAdvance[c] = c < u' ' ? 0 : fm.horizontalAdvance(QChar(c));
    m_asciiWidth64[c] = static_cast<int>(std::lround(m_asciiAdvance[c] * 64));
  }
  m_otherAdvance.clear();
}

qreal ReceiveView::advance(char32_t c)
{
  if (c < 128)
    return m_asciiAdvance[c];
  auto it = m_otherAdvance.constFind(c);
  if (it != m_otherAdvance.constEnd())
    return *it;
  const qreal a = QFontMetricsF(font()).horizontalAdvance(QString::fromUcs4(&c, 1));
  m_otherAdvance.insert(c, a);
  return a;
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
  const int line = lineOf(position);
  const int row = line - firstVisibleLine();
  const qreal x = kMargin + xOf(line, position);
  const QRect inViewport(static_cast<int>(x), static_cast<int>(kMargin + row * m_lineHeight),
                         std::max(1, static_cast<int>(advance(unitAt(m_text, position).code))),
                         static_cast<int>(m_lineHeight));
  return inViewport.translated(viewport()->mapTo(this, QPoint(0, 0)));
}

void ReceiveView::scrollToPosition(int position)
{
  const int line = lineOf(std::clamp(position, 0, static_cast<int>(m_text.size())));
  QScrollBar* bar = verticalScrollBar();
  if (line < bar->value())
    bar->setValue(line);
  else if (line >= bar->value() + visibleLineCount())
    bar->setValue(line - visibleLineCount() + 1);
}

// Line starts in one pass: words wrap at spaces and around CJK characters; a word wider than the
// line breaks where it overflows; spaces may hang past the edge. ASCII, all of a hex dump, takes
// the short path through a table of advances.
void ReceiveView::relayout()
{
  const int width = std::max(1, viewport()->width() - 2 * kMargin);
  m_wrapWidth = width;
  // Widths in 1/64 px, so the running sum is an integer chain.
  const int limit = width * 64;
  m_lineStarts.assign(1, 0);
  const char16_t* text = reinterpret_cast<const char16_t*>(m_text.constData());
  const int n = static_cast<int>(m_text.size());
  int lineStart = 0;
  int breakAt = 0;
  int x = 0;
  int xAtBreak = 0;
  for (int i = 0; i < n;) {
    const char16_t c = text[i];
    int length = 1;
    int a = 0;
    bool cjk = false;
    if (c < 128) {
      if (c == u'\n') {
        m_lineStarts.push_back(++i);
        lineStart = breakAt = i;
        x = xAtBreak = 0;
        continue;
      }
      a = m_asciiWidth64[c];
    } else {
      const Unit u = unitAt(m_text, i);
      length = u.length;
      cjk = isCjk(u.code);
      a = static_cast<int>(std::lround(advance(u.code) * 64));
      if (cjk) {
        breakAt = i;
        xAtBreak = x;
      }
    }
    if (c != u' ' && x + a > limit && i > lineStart) {
      const int start = breakAt > lineStart ? breakAt : i;
      x = start == breakAt ? x - xAtBreak : 0;
      m_lineStarts.push_back(start);
      lineStart = breakAt = start;
      xAtBreak = 0;
    }
    x += a;
    i += length;
    if (c == u' ' || cjk) {
      breakAt = i;
      xAtBreak = x;
    }
  }
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
  return std::max(1, static_cast<int>((viewport()->height() - kMargin) / m_lineHeight));
}

int ReceiveView::firstVisibleLine() const
{
  return verticalScrollBar()->value();
}

int ReceiveView::lineEnd(int line) const
{
  const auto next = static_cast<std::size_t>(line) + 1;
  int end = next < m_lineStarts.size() ? m_lineStarts[next] : static_cast<int>(m_text.size());
  while (end > m_lineStarts[static_cast<std::size_t>(line)] && (m_text[end - 1] == u'\n' || m_text[end - 1] == u'\r'))
    --end;
  return end;
}

QString ReceiveView::lineText(int line) const
{
  if (line < 0 || line >= lineCount())
    return {};
  const int start = m_lineStarts[static_cast<std::size_t>(line)];
  return m_text.mid(start, lineEnd(line) - start);
}

int ReceiveView::lineOf(int position) const
{
  auto it = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), position);
  return static_cast<int>(it - m_lineStarts.begin()) - 1;
}

qreal ReceiveView::xOf(int line, int position)
{
  qreal x = 0;
  for (int i = m_lineStarts[static_cast<std::size_t>(line)]; i < position;) {
    const Unit u = unitAt(m_text, i);
    x += advance(u.code);
    i += u.length;
  }
  return x;
}

int ReceiveView::positionAt(const QPoint& p)
{
  const int line =
      std::clamp(firstVisibleLine() + static_cast<int>((p.y() - kMargin) / m_lineHeight), 0, lineCount() - 1);
  const int end = lineEnd(line);
  qreal x = kMargin;
  for (int i = m_lineStarts[static_cast<std::size_t>(line)]; i < end;) {
    const Unit u = unitAt(m_text, i);
    const qreal a = advance(u.code);
    if (p.x() < x + a / 2)
      return i;
    x += a;
    i += u.length;
  }
  return end;
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
  for (int line = first; line <= last; ++line) {
    const qreal top = kMargin + (line - first) * m_lineHeight;
    const int start = m_lineStarts[static_cast<std::size_t>(line)];
    const int end = lineEnd(line);
    const int a = std::clamp(selFrom, start, end);
    const int b = std::clamp(selTo, start, end);
    painter.setPen(pal.color(QPalette::Text));
    painter.drawText(QPointF(kMargin, top + m_ascent), m_text.mid(start, end - start));
    if (a >= b)
      continue;
    const qreal xa = kMargin + xOf(line, a);
    const qreal xb = kMargin + xOf(line, b);
    const QRectF band(xa, top, xb - xa, m_lineHeight);
    painter.fillRect(band, pal.brush(focused ? QPalette::Active : QPalette::Inactive, QPalette::Highlight));
    painter.setPen(pal.color(QPalette::HighlightedText));
    painter.drawText(QPointF(xa, top + m_ascent), m_text.mid(a, b - a));
  }
}

void ReceiveView::resizeEvent(QResizeEvent* e)
{
  QAbstractScrollArea::resizeEvent(e);
  if (viewport()->width() - 2 * kMargin != m_wrapWidth)
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

LRESULT ReceiveView::windowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
  switch (message) {
  case EM_GETLINECOUNT:
    return lineCount();
  case EM_LINESCROLL:
    verticalScrollBar()->setValue(verticalScrollBar()->value() + static_cast<int>(lParam));
    return TRUE;
  case EM_SETSEL: {
    const TextRange range = SelectionRange(wParam, lParam, static_cast<int>(m_text.size()));
    setSelection(range.anchor, range.caret);
    return 0;
  }
  case EM_SCROLLCARET:
    scrollToPosition(m_caret);
    return TRUE;
  case WM_COPY:
    copy();
    return 0;
  default:
    return 0;
  }
}

}  // namespace platform
