// Which of the record's events the record window shows (by direction, peer and content, each
// optional), and the rows it shows, kept up with the record as events come and give way.
#pragma once

#include "dialog/TrafficRecord.h"
#include "platform/cstring.h"

#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

enum TRAFFIC_DIRECTION {
  TRAFFIC_DIR_ALL,
  TRAFFIC_DIR_RECEIVED,
  TRAFFIC_DIR_SENT,
  TRAFFIC_DIR_EVENTS,
  TRAFFIC_DIRECTIONS
};

struct TRAFFIC_FILTER {
  int nDirection = TRAFFIC_DIR_ALL;
  bool bPeer = false;
  TRAFFIC_ENDPOINT peer{};  // a port of 0 is any port
  std::string content;      // bytes found anywhere in one chunk; empty: any

  bool IsEmpty() const { return nDirection == TRAFFIC_DIR_ALL && !bPeer && content.empty(); }
};

// "" (any peer), "a.b.c.d" or "a.b.c.d:port", spaces around it allowed; FALSE for anything else.
BOOL ParsePeerFilter(const CString& strPeer, TRAFFIC_FILTER& filter);
// The bytes to look for: the text in the display's encoding, or hex digits in pairs, spaces,
// commas, colons and dashes between bytes allowed; FALSE for hex that is not.
BOOL ParseContentFilter(const CString& strContent, BOOL bHex, int nEncoding, std::string& bytes);

BOOL MatchesDirection(const TRAFFIC_EVENT& event, int nDirection);
BOOL MatchesPeer(const TRAFFIC_EVENT& event, const TRAFFIC_FILTER& filter);

class CTrafficRows {
public:
  // The rows are found again at the next Update.
  void SetFilter(const TRAFFIC_FILTER& filter);
  const TRAFFIC_FILTER& GetFilter() const { return m_filter; }
  BOOL IsFiltering() const { return !m_filter.IsEmpty(); }
  // Follows the record: the rows of events that gave way leave from the front (their number is
  // returned), the events added since are looked at.
  int Update(const CTrafficRecord& record);

  int GetCount() const;
  // The record's number of the row's event.
  std::uint64_t GetNumber(int nRow) const;
  // The row that shows the event, or -1.
  int FindRow(std::uint64_t nNumber) const;
  // The first row after nAfter (-1: from the top), wrapping round, whose bytes hold the content; -1.
  int FindNext(const CTrafficRecord& record, int nAfter, const std::string& content);
  // Every peer the record's events had since the rows began, in order; at most TRAFFIC_PEERS_SEEN.
  const std::set<std::uint64_t>& GetPeersSeen() const { return m_peers; }

private:
  BOOL Matches(const CTrafficRecord& record, const TRAFFIC_EVENT& event);
  BOOL Holds(const CTrafficRecord& record, const TRAFFIC_EVENT& event, const std::string& content);

  TRAFFIC_FILTER m_filter;
  BOOL m_bRescan = TRUE;
  // While filtering, the numbers of the events shown, oldest first; otherwise every event held.
  std::deque<std::uint64_t> m_numbers;
  std::uint64_t m_nFirst = 0;  // unfiltered: the number of the first row
  int m_nCount = 0;            // unfiltered: rows
  std::uint64_t m_nNext = 0;   // the number of the next event to look at
  std::set<std::uint64_t> m_peers;
  std::vector<BYTE> m_payload;
};

inline constexpr int TRAFFIC_PEERS_SEEN = 64;
// A peer as GetPeersSeen keeps it, and back.
inline std::uint64_t PeerKey(const TRAFFIC_ENDPOINT& peer)
{
  return (static_cast<std::uint64_t>(peer.dwAddress) << 16) | peer.wPort;
}
inline TRAFFIC_ENDPOINT PeerOfKey(std::uint64_t nKey)
{
  return {static_cast<DWORD>(nKey >> 16), static_cast<WORD>(nKey & 0xFFFF)};
}
