#include "dialog/Outbound.h"

#include <algorithm>

void COutbound::Keep(const BYTE* pData, int nLength, const ws::sockaddr_in* pTo, bool bAutoReply)
{
  Piece piece{std::vector<BYTE>(pData, pData + nLength), pTo ? *pTo : ws::sockaddr_in{}, pTo != nullptr, bAutoReply};
  m_nWaiting += piece.bytes.size();
  m_pieces.push_back(std::move(piece));
}

const BYTE* COutbound::Front(int* pnLength, const ws::sockaddr_in** ppTo, bool* pbAutoReply) const
{
  const Piece& front = m_pieces.front();
  if (pbAutoReply)
    *pbAutoReply = front.bAutoReply;
  *pnLength = static_cast<int>(front.bytes.size() - m_nFrontAt);
  *ppTo = front.bDatagram ? &front.to : nullptr;
  return front.bytes.data() + m_nFrontAt;
}

void COutbound::Consume(int nLength)
{
  const Piece& front = m_pieces.front();
  const std::size_t nLeft = front.bytes.size() - m_nFrontAt;
  const std::size_t nGone = front.bDatagram ? nLeft : std::min(nLeft, static_cast<std::size_t>(nLength));
  m_nWaiting -= nGone;
  m_nFrontAt += nGone;
  if (m_nFrontAt < front.bytes.size())
    return;
  m_pieces.pop_front();
  m_nFrontAt = 0;
}

std::size_t COutbound::Clear()
{
  const std::size_t nWaiting = m_nWaiting;
  m_pieces.clear();
  m_nFrontAt = 0;
  m_nWaiting = 0;
  return nWaiting;
}
