// The automatic reply rules in their order, each ready to match (the bytes a text or hex rule
// looks for, a regular expression compiled once), and each with the line it is written as. A line
// that is not a usable rule stays in its place as written, with the reason, and never matches.
#pragma once

#include "codec/replyrule.h"
#include "dialog/ByteMatch.h"

#include <cstdint>
#include <vector>

struct REPLY_ENTRY {
  REPLY_RULE rule;
  BOOL bUsable = FALSE;
  CString strLine;  // the line as written, or as the window last wrote the rule
  CString strWhy;   // why the line is not a usable rule
  std::uint64_t nHits = 0;
};

class CReplyRules {
public:
  int GetCount() const { return static_cast<int>(m_entries.size()); }
  const REPLY_ENTRY& GetAt(int nIndex) const { return m_entries[static_cast<std::size_t>(nIndex)].entry; }

  // A line as the settings file or an exported file has it; kept even when it is no rule.
  void AddLine(const CString& strLine);
  // A rule from the window: FALSE, with why, and nothing changed when it cannot work.
  BOOL Insert(int nIndex, const REPLY_RULE& rule, const SEND_OPTIONS& options, CString& strWhy);
  BOOL Replace(int nIndex, const REPLY_RULE& rule, const SEND_OPTIONS& options, CString& strWhy);
  void Remove(int nIndex);
  // Swaps the rule with its neighbour above (nBy -1) or below (+1); FALSE at an end.
  BOOL Move(int nIndex, int nBy);
  void SetEnabled(int nIndex, BOOL bEnabled);
  void Clear() { m_entries.clear(); }

  // The first enabled rule that matches the bytes, or -1.
  int Match(const BYTE* pData, int nLength) const;
  void CountHit(int nIndex) { ++m_entries[static_cast<std::size_t>(nIndex)].entry.nHits; }
  void ClearHits();

private:
  struct Compiled {
    REPLY_ENTRY entry;
    CByteMatch match;
  };
  // The rule ready to match, or FALSE with why.
  static BOOL Prepare(Compiled& compiled, const SEND_OPTIONS& options, CString& strWhy);
  // A rule the window gives, ready, with its line written anew.
  static BOOL FromWindow(Compiled& compiled, const REPLY_RULE& rule, const SEND_OPTIONS& options, CString& strWhy);

  std::vector<Compiled> m_entries;
};
