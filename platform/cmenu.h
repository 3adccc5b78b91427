// CMenu: the system menu of a dialog, to which the program appends items; showing it and sending
// the chosen item's WM_SYSCOMMAND are left to the dialog.
#pragma once

#include "platform/cstring.h"
#include "platform/windef.h"

#include <vector>

class QMenu;

inline constexpr UINT MF_STRING = 0x0000;
inline constexpr UINT MF_GRAYED = 0x0001;
inline constexpr UINT MF_CHECKED = 0x0008;
inline constexpr UINT MF_SEPARATOR = 0x0800;

class CMenu {
public:
  struct Item {
    UINT nFlags;
    UINT nID;
    CString text;
  };

  BOOL AppendMenu(UINT nFlags, UINT nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
  // MF_GRAYED greys the item out; MF_CHECKED puts a check mark beside it. The old state, or -1.
  UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable);
  DWORD CheckMenuItem(UINT nIDCheckItem, UINT nCheck);
  const std::vector<Item>& items() const { return m_items; }

private:
  std::vector<Item> m_items;
};
