// One automatic reply rule as the user writes it: how it matches, what it answers, its line in the
// settings file (tab-separated fields), and the checks that keep a rule that cannot work out.
#pragma once

#include "codec/sendcodec.h"
#include "platform/cstring.h"
#include "platform/windef.h"

#include <vector>

enum REPLY_MATCH { MATCH_EXACT, MATCH_CONTAINS, MATCH_PREFIX, MATCH_HEX, MATCH_REGEX, MATCH_KINDS };
enum REPLY_KIND { REPLY_TEXT, REPLY_HEX, REPLY_KINDS };
inline constexpr int REPLY_DELAY_MAX = 60000;

struct REPLY_RULE {
  BOOL bEnabled = TRUE;
  int nMatch = MATCH_CONTAINS;
  CString strMatch;  // text with escapes, hex, or a regular expression
  int nReply = REPLY_TEXT;
  CString strReply;  // text with escapes, or hex
  int nDelayMs = 0;
  BOOL bChecksum = FALSE;  // the send options' line ending and checksum go with the reply
};

// The names the settings file uses, and the window's.
const char* MatchKindKey(int nMatch);
const char* MatchKindText(int nMatch);
const char* ReplyKindKey(int nReply);
const char* ReplyKindText(int nReply);

BOOL HasHexDigit(const CString& str);

// The rule's line: enabled, match kind, match, reply kind, reply, delay, checksum, tab-separated.
CString FormatReplyRule(const REPLY_RULE& rule);
// FALSE, with why, for a line that is not a rule.
BOOL ParseReplyRule(const CString& strLine, REPLY_RULE& rule, CString& strWhy);
// A field as one cell of a line: tabs and line breaks typed into it become the escapes that mean
// them (spaces in hex, where they only separate).
CString OneLineField(const CString& strField, BOOL bHex);

// FALSE, with why, for a rule that cannot work: an empty match, hex without a digit, a reply that
// is empty or over PAYLOAD_LIMIT bytes, a delay out of range. A regular expression is checked by
// whoever compiles it.
BOOL CheckReplyRule(const REPLY_RULE& rule, const SEND_OPTIONS& options, CString& strWhy);
// The bytes a text or hex match looks for (a text's escapes worked out).
std::vector<BYTE> MatchBytes(const REPLY_RULE& rule);
// The reply's bytes: text with its escapes, or hex; with the options' line ending (text) and
// checksum when the rule asks for them.
PAYLOAD ReplyPayload(const REPLY_RULE& rule, const SEND_OPTIONS& options);
