// CMenu: the system menu of a dialog, to which the program appends items; showing it and sending
// the chosen item's WM_SYSCOMMAND are left to the dialog.
#pragma once

#include "platform/cstring.h"
#include "platform/windef.h"

#include <vector>

class QMenu;

inline constexpr UINT MF_STRING = 0x0000;
inline constexpr UINT MF_SEPARATOR = 0x0800;

class CMenu {
public:
  struct Item {
    UINT nFlags;
    UINT nID;
    CString text;
  };

  BOOL AppendMenu(UINT nFlags, UINT nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
  const std::vector<Item>& items() const { return m_items; }

private:
  std::vector<Item> m_items;
};
