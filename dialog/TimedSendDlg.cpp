#include "dialog/TimedSendDlg.h"

#include "dialog/SocketTestDlg.h"
#include "platform/cwinapp.h"

#include <cstdlib>

namespace {
constexpr const char* kInterval = "Interval";
constexpr const char* kCount = "Count";
constexpr int kDefaultInterval = 1000;
constexpr const char* kBadInterval = "发送间隔应为1到3600000毫秒!";

// The edit's number, or -1 when it holds none (empty, or past what an int holds).
int NumberIn(CWnd* pEdit)
{
  CString str;
  pEdit->GetWindowText(str);
  if (str.IsEmpty() || str.GetLength() > 9)
    return -1;
  return std::atoi(str);
}
}  // namespace

CTimedSendDlg::CTimedSendDlg(CSocketTestDlg* pOwner) : CDialog(IDD_TIMED_SEND, pOwner), m_pOwner(pOwner) {}

BOOL CTimedSendDlg::OnInitDialog()
{
  CDialog::OnInitDialog();
  CWinApp* pApp = AfxGetApp();
  CString str;
  str.Format("%u", pApp->GetProfileInt(TIMED_SEND_SECTION, kInterval, kDefaultInterval));
  GetDlgItem(IDC_TIMED_INTERVAL)->SetWindowText(str);
  str.Format("%u", pApp->GetProfileInt(TIMED_SEND_SECTION, kCount, 0));
  GetDlgItem(IDC_TIMED_COUNT)->SetWindowText(str);
  SetTimer(ID_TIMER_TIMED_STATUS, TIMED_STATUS_MS, nullptr);
  Refresh();
  return TRUE;
}

void CTimedSendDlg::Refresh()
{
  const BOOL bRunning = m_pOwner->IsTimedSending();
  CString str;
  if (bRunning)
    str.Format("正在发送: 已发送 %d 次", m_pOwner->GetTimedSends());
  else if (m_pOwner->GetTimedSends() > 0)
    str.Format("已停止: 共发送 %d 次", m_pOwner->GetTimedSends());
  CString strShown;
  GetDlgItem(IDC_TIMED_STATUS)->GetWindowText(strShown);
  if (!(strShown == str))
    GetDlgItem(IDC_TIMED_STATUS)->SetWindowText(str);
  GetDlgItem(IDC_TIMED_START)->SetWindowText(bRunning ? "停 止" : "开 始");
  GetDlgItem(IDC_TIMED_INTERVAL)->EnableWindow(!bRunning);
  GetDlgItem(IDC_TIMED_COUNT)->EnableWindow(!bRunning);
}

// Enter presses the default button, 开 始 / 停 止.
void CTimedSendDlg::OnOK()
{
  OnStart();
}

void CTimedSendDlg::OnStart()
{
  if (m_pOwner->IsTimedSending()) {
    m_pOwner->StopTimedSend();
    Refresh();
    return;
  }
  const int nInterval = NumberIn(GetDlgItem(IDC_TIMED_INTERVAL));
  const int nCount = NumberIn(GetDlgItem(IDC_TIMED_COUNT));
  if (nInterval < TIMED_SEND_MIN_MS || nInterval > TIMED_SEND_MAX_MS) {
    AfxMessageBox(kBadInterval);
    return;
  }
  {
    CWinApp* pApp = AfxGetApp();
    const CProfileBatch batch;
    pApp->WriteProfileInt(TIMED_SEND_SECTION, kInterval, nInterval);
    pApp->WriteProfileInt(TIMED_SEND_SECTION, kCount, nCount < 0 ? 0 : nCount);
  }
  m_pOwner->StartTimedSend(nInterval, nCount < 0 ? 0 : nCount);
  Refresh();
}

void CTimedSendDlg::OnCancel()
{
  m_pOwner->StopTimedSend();
  ShowWindow(SW_HIDE);
}

void CTimedSendDlg::OnTimer(UINT_PTR nIDEvent)
{
  if (nIDEvent == ID_TIMER_TIMED_STATUS && IsWindowVisible())
    Refresh();
}

BEGIN_MESSAGE_MAP(CTimedSendDlg, CDialog)
  ON_WM_TIMER()
  ON_BN_CLICKED(IDC_TIMED_START, OnStart)
END_MESSAGE_MAP()
