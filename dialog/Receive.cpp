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
    OnSocketWritable(CHANNEL_PEER::Channel(m_ends.peer));
    break;
  default:
    break;
  }
  return 0;
}

// Paused, the display stays as it is while the buffer goes on taking what comes.
void CSocketTestDlg::RedrawReceiveDisplay()
{
  m_display.staging.MergeInto(m_recvBuf, RECV_BUFFER_SIZE, &m_nRecvLen);
  if (m_display.bPaused)
    return;
  const BOOL bCut = m_nRecvLen == RECV_BUFFER_SIZE;
  const CString strText = m_display.Render(m_recvBuf, m_nRecvLen, bCut, IsChecked(IDC_HEX_RECV));
  CWnd* pDisplay = GetDlgItem(IDC_RECV_TEXT);
  pDisplay->SetWindowText(strText);
  const LRESULT nLines = pDisplay->SendMessage(EM_GETLINECOUNT);
  pDisplay->SendMessage(EM_LINESCROLL, 0, nLines);
}

// A client's bytes join the buffer as a TCP channel's do; a client that goes is forgotten, and
// listening goes on without a word.
void CSocketTestDlg::OnClientNotify(SOCKET s, WORD wEvent)
{
  CClient* pClient = m_clients.Find(s);
  if (!pClient)
    return;
  if (wEvent == FD_READ) {
    ReceiveChunk(s, TRUE, pClient);
    return;
  }
  if (wEvent == FD_WRITE) {
    OnSocketWritable(CHANNEL_PEER::Client(s, pClient->peer));
    return;
  }
  if (wEvent != FD_CLOSE)
    return;
  CloseClient(*pClient);
  ShowServerTitle();
}

// The channel's protocol as it was opened: asking the mode list costs more than the read itself.
LRESULT CSocketTestDlg::OnSocketReceive(WPARAM, LPARAM)
{
  ReceiveChunk(m_socket, m_ends.protocol == TRAFFIC_TCP);
  return 0;
}

// pClient: the server's client it came from, or nullptr for the channel's own socket.
void CSocketTestDlg::ReceiveChunk(SOCKET s, BOOL bStream, CClient* pClient)
{
  sockaddr_in addrFrom{};
  int nFromLen = sizeof addrFrom;
  // Nothing past what a read returns is ever looked at, so the read space is not cleared first.
  BYTE* pChunk = m_display.staging.Space(RECV_BUFFER_SIZE);
  char* pRead = reinterpret_cast<char*>(pChunk);
  const int nRead = bStream
                        ? recv(s, pRead, READ_BUFFER_SIZE, 0)
                        : recvfrom(s, pRead, READ_BUFFER_SIZE, 0, reinterpret_cast<sockaddr*>(&addrFrom), &nFromLen);
  // An empty datagram is one all the same: recorded and offered, though it adds nothing to show.
  if (nRead < 0 || (nRead == 0 && bStream))
    return;
  CHANNEL_CHUNK chunk{CHANNEL_PEER::Channel(m_ends.peer), pChunk, nRead, 0};
  if (pClient) {
    m_record.AddData(TRAFFIC_RECEIVED, TRAFFIC_TCP, pClient->local, pClient->peer, pChunk, nRead);
    pClient->nRecvBytes += static_cast<std::uint64_t>(nRead);
    chunk.from = CHANNEL_PEER::Client(s, pClient->peer);
  } else if (bStream) {
    m_record.AddData(TRAFFIC_RECEIVED, m_ends.protocol, m_ends.recvLocal, m_ends.peer, pChunk, nRead);
  } else {
    chunk.from = CHANNEL_PEER::Address(EndpointOf(addrFrom));
    m_record.AddData(TRAFFIC_RECEIVED, m_ends.protocol, m_ends.recvLocal, chunk.from.end, pChunk, nRead);
  }
  m_display.staging.Commit(nRead);
  m_nRecvBytes = WrappingAdd(m_nRecvBytes, nRead);
  if (m_display.KeepsChunks()) {
    const TRAFFIC_EVENT& event = m_record.GetEvent(m_record.GetCount() - 1);
    m_display.AddChunk({event.nTimeMicros, event.peer, 0, false, bStream != FALSE, false, 0, nRead}, pChunk);
  }
  OfferChunk(chunk);
  if (nRead == 0)
    return;
  m_display.staging.bCueDue = TRUE;
  ScheduleRedraw();
}

// Redrawing per chunk would hold a flood to a few chunks a second: the display, the counter's
// text and the cue follow at most once a frame, and the last chunk is on screen a frame later.
// While the timer has a redraw coming, a chunk needs no look at the clock.
void CSocketTestDlg::ScheduleRedraw()
{
  if (m_display.staging.bRedrawPending)
    return;
  const std::uint64_t nSinceRedraw = GetTickCount64() - m_display.staging.nLastRedrawTick;
  if (nSinceRedraw >= RECV_REDRAW_INTERVAL_MS) {
    ShowReceived();
  } else {
    m_display.staging.bRedrawPending = TRUE;
    SetTimer(ID_TIMER_RECV_REDRAW, static_cast<UINT>(RECV_REDRAW_INTERVAL_MS - nSinceRedraw), nullptr);
  }
}

void CSocketTestDlg::ShowReceived()
{
  // A redraw due now makes a pending one needless: two in a row would break the frame pace.
  if (m_display.staging.bRedrawPending) {
    KillTimer(ID_TIMER_RECV_REDRAW);
    m_display.staging.bRedrawPending = FALSE;
  }
  m_display.staging.nLastRedrawTick = GetTickCount64();
  RedrawReceiveDisplay();
  CString strCount;
  strCount.Format("%d", m_nRecvBytes);
  GetDlgItem(IDC_RECV_COUNT)->SetWindowText(strCount);
  if (m_display.staging.bSentCountDue) {
    m_display.staging.bSentCountDue = FALSE;
    AddSent(0);
  }
  if (!m_display.staging.bCueDue)
    return;
  m_display.staging.bCueDue = FALSE;
  PlaySound(MAKEINTRESOURCE(IDR_WAVE_RECEIVE), AfxGetResourceHandle(), SND_RESOURCE | SND_ASYNC);
}

void CSocketTestDlg::OnTimer(UINT_PTR nIDEvent)
{
  if (nIDEvent == ID_TIMER_LOG_FLUSH) {
    m_log.Flush();
    return;
  }
  if (nIDEvent == ID_TIMER_SEND_RETRY) {
    RetrySends();
    return;
  }
  if (nIDEvent == ID_TIMER_ACCEPT_RETRY) {
    RetryAccept();
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
  m_display.staging.Clear();
  m_display.Clear();
  std::memset(m_recvBuf, 0, sizeof m_recvBuf);
  GetDlgItem(IDC_RECV_TEXT)->SetWindowText("");
}
