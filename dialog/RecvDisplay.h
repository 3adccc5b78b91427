// What the receive display shows, and when: the receive buffer as the display always showed it,
// or, with the options on, the chunks with their time and sender, every byte visible; the pace of
// its redraws (once a frame at most) and whether it is paused.
#pragma once

#include "dialog/RecvJournal.h"
#include "dialog/RecvOptions.h"
#include "dialog/RecvStaging.h"
#include "platform/cstring.h"

#include <string>

class CRecvDisplay {
public:
  explicit CRecvDisplay(int nBudget) : m_journal(nBudget) {}

  const CRecvOptions& Options() const { return m_options; }
  // New options: a journal that starts now holds what the buffer held, without time or sender.
  void SetOptions(const CRecvOptions& options, const BYTE* pBuffer, int nLength);
  BOOL KeepsChunks() const { return m_options.KeepsChunks(); }
  BOOL ShowsSent() const { return m_options.ShowsSent(); }
  void AddChunk(const JOURNAL_CHUNK& chunk, const BYTE* pData) { m_journal.Add(chunk, pData); }
  void Clear() { m_journal.Clear(); }
  // The display's text: bCut when the buffer's first bytes gave way.
  CString Render(const BYTE* pBuffer, int nLength, BOOL bCut, BOOL bHex) const;

  CRecvStaging staging;
  BOOL bPaused = FALSE;

private:
  CRecvOptions m_options;
  CRecvJournal m_journal;
};

// Writes chunks' prefixes, "[12:00:00.123] 127.0.0.1:7001 收: " or "[...] 3 个客户端 发: " for a send
// to every client; the second's text and the peer's are worked out once while they stay the same.
class CPrefixWriter {
public:
  void Append(std::string& out, const JOURNAL_CHUNK& chunk);

private:
  std::int64_t m_nSecond = -1;
  std::string m_strSecond;
  TRAFFIC_ENDPOINT m_peer{};
  std::string m_strPeer;
};
CString JournalPrefix(const JOURNAL_CHUNK& chunk);
