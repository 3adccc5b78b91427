#include "dialog/FileSender.h"

#include "dialog/SocketErrors.h"
#include "platform/clock.h"
#include "platform/cwinapp.h"

#include <algorithm>

using namespace ws;

namespace {
constexpr const char* kNoClientChosen = "请先在客户端列表中选择一个客户端作为发送目标.";
constexpr UINT_PTR kTimerPause = 1;
constexpr UINT WM_FILE_CONTINUE = WM_USER + 1;
}  // namespace

CFileSender::CFileSender(CChannel& channel) : CChannelTool(channel) {}

CFileSender::~CFileSender()
{
  m_onChange = nullptr;  // the window that set it may be going first
  Stop();
}

std::uint64_t CFileSender::GetMicros() const
{
  const std::uint64_t nEnd = m_bSending ? platform::MonotonicMicros() : m_nEnd;
  return nEnd > m_nStart ? nEnd - m_nStart : 0;
}

BOOL CFileSender::Start(LPCTSTR lpszPath, int nDatagram, int nPauseMs)
{
  Stop();
  m_strError.Empty();
  if (!m_channel.CanSend(TRUE))
    return FALSE;
  m_peer = m_channel.DefaultPeer();
  if (m_peer.kind == CHANNEL_PEER::PEER_ALL_CLIENTS) {
    AfxMessageBox(kNoClientChosen);
    return FALSE;
  }
  if (!m_file.Open(lpszPath, CFile::modeRead)) {
    CString str;
    str.Format("无法读取文件 %s%s.", lpszPath, static_cast<LPCTSTR>(CFile::Describe(m_file.GetLastError())));
    AfxMessageBox(str);
    return FALSE;
  }
  m_bStream = m_channel.IsStream();
  m_nSize = m_file.GetLength();
  m_nSent = 0;
  m_nRead = 0;
  m_nBlockLen = 0;
  m_nBlockAt = 0;
  m_nDatagram = std::clamp(nDatagram, 1, SEND_FILE_MAX_DATAGRAM);
  m_nPause = std::max(nPauseMs, 0);
  m_block.resize(static_cast<std::size_t>(m_bStream ? SEND_FILE_BLOCK : m_nDatagram));
  m_nStart = platform::MonotonicMicros();
  m_bSending = TRUE;
  // The first FD_WRITE comes once the socket is writable after this registration.
  m_nWait = WAIT_WRITE;
  if (!m_channel.WatchWritable(m_peer, TRUE)) {
    End("WSAAsyncSelect出错");
    return FALSE;
  }
  return TRUE;
}

void CFileSender::Stop(LPCTSTR lpszWhy)
{
  if (m_bSending)
    End(lpszWhy);
}

void CFileSender::End(const CString& strError)
{
  m_bSending = FALSE;
  m_nWait = WAIT_NONE;
  m_nEnd = platform::MonotonicMicros();
  m_strError = strError;
  m_file.Close();
  KillTimer(kTimerPause);
  m_channel.WatchWritable(m_peer, FALSE);
  if (m_onChange)
    m_onChange();
}

// The next block (TCP) or datagram (UDP) of the file, up to the size it had at the start; FALSE
// when the send has ended, finished or failed.
BOOL CFileSender::ReadBlock()
{
  const std::uint64_t nLeft = m_nSize - m_nRead;
  if (nLeft == 0) {
    End("");
    return FALSE;
  }
  const auto nWant = static_cast<UINT>(std::min<std::uint64_t>(nLeft, m_block.size()));
  const int nRead = m_file.Read(m_block.data(), nWant);
  if (nRead <= 0) {
    CString str;
    if (nRead < 0)
      str.Format("读取文件失败%s", static_cast<LPCTSTR>(CFile::Describe(m_file.GetLastError())));
    else
      str = "文件在发送中变短了";
    End(str);
    return FALSE;
  }
  m_nRead += static_cast<std::uint64_t>(nRead);
  m_nBlockLen = nRead;
  m_nBlockAt = 0;
  return TRUE;
}

// One turn: sends until the socket would block, a pause is due, or the turn's time is up; the sent
// counter's text follows once a turn.
void CFileSender::Continue()
{
  m_nWait = WAIT_NONE;
  const CSentCountHold hold(m_channel);
  const std::uint64_t nTurnEnd = platform::MonotonicMicros() + SEND_FILE_TURN_MICROS;
  while (m_bSending) {
    if (m_nBlockAt == m_nBlockLen && !ReadBlock())
      break;
    const BYTE* pData = m_block.data() + m_nBlockAt;
    const int nLength = m_nBlockLen - m_nBlockAt;
    const SEND_RESULT result = m_channel.Send(m_peer, pData, nLength, SEND_PARTIAL);
    if (result.nFailed > 0) {
      // The socket says when it takes more; a refused datagram goes again then, so none is lost here.
      if (result.nError == WSAEWOULDBLOCK) {
        m_nWait = WAIT_WRITE;
        break;
      }
      if (result.nError == WSAENOBUFS) {
        m_nWait = WAIT_PAUSE;
        SetTimer(kTimerPause, 1, nullptr);
        break;
      }
      const char* pszName = GetSocketErrorName(result.nError);
      CString str;
      str.Format("发送失败[%d]:%s", result.nError, pszName ? pszName : UNKNOWN_ERROR_NAME);
      End(str);
      break;
    }
    m_nBlockAt += result.nSent;
    m_nSent += static_cast<std::uint64_t>(result.nSent);
    if (m_nBlockAt == m_nBlockLen && m_nRead == m_nSize) {
      End("");
      break;
    }
    if (!m_bStream && m_nPause > 0) {
      m_nWait = WAIT_PAUSE;
      SetTimer(kTimerPause, static_cast<UINT>(m_nPause), nullptr);
      break;
    }
    if (platform::MonotonicMicros() >= nTurnEnd) {
      m_nWait = WAIT_TURN;
      PostMessage(WM_FILE_CONTINUE);
      break;
    }
  }
}

void CFileSender::OnWritable(const CHANNEL_PEER& peer)
{
  if (m_bSending && m_nWait == WAIT_WRITE && IsSameSocket(peer, m_peer))
    Continue();
}

void CFileSender::OnTimer(UINT_PTR nIDEvent)
{
  if (nIDEvent != kTimerPause)
    return;
  KillTimer(kTimerPause);
  if (m_bSending && m_nWait == WAIT_PAUSE)
    Continue();
}

LRESULT CFileSender::OnContinue(WPARAM, LPARAM)
{
  if (m_bSending && m_nWait == WAIT_TURN)
    Continue();
  return 0;
}

BEGIN_MESSAGE_MAP(CFileSender, CChannelTool)
  ON_WM_TIMER()
  ON_MESSAGE(WM_FILE_CONTINUE, OnContinue)
END_MESSAGE_MAP()
