#include "dialog/SendFileDlg.h"

#include "codec/transfertext.h"
#include "dialog/FileFolders.h"
#include "platform/cfiledialog.h"
#include "platform/commctrl.h"
#include "platform/cwinapp.h"

#include <algorithm>

namespace {
constexpr const char* kDatagram = "Datagram";
constexpr const char* kPause = "Pause";
constexpr const char* kChooseFile = "请选择要发送的文件!";
constexpr const char* kBadDatagram = "数据报大小应为1到65507字节!";
constexpr const char* kAllFiles = "所有文件 (*)|*||";
}  // namespace

CSendFileDlg::CSendFileDlg(CChannel& channel, CWnd* pParent)
    : CToolDlg(IDD_SEND_FILE, pParent), m_channel(channel), m_sender(channel)
{
  m_sender.SetChangeHandler([this] { RefreshIfMade(); });
}

BOOL CSendFileDlg::OnInitDialog()
{
  CWinApp* pApp = AfxGetApp();
  CToolDlg::OnInitDialog();
  ShowNumber(IDC_FILE_DATAGRAM, pApp->GetProfileInt(SEND_FILE_SECTION, kDatagram, SEND_FILE_DEFAULT_DATAGRAM));
  ShowNumber(IDC_FILE_PAUSE, pApp->GetProfileInt(SEND_FILE_SECTION, kPause, 0));
  GetDlgItem(IDC_FILE_PROGRESS)->SendMessage(PBM_SETRANGE32, 0, 1000);
  return TRUE;
}

// "已发送 sent / size 字节 (p%), rate, 还需约 time" while it goes; the average rate, the time it
// took and how it ended once it has.
CString CSendFileDlg::ProgressText()
{
  const BOOL bSending = m_sender.IsSending();
  const std::uint64_t nSent = m_sender.GetSent();
  const std::uint64_t nSize = m_sender.GetSize();
  if (!bSending && nSent == 0 && m_sender.GetError().IsEmpty())
    return "";
  const double fSeconds = static_cast<double>(m_sender.GetMicros()) / 1e6;
  const double fPercent = nSize > 0 ? 100.0 * static_cast<double>(nSent) / static_cast<double>(nSize) : 100.0;
  const double fRate = fSeconds > 0 ? static_cast<double>(nSent) / fSeconds : 0.0;
  CString str;
  str.Format("%s %llu / %llu 字节 (%.1f%%), %s%s", bSending ? "已发送" : "共发送",
             static_cast<unsigned long long>(nSent), static_cast<unsigned long long>(nSize), fPercent,
             bSending ? "" : "平均 ", static_cast<LPCTSTR>(RateText(fRate)));
  if (bSending) {
    if (fRate > 0 && nSent > 0)
      str += ", 还需约 " + DurationText(static_cast<double>(nSize - std::min(nSent, nSize)) / fRate);
    return str;
  }
  str += ", 用时 " + DurationText(fSeconds);
  const CString& strError = m_sender.GetError();
  return CString(str.str() + ", " + (strError.IsEmpty() ? std::string("已完成") : strError.str()));
}

void CSendFileDlg::Refresh()
{
  const BOOL bSending = m_sender.IsSending();
  ShowText(IDC_FILE_STATUS, ProgressText());
  const std::uint64_t nSize = m_sender.GetSize();
  const std::uint64_t nPermille = nSize > 0 ? std::min<std::uint64_t>(1000, m_sender.GetSent() * 1000 / nSize) : 0;
  GetDlgItem(IDC_FILE_PROGRESS)->SendMessage(PBM_SETPOS, static_cast<WPARAM>(nPermille));
  ShowText(IDC_FILE_START, bSending ? "取 消" : "发 送");
  const BOOL bDatagrams = !m_channel.IsStream();
  for (int nID : {IDC_FILE_PATH, IDC_FILE_BROWSE})
    GetDlgItem(nID)->EnableWindow(!bSending);
  for (int nID : {IDC_FILE_DATAGRAM, IDC_FILE_PAUSE})
    GetDlgItem(nID)->EnableWindow(!bSending && bDatagrams);
}

void CSendFileDlg::OnStart()
{
  if (m_sender.IsSending()) {
    StopRun();
    return;
  }
  CString strPath;
  GetDlgItem(IDC_FILE_PATH)->GetWindowText(strPath);
  if (strPath.IsEmpty()) {
    AfxMessageBox(kChooseFile);
    return;
  }
  int nDatagram = NumberIn(IDC_FILE_DATAGRAM);
  const int nPause = std::max(NumberIn(IDC_FILE_PAUSE), 0);
  if (m_channel.IsStream() && nDatagram < 1)
    nDatagram = SEND_FILE_DEFAULT_DATAGRAM;
  if (nDatagram < 1 || nDatagram > SEND_FILE_MAX_DATAGRAM) {
    AfxMessageBox(kBadDatagram);
    return;
  }
  {
    CWinApp* pApp = AfxGetApp();
    const CProfileBatch batch;
    pApp->WriteProfileInt(SEND_FILE_SECTION, kDatagram, nDatagram);
    pApp->WriteProfileInt(SEND_FILE_SECTION, kPause, nPause);
  }
  m_sender.Start(strPath, nDatagram, nPause);
  Refresh();
}

void CSendFileDlg::StopRun()
{
  m_sender.Stop();
  Refresh();
}

void CSendFileDlg::OnBrowse()
{
  CFileDialog dlg(TRUE, nullptr, nullptr, OFN_HIDEREADONLY, kAllFiles, this);
  if (ChooseFile(dlg, FOLDER_SEND_FILE) == IDOK)
    GetDlgItem(IDC_FILE_PATH)->SetWindowText(dlg.GetPathName());
}

BEGIN_MESSAGE_MAP(CSendFileDlg, CToolDlg)
  ON_BN_CLICKED(IDC_FILE_START, OnStart)
  ON_BN_CLICKED(IDC_FILE_BROWSE, OnBrowse)
END_MESSAGE_MAP()
