#include "dialog/TrafficFilter.h"

#include "codec/hexcodec.h"
#include "codec/textcodec.h"

#include <algorithm>
#include <string_view>

namespace {
bool IsSpace(char ch)
{
  return ch == ' ' || ch == '\t';
}

std::string_view Trimmed(std::string_view text)
{
  while (!text.empty() && IsSpace(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back()))
    text.remove_suffix(1);
  return text;
}

// A decimal number from 0 to nMax, all of the text.
bool ParseNumber(std::string_view text, unsigned nMax, unsigned* pnValue)
{
  if (text.empty() || text.size() > 5)
    return false;
  unsigned nValue = 0;
  for (const char ch : text) {
    if (ch < '0' || ch > '9')
      return false;
    nValue = nValue * 10 + static_cast<unsigned>(ch - '0');
  }
  *pnValue = nValue;
  return nValue <= nMax;
}

bool IsHexSeparator(char ch)
{
  return IsSpace(ch) || ch == ',' || ch == ':' || ch == '-';
}
}  // namespace

BOOL ParsePeerFilter(const CString& strPeer, TRAFFIC_FILTER& filter)
{
  std::string_view text = Trimmed(strPeer.str());
  filter.bPeer = false;
  filter.peer = {};
  if (text.empty())
    return TRUE;
  unsigned nPort = 0;
  if (const std::size_t nColon = text.find(':'); nColon != std::string_view::npos) {
    if (!ParseNumber(text.substr(nColon + 1), 65535, &nPort) || nPort == 0)
      return FALSE;
    text = text.substr(0, nColon);
  }
  DWORD dwAddress = 0;
  for (int i = 0; i < 4; ++i) {
    const std::size_t nDot = i < 3 ? text.find('.') : text.size();
    unsigned nPart = 0;
    if (nDot == std::string_view::npos || !ParseNumber(text.substr(0, nDot), 255, &nPart))
      return FALSE;
    dwAddress = (dwAddress << 8) | nPart;
    text = i < 3 ? text.substr(nDot + 1) : std::string_view{};
  }
  filter.bPeer = true;
  filter.peer = {dwAddress, static_cast<WORD>(nPort)};
  return TRUE;
}

BOOL ParseContentFilter(const CString& strContent, BOOL bHex, int nEncoding, std::string& bytes)
{
  bytes.clear();
  if (!bHex) {
    EncodeText(strContent.str(), nEncoding, bytes);
    return TRUE;
  }
  // Pairs of digits: "4142" is two bytes, a lone digit is none.
  std::string digits;
  for (const char ch : strContent.str()) {
    if (IsHexSeparator(ch)) {
      if (digits.size() % 2 != 0)
        return FALSE;
      continue;
    }
    if (HexDigitValue(ch) == 0xFF)
      return FALSE;
    digits += ch;
  }
  if (digits.size() % 2 != 0)
    return FALSE;
  for (std::size_t i = 0; i < digits.size(); i += 2)
    bytes += static_cast<char>(HexDigitValue(digits[i]) << 4 | HexDigitValue(digits[i + 1]));
  return TRUE;
}

BOOL MatchesDirection(const TRAFFIC_EVENT& e, int nDirection)
{
  switch (nDirection) {
  case TRAFFIC_DIR_RECEIVED:
    return e.kind == TRAFFIC_RECEIVED;
  // A failed send is both what was meant to go out and a thing that happened to the channel.
  case TRAFFIC_DIR_SENT:
    return e.kind == TRAFFIC_SENT || e.kind == TRAFFIC_SEND_FAILED;
  case TRAFFIC_DIR_EVENTS:
    return !IsDataEvent(e.kind);
  default:
    return TRUE;
  }
}

BOOL MatchesPeer(const TRAFFIC_EVENT& e, const TRAFFIC_FILTER& filter)
{
  if (!filter.bPeer)
    return TRUE;
  return e.peer.dwAddress == filter.peer.dwAddress && (filter.peer.wPort == 0 || e.peer.wPort == filter.peer.wPort);
}

void CTrafficRows::SetFilter(const TRAFFIC_FILTER& filter)
{
  m_filter = filter;
  m_bRescan = TRUE;
}

