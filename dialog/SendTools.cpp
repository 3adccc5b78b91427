// The send box's tools: its menu, the send options and the windows of the timed and file sends.
#include "dialog/SocketTestDlg.h"

#include "dialog/SendOptionsDlg.h"
#include "dialog/ToolBox.h"
#include "platform/cmenu.h"

void CSocketTestDlg::SetSendMenu()
{
  CMenu menu;
  menu.AppendMenu(MF_STRING, ID_TIMED_SEND, "定时发送(&T)...");
  menu.AppendMenu(MF_STRING, ID_SEND_FILE, "发送文件(&F)...");
  menu.AppendMenu(MF_STRING, ID_COMMAND_LIST, "命令列表(&L)...");
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
  ShowSendOptionsSign();
}

// Options that change every send are named where the send is made: in the group's caption and
// the send box's tooltip.
void CSocketTestDlg::ShowSendOptionsSign()
{
  constexpr const char* kSendCaption = "发送";
  const CString strSummary = SendOptionsSummary(m_sendOptions);
  CString strCaption(kSendCaption);
  CString strTip;
  if (!strSummary.IsEmpty()) {
    strCaption.Format("%s (%s)", kSendCaption, static_cast<LPCTSTR>(strSummary));
    strTip.Format("每次发送都按发送设置: %s", static_cast<LPCTSTR>(strSummary));
  }
  if (CWnd* pGroup = CaptionedGroup(kSendCaption))
    pGroup->SetWindowText(strCaption);
  GetDlgItem(IDC_SEND_TEXT)->SetToolTipText(strTip);
}

void CSocketTestDlg::OnTimedSend()
{
  m_pTools->ShowTimedSend();
}

void CSocketTestDlg::OnSendFile()
{
  m_pTools->ShowSendFile();
}

void CSocketTestDlg::OnAutoReply()
{
  m_pTools->ShowAutoReply();
}

void CSocketTestDlg::OnCommandList()
{
  m_pTools->ShowCommandList();
}
