// The seam the tools plug into: chunks offered with their peer, sends to a named peer counted and
// recorded as a click's are, and the sockets' FD_WRITE passed on to those who asked for it.
#include "dialog/SocketTestDlg.h"

#include "codec/sendcodec.h"
#include "platform/clock.h"
#include "platform/cwinapp.h"

#include <algorithm>

using namespace ws;

namespace {
constexpr const char* kChannelClosed = "请先打开通道!";
constexpr const char* kNoClients = "没有已连接的客户端!";
constexpr long kChannelEvents = FD_READ | FD_CLOSE;

// A refusal that asks the caller to send the same bytes again later.
bool IsWaitError(int nError)
{
  return nError == WSAEWOULDBLOCK || nError == WSAENOBUFS;
}
}  // namespace

BOOL CSocketTestDlg::ChannelIsOpen()
{
  if (m_socket != INVALID_SOCKET)
    return TRUE;
  AfxMessageBox(kChannelClosed);
  return FALSE;
}

// Listening without a client leaves nowhere to send: said before the send box is read.
BOOL CSocketTestDlg::ServerHasClients()
{
  if (GetMode() != MODE_TCP_SERVER || m_clients.GetCount() > 0)
    return TRUE;
  AfxMessageBox(kNoClients);
  return FALSE;
}

BOOL CSocketTestDlg::CanSend(BOOL bTell)
{
  if (!bTell)
    return m_socket != INVALID_SOCKET && (GetMode() != MODE_TCP_SERVER || m_clients.GetCount() > 0);
  return ChannelIsOpen() && ServerHasClients();
}

BOOL CSocketTestDlg::IsStream()
{
  const int nMode = GetMode();
  return nMode == MODE_TCP || nMode == MODE_TCP_SERVER;
}

CHANNEL_PEER CSocketTestDlg::DefaultPeer()
{
  if (GetMode() == MODE_TCP_SERVER) {
    const CClient* pTarget = m_clients.GetTarget();
    return pTarget ? CHANNEL_PEER::Client(pTarget->hSocket, pTarget->peer) : CHANNEL_PEER::AllClients();
  }
  return CHANNEL_PEER::Channel(m_ends.peer);
}

// One socket call: to a client (counted in its row), or on the channel's socket.
int CSocketTestDlg::RawSend(const SEND_TARGET& target, const BYTE* pData, int nLength)
{
  if (target.pClient)
    return CClientTable::Send(*target.pClient, pData, nLength);
  const char* p = reinterpret_cast<const char*>(pData);
  if (target.pTo)
    return sendto(m_socket, p, nLength, 0, reinterpret_cast<const sockaddr*>(target.pTo), sizeof *target.pTo);
  return send(m_socket, p, nLength, 0);
}

// The bytes go whole and in order: behind what waits for the socket, or now, and what the socket
// does not take now waits for FD_WRITE. The record takes each piece as it goes.
void CSocketTestDlg::SendTo(const SEND_TARGET& target, const BYTE* pData, int nLength, UINT nFlags, SEND_RESULT& result)
{
  ++result.nTargets;
  COutbound& out = target.out;
  if (!out.IsEmpty()) {
    if (nFlags & SEND_PARTIAL) {
      ++result.nFailed;
      result.nError = WSAEWOULDBLOCK;
    } else if (nFlags & SEND_SKIP_IF_WAITING) {
      ++result.nSkipped;
    } else {
      Hold(target, pData, nLength, result);
    }
    return;
  }
  const int nSent = RawSend(target, pData, nLength);
  if (nSent == SOCKET_ERROR) {
    const int nError = WSAGetLastError();
    if (IsWaitError(nError) && !(nFlags & SEND_PARTIAL)) {
      Hold(target, pData, nLength, result);
      AskWrite(target, nError);
      return;
    }
    ++result.nFailed;
    result.nError = nError;
    if (!((nFlags & SEND_PARTIAL) && IsWaitError(nError)))
      RecordSend(SOCKET_ERROR, pData, nLength, target.local, target.peer, nError);
    return;
  }
  RecordSend(nSent, pData, nSent, target.local, target.peer, 0);
  result.nSent = WrappingAdd(result.nSent, nSent);
  if (nSent == nLength || (nFlags & SEND_PARTIAL))
    return;
  // A stream took part: the rest goes first once the socket takes more.
  out.Keep(pData + nSent, nLength - nSent, target.pTo, m_record.IsMarkingAutoReply());
  result.nQueued += nLength - nSent;
  result.nSent = WrappingAdd(result.nSent, Flush(target));
}

