#include "dialog/SendFileDlg.h"

#include "dialog/SocketTestDlg.h"
#include "platform/cfiledialog.h"
#include "platform/cwinapp.h"

#include <cstdlib>

namespace {
constexpr const char* kDatagram = "Datagram";
constexpr const char* kPause = "Pause";
constexpr const char* kChooseFile = "请选择要发送的文件!";
constexpr const char* kBadDatagram = "数据报大小应为1到65507字节!";
constexpr const char* kAllFiles = "所有文件 (*)|*||";

int NumberIn(CWnd* pEdit)
{
  CString str;
  pEdit->GetWindowText(str);
  if (str.IsEmpty() || str.GetLength() > 9)
    return -1;
  return std::atoi(str);
}

double Megabytes(std::uint64_t n)
{
  return static_cast<double>(n) / 1e6;
}
}  // namespace

CSendFileDlg::CSendFileDlg(CSocketTestDlg* pOwner) : CDialog(IDD_SEND_FILE, pOwner), m_pOwner(pOwner) {}

BOOL CSendFileDlg::OnInitDialog()
{
  CDialog::OnInitDialog();
  CWinApp* pApp = AfxGetApp();
  CString str;
  str.Format("%u", pApp->GetProfileInt(SEND_FILE_SECTION, kDatagram, SEND_FILE_DEFAULT_DATAGRAM));
  GetDlgItem(IDC_FILE_DATAGRAM)->SetWindowText(str);
  str.Format("%u", pApp->GetProfileInt(SEND_FILE_SECTION, kPause, 0));
  GetDlgItem(IDC_FILE_PAUSE)->SetWindowText(str);
  SetTimer(ID_TIMER_FILE_STATUS, FILE_STATUS_MS, nullptr);
  Refresh();
  return TRUE;
}

void CSendFileDlg::Refresh()
{
  const BOOL bSending = m_pOwner->IsSendingFile();
  const std::uint64_t nSent = m_pOwner->GetFileSent();
  const std::uint64_t nSize = m_pOwner->GetFileSize();
  const double fSeconds = static_cast<double>(m_pOwner->GetFileMicros()) / 1e6;
  CString str;
  if (bSending || nSent > 0 || !m_pOwner->GetFileError().IsEmpty()) {
    const double fPercent = nSize > 0 ? 100.0 * static_cast<double>(nSent) / static_cast<double>(nSize) : 100.0;
    str.Format("%s %llu / %llu 字节 (%.1f%%), %.1f MB/s", bSending ? "已发送" : "共发送",
               static_cast<unsigned long long>(nSent), static_cast<unsigned long long>(nSize), fPercent,
               fSeconds > 0 ? Megabytes(nSent) / fSeconds : 0.0);
    if (!bSending) {
      const CString strEnd = m_pOwner->GetFileError().IsEmpty() ? CString("已完成") : m_pOwner->GetFileError();
      str = CString(str.str() + ", " + strEnd.str());
    }
  }
  CString strShown;
  GetDlgItem(IDC_FILE_STATUS)->GetWindowText(strShown);
  if (!(strShown == str))
    GetDlgItem(IDC_FILE_STATUS)->SetWindowText(str);
  if (bSending == m_bShownSending)
    return;
  m_bShownSending = bSending;
  GetDlgItem(IDC_FILE_START)->SetWindowText(bSending ? "取 消" : "发 送");
  const BOOL bDatagrams = !m_pOwner->IsStreamChannel();
  for (int nID : {IDC_FILE_PATH, IDC_FILE_BROWSE})
    GetDlgItem(nID)->EnableWindow(!bSending);
  for (int nID : {IDC_FILE_DATAGRAM, IDC_FILE_PAUSE})
    GetDlgItem(nID)->EnableWindow(!bSending && bDatagrams);
}

void CSendFileDlg::OnOK()
{
  OnStart();
}

void CSendFileDlg::OnStart()
{
  if (m_pOwner->IsSendingFile()) {
    m_pOwner->StopSendFile();
    Refresh();
    return;
  }
  CString strPath;
  GetDlgItem(IDC_FILE_PATH)->GetWindowText(strPath);
  if (strPath.IsEmpty()) {
    AfxMessageBox(kChooseFile);
    return;
  }
  const int nDatagram = NumberIn(GetDlgItem(IDC_FILE_DATAGRAM));
  const int nPause = NumberIn(GetDlgItem(IDC_FILE_PAUSE));
  if (!m_pOwner->IsStreamChannel() && (nDatagram < 1 || nDatagram > SEND_FILE_MAX_DATAGRAM)) {
    AfxMessageBox(kBadDatagram);
    return;
  }
  {
    CWinApp* pApp = AfxGetApp();
    const CProfileBatch batch;
    pApp->WriteProfileInt(SEND_FILE_SECTION, kDatagram, nDatagram < 1 ? SEND_FILE_DEFAULT_DATAGRAM : nDatagram);
    pApp->WriteProfileInt(SEND_FILE_SECTION, kPause, nPause < 0 ? 0 : nPause);
  }
  m_pOwner->StartSendFile(strPath, nDatagram < 1 ? SEND_FILE_DEFAULT_DATAGRAM : nDatagram, nPause < 0 ? 0 : nPause);
  m_bShownSending = -1;
  Refresh();
}

void CSendFileDlg::OnBrowse()
{
  CFileDialog dlg(TRUE, nullptr, nullptr, OFN_HIDEREADONLY, kAllFiles, this);
  if (dlg.DoModal() == IDOK)
    GetDlgItem(IDC_FILE_PATH)->SetWindowText(dlg.GetPathName());
}

void CSendFileDlg::OnCancel()
{
  m_pOwner->StopSendFile();
  ShowWindow(SW_HIDE);
}

void CSendFileDlg::OnTimer(UINT_PTR nIDEvent)
{
  if (nIDEvent == ID_TIMER_FILE_STATUS && IsWindowVisible())
    Refresh();
}

BEGIN_MESSAGE_MAP(CSendFileDlg, CDialog)
  ON_WM_TIMER()
  ON_BN_CLICKED(IDC_FILE_START, OnStart)
  ON_BN_CLICKED(IDC_FILE_BROWSE, OnBrowse)
END_MESSAGE_MAP()
