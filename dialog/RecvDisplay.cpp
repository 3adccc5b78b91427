#include "dialog/RecvDisplay.h"

#include "codec/displaycodec.h"
#include "codec/hexcodec.h"
#include "dialog/TrafficText.h"

#include <string>
#include <vector>

void CRecvDisplay::SetOptions(const CRecvOptions& options, const BYTE* pBuffer, int nLength)
{
  const BOOL bStarts = options.KeepsChunks() && !m_options.KeepsChunks();
  m_options = options;
  if (!options.KeepsChunks() || bStarts)
    m_journal.Clear();
  if (bStarts && nLength > 0)
    m_journal.Add({0, {}, 0, false, false, false, 0, nLength}, pBuffer);
}

namespace {
// The display shows at most as many characters as a full buffer in hex takes: enough for what fits
// on screen many times over, and no slower to lay out than the display always was.
constexpr std::size_t kDisplayCharacters = 3 * 65536;
// And at most this many chunks, each a line or more: hundreds of screens of them.
constexpr int kDisplayChunks = 2048;

// About how many characters a chunk takes on the display.
std::size_t ShownLength(const JOURNAL_CHUNK& chunk, BOOL bHex, BOOL bPrefix)
{
  const auto nBytes = static_cast<std::size_t>(chunk.nLength);
  return (bPrefix ? 40 : 0) + (bHex ? 3 * nBytes : nBytes) + 2;
}
}  // namespace

CString CRecvDisplay::Render(const BYTE* pBuffer, int nLength, BOOL bCut, BOOL bHex) const
{
  if (m_options.IsDefault())
    return RenderReceiveBuffer(pBuffer, nLength, bHex);
  DISPLAY_FORMAT format;
  format.bHex = bHex;
  format.bLinePerChunk = m_options.bShowPeer;
  format.bBreakAfter = m_options.bBreakPerChunk;
  format.nControls = m_options.nControls;
  format.nEncoding = m_options.nEncoding;
  if (!m_options.KeepsChunks())
    return RenderDisplayText(pBuffer, nLength, bCut != FALSE, format);
  // The newest chunks that fit the display's characters, oldest first.
  int nFirst = m_journal.GetCount();
  for (std::size_t nShown = 0; nFirst > 0 && m_journal.GetCount() - nFirst < kDisplayChunks; --nFirst) {
    nShown += ShownLength(m_journal.GetAt(nFirst - 1), bHex, m_options.bShowPeer);
    if (nShown > kDisplayCharacters)
      break;
  }
  const int nCount = m_journal.GetCount() - nFirst;
  std::string prefixes;
  std::vector<std::size_t> ends(static_cast<std::size_t>(nCount));
  std::vector<DISPLAY_CHUNK> chunks(static_cast<std::size_t>(nCount));
  CPrefixWriter writer;
  for (int i = 0; i < nCount; ++i) {
    const JOURNAL_CHUNK& chunk = m_journal.GetAt(nFirst + i);
    if (m_options.bShowPeer && chunk.nTimeMicros != 0)
      writer.Append(prefixes, chunk);
    ends[static_cast<std::size_t>(i)] = prefixes.size();
  }
  std::size_t nAt = 0;
  for (int i = 0; i < nCount; ++i) {
    const auto n = static_cast<std::size_t>(i);
    const JOURNAL_CHUNK& chunk = m_journal.GetAt(nFirst + i);
    const JOURNAL_CHUNK* pBefore = i > 0 ? &m_journal.GetAt(nFirst + i - 1) : nullptr;
    const bool bContinues = pBefore && chunk.bStream && pBefore->bStream && pBefore->bSent == chunk.bSent &&
                            pBefore->peer.dwAddress == chunk.peer.dwAddress && pBefore->peer.wPort == chunk.peer.wPort;
    const std::string_view prefix(prefixes.data() + nAt, ends[n] - nAt);
    chunks[n] = {prefix, m_journal.BytesOf(chunk), chunk.nLength, bContinues, chunk.bCut || (i == 0 && nFirst > 0)};
    nAt = ends[n];
  }
  return RenderDisplayChunks(chunks.data(), nCount, format);
}

void CPrefixWriter::Append(std::string& out, const JOURNAL_CHUNK& chunk)
{
  const std::int64_t nSecond = chunk.nTimeMicros / 1000000;
  if (nSecond != m_nSecond) {
    m_nSecond = nSecond;
    m_strSecond = TrafficTimeText(nSecond * 1000000).str().substr(0, 8);
  }
  if (chunk.nClients == 0 &&
      (chunk.peer.dwAddress != m_peer.dwAddress || chunk.peer.wPort != m_peer.wPort || m_strPeer.empty())) {
    m_peer = chunk.peer;
    m_strPeer = TrafficEndpointText(chunk.peer).str();
  }
  const auto nMillis = static_cast<int>(chunk.nTimeMicros / 1000 % 1000);
  out += '[';
  out += m_strSecond;
  out += '.';
  out += static_cast<char>('0' + nMillis / 100);
  out += static_cast<char>('0' + nMillis / 10 % 10);
  out += static_cast<char>('0' + nMillis % 10);
  out += "] ";
  if (chunk.nClients > 0) {
    out += std::to_string(chunk.nClients);
    out += " 个客户端";
  } else {
    out += m_strPeer;
  }
  out += chunk.bSent ? " 发: " : " 收: ";
}

CString JournalPrefix(const JOURNAL_CHUNK& chunk)
{
  std::string out;
  CPrefixWriter().Append(out, chunk);
  return CString(std::move(out));
}
