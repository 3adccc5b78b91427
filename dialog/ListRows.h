// What the report lists of the tool windows share: columns made from a table, a cell's text put
// into the list's buffer, and the one row selected.
#pragma once

#include "platform/cdialog.h"

struct LIST_COLUMN {
  const char* pszTitle;
  int cx;  // dialog units
};

void InsertListColumns(CDialog& dlg, int nListID, const LIST_COLUMN* pColumns, int nCount);
// At most the buffer, never half a character.
void CopyCellText(const CString& str, LPTSTR pszDest, int cchMax);
// The first selected row, or -1.
int GetSelectedRow(CWnd* pList);
// Selects that row alone; -1 selects none.
void SelectRow(CWnd* pList, int nRow);
