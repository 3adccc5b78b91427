// The traffic record: every chunk sent or received and every channel event, with its time and
// peer, the newest TRAFFIC_RECORD_LIMIT of them held in memory; a sink sees each event as it comes.
#pragma once

#include "platform/winsock.h"

#include <cstdint>
#include <memory>

inline constexpr int TRAFFIC_RECORD_LIMIT = 100000;
// Payload bytes held beside the events; the oldest payloads give way first.
inline constexpr int TRAFFIC_PAYLOAD_BUDGET = 8 * 1024 * 1024;
// Every byte is kept while a second's chunks bring no more than this, which holds several
// seconds of history whole; past it, as under a flood, each chunk keeps its first bytes only, as
// a capture's snapshot length does, so that recording costs a flood little and keeps its events.
inline constexpr int TRAFFIC_WHOLE_PER_SECOND = TRAFFIC_PAYLOAD_BUDGET / 4;
inline constexpr int TRAFFIC_FLOOD_SNAP = 64;

enum TRAFFIC_KIND : BYTE {
  TRAFFIC_RECEIVED,
  TRAFFIC_SENT,
  TRAFFIC_SEND_FAILED,
  TRAFFIC_OPENED,
  TRAFFIC_CLOSED,
  TRAFFIC_CLIENT_CONNECTED,
  TRAFFIC_CLIENT_CLOSED,
  TRAFFIC_CLIENT_REFUSED,
  // The server could not take a connection for want of descriptors: connections wait.
  TRAFFIC_ACCEPT_WAITING,
  // The user closed a client's connection (the client list's 断开).
  TRAFFIC_CLIENT_DROPPED,
};

enum TRAFFIC_PROTOCOL : BYTE { TRAFFIC_TCP, TRAFFIC_UDP };

// Addresses and ports in host order.
struct TRAFFIC_ENDPOINT {
  DWORD dwAddress;
  WORD wPort;
};

struct TRAFFIC_EVENT {
  std::int64_t nTimeMicros;  // since the epoch
  TRAFFIC_KIND kind;
  TRAFFIC_PROTOCOL protocol;
  TRAFFIC_ENDPOINT local;
  TRAFFIC_ENDPOINT peer;
  int nLength;               // payload bytes of data, the bytes meant to go of a failed send, else 0
  int nStored;               // of a data event's bytes, how many went into the record (the first)
  int nError;                // the socket error of a failed send
  std::uint64_t nPayloadAt;  // where the payload starts in the record's byte stream
  bool bAutoReply = false;   // sent (or meant to be) by an automatic reply
};

TRAFFIC_ENDPOINT EndpointOf(const ws::sockaddr_in& addr);
inline bool IsDataEvent(TRAFFIC_KIND kind)
{
  return kind == TRAFFIC_RECEIVED || kind == TRAFFIC_SENT;
}

class CTrafficSink {
public:
  virtual ~CTrafficSink() = default;
  virtual void OnTrafficEvent(const TRAFFIC_EVENT& event, const BYTE* pPayload) = 0;
};

class CTrafficRecord {
public:
  // The clock gives each event its time; tests pass their own.
  explicit CTrafficRecord(std::int64_t (*pfnClock)() = nullptr);
  ~CTrafficRecord();
  CTrafficRecord(const CTrafficRecord&) = delete;
  CTrafficRecord& operator=(const CTrafficRecord&) = delete;

  void AddData(TRAFFIC_KIND kind, TRAFFIC_PROTOCOL protocol, const TRAFFIC_ENDPOINT& local,
               const TRAFFIC_ENDPOINT& peer, const BYTE* pData, int nLength);
  // A failed send gives its error and the bytes it meant to send.
  void AddEvent(TRAFFIC_KIND kind, TRAFFIC_PROTOCOL protocol, const TRAFFIC_ENDPOINT& local,
                const TRAFFIC_ENDPOINT& peer, int nError = 0, int nLength = 0);
  void Clear();

  // Events held, oldest first: index 0 is the oldest still held.
  int GetCount() const { return m_nCount; }
  const TRAFFIC_EVENT& GetEvent(int nIndex) const;
  // The event with this number (see GetFirstNumber), or nullptr once it gave way.
  const TRAFFIC_EVENT* FindEvent(std::uint64_t nNumber) const;
  // Copies up to nMax bytes of the event's payload that are still held; returns how many.
  int CopyPayload(const TRAFFIC_EVENT& event, BYTE* pDest, int nMax) const;
  // The payload bytes still held of this event: those it stored, or none once they gave way.
  int HeldPayload(const TRAFFIC_EVENT& event) const;
  // Grows by one with every event added, cleared or not, so a viewer can tell it has news.
  std::uint64_t GetSerial() const { return m_nSerial; }
  // Events that gave way to newer ones since the last Clear.
  std::uint64_t GetDropped() const { return m_nDropped; }
  // Every event gets the next number, from 0 at start-up: the number of the oldest held (and,
  // when none is, of the next to come). A viewer tells by it how many rows gave way.
  std::uint64_t GetFirstNumber() const { return m_nClearedAt + m_nDropped; }

  void SetSink(CTrafficSink* pSink) { m_pSink = pSink; }
  // While set, the events added are marked as an automatic reply's.
  void MarkAutoReply(bool bMark) { m_bMarkAutoReply = bMark; }
  bool IsMarkingAutoReply() const { return m_bMarkAutoReply; }
  CTrafficSink* GetSink() const { return m_pSink; }

private:
  TRAFFIC_EVENT& Append();

  // Allocated, not cleared: pages are touched only as the record fills.
  std::unique_ptr<TRAFFIC_EVENT[]> m_events;
  std::unique_ptr<BYTE[]> m_payload;
  int m_nFirst = 0;
  int m_nCount = 0;
  std::uint64_t m_nPayloadEnd = 0;
  std::uint64_t m_nSerial = 0;
  std::uint64_t m_nDropped = 0;
  std::uint64_t m_nAdded = 0;
  std::uint64_t m_nClearedAt = 0;
  // Bytes stored whole in the second that began at m_nSecondStart.
  std::int64_t m_nSecondStart = 0;
  std::int64_t m_nStoredThisSecond = 0;
  CTrafficSink* m_pSink = nullptr;
  std::int64_t (*m_pfnClock)();
  bool m_bMarkAutoReply = false;
};

// Marks the events added while it lives as an automatic reply's (or not), then puts the mark back.
class CAutoReplyMark {
public:
  CAutoReplyMark(CTrafficRecord& record, bool bMark) : m_record(record), m_bWas(record.IsMarkingAutoReply())
  {
    m_record.MarkAutoReply(bMark);
  }
  ~CAutoReplyMark() { m_record.MarkAutoReply(m_bWas); }
  CAutoReplyMark(const CAutoReplyMark&) = delete;
  CAutoReplyMark& operator=(const CAutoReplyMark&) = delete;

private:
  CTrafficRecord& m_record;
  bool m_bWas;
};
