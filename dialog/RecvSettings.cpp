// The receive display's menu, its options and its pause.
#include "dialog/SocketTestDlg.h"

#include "dialog/RecvOptionsDlg.h"
#include "dialog/TrafficDlg.h"
#include "platform/cmenu.h"

#include <string>

namespace {
constexpr const char* kReceiveCaption = "接收";
constexpr const char* kPausedCaption = "接收 (已暂停)";
}  // namespace

void CSocketTestDlg::SetRecvMenu()
{
  CMenu menu;
  menu.AppendMenu(MF_STRING, ID_TRAFFIC_SHOW, "通信记录(&R)...");
  menu.AppendMenu(MF_STRING, ID_TRAFFIC_LOG, m_log.IsLogging() ? "停止记录到文件(&L)" : "记录到文件(&L)...");
  menu.AppendMenu(MF_STRING, ID_RECV_SAVE, "保存接收数据(&S)...");
  menu.AppendMenu(MF_STRING | (GetMode() == MODE_TCP_SERVER ? 0 : MF_GRAYED), ID_CLIENT_LIST, "客户端列表(&K)...");
  menu.AppendMenu(MF_STRING, ID_AUTO_REPLY, "自动应答(&Y)...");
  menu.AppendMenu(MF_SEPARATOR);
  menu.AppendMenu(MF_STRING, ID_RECV_OPTIONS, "接收设置(&O)...");
  menu.AppendMenu(MF_STRING | (m_display.bPaused ? MF_CHECKED : 0), ID_RECV_PAUSE, "暂停显示(&P)");
  GetDlgItem(IDC_RECV_TEXT)->SetContextMenuItems(menu);
}

void CSocketTestDlg::OnRecvOptions()
{
  CRecvOptionsDlg dlg(this);
  dlg.m_options = m_display.Options();
  if (dlg.DoModal() != IDOK)
    return;
  dlg.m_options.Save();
  m_display.staging.MergeInto(m_recvBuf, RECV_BUFFER_SIZE, &m_nRecvLen);
  m_display.SetOptions(dlg.m_options, m_recvBuf, m_nRecvLen);
  if (m_pTrafficDlg)
    m_pTrafficDlg->SetTextEncoding(dlg.m_options.nEncoding);
  RedrawReceiveDisplay();
}

// Paused, the display and its caption say so; what comes meanwhile shows once it goes on.
void CSocketTestDlg::OnRecvPause()
{
  m_display.bPaused = !m_display.bPaused;
  if (CWnd* pGroup = CaptionedGroup(kReceiveCaption))
    pGroup->SetWindowText(m_display.bPaused ? kPausedCaption : kReceiveCaption);
  SetRecvMenu();
  RedrawReceiveDisplay();
}

// The group boxes have no id: one is found among the dialog's children by its caption, which may
// carry a note in brackets ("接收 (已暂停)").
CWnd* CSocketTestDlg::CaptionedGroup(const char* pszCaption)
{
  const std::string strNoted = std::string(pszCaption) + " (";
  for (CWnd* pChild = GetWindow(GW_CHILD); pChild; pChild = pChild->GetWindow(GW_HWNDNEXT)) {
    CString strText;
    pChild->GetWindowText(strText);
    if (pChild->GetDlgCtrlID() == IDC_STATIC && (strText == pszCaption || strText.str().starts_with(strNoted)))
      return pChild;
  }
  return nullptr;
}
