#include "dialog/TimedSendDlg.h"

#include "platform/cwinapp.h"

#include <algorithm>

namespace {
constexpr const char* kInterval = "Interval";
constexpr const char* kCount = "Count";
constexpr int kDefaultInterval = 1000;
constexpr const char* kBadInterval = "发送间隔应为1到3600000毫秒!";
}  // namespace

CTimedSendDlg::CTimedSendDlg(CChannel& channel, CWnd* pParent) : CToolDlg(IDD_TIMED_SEND, pParent), m_sender(channel)
{
  m_sender.SetChangeHandler([this] { RefreshIfMade(); });
}

BOOL CTimedSendDlg::OnInitDialog()
{
  CWinApp* pApp = AfxGetApp();
  CToolDlg::OnInitDialog();
  ShowNumber(IDC_TIMED_INTERVAL, pApp->GetProfileInt(TIMED_SEND_SECTION, kInterval, kDefaultInterval));
  ShowNumber(IDC_TIMED_COUNT, pApp->GetProfileInt(TIMED_SEND_SECTION, kCount, 0));
  return TRUE;
}

void CTimedSendDlg::Refresh()
{
  const BOOL bRunning = m_sender.IsRunning();
  const int nSends = m_sender.GetSends();
  const int nSkipped = m_sender.GetSkipped();
  CString str;
  if (bRunning && nSkipped > 0)
    str.Format("已发送 %d 次, 跳过 %d 次", nSends, nSkipped);
  else if (bRunning)
    str.Format("正在发送: 已发送 %d 次", nSends);
  else if (nSkipped > 0)
    str.Format("已停止: 共发送 %d 次, 跳过 %d 次", nSends, nSkipped);
  else if (nSends > 0)
    str.Format("已停止: 共发送 %d 次", nSends);
  ShowText(IDC_TIMED_STATUS, str);
  ShowText(IDC_TIMED_START, bRunning ? "停 止" : "开 始");
  GetDlgItem(IDC_TIMED_INTERVAL)->EnableWindow(!bRunning);
  GetDlgItem(IDC_TIMED_COUNT)->EnableWindow(!bRunning);
}

void CTimedSendDlg::OnStart()
{
  if (m_sender.IsRunning()) {
    StopRun();
    return;
  }
  const int nInterval = NumberIn(IDC_TIMED_INTERVAL);
  const int nCount = std::max(NumberIn(IDC_TIMED_COUNT), 0);
  if (nInterval < TIMED_SEND_MIN_MS || nInterval > TIMED_SEND_MAX_MS) {
    AfxMessageBox(kBadInterval);
    return;
  }
  {
    CWinApp* pApp = AfxGetApp();
    const CProfileBatch batch;
    pApp->WriteProfileInt(TIMED_SEND_SECTION, kInterval, nInterval);
    pApp->WriteProfileInt(TIMED_SEND_SECTION, kCount, nCount);
  }
  m_sender.Start(nInterval, nCount);
  Refresh();
}

void CTimedSendDlg::StopRun()
{
  m_sender.Stop();
  Refresh();
}

BEGIN_MESSAGE_MAP(CTimedSendDlg, CToolDlg)
  ON_BN_CLICKED(IDC_TIMED_START, OnStart)
END_MESSAGE_MAP()
