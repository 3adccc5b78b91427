#include "dialog/ReplyRules.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

BOOL CReplyRules::Prepare(Compiled& compiled, const SEND_OPTIONS& options, CString& strWhy)
{
  const REPLY_RULE& rule = compiled.entry.rule;
  if (!CheckReplyRule(rule, options, strWhy))
    return FALSE;
  if (rule.nMatch != MATCH_REGEX) {
    compiled.bytes = MatchBytes(rule);
    return TRUE;
  }
  CString strError;
  int nAt = 0;
  if (!compiled.regex.Compile(rule.strMatch, &strError, &nAt)) {
    strWhy.Format("正则表达式在第 %d 个字符处有错: %s.", nAt, static_cast<LPCTSTR>(strError));
    return FALSE;
  }
  return TRUE;
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

BOOL CReplyRules::Matches(const Compiled& compiled, const BYTE* pData, int nLength)
{
  const std::string_view data(reinterpret_cast<const char*>(pData), static_cast<std::size_t>(nLength));
  const std::string_view looked(reinterpret_cast<const char*>(compiled.bytes.data()), compiled.bytes.size());
  switch (compiled.entry.rule.nMatch) {
  case MATCH_EXACT:
    return data == looked;
  case MATCH_PREFIX:
    return data.starts_with(looked);
  case MATCH_CONTAINS:
  case MATCH_HEX:
    return data.find(looked) != std::string_view::npos;
  case MATCH_REGEX:
    return compiled.regex.Search(pData, nLength);
  default:
    return FALSE;
  }
}

int CReplyRules::Match(const BYTE* pData, int nLength) const
{
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    const Compiled& compiled = m_entries[i];
    if (compiled.entry.bUsable && compiled.entry.rule.bEnabled && Matches(compiled, pData, nLength))
      return static_cast<int>(i);
  }
  return -1;
}
