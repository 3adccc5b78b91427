// CWinApp: the one application object, home of the profile store, the dialog colours and the
// message boxes; main() in this folder starts Qt and calls InitInstance.
#pragma once

#include "platform/cmdtarget.h"
#include "platform/cstring.h"
#include "platform/windef.h"

#include <functional>
#include <string>

class CWnd;

class CWinApp : public CCmdTarget {
public:
  explicit CWinApp(LPCTSTR lpszAppName = nullptr);
  ~CWinApp() override;

  virtual BOOL InitInstance();
  virtual int ExitInstance();

  UINT GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault);
  BOOL WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue);
  CString GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault = nullptr);
  // A null value removes the entry.
  BOOL WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue);
  void SetDialogBkColor(COLORREF clrCtlBk = RGB(192, 192, 192), COLORREF clrCtlText = RGB(0, 0, 0));
  BOOL Enable3dControls() { return TRUE; }  // controls are drawn by the style; nothing to switch on
  HICON LoadIcon(UINT nIDResource) const;
  void OnHelp() {}

  CWnd* m_pMainWnd = nullptr;
  LPCTSTR m_pszAppName;
  // The settings file; by default lanspry.ini in the user's configuration folder.
  std::string m_strProfileName;
};

// Holds the settings file's lock across the writes made while it lives, so that they land together
// or not at all and wait for the lock once: when that wait fails, the writes after it fail at once.
class CProfileBatch {
public:
  CProfileBatch();
  ~CProfileBatch();
  CProfileBatch(const CProfileBatch&) = delete;
  CProfileBatch& operator=(const CProfileBatch&) = delete;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
void AfxEnableControlContainer();
// Starts the program's own socket support once; the platform's main() releases it with
// AfxSocketTerm when the application object's work is done.
BOOL AfxSocketInit(void* lpwsaData = nullptr);
void AfxSocketTerm();

inline constexpr UINT MB_OK = 0x0;
int AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = static_cast<UINT>(-1));

// The framework's own prompt for an int edit that holds no integer.
inline constexpr const char* AFX_PROMPT_PARSE_INT = "请输入一个整数。";

namespace platform {
// Tests answer message boxes through this hook: it runs inside the box's modal loop, with the
// box's text, and the box closes with OK when it returns. An empty hook restores real boxes.
using MessageBoxHook = std::function<void(const CString& text)>;
void SetMessageBoxHook(MessageBoxHook hook);
}  // namespace platform
