// Sending a file: over TCP streamed as fast as the connection takes it, over UDP cut into
// datagrams with an optional pause; the loop keeps its other work, and FD_WRITE is asked for only
// while a file goes out.
#include "dialog/SocketTestDlg.h"

#include "dialog/SendFileDlg.h"
#include "platform/clock.h"
#include "platform/cwinapp.h"

#include <algorithm>

using namespace ws;

namespace {
constexpr const char* kNotInServerMode = "服务器模式下不能发送文件.";
constexpr long kChannelEvents = FD_READ | FD_CLOSE;
}  // namespace

BOOL CSocketTestDlg::IsStreamChannel()
{
  return GetMode() == MODE_TCP;
}

std::uint64_t CSocketTestDlg::GetFileMicros() const
{
  const std::uint64_t nEnd = m_bSendingFile ? platform::MonotonicMicros() : m_nFileEnd;
  return nEnd > m_nFileStart ? nEnd - m_nFileStart : 0;
}

BOOL CSocketTestDlg::StartSendFile(LPCTSTR lpszPath, int nDatagram, int nPauseMs)
{
  StopSendFile();
  m_strFileError.Empty();
  if (!ChannelIsOpen())
    return FALSE;
  if (GetMode() == MODE_TCP_SERVER) {
    AfxMessageBox(kNotInServerMode);
    return FALSE;
  }
  if (!m_sendFile.Open(lpszPath, CFile::modeRead)) {
    CString str;
    str.Format("无法读取文件 %s[%d]:%s.", lpszPath, m_sendFile.GetLastError(),
               static_cast<LPCTSTR>(CFile::ErrorText(m_sendFile.GetLastError())));
    AfxMessageBox(str);
    return FALSE;
  }
  const BOOL bStream = IsStreamChannel();
  m_nFileSize = m_sendFile.GetLength();
  m_nFileSent = 0;
  m_nFileRead = 0;
  m_nBlockLen = 0;
  m_nBlockAt = 0;
  m_nFileDatagram = std::clamp(nDatagram, 1, SEND_FILE_MAX_DATAGRAM);
  m_nFilePause = std::max(nPauseMs, 0);
  m_fileBlock.resize(static_cast<std::size_t>(bStream ? SEND_FILE_BLOCK : m_nFileDatagram));
  m_nFileStart = platform::MonotonicMicros();
  m_bSendingFile = TRUE;
  // The first FD_WRITE comes once the socket is writable after this registration.
  m_nFileWait = FILE_WAIT_WRITE;
  if (WSAAsyncSelect(m_socket, GetSafeHwnd(), WM_SOCKET_NOTIFY, kChannelEvents | FD_WRITE) == SOCKET_ERROR) {
    EndSendFile("WSAAsyncSelect出错");
    return FALSE;
  }
  return TRUE;
}

void CSocketTestDlg::StopSendFile(LPCTSTR lpszWhy)
{
  if (m_bSendingFile)
    EndSendFile(lpszWhy);
}

void CSocketTestDlg::EndSendFile(const CString& strError)
{
  m_bSendingFile = FALSE;
  m_nFileWait = FILE_WAIT_NONE;
  m_nFileEnd = platform::MonotonicMicros();
  m_strFileError = strError;
  m_sendFile.Close();
  KillTimer(ID_TIMER_FILE_PAUSE);
  if (m_socket != INVALID_SOCKET)
    WSAAsyncSelect(m_socket, GetSafeHwnd(), WM_SOCKET_NOTIFY, kChannelEvents);
  if (m_pFileDlg)
    m_pFileDlg->Refresh();
}

// The next block (TCP) or datagram (UDP) of the file, up to the size it had at the start; FALSE
// when the send has ended, finished or failed.
BOOL CSocketTestDlg::ReadFileBlock()
{
  const std::uint64_t nLeft = m_nFileSize - m_nFileRead;
  if (nLeft == 0) {
    EndSendFile("");
    return FALSE;
  }
  const auto nWant = static_cast<UINT>(std::min<std::uint64_t>(nLeft, m_fileBlock.size()));
  const int nRead = m_sendFile.Read(m_fileBlock.data(), nWant);
  if (nRead <= 0) {
    CString str;
    if (nRead < 0)
      str.Format("读取文件失败[%d]:%s", m_sendFile.GetLastError(),
                 static_cast<LPCTSTR>(CFile::ErrorText(m_sendFile.GetLastError())));
    else
      str = "文件在发送中变短了";
    EndSendFile(str);
    return FALSE;
  }
  m_nFileRead += static_cast<std::uint64_t>(nRead);
  m_nBlockLen = nRead;
  m_nBlockAt = 0;
  return TRUE;
}

// One turn: sends until the socket would block, a pause is due, or the turn's time is up.
void CSocketTestDlg::ContinueSendFile()
{
  m_nFileWait = FILE_WAIT_NONE;
  const BOOL bStream = IsStreamChannel();
  const std::uint64_t nTurnEnd = platform::MonotonicMicros() + SEND_FILE_TURN_MICROS;
  int nTurnSent = 0;
  while (m_bSendingFile) {
    if (m_nBlockAt == m_nBlockLen && !ReadFileBlock())
      break;
    const char* pData = reinterpret_cast<const char*>(m_fileBlock.data()) + m_nBlockAt;
    const int nLength = m_nBlockLen - m_nBlockAt;
    const int nSent = bStream ? send(m_socket, pData, nLength, 0)
                              : sendto(m_socket, pData, nLength, 0, reinterpret_cast<const sockaddr*>(&m_addrDest),
                                       sizeof m_addrDest);
    if (nSent == SOCKET_ERROR) {
      const int nError = WSAGetLastError();
      // The socket says when it takes more; a refused datagram goes again then, so none is lost here.
      if (nError == WSAEWOULDBLOCK) {
        m_nFileWait = FILE_WAIT_WRITE;
        break;
      }
      if (nError == WSAENOBUFS) {
        m_nFileWait = FILE_WAIT_PAUSE;
        SetTimer(ID_TIMER_FILE_PAUSE, 1, nullptr);
        break;
      }
      RecordSend(nSent, pData, nLength, m_localEnd, m_peerEnd);
      const char* pszName = GetSocketErrorName(nError);
      CString str;
      str.Format("发送失败[%d]:%s", nError, pszName ? pszName : "未知错误");
      EndSendFile(str);
      break;
    }
    RecordSend(nSent, pData, nSent, m_localEnd, m_peerEnd);
    m_nBlockAt += nSent;
    m_nFileSent += static_cast<std::uint64_t>(nSent);
    nTurnSent = WrappingAdd(nTurnSent, nSent);
    if (m_nBlockAt == m_nBlockLen && m_nFileRead == m_nFileSize) {
      EndSendFile("");
      break;
    }
    if (!bStream && m_nFilePause > 0) {
      m_nFileWait = FILE_WAIT_PAUSE;
      SetTimer(ID_TIMER_FILE_PAUSE, static_cast<UINT>(m_nFilePause), nullptr);
      break;
    }
    if (platform::MonotonicMicros() >= nTurnEnd) {
      m_nFileWait = FILE_WAIT_TURN;
      PostMessage(WM_SEND_FILE_CONTINUE);
      break;
    }
  }
  if (nTurnSent != 0)
    AddSent(nTurnSent);
}

LRESULT CSocketTestDlg::OnSendFileContinue(WPARAM, LPARAM)
{
  if (m_bSendingFile && m_nFileWait == FILE_WAIT_TURN)
    ContinueSendFile();
  return 0;
}
