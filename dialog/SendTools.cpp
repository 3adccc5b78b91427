// The send box's tools: its menu, the send options and the windows of the timed and file sends.
#include "dialog/SocketTestDlg.h"

#include "dialog/SendFileDlg.h"
#include "dialog/SendOptionsDlg.h"
#include "dialog/TimedSendDlg.h"
#include "platform/cmenu.h"
#include "platform/cwinapp.h"

// The tools run on an open channel only; says so otherwise.
BOOL CSocketTestDlg::ChannelIsOpen()
{
  if (m_socket != ws::INVALID_SOCKET)
    return TRUE;
  AfxMessageBox("请先打开通道!");
  return FALSE;
}

void CSocketTestDlg::SetSendMenu()
{
  CMenu menu;
  menu.AppendMenu(MF_STRING, ID_TIMED_SEND, "定时发送(&T)...");
  menu.AppendMenu(MF_STRING, ID_SEND_FILE, "发送文件(&F)...");
  menu.AppendMenu(MF_STRING, ID_SEND_OPTIONS, "发送设置(&O)...");
  GetDlgItem(IDC_SEND_TEXT)->SetContextMenuItems(menu);
}

void CSocketTestDlg::OnSendOptions()
{
  CSendOptionsDlg dlg(this);
  dlg.m_options = m_sendOptions;
  if (dlg.DoModal() != IDOK)
    return;
  m_sendOptions = dlg.m_options;
  m_sendOptions.Save();
}

// Both windows are made once and shown again as they were.
void CSocketTestDlg::OnTimedSend()
{
  if (m_pTimedDlg && m_pTimedDlg->GetSafeHwnd()) {
    m_pTimedDlg->ShowWindow(SW_SHOW);
    return;
  }
  m_pTimedDlg = std::make_unique<CTimedSendDlg>(this);
  if (!m_pTimedDlg->Create(CTimedSendDlg::IDD, this))
    m_pTimedDlg.reset();
}

void CSocketTestDlg::OnSendFile()
{
  if (m_pFileDlg && m_pFileDlg->GetSafeHwnd()) {
    m_pFileDlg->ShowWindow(SW_SHOW);
    return;
  }
  m_pFileDlg = std::make_unique<CSendFileDlg>(this);
  if (!m_pFileDlg->Create(CSendFileDlg::IDD, this))
    m_pFileDlg.reset();
}
