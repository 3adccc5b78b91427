#include "dialog/RecvStaging.h"

#include <algorithm>
#include <cstring>

BYTE* CRecvStaging::Space(int nKeep)
{
  if (m_nLength + READ_BUFFER_SIZE > RECV_STAGING_SIZE) {
    const int nKept = std::min(m_nLength, nKeep);
    std::memmove(m_buffer, m_buffer + m_nLength - nKept, static_cast<std::size_t>(nKept));
    m_nLength = nKept;
  }
  return m_buffer + m_nLength;
}

void CRecvStaging::MergeInto(BYTE* pBuffer, int nSize, int* pnLength)
{
  const int nStaged = std::min(m_nLength, nSize);
  if (nStaged == 0)
    return;
  const int nKeep = std::min(*pnLength, nSize - nStaged);
  std::memmove(pBuffer, pBuffer + *pnLength - nKeep, static_cast<std::size_t>(nKeep));
  std::memcpy(pBuffer + nKeep, m_buffer + m_nLength - nStaged, static_cast<std::size_t>(nStaged));
  *pnLength = nKeep + nStaged;
  m_nLength = 0;
}
