#include "platform/cmenu.h"

BOOL CMenu::AppendMenu(UINT nFlags, UINT nIDNewItem, LPCTSTR lpszNewItem)
{
  m_items.push_back({nFlags, nIDNewItem, CString(lpszNewItem)});
  return TRUE;
}
