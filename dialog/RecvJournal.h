// The chunks the receive display shows when its options are on, newest last, with their time,
// direction and peer: as many whole chunks as fit the receive buffer's size, older ones giving way.
#pragma once

#include "dialog/TrafficRecord.h"

#include <cstdint>
#include <deque>
#include <vector>

struct JOURNAL_CHUNK {
  std::int64_t nTimeMicros;  // 0: bytes from before the journal began, time and sender unknown
  TRAFFIC_ENDPOINT peer;     // the sender, or where the bytes went
  int nClients;              // sent to every client: how many, and no peer
  bool bSent;
  bool bStream;  // from a stream: a character may run on from the chunk before
  bool bCut;     // its first bytes gave way
  std::size_t nAt;
  int nLength;
};

class CRecvJournal {
public:
  explicit CRecvJournal(int nBudget);

  // Keeps the chunk; one longer than the budget keeps its last bytes.
  void Add(JOURNAL_CHUNK chunk, const BYTE* pData);
  void Clear();
  int GetCount() const { return static_cast<int>(m_chunks.size()); }
  const JOURNAL_CHUNK& GetAt(int nIndex) const { return m_chunks[static_cast<std::size_t>(nIndex)]; }
  const BYTE* BytesOf(const JOURNAL_CHUNK& chunk) const { return m_bytes.data() + chunk.nAt; }

private:
  std::size_t m_nBudget;
  std::deque<JOURNAL_CHUNK> m_chunks;
  // Twice the budget: chunks are appended until the end, then the held ones move to the front.
  std::vector<BYTE> m_bytes;
  std::size_t m_nEnd = 0;
  std::size_t m_nHeld = 0;
};
