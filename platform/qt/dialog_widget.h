// The top-level widget of a CDialog: it hands posted messages, closing and painting to its dialog
// (cdialog.cpp). Never included outside platform/.
#pragma once

#include <QWidget>

class CDialog;
class QPainter;

namespace platform {

class DialogWidget : public QWidget {
public:
  DialogWidget(CDialog* pOwner, QWidget* parent, Qt::WindowFlags flags);
  bool moveFocus(bool next) { return focusNextPrevChild(next); }
  QPainter* currentPainter() const { return m_pPainter; }

protected:
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

private:
  CDialog* m_pOwner;
  QPainter* m_pPainter = nullptr;
};

}  // namespace platform
