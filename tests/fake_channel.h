// A channel that only writes down what a tool asks of it, for the faults and timings a real socket
// does not give on demand: a socket that takes a few bytes at a time, a client that has gone.
#pragma once

#include "dialog/Channel.h"

#include <algorithm>
#include <string>
#include <vector>

namespace test {

class FakeChannel : public CChannel {
public:
  struct Sent {
    CHANNEL_PEER to;
    std::string bytes;
    UINT nFlags;
  };

  virtual ~FakeChannel() = default;
  BOOL CanSend(BOOL) override { return m_bOpen; }
  BOOL IsStream() override { return m_bStream; }
  CHANNEL_PEER DefaultPeer() override { return m_defaultPeer; }
  // Takes at most m_nTake bytes of a partial send (all when negative), then refuses with
  // m_nRefusal until Writable() is called.
  SEND_RESULT Send(const CHANNEL_PEER& to, const BYTE* pData, int nLength, UINT nFlags) override
  {
    SEND_RESULT result;
    result.nTargets = 1;
    if (m_bBlocked) {
      result.nFailed = 1;
      result.nError = m_nRefusal;
      return result;
    }
    int n = nLength;
    if ((nFlags & SEND_PARTIAL) && m_nTake >= 0) {
      n = std::min(nLength, m_nTake);
      m_bBlocked = true;
    }
    m_sent.push_back({to, std::string(reinterpret_cast<const char*>(pData), static_cast<std::size_t>(n)), nFlags});
    result.nSent = n;
    return result;
  }
  SEND_OPTIONS GetSendOptions() override { return m_options; }
  BOOL BuildSendBoxPayload(std::vector<BYTE>& payload) override
  {
    if (m_payload.empty())
      return FALSE;
    payload.assign(m_payload.begin(), m_payload.end());
    return TRUE;
  }
  void HoldSentCount(BOOL bHold) override { m_nHolds += bHold ? 1 : -1; }
  void AddListener(CChannelListener* p) override { m_listeners.push_back(p); }
  void RemoveListener(CChannelListener* p) override { std::erase(m_listeners, p); }
  BOOL WatchWritable(const CHANNEL_PEER&, BOOL bWatch) override
  {
    m_bWatched = bWatch != FALSE;
    return TRUE;
  }

  // The socket takes more: what FD_WRITE tells the listeners.
  void Writable()
  {
    m_bBlocked = false;
    for (CChannelListener* p : std::vector<CChannelListener*>(m_listeners))
      p->OnWritable(m_defaultPeer);
  }
  void Close()
  {
    m_bOpen = FALSE;
    for (CChannelListener* p : std::vector<CChannelListener*>(m_listeners))
      p->OnChannelClosed();
  }
  std::string AllSent() const
  {
    std::string all;
    for (const Sent& s : m_sent)
      all += s.bytes;
    return all;
  }

  BOOL m_bOpen = TRUE;
  BOOL m_bStream = TRUE;
  CHANNEL_PEER m_defaultPeer = CHANNEL_PEER::Channel();
  std::string m_payload = "tick";
  SEND_OPTIONS m_options;
  int m_nTake = -1;
  int m_nRefusal = ws::WSAEWOULDBLOCK;
  bool m_bBlocked = false;
  bool m_bWatched = false;
  int m_nHolds = 0;
  std::vector<Sent> m_sent;
  std::vector<CChannelListener*> m_listeners;
};

}  // namespace test
