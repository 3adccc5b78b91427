// The seam every tool plugs into: each chunk that arrives is offered with its peer, after it is
// counted and recorded, and bytes sent to a named peer go out counted and recorded as a click's do.
#pragma once

#include "codec/sendcodec.h"
#include "dialog/TrafficRecord.h"

#include <cstdint>
#include <vector>

// Who a chunk came from, or where a send goes.
struct CHANNEL_PEER {
  enum KIND : BYTE {
    PEER_CHANNEL,      // the TCP peer, or the datagram modes' destination
    PEER_ADDRESS,      // a datagram's address and port (the datagram modes only)
    PEER_CLIENT,       // one of the server's clients, by its handle
    PEER_ALL_CLIENTS,  // every client the server holds
  };
  KIND kind = PEER_CHANNEL;
  // PEER_ADDRESS: where the datagram goes. Of an arriving chunk: the address it came from.
  TRAFFIC_ENDPOINT end{};
  ws::SOCKET hClient = ws::INVALID_SOCKET;

  static CHANNEL_PEER Channel(const TRAFFIC_ENDPOINT& end = {}) { return {PEER_CHANNEL, end, ws::INVALID_SOCKET}; }
  static CHANNEL_PEER Address(const TRAFFIC_ENDPOINT& end) { return {PEER_ADDRESS, end, ws::INVALID_SOCKET}; }
  static CHANNEL_PEER Client(ws::SOCKET h, const TRAFFIC_ENDPOINT& end = {}) { return {PEER_CLIENT, end, h}; }
  static CHANNEL_PEER AllClients() { return {PEER_ALL_CLIENTS, {}, ws::INVALID_SOCKET}; }
};

// Whether two peers are reached through the same socket: the channel's own, or one client's.
inline bool IsSameSocket(const CHANNEL_PEER& a, const CHANNEL_PEER& b)
{
  const auto isClient = [](const CHANNEL_PEER& p) { return p.kind == CHANNEL_PEER::PEER_CLIENT; };
  const auto isChannel = [](const CHANNEL_PEER& p) {
    return p.kind == CHANNEL_PEER::PEER_CHANNEL || p.kind == CHANNEL_PEER::PEER_ADDRESS;
  };
  return (isClient(a) && isClient(b) && a.hClient == b.hClient) || (isChannel(a) && isChannel(b));
}

struct CHANNEL_CHUNK {
  CHANNEL_PEER from;  // a send to it answers the sender
  const BYTE* pData;
  int nLength;
  std::uint64_t nArrivalMicros;  // on the monotonic clock, when the read returned
};

// Send flags.
// Send flags. Without them a send goes whole and in order: what a socket does not take at once
// waits for it, behind what waited before, up to OUTBOUND_LIMIT bytes a socket.
enum : UINT {
  // Takes what the socket takes now and says how much; a refusal that says to wait (would block,
  // no buffers, or bytes of an earlier send still waiting) is not recorded as a failure, as the
  // caller sends the same bytes again once it hears OnWritable.
  SEND_PARTIAL = 0x2,
  // A socket that still holds bytes of an earlier send is skipped rather than given more.
  SEND_SKIP_IF_WAITING = 0x4,
  // The bytes answer a chunk by themselves (an automatic reply): the record says so.
  SEND_AUTO_REPLY = 0x8,
};

struct SEND_RESULT {
  int nSent = 0;               // bytes the sockets took now, added up
  int nTargets = 0;            // sockets the send went to
  int nFailed = 0;             // of them, those whose send failed (recorded with its error)
  int nError = 0;              // the last failure's error
  int nQueued = 0;             // bytes that wait for their sockets to take more
  int nSkipped = 0;            // sockets skipped, still holding an earlier send (SEND_SKIP_IF_WAITING)
  int nRefused = 0;            // sockets that refused the bytes: what waits there would pass the limit
  TRAFFIC_ENDPOINT refused{};  // the first of them
};

// What a tool hears of the channel. Handlers run on the event loop, inside the dialog's own
// handlers: they may send, but a long piece of work belongs on a timer.
class CChannelListener {
public:
  virtual void OnChunk(const CHANNEL_CHUNK& chunk) { (void)chunk; }
  // The socket behind the peer takes more after a send that it refused for want of room.
  virtual void OnWritable(const CHANNEL_PEER& peer) { (void)peer; }
  // The channel closed, whichever way: nothing more arrives and nothing can be sent.
  virtual void OnChannelClosed() {}

protected:
  ~CChannelListener() = default;
};

class CChannel {
public:
  // Whether a send can go now; when not, and bTell, the user is told why.
  virtual BOOL CanSend(BOOL bTell) = 0;
  // A TCP connection or the server's clients: bytes go as a stream.
  virtual BOOL IsStream() = 0;
  // Where a click's send goes: the channel's peer, or in the server mode every client.
  virtual CHANNEL_PEER DefaultPeer() = 0;
  virtual SEND_RESULT Send(const CHANNEL_PEER& to, const BYTE* pData, int nLength, UINT nFlags = 0) = 0;
  // The send options (发送设置) as they stand: escapes, line ending, checksum.
  virtual SEND_OPTIONS GetSendOptions() = 0;
  // The send box's payload as a click builds it; FALSE once the user has been told why there is
  // none (the message box's loop runs: the channel may have closed meanwhile).
  virtual BOOL BuildSendBoxPayload(std::vector<BYTE>& payload) = 0;
  // While held, sends update the sent counter's number but not its text; the last release shows it.
  virtual void HoldSentCount(BOOL bHold) = 0;

  virtual void AddListener(CChannelListener* pListener) = 0;
  virtual void RemoveListener(CChannelListener* pListener) = 0;
  // Asks for OnWritable of the peer's socket (FD_WRITE), or stops asking; FALSE when the socket
  // cannot be watched.
  virtual BOOL WatchWritable(const CHANNEL_PEER& peer, BOOL bWatch) = 0;

protected:
  ~CChannel() = default;
};

// Holds the sent counter's text for a run of sends, and shows it once at the end.
class CSentCountHold {
public:
  explicit CSentCountHold(CChannel& channel) : m_channel(channel) { m_channel.HoldSentCount(TRUE); }
  ~CSentCountHold() { m_channel.HoldSentCount(FALSE); }
  CSentCountHold(const CSentCountHold&) = delete;
  CSentCountHold& operator=(const CSentCountHold&) = delete;

private:
  CChannel& m_channel;
};
