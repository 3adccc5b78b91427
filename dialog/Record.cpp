// The traffic record: what the channel records, its window, the log file, the capture file and
// saving the receive buffer.
#include "dialog/SocketTestDlg.h"

#include "codec/hexcodec.h"
#include "dialog/FileFolders.h"
#include "dialog/Pcapng.h"
#include "dialog/TrafficDlg.h"
#include "platform/cfiledialog.h"
#include "platform/cwinapp.h"
#include "platform/route.h"

using namespace ws;

namespace {
constexpr const char* kLogFilter = "记录文件 (*.log)|*.log|文本文件 (*.txt)|*.txt|所有文件 (*)|*||";
constexpr const char* kCaptureFilter = "pcapng 抓包文件 (*.pcapng)|*.pcapng||";
constexpr const char* kReceivedFilter = "原始数据 (*.bin)|*.bin|显示文本 (*.txt)|*.txt||";
enum { RECV_SAVE_RAW = 1, RECV_SAVE_TEXT = 2 };

// The format names the path, then the error as CFile::Describe gives it.
void ReportFileError(const char* pszFormat, const CString& strPath, int nError)
{
  CString str;
  str.Format(pszFormat, static_cast<LPCTSTR>(strPath), static_cast<LPCTSTR>(CFile::Describe(nError)));
  AfxMessageBox(str);
}

// Saves the bytes whole, in place of the file that was there only once they are all on the disk,
// or says why not.
void SaveBytes(const CString& strPath, const void* pData, int nLength)
{
  CSaveFile file;
  if (!file.Open(strPath) || !file.Write(pData, static_cast<UINT>(nLength)) || !file.Commit())
    ReportFileError("保存 %s 失败%s.", strPath, file.GetLastError());
}
}  // namespace

// The ends are known once the channel is open: a socket bound to every interface sends from the
// address the route to the destination picks.
void CSocketTestDlg::RecordOpened(int nMode)
{
  sockaddr_in addrName{};
  int nNameLen = sizeof addrName;
  getsockname(m_socket, reinterpret_cast<sockaddr*>(&addrName), &nNameLen);
  const BOOL bServer = nMode == MODE_TCP_SERVER;
  m_ends.protocol = nMode == MODE_TCP || bServer ? TRAFFIC_TCP : TRAFFIC_UDP;
  m_ends.local = EndpointOf(addrName);
  m_ends.peer = bServer ? TRAFFIC_ENDPOINT{} : TRAFFIC_ENDPOINT{m_dwDestIP, static_cast<WORD>(m_nDestPort & 0xFFFF)};
  if (m_ends.local.dwAddress == INADDR_ANY && !bServer)
    m_ends.local.dwAddress = platform::SourceAddressToward(m_dwDestIP);
  m_ends.recvLocal = m_ends.local;
  if (nMode == MODE_MULTICAST && IsMulticastGroup(m_dwDestIP))
    m_ends.recvLocal.dwAddress = m_dwDestIP;
  m_record.AddEvent(TRAFFIC_OPENED, m_ends.protocol, m_ends.local, m_ends.peer);
  m_ends.bRecorded = TRUE;
}

void CSocketTestDlg::RecordClosed()
{
  if (!m_ends.bRecorded)
    return;
  m_ends.bRecorded = FALSE;
  m_record.AddEvent(TRAFFIC_CLOSED, m_ends.protocol, m_ends.local, m_ends.peer);
}

// The dialog says nothing of a failed send; the record says why nothing left. An empty datagram
// leaves as one; an empty stream send sends nothing.
void CSocketTestDlg::RecordSend(int nSent, const BYTE* pData, int nLength, const TRAFFIC_ENDPOINT& local,
                                const TRAFFIC_ENDPOINT& peer, int nError)
{
  if (nSent > 0 || (nSent == 0 && m_ends.protocol == TRAFFIC_UDP)) {
    m_record.AddData(TRAFFIC_SENT, m_ends.protocol, local, peer, pData, nSent);
    return;
  }
  if (nSent < 0)
    m_record.AddEvent(TRAFFIC_SEND_FAILED, m_ends.protocol, local, peer, nError, nLength);
}

