// One command of the command list: a named payload, the answer it expects (if any) within a
// time-out, and the pause after it; its line in the settings file (tab-separated fields) and the
// checks that keep a command that cannot work out.
#pragma once

#include "codec/replyrule.h"

inline constexpr int EXPECT_NONE = -1;
inline constexpr int COMMAND_PAUSE_MAX = 60000;
inline constexpr int COMMAND_TIMEOUT_MAX = 600000;

struct COMMAND {
  CString strName;
  int nKind = REPLY_TEXT;  // the payload: text with escapes, or hex
  CString strPayload;
  int nExpect = EXPECT_NONE;  // EXPECT_NONE or a REPLY_MATCH
  CString strExpect;
  int nTimeoutMs = 1000;
  int nPauseMs = 0;
};

// The names the settings file uses for the expectation; "none" for EXPECT_NONE.
const char* ExpectKindKey(int nExpect);
const char* ExpectKindText(int nExpect);

// name, kind, payload, expect kind, expect, time-out ms, pause ms, tab-separated.
CString FormatCommand(const COMMAND& command);
BOOL ParseCommand(const CString& strLine, COMMAND& command, CString& strWhy);
// FALSE, with why, for a command that cannot work: hex without a digit, a payload that is empty or
// over PAYLOAD_LIMIT bytes, an expectation that is empty or has no time-out. A regular expression
// is checked by whoever compiles it.
BOOL CheckCommand(const COMMAND& command, const SEND_OPTIONS& options, CString& strWhy);
// The payload as 发 送 would build it: escapes always in text, then the send options.
PAYLOAD CommandPayload(const COMMAND& command, const SEND_OPTIONS& options);
