// The receive display's text when its options are on: each chunk on a line of its own behind its
// time and sender, a line break after each, every byte visible, text in the device's encoding.
// At the options' defaults the display is RenderReceiveBuffer's.
#pragma once

#include "codec/textcodec.h"
#include "platform/cstring.h"
#include "platform/windef.h"

#include <string_view>

struct DISPLAY_FORMAT {
  BOOL bHex = FALSE;
  BOOL bLinePerChunk = FALSE;  // each chunk starts a line (its prefix, when it has one, first)
  BOOL bBreakAfter = FALSE;    // a line break after each chunk
  int nControls = CONTROLS_RAW;
  int nEncoding = ENCODING_UTF8;
};

struct DISPLAY_CHUNK {
  std::string_view prefix;  // "[12:00:00.123] 127.0.0.1:7001 收: ", or empty
  const BYTE* pData;
  int nLength;
  bool bContinues;  // the same stream as the chunk before: a character may run on into this one
  bool bCut;        // its first bytes gave way
};

// The line break the display's text uses.
inline constexpr const char* DISPLAY_BREAK = "\r\n";

CString RenderDisplayChunks(const DISPLAY_CHUNK* pChunks, int nChunks, const DISPLAY_FORMAT& format);
// The bytes as one run, as the receive buffer holds them; bCut when its first bytes gave way.
CString RenderDisplayText(const BYTE* pData, int nLength, bool bCut, const DISPLAY_FORMAT& format);
