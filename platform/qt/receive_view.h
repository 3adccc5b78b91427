// The read-only multi-line edit that shows received data: takes a whole new text in about a
// millisecond and lays out only the lines in view. What text it shows is the program's business.
#pragma once

#include "platform/windef.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QString>

#include <array>
#include <vector>

namespace platform {

class ReceiveView : public QAbstractScrollArea {
public:
  explicit ReceiveView(QWidget* parent);

  void setText(const QString& text);
  const QString& text() const { return m_text; }
  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam);

  int lineCount() const { return static_cast<int>(m_lineStarts.size()); }
  int firstVisibleLine() const;
  int visibleLineCount() const;
  QString lineText(int line) const;
  QString selectedText() const;
  void selectAll();
  void copy() const;

  // For assistive technology: the selection runs from the anchor to the caret.
  int anchor() const { return m_anchor; }
  int caret() const { return m_caret; }
  void setSelection(int anchor, int caret);
  QRect characterRect(int position);  // in the view's own coordinates
  int positionAtPoint(const QPoint& p) { return positionAt(viewport()->mapFrom(this, p)); }
  void scrollToPosition(int position);

protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

private:
  void refreshMetrics();
  qreal advance(char32_t c);
  void relayout();
  void updateScrollBar();
  int lineEnd(int line) const;  // end of the line's visible characters
  int lineOf(int position) const;
  int positionAt(const QPoint& p);
  qreal xOf(int line, int position);
  void selectionChanged();

  QString m_text;
  std::vector<int> m_lineStarts{0};
  int m_wrapWidth = -1;
  qreal m_lineHeight = 1;
  qreal m_ascent = 0;
  std::array<qreal, 128> m_asciiAdvance{};  // control characters, CR among them, take no room
  std::array<int, 128> m_asciiWidth64{};
  QHash<char32_t, qreal> m_otherAdvance;
  int m_anchor = 0;
  int m_caret = 0;
};

}  // namespace platform
