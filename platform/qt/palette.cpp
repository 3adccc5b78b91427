// The colours of every dialog and message box, as SetDialogBkColor chose them.
#include "platform/cwinapp.h"

#include "platform/qt/code_page.h"
#include "platform/qt/palette.h"

#include <QPalette>
#include <QWidget>

namespace {
COLORREF g_dialogBk = RGB(240, 240, 240);
COLORREF g_dialogText = RGB(0, 0, 0);
}  // namespace

void CWinApp::SetDialogBkColor(COLORREF clrCtlBk, COLORREF clrCtlText)
{
  g_dialogBk = clrCtlBk;
  g_dialogText = clrCtlText;
}

void platform::ApplyDialogPalette(QWidget* w)
{
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, toQColor(g_dialogBk));
  pal.setColor(QPalette::WindowText, toQColor(g_dialogText));
  w->setPalette(pal);
}
