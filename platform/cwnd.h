// CWnd: a window or control reached by the program through messages and the framework's members;
// the widget behind it and its painting are left to the Qt side of this folder.
#pragma once

#include "platform/cmdtarget.h"
#include "platform/cstring.h"
#include "platform/windef.h"

#include <map>
#include <memory>

class QTimer;
class QWidget;
class CMenu;

class CWnd : public CCmdTarget {
public:
  CWnd();
  ~CWnd() override;

  HWND GetSafeHwnd() const { return m_pWidget ? const_cast<CWnd*>(this) : nullptr; }
  // A message-only window (hWndParent HWND_MESSAGE, the one kind made here): it is never shown and
  // takes posted messages and timers, for objects that are not windows but need the loop's time.
  BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, int x, int y, int nWidth,
                int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam = nullptr);
  // Destroys a window made by CreateEx; the window's timers and queued messages go with it.
  BOOL DestroyWindow();
  int GetDlgCtrlID() const { return m_nID; }
  virtual CWnd* GetDlgItem(int nID) const;

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  void SetWindowText(LPCTSTR lpszString);
  // The whole string, zero bytes included, as the framework's CString overload passes its length.
  void SetWindowText(const CString& rString);
  void GetWindowText(CString& rString) const;
  BOOL EnableWindow(BOOL bEnable = TRUE);
  // SW_SHOW also brings a top-level window to the front.
  BOOL ShowWindow(int nCmdShow);
  BOOL IsWindowVisible() const;
  BOOL IsWindowEnabled() const;
  CWnd* SetFocus();
  static CWnd* GetFocus();
  CMenu* GetSystemMenu(BOOL bRevert);
  // GW_CHILD: the first child window; GW_HWNDNEXT: the next sibling; nullptr when none.
  CWnd* GetWindow(UINT nCmd) const;
  // Items a control's context menu shows after a separator below its own entries; the one chosen
  // is posted to the control's window as WM_COMMAND with its id.
  void SetContextMenuItems(const CMenu& items);
  // The stand-in's own: the text the control shows as its tooltip (empty: none).
  void SetToolTipText(LPCTSTR lpszText);
  const CMenu* GetContextMenuItems() const { return m_pContextItems.get(); }
  HICON SetIcon(HICON hIcon, BOOL bBigIcon);
  HICON GetIcon(BOOL bBigIcon) const;
  BOOL IsIconic() const;
  void GetClientRect(LPRECT lpRect) const;
  // A child's place in its parent's client area, or a window's on the screen.
  void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
  void GetWindowRect(LPRECT lpRect) const;
  BOOL GetWindowPlacement(WINDOWPLACEMENT* lpwndpl) const;
  // A place off every screen is moved onto the nearest; a size larger than the screen is cut.
  BOOL SetWindowPlacement(const WINDOWPLACEMENT* lpwndpl);
  void ScreenToClient(LPRECT lpRect) const;
  BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
  // A timer that sends WM_TIMER with its id every nElapse milliseconds until killed.
  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, void* lpfnTimer);
  BOOL KillTimer(UINT_PTR nIDEvent);

  virtual BOOL PreTranslateMessage(MSG* pMsg);
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

  // The widget behind this window, for the Qt side of the platform; nullptr before creation and
  // from the moment the widget is destroyed, whoever destroys it.
  QWidget* widget() const { return m_pWidget; }
  void attach(QWidget* pWidget, int nID);
  void detach();
  static CWnd* fromWidget(const QWidget* pWidget);

protected:
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Default();
  void DestroyTimers();
  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint();

  QWidget* m_pWidget = nullptr;
  int m_nID = 0;

private:
  struct WidgetLink;
  std::unique_ptr<WidgetLink> m_pLink;
  MSG m_currentMsg;
  std::unique_ptr<CMenu> m_pSysMenu;
  std::unique_ptr<CMenu> m_pContextItems;
  std::map<UINT_PTR, QTimer*> m_timers;
  bool m_bOwnsWidget = false;
  HICON m_hIconBig = nullptr;
  HICON m_hIconSmall = nullptr;
};

// Virtual-key state as of the keyboard message being handled: the high byte is 0xFF while down.
SHORT GetKeyState(int nVirtKey);
