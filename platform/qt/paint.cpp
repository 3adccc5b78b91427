// Painting a minimised window's icon: the paint context a dialog's WM_PAINT handler opens.
#include "platform/qt/dialog_widget.h"
#include "platform/qt/window_glue.h"
#include "platform/winapi.h"

#include <QPainter>

int GetSystemMetrics(int nIndex)
{
  return nIndex == SM_CXICON || nIndex == SM_CYICON ? 32 : 0;
}

HGDIOBJ GetStockObject(int nIndex)
{
  static const int s_fixedFont = ANSI_FIXED_FONT;
  return nIndex == ANSI_FIXED_FONT ? &s_fixedFont : nullptr;
}

CPaintDC::CPaintDC(CWnd* pWnd)
{
  auto* w = pWnd ? dynamic_cast<platform::DialogWidget*>(pWnd->widget()) : nullptr;
  m_hDC = w ? w->currentPainter() : nullptr;
}

CPaintDC::~CPaintDC() = default;

BOOL CPaintDC::DrawIcon(int x, int y, HICON hIcon)
{
  auto* painter = static_cast<QPainter*>(m_hDC);
  if (!painter || !hIcon)
    return FALSE;
  painter->drawPixmap(x, y, hIcon->icon.pixmap(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)));
  return TRUE;
}
