// Receiving: socket notifications, the receive buffer and its display.
#include "dialog/SocketTestDlg.h"

#include "codec/hexcodec.h"
#include "platform/winapi.h"

#include <algorithm>
#include <cstring>

using namespace ws;

LRESULT CSocketTestDlg::OnSocketNotify(WPARAM wParam, LPARAM lParam)
{
  // Notifications posted for a channel or a client that has since closed are stale.
  if (m_socket == INVALID_SOCKET)
    return 0;
  if (wParam != m_socket) {
    OnClientNotify(static_cast<SOCKET>(wParam), WSAGETSELECTEVENT(lParam));
    return 0;
  }
  switch (WSAGETSELECTEVENT(lParam)) {
  case FD_READ:
    OnSocketReceive(wParam, lParam);
    break;
  case FD_CLOSE:
    OnSocketClosed(wParam, lParam);
    break;
  case FD_ACCEPT:
    OnSocketAccept();
    break;
  case FD_WRITE:
    if (m_bSendingFile && m_nFileWait == FILE_WAIT_WRITE)
      ContinueSendFile();
    break;
  default:
    break;
  }
  return 0;
}

// Where the next read goes: after the chunks staged so far, which give way, oldest first, once
// more than the buffer holds is staged.
BYTE* CSocketTestDlg::StagingSpace()
{
  if (m_nStagedLen + READ_BUFFER_SIZE > RECV_STAGING_SIZE) {
    const int nKeep = std::min(m_nStagedLen, RECV_BUFFER_SIZE);
    std::memmove(m_recvStaging, m_recvStaging + m_nStagedLen - nKeep, static_cast<std::size_t>(nKeep));
    m_nStagedLen = nKeep;
  }
  return m_recvStaging + m_nStagedLen;
}

// Keeps the newest RECV_BUFFER_SIZE bytes in arrival order; older bytes give way.
void CSocketTestDlg::MergeStaged()
{
  const int nStaged = std::min(m_nStagedLen, RECV_BUFFER_SIZE);
  if (nStaged == 0)
    return;
  const int nKeep = std::min(m_nRecvLen, RECV_BUFFER_SIZE - nStaged);
  std::memmove(m_recvBuf, m_recvBuf + m_nRecvLen - nKeep, static_cast<std::size_t>(nKeep));
  std::memcpy(m_recvBuf + nKeep, m_recvStaging + m_nStagedLen - nStaged, static_cast<std::size_t>(nStaged));
  m_nRecvLen = nKeep + nStaged;
  m_nStagedLen = 0;
}

void CSocketTestDlg::RedrawReceiveDisplay()
{
  MergeStaged();
  const CString strText = RenderReceiveBuffer(m_recvBuf, m_nRecvLen, IsChecked(IDC_HEX_RECV));
  CWnd* pDisplay = GetDlgItem(IDC_RECV_TEXT);
  pDisplay->SetWindowText(strText);
  const LRESULT nLines = pDisplay->SendMessage(EM_GETLINECOUNT);
  pDisplay->SendMessage(EM_LINESCROLL, 0, nLines);
}

// A client's bytes join the buffer as a TCP channel's do; a client that goes is forgotten, and
// listening goes on without a word.
void CSocketTestDlg::OnClientNotify(SOCKET s, WORD wEvent)
{
  const int nIndex = FindClient(s);
  if (nIndex < 0)
    return;
  if (wEvent == FD_READ) {
    ReceiveChunk(s, TRUE, nIndex);
    return;
  }
  if (wEvent != FD_CLOSE)
    return;
  CloseClient(nIndex);
  ShowServerTitle();
}

// The channel's protocol as it was opened: asking the mode list costs more than the read itself.
LRESULT CSocketTestDlg::OnSocketReceive(WPARAM, LPARAM)
{
  ReceiveChunk(m_socket, m_protocol == TRAFFIC_TCP);
  return 0;
}