// Keeps the bytes for later, or refuses them when the socket already holds back all it may.
void CSocketTestDlg::Hold(const SEND_TARGET& target, const BYTE* pData, int nLength, SEND_RESULT& result)
{
  if (!target.out.HasRoom(nLength)) {
    if (result.nRefused++ == 0)
      result.refused = target.peer;
    RecordSend(SOCKET_ERROR, pData, nLength, target.local, target.peer, WSAENOBUFS);
    return;
  }
  target.out.Keep(pData, nLength, target.pTo, m_record.IsMarkingAutoReply());
  result.nQueued += nLength;
}

// Sends what waits until the socket refuses; returns the bytes that went, for the caller to count.
int CSocketTestDlg::Flush(const SEND_TARGET& target)
{
  COutbound& out = target.out;
  int nWent = 0;
  while (!out.IsEmpty()) {
    int nLength = 0;
    const sockaddr_in* pTo = nullptr;
    bool bAutoReply = false;
    const BYTE* pData = out.Front(&nLength, &pTo, &bAutoReply);
    const SEND_TARGET piece{target.pClient, out, pTo, target.local, pTo ? EndpointOf(*pTo) : target.peer};
    const CAutoReplyMark mark(m_record, bAutoReply);
    const int nSent = RawSend(piece, pData, nLength);
    if (nSent == SOCKET_ERROR) {
      const int nError = WSAGetLastError();
      if (IsWaitError(nError)) {
        AskWrite(target, nError);
        break;
      }
      // The connection is gone: what waited cannot go, and the record says how much.
      RecordSend(SOCKET_ERROR, pData, static_cast<int>(out.Clear()), piece.local, piece.peer, nError);
      break;
    }
    RecordSend(nSent, pData, nSent, piece.local, piece.peer, 0);
    out.Consume(nSent);
    nWent = WrappingAdd(nWent, nSent);
  }
  UpdateWriteEvents(target);
  return nWent;
}

// FD_WRITE says when a socket that would block takes more; the layer gives no word when it had
// no buffers, so the dialog looks again a millisecond later.
void CSocketTestDlg::AskWrite(const SEND_TARGET& target, int nError)
{
  UpdateWriteEvents(target);
  if (nError == WSAENOBUFS)
    SetTimer(ID_TIMER_SEND_RETRY, 1, nullptr);
}

// FD_WRITE is asked for while bytes wait or a tool watches, and only then.
void CSocketTestDlg::UpdateWriteEvents(const SEND_TARGET& target, BOOL bForce)
{
  COutbound& out = target.out;
  const BOOL bWant = !out.IsEmpty() || out.bWatched;
  if (bWant == out.bWriteAsked && !bForce)
    return;
  out.bWriteAsked = bWant;
  const SOCKET s = target.pClient ? target.pClient->hSocket : m_socket;
  WSAAsyncSelect(s, GetSafeHwnd(), WM_SOCKET_NOTIFY, bWant ? kChannelEvents | FD_WRITE : kChannelEvents);
}

SEND_TARGET CSocketTestDlg::ChannelTarget(const sockaddr_in* pTo, const TRAFFIC_ENDPOINT& peer)
{
  return {nullptr, m_outbound, pTo, m_ends.local, peer};
}

SEND_TARGET CSocketTestDlg::ClientTarget(CClient& client)
{
  return {&client, client.out, nullptr, client.local, client.peer};
}

