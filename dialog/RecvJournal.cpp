#include "dialog/RecvJournal.h"

#include <algorithm>
#include <cstring>

CRecvJournal::CRecvJournal(int nBudget)
    : m_nBudget(static_cast<std::size_t>(nBudget)), m_bytes(2 * static_cast<std::size_t>(nBudget))
{
}

void CRecvJournal::Add(JOURNAL_CHUNK chunk, const BYTE* pData)
{
  auto nLength = static_cast<std::size_t>(std::max(chunk.nLength, 0));
  if (nLength > m_nBudget) {
    pData += nLength - m_nBudget;
    nLength = m_nBudget;
    chunk.bCut = true;
  }
  while (!m_chunks.empty() && m_nHeld + nLength > m_nBudget) {
    m_nHeld -= static_cast<std::size_t>(m_chunks.front().nLength);
    m_chunks.pop_front();
  }
  if (m_nEnd + nLength > m_bytes.size()) {
    const std::size_t nFirst = m_chunks.empty() ? m_nEnd : m_chunks.front().nAt;
    std::memmove(m_bytes.data(), m_bytes.data() + nFirst, m_nEnd - nFirst);
    for (JOURNAL_CHUNK& held : m_chunks)
      held.nAt -= nFirst;
    m_nEnd -= nFirst;
  }
  std::memcpy(m_bytes.data() + m_nEnd, pData, nLength);
  chunk.nAt = m_nEnd;
  chunk.nLength = static_cast<int>(nLength);
  m_nEnd += nLength;
  m_nHeld += nLength;
  m_chunks.push_back(chunk);
}

void CRecvJournal::Clear()
{
  m_chunks.clear();
  m_nEnd = 0;
  m_nHeld = 0;
}
