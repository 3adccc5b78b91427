#include "dialog/ListRows.h"

#include "platform/commctrl.h"

#include <algorithm>
#include <cstring>

void InsertListColumns(CDialog& dlg, int nListID, const LIST_COLUMN* pColumns, int nCount)
{
  CWnd* pList = dlg.GetDlgItem(nListID);
  for (int i = 0; i < nCount; ++i) {
    RECT rc{0, 0, pColumns[i].cx, 8};
    dlg.MapDialogRect(&rc);
    LVCOLUMN column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = rc.right;
    column.pszText = const_cast<LPTSTR>(pColumns[i].pszTitle);
    pList->SendMessage(LVM_INSERTCOLUMN, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
  }
}

void CopyCellText(const CString& str, LPTSTR pszDest, int cchMax)
{
  if (!pszDest || cchMax <= 0)
    return;
  int n = std::min(str.GetLength(), cchMax - 1);
  const char* p = str;
  while (n > 0 && n < str.GetLength() && (static_cast<unsigned char>(p[n]) & 0xC0) == 0x80)
    --n;
  std::memcpy(pszDest, p, static_cast<std::size_t>(n));
  pszDest[n] = '\0';
}

int GetSelectedRow(CWnd* pList)
{
  return static_cast<int>(pList->SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void SelectRow(CWnd* pList, int nRow)
{
  LVITEM item{};
  item.stateMask = LVIS_SELECTED;
  pList->SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
  if (nRow < 0)
    return;
  item.state = LVIS_SELECTED;
  pList->SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(nRow), reinterpret_cast<LPARAM>(&item));
}