SEND_RESULT CSocketTestDlg::Send(const CHANNEL_PEER& to, const BYTE* pData, int nLength, UINT nFlags)
{
  SEND_RESULT result;
  if (m_socket == INVALID_SOCKET)
    return result;
  const CAutoReplyMark mark(m_record, (nFlags & SEND_AUTO_REPLY) != 0);
  switch (to.kind) {
  case CHANNEL_PEER::PEER_CHANNEL:
    SendTo(ChannelTarget(m_ends.protocol == TRAFFIC_TCP ? nullptr : &m_addrDest, m_ends.peer), pData, nLength, nFlags,
           result);
    break;
  case CHANNEL_PEER::PEER_ADDRESS: {
    const sockaddr_in addrTo = MakeAddress(to.end.dwAddress, to.end.wPort);
    SendTo(ChannelTarget(&addrTo, to.end), pData, nLength, nFlags, result);
    break;
  }
  case CHANNEL_PEER::PEER_CLIENT:
  case CHANNEL_PEER::PEER_ALL_CLIENTS:
    for (int i = 0; i < m_clients.GetCount(); ++i) {
      CClient& client = m_clients.GetAt(i);
      if (to.kind == CHANNEL_PEER::PEER_ALL_CLIENTS || client.hSocket == to.hClient)
        SendTo(ClientTarget(client), pData, nLength, nFlags, result);
    }
    // A client that has gone cannot be answered: the record says so.
    if (to.kind == CHANNEL_PEER::PEER_CLIENT && result.nTargets == 0) {
      result.nFailed = 1;
      result.nError = WSAENOTCONN;
      RecordSend(SOCKET_ERROR, pData, nLength, m_ends.local, to.end, WSAENOTCONN);
    }
    break;
  }
  if (result.nSent > 0)
    AddSent(result.nSent);
  if (m_display.ShowsSent() && result.nFailed + result.nRefused + result.nSkipped < result.nTargets)
    ShowSentChunk(to, pData, (nFlags & SEND_PARTIAL) ? result.nSent : nLength, result.nTargets);
  return result;
}

// The display shows what was sent as it shows what came, with 发 and where it went.
void CSocketTestDlg::ShowSentChunk(const CHANNEL_PEER& to, const BYTE* pData, int nLength, int nTargets)
{
  JOURNAL_CHUNK chunk{platform::WallClockMicros(), to.end, 0, true, m_ends.protocol == TRAFFIC_TCP, false, 0, nLength};
  if (to.kind == CHANNEL_PEER::PEER_CHANNEL)
    chunk.peer = m_ends.peer;
  if (to.kind == CHANNEL_PEER::PEER_ALL_CLIENTS)
    chunk.nClients = nTargets;
  if (const CClient* pClient = to.kind == CHANNEL_PEER::PEER_CLIENT ? m_clients.Find(to.hClient) : nullptr)
    chunk.peer = pClient->peer;
  m_display.AddChunk(chunk, pData);
  ScheduleRedraw();
}

BOOL CSocketTestDlg::BuildSendBoxPayload(std::vector<BYTE>& payload)
{
  GetDlgItem(IDC_SEND_TEXT)->GetWindowText(m_strSend);
  PAYLOAD built = BuildPayload(m_strSend, IsChecked(IDC_HEX_SEND), m_sendOptions);
  if (built.nRefusal == PAYLOAD_EMPTY) {
    AfxMessageBox(PayloadRefusalText(built.nRefusal));
    return FALSE;
  }
  if (IsChecked(IDC_HEX_SEND)) {
    m_strSend = built.strShown;
    GetDlgItem(IDC_SEND_TEXT)->SetWindowText(m_strSend);
  }
  if (built.nRefusal != PAYLOAD_OK) {
    AfxMessageBox(PayloadRefusalText(built.nRefusal));
    return FALSE;
  }
  payload = std::move(built.bytes);
  return TRUE;
}

void CSocketTestDlg::AddSent(int nBytes)
{
  m_nSentBytes = WrappingAdd(m_nSentBytes, nBytes);
  if (m_nSentCountHolds > 0)
    return;
  CString strCount;
  strCount.Format("%d", m_nSentBytes);
  GetDlgItem(IDC_SENT_COUNT)->SetWindowText(strCount);
}

void CSocketTestDlg::HoldSentCount(BOOL bHold)
{
  m_nSentCountHolds += bHold ? 1 : -1;
  if (m_nSentCountHolds == 0)
    AddSent(0);
}

