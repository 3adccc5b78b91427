// The receive display's options: each chunk with its time and sender, the sent chunks too, a line
// break after each, control bytes made visible, the text's encoding; kept in a section of their
// own. At their defaults the display shows the receive buffer as it always has.
#pragma once

#include "codec/textcodec.h"
#include "platform/windef.h"

inline constexpr const char* RECV_OPTIONS_SECTION = "RecvOptions";

struct CRecvOptions {
  BOOL bShowPeer = FALSE;
  BOOL bShowSent = FALSE;  // only with bShowPeer
  BOOL bBreakPerChunk = FALSE;
  int nControls = CONTROLS_RAW;
  int nEncoding = ENCODING_UTF8;

  BOOL IsDefault() const;
  // The display needs each chunk with its time, sender and bounds.
  BOOL KeepsChunks() const { return bShowPeer || bBreakPerChunk; }
  BOOL ShowsSent() const { return bShowPeer && bShowSent; }
  // Out-of-range stored values read as the defaults.
  void Load();
  void Save() const;
};
