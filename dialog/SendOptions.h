// The send options: escapes and a line ending for typed text, a checksum for every payload; kept
// in the settings file in a section of their own. At their defaults a payload is sent as typed.
#pragma once

#include "codec/sendcodec.h"
#include "platform/windef.h"

inline constexpr const char* SEND_OPTIONS_SECTION = "SendOptions";

struct CSendOptions : SEND_OPTIONS {
  // Out-of-range stored values read as the defaults.
  void Load();
  void Save() const;
};
