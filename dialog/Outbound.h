// What one socket has still to send, in order: the rest of a stream send the socket took only in
// part, and the payloads sent after it, or datagrams it refused for want of room; they go when
// FD_WRITE says the socket takes more. Bounded, so a peer that stops reading cannot take all memory.
#pragma once

#include "platform/winsock.h"

#include <cstddef>
#include <deque>
#include <vector>

// Bytes one socket may hold back; a send past it is refused.
inline constexpr std::size_t OUTBOUND_LIMIT = 4 * 1024 * 1024;

class COutbound {
public:
  BOOL IsEmpty() const { return m_pieces.empty(); }
  std::size_t GetWaiting() const { return m_nWaiting; }
  // Whether nLength more bytes would stay within the limit.
  BOOL HasRoom(int nLength) const { return m_nWaiting + static_cast<std::size_t>(nLength) <= OUTBOUND_LIMIT; }
  // Keeps the bytes behind what waits; pTo is a datagram's destination, nullptr on a stream;
  // bAutoReply marks an automatic reply's bytes, which the record tells apart.
  void Keep(const BYTE* pData, int nLength, const ws::sockaddr_in* pTo, bool bAutoReply = false);
  // The next bytes to send: on a stream the rest of the oldest piece, else the oldest datagram.
  const BYTE* Front(int* pnLength, const ws::sockaddr_in** ppTo, bool* pbAutoReply = nullptr) const;
  // nLength bytes of the front went (a datagram goes whole).
  void Consume(int nLength);
  // Forgets what waits; returns how many bytes that was.
  std::size_t Clear();

  // FD_WRITE is asked for this socket: by what waits, or by a tool watching it.
  BOOL bWriteAsked = FALSE;
  BOOL bWatched = FALSE;

private:
  struct Piece {
    std::vector<BYTE> bytes;
    ws::sockaddr_in to;
    bool bDatagram;
    bool bAutoReply;
  };
  std::deque<Piece> m_pieces;
  std::size_t m_nFrontAt = 0;
  std::size_t m_nWaiting = 0;
};
