// One way of recognising bytes, as a rule or an expected answer says it: exactly these bytes, bytes
// that contain or start with them (text with escapes, or hex), or a regular expression compiled once.
#pragma once

#include "codec/replyrule.h"
#include "platform/regex.h"

#include <vector>

class CByteMatch {
public:
  // Ready to match, or FALSE with why (a regular expression that does not compile, named with where).
  BOOL Prepare(int nMatch, const CString& strMatch, CString& strWhy);
  BOOL Matches(const BYTE* pData, int nLength) const;

private:
  int m_nMatch = MATCH_EXACT;
  std::vector<BYTE> m_bytes;
  CByteRegex m_regex;
};
