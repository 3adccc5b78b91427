// The read-only multi-line edit that shows received data: takes a whole new text in about a
// millisecond and lays out only the lines in view. What text it shows is the program's business.
#pragma once

#include "platform/internal/line_layout.h"

#include <QAbstractScrollArea>
#include <QString>

namespace platform {

class ReceiveView : public QAbstractScrollArea {
public:
  explicit ReceiveView(QWidget* parent);

  void setText(const QString& text);
  const QString& text() const { return m_text; }

  int lineCount() const { return m_layout.lineCount(); }
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
  void scrollByLines(int lines);

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
  void relayout();
  int wrapWidth() const;
  void updateScrollBar();
  int positionAt(const QPoint& p);
  void selectionChanged();

  QString m_text;
  LineLayout m_layout;
  qreal m_ascent = 0;
  int m_anchor = 0;
  int m_caret = 0;
};

}  // namespace platform