// The bytes the record holds of the event; a chunk cut to its first bytes under a flood is
// searched in those.
BOOL CTrafficRows::Holds(const CTrafficRecord& record, const TRAFFIC_EVENT& e, const std::string& content)
{
  const int nHeld = record.HeldPayload(e);
  if (nHeld < static_cast<int>(content.size()))
    return FALSE;
  if (m_payload.size() < static_cast<std::size_t>(nHeld))
    m_payload.resize(static_cast<std::size_t>(nHeld));
  const int nCopied = record.CopyPayload(e, m_payload.data(), nHeld);
  const std::string_view bytes(reinterpret_cast<const char*>(m_payload.data()), static_cast<std::size_t>(nCopied));
  return bytes.find(content) != std::string_view::npos;
}

BOOL CTrafficRows::Matches(const CTrafficRecord& record, const TRAFFIC_EVENT& e)
{
  if (!MatchesDirection(e, m_filter.nDirection) || !MatchesPeer(e, m_filter))
    return FALSE;
  return m_filter.content.empty() || Holds(record, e, m_filter.content);
}

int CTrafficRows::Update(const CTrafficRecord& record)
{
  const std::uint64_t nFirst = record.GetFirstNumber();
  const std::uint64_t nEnd = nFirst + static_cast<std::uint64_t>(record.GetCount());
  int nGone = 0;
  if (m_bRescan) {
    m_numbers.clear();
    m_nNext = nFirst;
    m_nFirst = nFirst;
    m_nCount = 0;
    m_bRescan = FALSE;
  }
  if (!IsFiltering()) {
    nGone = static_cast<int>(
        std::min<std::uint64_t>(nFirst - std::min(m_nFirst, nFirst), static_cast<std::uint64_t>(m_nCount)));
    m_nFirst = nFirst;
    m_nCount = record.GetCount();
  } else {
    while (!m_numbers.empty() && m_numbers.front() < nFirst) {
      m_numbers.pop_front();
      ++nGone;
    }
  }
  // Events before the first held (a Clear, or more came than the record holds) are not looked at.
  for (std::uint64_t n = std::max(m_nNext, nFirst); n < nEnd; ++n) {
    const TRAFFIC_EVENT& e = record.GetEvent(static_cast<int>(n - nFirst));
    if (m_peers.size() < TRAFFIC_PEERS_SEEN && (e.peer.dwAddress != 0 || e.peer.wPort != 0))
      m_peers.insert(PeerKey(e.peer));
    if (IsFiltering() && Matches(record, e))
      m_numbers.push_back(n);
  }
  m_nNext = nEnd;
  return nGone;
}

int CTrafficRows::GetCount() const
{
  return IsFiltering() ? static_cast<int>(m_numbers.size()) : m_nCount;
}

std::uint64_t CTrafficRows::GetNumber(int nRow) const
{
  return IsFiltering() ? m_numbers[static_cast<std::size_t>(nRow)] : m_nFirst + static_cast<std::uint64_t>(nRow);
}

int CTrafficRows::FindRow(std::uint64_t nNumber) const
{
  if (!IsFiltering())
    return nNumber >= m_nFirst && nNumber - m_nFirst < static_cast<std::uint64_t>(m_nCount)
               ? static_cast<int>(nNumber - m_nFirst)
               : -1;
  const auto it = std::lower_bound(m_numbers.begin(), m_numbers.end(), nNumber);
  return it != m_numbers.end() && *it == nNumber ? static_cast<int>(it - m_numbers.begin()) : -1;
}

int CTrafficRows::FindNext(const CTrafficRecord& record, int nAfter, const std::string& content)
{
  const int nCount = GetCount();
  for (int i = 1; i <= nCount; ++i) {
    const int nRow = ((nAfter < 0 ? -1 : nAfter) + i) % nCount;
    const TRAFFIC_EVENT* pEvent = record.FindEvent(GetNumber(nRow));
    if (pEvent && IsDataEvent(pEvent->kind) && Holds(record, *pEvent, content))
      return nRow;
  }
  return -1;
}
