#include "dialog/TrafficRecord.h"

#include "platform/clock.h"

#include <algorithm>
#include <cstring>

TRAFFIC_ENDPOINT EndpointOf(const ws::sockaddr_in& addr)
{
  return {ws::ntohl(addr.sin_addr.s_addr), ws::ntohs(addr.sin_port)};
}

CTrafficRecord::CTrafficRecord(std::int64_t (*pfnClock)())
    : m_events(new TRAFFIC_EVENT[TRAFFIC_RECORD_LIMIT]),
      m_payload(new BYTE[TRAFFIC_PAYLOAD_BUDGET]),
      m_pfnClock(pfnClock ? pfnClock : platform::WallClockMicros)
{
}

CTrafficRecord::~CTrafficRecord() = default;

TRAFFIC_EVENT& CTrafficRecord::Append()
{
  ++m_nSerial;
  ++m_nAdded;
  if (m_nCount < TRAFFIC_RECORD_LIMIT)
    return m_events[(m_nFirst + m_nCount++) % TRAFFIC_RECORD_LIMIT];
  TRAFFIC_EVENT& oldest = m_events[m_nFirst];
  m_nFirst = (m_nFirst + 1) % TRAFFIC_RECORD_LIMIT;
  ++m_nDropped;
  return oldest;
}

void CTrafficRecord::AddData(TRAFFIC_KIND kind, TRAFFIC_PROTOCOL protocol, const TRAFFIC_ENDPOINT& local,
                             const TRAFFIC_ENDPOINT& peer, const BYTE* pData, int nLength)
{
  const std::int64_t nNow = m_pfnClock();
  if (nNow - m_nSecondStart >= 1000000 || nNow < m_nSecondStart) {
    m_nSecondStart = nNow;
    m_nStoredThisSecond = 0;
  }
  int nHeld = std::max(nLength, 0);
  if (m_nStoredThisSecond + nHeld > TRAFFIC_WHOLE_PER_SECOND)
    nHeld = std::min(nHeld, TRAFFIC_FLOOD_SNAP);
  m_nStoredThisSecond += nHeld;
  TRAFFIC_EVENT& e = Append();
  e = {nNow, kind, protocol, local, peer, nLength, nHeld, 0, m_nPayloadEnd, m_bMarkAutoReply};
  // The byte stream wraps around its budget; an event's bytes are held while the stream has not
  // run a whole budget past them.
  const std::size_t nAt = static_cast<std::size_t>(m_nPayloadEnd % TRAFFIC_PAYLOAD_BUDGET);
  const std::size_t nFirstPart = std::min<std::size_t>(static_cast<std::size_t>(nHeld), TRAFFIC_PAYLOAD_BUDGET - nAt);
  std::memcpy(m_payload.get() + nAt, pData, nFirstPart);
  std::memcpy(m_payload.get(), pData + nFirstPart, static_cast<std::size_t>(nHeld) - nFirstPart);
  m_nPayloadEnd += static_cast<std::uint64_t>(nHeld);
  if (m_pSink)
    m_pSink->OnTrafficEvent(e, pData);
}

void CTrafficRecord::AddEvent(TRAFFIC_KIND kind, TRAFFIC_PROTOCOL protocol, const TRAFFIC_ENDPOINT& local,
                              const TRAFFIC_ENDPOINT& peer, int nError, int nLength)
{
  TRAFFIC_EVENT& e = Append();
  e = {m_pfnClock(), kind, protocol, local, peer, nLength, 0, nError, m_nPayloadEnd, m_bMarkAutoReply};
  if (m_pSink)
    m_pSink->OnTrafficEvent(e, nullptr);
}

void CTrafficRecord::Clear()
{
  ++m_nSerial;
  m_nFirst = 0;
  m_nCount = 0;
  m_nDropped = 0;
  m_nClearedAt = m_nAdded;
}

const TRAFFIC_EVENT& CTrafficRecord::GetEvent(int nIndex) const
{
  return m_events[(m_nFirst + nIndex) % TRAFFIC_RECORD_LIMIT];
}

const TRAFFIC_EVENT* CTrafficRecord::FindEvent(std::uint64_t nNumber) const
{
  const std::uint64_t nFirst = GetFirstNumber();
  if (nNumber < nFirst || nNumber - nFirst >= static_cast<std::uint64_t>(m_nCount))
    return nullptr;
  return &GetEvent(static_cast<int>(nNumber - nFirst));
}

int CTrafficRecord::HeldPayload(const TRAFFIC_EVENT& event) const
{
  if (!IsDataEvent(event.kind))
    return 0;
  const std::uint64_t nEnd = event.nPayloadAt + static_cast<std::uint64_t>(std::max(event.nStored, 0));
  if (nEnd > m_nPayloadEnd || m_nPayloadEnd - event.nPayloadAt > TRAFFIC_PAYLOAD_BUDGET)
    return 0;
  return event.nStored;
}

int CTrafficRecord::CopyPayload(const TRAFFIC_EVENT& event, BYTE* pDest, int nMax) const
{
  const int nCopy = std::min(HeldPayload(event), nMax);
  if (nCopy <= 0)
    return 0;
  const std::size_t nAt = static_cast<std::size_t>(event.nPayloadAt % TRAFFIC_PAYLOAD_BUDGET);
  const std::size_t nFirstPart = std::min<std::size_t>(static_cast<std::size_t>(nCopy), TRAFFIC_PAYLOAD_BUDGET - nAt);
  std::memcpy(pDest, m_payload.get() + nAt, nFirstPart);
  std::memcpy(pDest + nFirstPart, m_payload.get(), static_cast<std::size_t>(nCopy) - nFirstPart);
  return nCopy;
}
