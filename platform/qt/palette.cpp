// The colours of every dialog and message box, as SetDialogBkColor chose them.
#include "platform/cwinapp.h"

#include "platform/qt/code_page.h"
#include "platform/qt/palette.h"

#include <QApplication>
#include <QPalette>
#include <QToolTip>
#include <QWidget>

namespace {
COLORREF g_dialogBk = RGB(240, 240, 240);
COLORREF g_dialogText = RGB(0, 0, 0);

// Windows' own light colours, whatever the desktop's: a dark desktop palette would otherwise
// darken the edits and buttons of a light dialog and leave its disabled text grey on grey. Grey
// text of 96 on the 240 of a dialog or a button reads at 5.6:1.
QPalette dialogPalette()
{
  const QColor face(240, 240, 240);
  const QColor white(255, 255, 255);
  const QColor black(0, 0, 0);
  QPalette pal(black, face, white, QColor(160, 160, 160), QColor(200, 200, 200), black, white, white, face);
  pal.setColor(QPalette::Window, platform::toQColor(g_dialogBk));
  pal.setColor(QPalette::WindowText, platform::toQColor(g_dialogText));
  pal.setColor(QPalette::AlternateBase, QColor(245, 245, 245));
  pal.setColor(QPalette::Highlight, QColor(0, 120, 215));
  pal.setColor(QPalette::HighlightedText, white);
  pal.setColor(QPalette::ToolTipBase, QColor(255, 255, 225));
  pal.setColor(QPalette::ToolTipText, black);
  pal.setColor(QPalette::PlaceholderText, QColor(96, 96, 96));
  pal.setColor(QPalette::Link, QColor(0, 102, 204));
  const QColor disabledText(72, 72, 72);
  for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    pal.setColor(QPalette::Disabled, role, disabledText);
  pal.setColor(QPalette::Disabled, QPalette::Base, face);
  pal.setColor(QPalette::Disabled, QPalette::Highlight, QColor(200, 200, 200));
  return pal;
}
}  // namespace

void CWinApp::SetDialogBkColor(COLORREF clrCtlBk, COLORREF clrCtlText)
{
  g_dialogBk = clrCtlBk;
  g_dialogText = clrCtlText;
}

// The boxes it opens take the same colours, and so do menus and tooltips, which a desktop's
// theme colours by their kind, not by the window they belong to.
void platform::ApplyDialogPalette(QWidget* w)
{
  const QPalette pal = dialogPalette();
  w->setPalette(pal);
  QApplication::setPalette(pal, "QMenu");
  QToolTip::setPalette(pal);
}
