// CFileDialog: the platform's own dialog for choosing a file to save to, in the user's language;
// what is written there is left to the caller.
#pragma once

#include "platform/cstring.h"
#include "platform/windef.h"

#include <functional>

class CWnd;

inline constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr DWORD OFN_HIDEREADONLY = 0x00000004;

struct OPENFILENAME {
  DWORD nFilterIndex;  // from 1, the filter chosen
  // The folder the dialog starts in; the user's home folder when null or gone.
  LPCTSTR lpstrInitialDir = nullptr;
  // The dialog's title; "打开" or "另存为" when null.
  LPCTSTR lpstrTitle = nullptr;
};

class CFileDialog {
public:
  // lpszFilter pairs a description with its patterns: "文本文件 (*.txt)|*.txt|所有文件 (*)|*||".
  CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr, LPCTSTR lpszFileName = nullptr,
              DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR lpszFilter = nullptr,
              CWnd* pParentWnd = nullptr);

  INT_PTR DoModal();
  CString GetPathName() const { return m_strPath; }

  OPENFILENAME m_ofn{1};

private:
  BOOL m_bOpen;
  CString m_strDefExt;
  CString m_strFileName;
  DWORD m_dwFlags;
  CString m_strFilter;
  CWnd* m_pParentWnd;
  CString m_strPath;
};

namespace platform {
// Tests answer file dialogs through this hook: given the filter, and in *pPath the folder the
// dialog would start in, it sets the path and the filter chosen and returns IDOK, or returns
// IDCANCEL. An empty hook restores real dialogs.
using FileDialogHook = std::function<INT_PTR(const CString& strFilter, CString* pPath, DWORD* pFilterIndex)>;
void SetFileDialogHook(FileDialogHook hook);
// The title of the dialog the hook is answering.
CString FileDialogTitle();
}  // namespace platform
