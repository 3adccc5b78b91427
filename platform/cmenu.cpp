#include "platform/cmenu.h"

BOOL CMenu::AppendMenu(UINT nFlags, UINT nIDNewItem, LPCTSTR lpszNewItem)
{
  m_items.push_back({nFlags, nIDNewItem, CString(lpszNewItem)});
  return TRUE;
}

UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable)
{
  for (Item& item : m_items) {
    if (item.nID != nIDEnableItem || (item.nFlags & MF_SEPARATOR))
      continue;
    const UINT nOld = item.nFlags & MF_GRAYED;
    item.nFlags = (item.nFlags & ~MF_GRAYED) | (nEnable & MF_GRAYED);
    return nOld;
  }
  return static_cast<UINT>(-1);
}

DWORD CMenu::CheckMenuItem(UINT nIDCheckItem, UINT nCheck)
{
  for (Item& item : m_items) {
    if (item.nID != nIDCheckItem || (item.nFlags & MF_SEPARATOR))
      continue;
    const UINT nOld = item.nFlags & MF_CHECKED;
    item.nFlags = (item.nFlags & ~MF_CHECKED) | (nCheck & MF_CHECKED);
    return nOld;
  }
  return static_cast<DWORD>(-1);
}
