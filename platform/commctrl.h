// The list-view control's names: a report of rows whose texts the owner gives on request
// (LVS_OWNERDATA), so a list of any length costs only the rows on screen.
#pragma once

#include "platform/windef.h"

inline constexpr DWORD LVS_REPORT = 0x0001;

// Progress bars ("msctls_progress32").
inline constexpr UINT PBM_SETPOS = WM_USER + 2;
inline constexpr UINT PBM_SETRANGE32 = WM_USER + 6;
inline constexpr UINT PBM_GETPOS = WM_USER + 8;
inline constexpr DWORD LVS_SINGLESEL = 0x0004;
inline constexpr DWORD LVS_SHOWSELALWAYS = 0x0008;
inline constexpr DWORD LVS_OWNERDATA = 0x1000;

inline constexpr UINT LVM_FIRST = 0x1000;
inline constexpr UINT LVM_GETITEMCOUNT = LVM_FIRST + 4;
inline constexpr UINT LVM_GETNEXTITEM = LVM_FIRST + 12;
inline constexpr UINT LVM_ENSUREVISIBLE = LVM_FIRST + 19;
inline constexpr UINT LVM_GETCOLUMNWIDTH = LVM_FIRST + 29;
inline constexpr UINT LVM_SETCOLUMNWIDTH = LVM_FIRST + 30;
inline constexpr UINT LVM_GETTOPINDEX = LVM_FIRST + 39;
inline constexpr UINT LVM_GETCOUNTPERPAGE = LVM_FIRST + 40;
inline constexpr UINT LVM_SETITEMSTATE = LVM_FIRST + 43;
inline constexpr UINT LVM_SETITEMCOUNT = LVM_FIRST + 47;
inline constexpr UINT LVM_GETSELECTEDCOUNT = LVM_FIRST + 50;
inline constexpr UINT LVM_INSERTCOLUMN = LVM_FIRST + 97;

// The stand-in's own message for an owner-data list whose oldest rows give way, which Windows
// leaves to the owner: the first wParam rows are gone, and the rows after them move up with their
// selection, the view staying on the same rows.
inline constexpr UINT LVM_DELETEFIRSTITEMS = LVM_FIRST + 200;

// LVM_SETITEMCOUNT's flag: keep the scroll position. Every row is redrawn either way.
inline constexpr LPARAM LVSICF_NOSCROLL = 0x0002;

// LVM_GETNEXTITEM's flags, and the item states LVM_SETITEMSTATE sets.
inline constexpr LPARAM LVNI_ALL = 0x0000;
inline constexpr LPARAM LVNI_SELECTED = 0x0002;
inline constexpr UINT LVIS_FOCUSED = 0x0001;
inline constexpr UINT LVIS_SELECTED = 0x0002;

inline constexpr UINT LVCF_WIDTH = 0x0002;
inline constexpr UINT LVCF_TEXT = 0x0004;
inline constexpr UINT LVIF_TEXT = 0x0001;
inline constexpr UINT LVIF_STATE = 0x0008;

struct LVCOLUMN {
  UINT mask;
  int fmt;
  int cx;  // pixels
  LPTSTR pszText;
  int cchTextMax;
  int iSubItem;
};

struct NMHDR {
  HWND hwndFrom;
  UINT_PTR idFrom;
  UINT code;
};

struct LVITEM {
  UINT mask;
  int iItem;
  int iSubItem;
  UINT state;
  UINT stateMask;
  LPTSTR pszText;
  int cchTextMax;
};

struct NMLVDISPINFO {
  NMHDR hdr;
  LVITEM item;
};

inline constexpr UINT LVN_FIRST = static_cast<UINT>(-100);
inline constexpr UINT LVN_GETDISPINFO = LVN_FIRST - 77;
// Sent when the selection changes (here once a change, iItem the current row, or -1).
inline constexpr UINT LVN_ITEMCHANGED = LVN_FIRST - 1;
inline constexpr UINT NM_DBLCLK = static_cast<UINT>(-3);

struct NMLISTVIEW {
  NMHDR hdr;
  int iItem;
  int iSubItem;
  UINT uNewState;
  UINT uOldState;
  UINT uChanged;
};

struct NMITEMACTIVATE {
  NMHDR hdr;
  int iItem;
  int iSubItem;
};
