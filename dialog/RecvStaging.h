// Where chunks are read to before they join the receive buffer, and the pace of the display that
// shows them: under a flood the buffer is full, and shifting all of it for every chunk would cost
// more than the read, so chunks gather here and join it when the display is next redrawn.
#pragma once

#include "platform/windef.h"

#include <cstdint>

// Large enough for any IPv4 datagram, so none is lost for want of room.
inline constexpr int READ_BUFFER_SIZE = 65536;
// Room for the newest receive buffer's worth of bytes and several reads after them.
inline constexpr int RECV_STAGING_SIZE = 8 * READ_BUFFER_SIZE;

class CRecvStaging {
public:
  // Where the next read goes, READ_BUFFER_SIZE bytes at least: after the chunks staged so far,
  // which give way, oldest first, once more than nKeep is staged.
  BYTE* Space(int nKeep);
  void Commit(int nLength) { m_nLength += nLength; }
  // Moves what is staged to the end of the buffer (nSize bytes, *pnLength of them held): the newest
  // nSize bytes are kept, in arrival order.
  void MergeInto(BYTE* pBuffer, int nSize, int* pnLength);
  void Clear() { m_nLength = 0; }

  // The display is redrawn at most once a frame: when it last was, and whether a redraw waits.
  std::uint64_t nLastRedrawTick = 0;
  BOOL bRedrawPending = FALSE;
  // A chunk came in since the last redraw: the cue sounds with it (a sent chunk shown does not).
  BOOL bCueDue = FALSE;
  // Tools answered chunks: the sent counter's text follows with the next redraw.
  BOOL bSentCountDue = FALSE;

private:
  // Only what reads wrote is ever looked at, so it is not cleared: half a megabyte less to touch at
  // start-up.
  BYTE m_buffer[RECV_STAGING_SIZE];
  int m_nLength = 0;
};
