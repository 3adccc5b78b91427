// Window chrome: the system menu's entries, the minimised icon and the drag icon.
#include "dialog/SocketTestDlg.h"

#include "dialog/AboutDlg.h"
#include "platform/winapi.h"

void CSocketTestDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
  if ((nID & 0xFFF0) == IDM_TRAFFIC) {
    OnTrafficShow();
    return;
  }
  if ((nID & 0xFFF0) == IDM_CLIENTS) {
    OnClientList();
    return;
  }
  if ((nID & 0xFFF0) == IDM_AUTO_REPLY) {
    OnAutoReply();
    return;
  }
  if ((nID & 0xFFF0) == IDM_COMMANDS) {
    OnCommandList();
    return;
  }
  if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
    return;
  }
  CDialog::OnSysCommand(nID, lParam);
}

// A minimised window is not painted on this desktop, so the icon branch runs for tests only.
void CSocketTestDlg::OnPaint()
{
  if (!IsIconic()) {
    CDialog::OnPaint();
    return;
  }
  CPaintDC dc(this);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
  const int cxIcon = GetSystemMetrics(SM_CXICON);
  const int cyIcon = GetSystemMetrics(SM_CYICON);
  RECT rect;
  GetClientRect(&rect);
  const int x = (rect.right - rect.left - cxIcon + 1) / 2;
  const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
  dc.DrawIcon(x, y, m_hIcon);
}

HICON CSocketTestDlg::OnQueryDragIcon()
{
  return m_hIcon;
}