void CSocketTestDlg::UpdateTrafficWindow()
{
  SetRecvMenu();
  if (m_pTrafficDlg)
    m_pTrafficDlg->Refresh();
}

void CSocketTestDlg::OnTrafficShow()
{
  if (m_pTrafficDlg && m_pTrafficDlg->GetSafeHwnd()) {
    m_pTrafficDlg->ShowEnd();
    return;
  }
  m_pTrafficDlg = std::make_unique<CTrafficDlg>(m_record, m_log, this);
  m_pTrafficDlg->SetTextEncoding(m_display.Options().nEncoding);
  if (!m_pTrafficDlg->Create(CTrafficDlg::IDD, this)) {
    m_pTrafficDlg.reset();
    return;
  }
  m_pTrafficDlg->ShowEnd();
}

void CSocketTestDlg::OnTrafficLog()
{
  if (m_log.IsLogging()) {
    m_log.Stop();
    KillTimer(ID_TIMER_LOG_FLUSH);
    m_record.SetSink(nullptr);
    UpdateTrafficWindow();
    return;
  }
  // Appended to, never emptied, so no question of replacing an existing file.
  CFileDialog dlg(FALSE, "log", "lanspry.log", OFN_HIDEREADONLY, kLogFilter, this);
  if (ChooseFile(dlg, FOLDER_LOG) != IDOK)
    return;
  if (!m_log.Start(dlg.GetPathName())) {
    ReportFileError("无法打开记录文件 %s%s.", dlg.GetPathName(), m_log.GetLastError());
    UpdateTrafficWindow();
    return;
  }
  m_record.SetSink(&m_log);
  SetTimer(ID_TIMER_LOG_FLUSH, LOG_FLUSH_INTERVAL_MS, nullptr);
  UpdateTrafficWindow();
}

LRESULT CSocketTestDlg::OnTrafficLogFailed(WPARAM, LPARAM)
{
  KillTimer(ID_TIMER_LOG_FLUSH);
  m_record.SetSink(nullptr);
  UpdateTrafficWindow();
  ReportFileError("写入记录文件 %s 失败%s, 已停止记录.", m_log.GetPath(), m_log.GetLastError());
  return 0;
}

// While the record window's filter narrows its rows, the capture holds those rows, and says so.
void CSocketTestDlg::OnTrafficCapture()
{
  CFileDialog dlg(FALSE, "pcapng", "lanspry.pcapng", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kCaptureFilter, this);
  const CTrafficRows* pRows = m_pTrafficDlg ? m_pTrafficDlg->FilteredRows() : nullptr;
  CString strTitle;
  if (pRows) {
    strTitle.Format("保存为 pcapng: 只保存筛选出的 %d 条事件 (共 %d 条)", pRows->GetCount(), m_record.GetCount());
    dlg.m_ofn.lpstrTitle = strTitle;
  }
  if (ChooseFile(dlg, FOLDER_CAPTURE) != IDOK)
    return;
  // The rows may have moved on while the dialog was open: they are taken as they are now.
  pRows = m_pTrafficDlg ? m_pTrafficDlg->FilteredRows() : nullptr;
  CSaveFile file;
  if (!file.Open(dlg.GetPathName()) || !WritePcapng(m_record, file.File(), pRows) || !file.Commit())
    ReportFileError("保存 %s 失败%s.", dlg.GetPathName(), file.GetLastError());
}

// The bytes held, exactly; or the text the display shows for them.
void CSocketTestDlg::OnRecvSave()
{
  CFileDialog dlg(FALSE, "bin", "received.bin", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kReceivedFilter, this);
  if (ChooseFile(dlg, FOLDER_RECEIVED) != IDOK)
    return;
  m_display.staging.MergeInto(m_recvBuf, RECV_BUFFER_SIZE, &m_nRecvLen);
  if (dlg.m_ofn.nFilterIndex != RECV_SAVE_TEXT) {
    SaveBytes(dlg.GetPathName(), m_recvBuf, m_nRecvLen);
    return;
  }
  const CString strText = RenderReceiveBuffer(m_recvBuf, m_nRecvLen, IsChecked(IDC_HEX_RECV));
  SaveBytes(dlg.GetPathName(), static_cast<LPCTSTR>(strText), strText.GetLength());
}