// nClient: the server's client it came from, or -1 for the channel's own socket.
void CSocketTestDlg::ReceiveChunk(SOCKET s, BOOL bStream, int nClient)
{
  sockaddr_in addrFrom{};
  int nFromLen = sizeof addrFrom;
  // Nothing past what a read returns is ever looked at, so the read space is not cleared first.
  char* pRead = reinterpret_cast<char*>(StagingSpace());
  const int nRead = bStream
                        ? recv(s, pRead, READ_BUFFER_SIZE, 0)
                        : recvfrom(s, pRead, READ_BUFFER_SIZE, 0, reinterpret_cast<sockaddr*>(&addrFrom), &nFromLen);
  if (nRead <= 0)
    return;
  const BYTE* pChunk = reinterpret_cast<const BYTE*>(pRead);
  if (nClient >= 0)
    m_record.AddData(TRAFFIC_RECEIVED, TRAFFIC_TCP, m_clientLocal[nClient], m_clientPeer[nClient], pChunk, nRead);
  else
    m_record.AddData(TRAFFIC_RECEIVED, m_protocol, m_recvLocalEnd, bStream ? m_peerEnd : EndpointOf(addrFrom), pChunk,
                     nRead);
  m_nStagedLen += nRead;
  m_nRecvBytes = WrappingAdd(m_nRecvBytes, nRead);
  // Redrawing per chunk would hold a flood to a few chunks a second: the display, the counter's
  // text and the cue follow at most once a frame, and the last chunk is on screen a frame later.
  // While the timer has a redraw coming, a chunk needs no look at the clock.
  if (m_bRedrawPending)
    return;
  const std::uint64_t nSinceRedraw = GetTickCount64() - m_nLastRedrawTick;
  if (nSinceRedraw >= RECV_REDRAW_INTERVAL_MS) {
    ShowReceived();
  } else {
    m_bRedrawPending = TRUE;
    SetTimer(ID_TIMER_RECV_REDRAW, static_cast<UINT>(RECV_REDRAW_INTERVAL_MS - nSinceRedraw), nullptr);
  }
}

void CSocketTestDlg::ShowReceived()
{
  // A redraw due now makes a pending one needless: two in a row would break the frame pace.
  if (m_bRedrawPending) {
    KillTimer(ID_TIMER_RECV_REDRAW);
    m_bRedrawPending = FALSE;
  }
  m_nLastRedrawTick = GetTickCount64();
  RedrawReceiveDisplay();
  CString strCount;
  strCount.Format("%d", m_nRecvBytes);
  GetDlgItem(IDC_RECV_COUNT)->SetWindowText(strCount);
  PlaySound(MAKEINTRESOURCE(IDR_WAVE_RECEIVE), AfxGetResourceHandle(), SND_RESOURCE | SND_ASYNC);
}

void CSocketTestDlg::OnTimer(UINT_PTR nIDEvent)
{
  if (nIDEvent == ID_TIMER_LOG_FLUSH) {
    m_log.Flush();
    return;
  }
  if (nIDEvent == ID_TIMER_TIMED_SEND) {
    OnTimedTick();
    return;
  }
  if (nIDEvent == ID_TIMER_FILE_PAUSE) {
    KillTimer(ID_TIMER_FILE_PAUSE);
    if (m_bSendingFile && m_nFileWait == FILE_WAIT_PAUSE)
      ContinueSendFile();
    return;
  }
  if (nIDEvent != ID_TIMER_RECV_REDRAW)
    return;
  ShowReceived();
}

void CSocketTestDlg::OnHexRecv()
{
  RedrawReceiveDisplay();
}

void CSocketTestDlg::OnClearRecv()
{
  m_nRecvLen = 0;
  m_nStagedLen = 0;
  std::memset(m_recvBuf, 0, sizeof m_recvBuf);
  GetDlgItem(IDC_RECV_TEXT)->SetWindowText("");
}
