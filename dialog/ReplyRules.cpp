#include "dialog/ReplyRules.h"

#include <algorithm>
#include <utility>

BOOL CReplyRules::Prepare(Compiled& compiled, const SEND_OPTIONS& options, CString& strWhy)
{
  const REPLY_RULE& rule = compiled.entry.rule;
  return CheckReplyRule(rule, options, strWhy) && compiled.match.Prepare(rule.nMatch, rule.strMatch, strWhy);
}

void CReplyRules::AddLine(const CString& strLine)
{
  Compiled compiled;
  compiled.entry.strLine = strLine;
  compiled.entry.bUsable = ParseReplyRule(strLine, compiled.entry.rule, compiled.entry.strWhy) &&
                           Prepare(compiled, SEND_OPTIONS{}, compiled.entry.strWhy);
  m_entries.push_back(std::move(compiled));
}

BOOL CReplyRules::FromWindow(Compiled& compiled, const REPLY_RULE& rule, const SEND_OPTIONS& options, CString& strWhy)
{
  compiled.entry.rule = rule;
  if (!Prepare(compiled, options, strWhy))
    return FALSE;
  compiled.entry.bUsable = TRUE;
  compiled.entry.strLine = FormatReplyRule(rule);
  return TRUE;
}

BOOL CReplyRules::Insert(int nIndex, const REPLY_RULE& rule, const SEND_OPTIONS& options, CString& strWhy)
{
  Compiled compiled;
  if (!FromWindow(compiled, rule, options, strWhy))
    return FALSE;
  nIndex = std::clamp(nIndex, 0, GetCount());
  m_entries.insert(m_entries.begin() + nIndex, std::move(compiled));
  return TRUE;
}

BOOL CReplyRules::Replace(int nIndex, const REPLY_RULE& rule, const SEND_OPTIONS& options, CString& strWhy)
{
  if (nIndex < 0 || nIndex >= GetCount())
    return FALSE;
  Compiled compiled;
  if (!FromWindow(compiled, rule, options, strWhy))
    return FALSE;
  compiled.entry.nHits = GetAt(nIndex).nHits;
  m_entries[static_cast<std::size_t>(nIndex)] = std::move(compiled);
  return TRUE;
}

void CReplyRules::Remove(int nIndex)
{
  if (nIndex >= 0 && nIndex < GetCount())
    m_entries.erase(m_entries.begin() + nIndex);
}

BOOL CReplyRules::Move(int nIndex, int nBy)
{
  const int nOther = nIndex + nBy;
  if (nIndex < 0 || nIndex >= GetCount() || nOther < 0 || nOther >= GetCount())
    return FALSE;
  std::swap(m_entries[static_cast<std::size_t>(nIndex)], m_entries[static_cast<std::size_t>(nOther)]);
  return TRUE;
}

void CReplyRules::SetEnabled(int nIndex, BOOL bEnabled)
{
  REPLY_ENTRY& entry = m_entries[static_cast<std::size_t>(nIndex)].entry;
  if (!entry.bUsable || entry.rule.bEnabled == bEnabled)
    return;
  entry.rule.bEnabled = bEnabled;
  entry.strLine = FormatReplyRule(entry.rule);
}

void CReplyRules::ClearHits()
{
  for (Compiled& compiled : m_entries)
    compiled.entry.nHits = 0;
}

int CReplyRules::Match(const BYTE* pData, int nLength) const
{
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    const Compiled& compiled = m_entries[i];
    if (compiled.entry.bUsable && compiled.entry.rule.bEnabled && compiled.match.Matches(pData, nLength))
      return static_cast<int>(i);
  }
  return -1;
}