// Tools come and go seldom, never from inside a chunk they hear: the places of those that left
// are swept here.
void CSocketTestDlg::AddListener(CChannelListener* pListener)
{
  std::erase(m_listeners, nullptr);
  m_listeners.push_back(pListener);
}

void CSocketTestDlg::RemoveListener(CChannelListener* pListener)
{
  std::replace(m_listeners.begin(), m_listeners.end(), pListener, static_cast<CChannelListener*>(nullptr));
}

// A listener may leave while another is heard: the list is walked by index, and one that left is
// only marked gone.
void CSocketTestDlg::OfferChunk(CHANNEL_CHUNK& chunk)
{
  if (m_listeners.empty())
    return;
  chunk.nArrivalMicros = platform::MonotonicMicros();
  // Answers to a flood would cost a counter redraw each: their count is shown a frame later.
  const int nSentBefore = m_nSentBytes;
  ++m_nSentCountHolds;
  for (std::size_t i = 0; i < m_listeners.size(); ++i) {
    if (m_listeners[i])
      m_listeners[i]->OnChunk(chunk);
  }
  --m_nSentCountHolds;
  if (m_nSentBytes == nSentBefore)
    return;
  m_display.staging.bSentCountDue = TRUE;
  ScheduleRedraw();
}

// The socket's queue, or nullptr when the peer names no socket the channel holds.
COutbound* CSocketTestDlg::QueueOf(const CHANNEL_PEER& peer, CClient** ppClient)
{
  *ppClient = nullptr;
  if (peer.kind == CHANNEL_PEER::PEER_ALL_CLIENTS)
    return nullptr;
  if (peer.kind != CHANNEL_PEER::PEER_CLIENT)
    return m_socket != INVALID_SOCKET ? &m_outbound : nullptr;
  *ppClient = m_clients.Find(peer.hClient);
  return *ppClient ? &(*ppClient)->out : nullptr;
}

// A watch asked for anew gets FD_WRITE anew once the socket is writable.
BOOL CSocketTestDlg::WatchWritable(const CHANNEL_PEER& peer, BOOL bWatch)
{
  CClient* pClient = nullptr;
  COutbound* pOut = QueueOf(peer, &pClient);
  if (!pOut)
    return FALSE;
  pOut->bWatched = bWatch;
  UpdateWriteEvents({pClient, *pOut, nullptr, {}, {}}, bWatch);
  return TRUE;
}

// FD_WRITE: what waits goes first; the tools hear of it once nothing waits.
void CSocketTestDlg::OnSocketWritable(const CHANNEL_PEER& peer)
{
  CClient* pClient = nullptr;
  COutbound* pOut = QueueOf(peer, &pClient);
  if (!pOut)
    return;
  const int nWent = Flush(pClient ? ClientTarget(*pClient) : ChannelTarget(nullptr, m_ends.peer));
  if (nWent > 0)
    AddSent(nWent);
  if (!pOut->IsEmpty())
    return;
  for (std::size_t i = 0; i < m_listeners.size(); ++i) {
    if (m_listeners[i])
      m_listeners[i]->OnWritable(peer);
  }
}

// A socket that had no buffers is tried again.
void CSocketTestDlg::RetrySends()
{
  KillTimer(ID_TIMER_SEND_RETRY);
  if (m_socket == INVALID_SOCKET)
    return;
  OnSocketWritable(CHANNEL_PEER::Channel(m_ends.peer));
  for (int i = 0; i < m_clients.GetCount(); ++i)
    OnSocketWritable(CHANNEL_PEER::Client(m_clients.GetAt(i).hSocket));
}

// What waits when a socket goes never leaves: the record says how much.
void CSocketTestDlg::DropWaiting(COutbound& out, const TRAFFIC_ENDPOINT& local, const TRAFFIC_ENDPOINT& peer)
{
  const std::size_t nWaiting = out.Clear();
  out.bWriteAsked = FALSE;
  out.bWatched = FALSE;
  if (nWaiting > 0)
    m_record.AddEvent(TRAFFIC_SEND_FAILED, m_ends.protocol, local, peer, WSAESHUTDOWN, static_cast<int>(nWaiting));
}
