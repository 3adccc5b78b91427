#include "dialog/ByteMatch.h"

#include <string_view>

BOOL CByteMatch::Prepare(int nMatch, const CString& strMatch, CString& strWhy)
{
  m_nMatch = nMatch;
  if (nMatch != MATCH_REGEX) {
    REPLY_RULE rule;
    rule.nMatch = nMatch;
    rule.strMatch = strMatch;
    m_bytes = MatchBytes(rule);
    return TRUE;
  }
  CString strError;
  int nAt = 0;
  if (!m_regex.Compile(strMatch, &strError, &nAt)) {
    strWhy.Format("正则表达式在第 %d 个字符处有错: %s.", nAt, static_cast<LPCTSTR>(strError));
    return FALSE;
  }
  return TRUE;
}

BOOL CByteMatch::Matches(const BYTE* pData, int nLength) const
{
  const std::string_view data(reinterpret_cast<const char*>(pData), static_cast<std::size_t>(nLength));
  const std::string_view looked(reinterpret_cast<const char*>(m_bytes.data()), m_bytes.size());
  switch (m_nMatch) {
  case MATCH_EXACT:
    return data == looked;
  case MATCH_PREFIX:
    return data.starts_with(looked);
  case MATCH_CONTAINS:
  case MATCH_HEX:
    return data.find(looked) != std::string_view::npos;
  case MATCH_REGEX:
    return m_regex.Search(pData, nLength);
  default:
    return FALSE;
  }
}
