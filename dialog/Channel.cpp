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
  if (GetMode() == MODE_TCP_SERVER)
    return CHANNEL_PEER::AllClients();
  return CHANNEL_PEER::Channel(m_ends.peer);
}

// One socket call, recorded; what it took is added to the result. The record says why nothing
// left, unless the caller is to send the same bytes again.
int CSocketTestDlg::SendOn(SOCKET s, const sockaddr_in* pTo, const BYTE* pData, int nLength, UINT nFlags,
                           const TRAFFIC_ENDPOINT& local, const TRAFFIC_ENDPOINT& peer, SEND_RESULT& result)
{
  const char* p = reinterpret_cast<const char*>(pData);
  const int nSent =
      pTo ? sendto(s, p, nLength, 0, reinterpret_cast<const sockaddr*>(pTo), sizeof *pTo) : send(s, p, nLength, 0);
  ++result.nTargets;
  if (nSent == SOCKET_ERROR) {
    const int nError = WSAGetLastError();
    ++result.nFailed;
    result.nError = nError;
    if (!((nFlags & SEND_PARTIAL) && IsWaitError(nError)))
      RecordSend(nSent, pData, nLength, local, peer, nError);
    return 0;
  }
  RecordSend(nSent, pData, nSent, local, peer, 0);
  result.nSent = WrappingAdd(result.nSent, nSent);
  return nSent;
}

SEND_RESULT CSocketTestDlg::Send(const CHANNEL_PEER& to, const BYTE* pData, int nLength, UINT nFlags)
{
  SEND_RESULT result;
  if (m_socket == INVALID_SOCKET)
    return result;
  switch (to.kind) {
  case CHANNEL_PEER::PEER_CHANNEL:
    if (m_ends.protocol == TRAFFIC_TCP)
      SendOn(m_socket, nullptr, pData, nLength, nFlags, m_ends.local, m_ends.peer, result);
    else
      SendOn(m_socket, &m_addrDest, pData, nLength, nFlags, m_ends.local, m_ends.peer, result);
    break;
  case CHANNEL_PEER::PEER_ADDRESS: {
    const sockaddr_in addrTo = MakeAddress(to.end.dwAddress, to.end.wPort);
    SendOn(m_socket, &addrTo, pData, nLength, nFlags, m_ends.local, to.end, result);
    break;
  }
  case CHANNEL_PEER::PEER_CLIENT:
  case CHANNEL_PEER::PEER_ALL_CLIENTS:
    for (int i = 0; i < m_clients.GetCount(); ++i) {
      CClient& client = m_clients.GetAt(i);
      if (to.kind == CHANNEL_PEER::PEER_CLIENT && client.hSocket != to.hClient)
        continue;
      const int nSent = SendOn(client.hSocket, nullptr, pData, nLength, nFlags, client.local, client.peer, result);
      client.nSentBytes += static_cast<std::uint64_t>(nSent);
    }
    // A client that has gone cannot be answered: the record says so.
    if (to.kind == CHANNEL_PEER::PEER_CLIENT && result.nTargets == 0) {
      result = {0, 0, 1, WSAENOTCONN};
      RecordSend(SOCKET_ERROR, pData, nLength, m_ends.local, to.end, WSAENOTCONN);
    }
    break;
  }
  if (result.nSent > 0)
    AddSent(result.nSent);
  return result;
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
  for (std::size_t i = 0; i < m_listeners.size(); ++i) {
    if (m_listeners[i])
      m_listeners[i]->OnChunk(chunk);
  }
}

BOOL CSocketTestDlg::WatchWritable(const CHANNEL_PEER& peer, BOOL bWatch)
{
  SOCKET s = m_socket;
  if (peer.kind == CHANNEL_PEER::PEER_CLIENT) {
    const CClient* pClient = m_clients.Find(peer.hClient);
    s = pClient ? pClient->hSocket : INVALID_SOCKET;
  }
  if (s == INVALID_SOCKET)
    return FALSE;
  const long lEvents = bWatch ? kChannelEvents | FD_WRITE : kChannelEvents;
  return WSAAsyncSelect(s, GetSafeHwnd(), WM_SOCKET_NOTIFY, lEvents) != SOCKET_ERROR;
}

void CSocketTestDlg::OnSocketWritable(const CHANNEL_PEER& peer)
{
  for (std::size_t i = 0; i < m_listeners.size(); ++i) {
    if (m_listeners[i])
      m_listeners[i]->OnWritable(peer);
  }
}
