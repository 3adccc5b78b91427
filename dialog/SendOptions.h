// The send options: escapes and a line ending for typed text, a checksum for every payload; kept
// in the settings file in a section of their own. At their defaults a payload is sent as typed.
#pragma once

#include "codec/sendcodec.h"
#include "platform/windef.h"

inline constexpr const char* SEND_OPTIONS_SECTION = "SendOptions";

struct CSendOptions {
  BOOL bEscapes = FALSE;
  int nLineEnding = LINE_ENDING_NONE;
  int nChecksum = CHECKSUM_NONE;

  // Out-of-range stored values read as the defaults.
  void Load();
  void Save() const;
};
