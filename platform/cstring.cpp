#include "platform/cstring.h"

#include "platform/resources.h"

#include <cstdarg>
#include <cstdio>

namespace {
// Only ASCII white space counts: lead and trail bytes of multi-byte characters are never trimmed.
bool isAsciiSpace(char c)
{
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
}  // namespace

void CString::TrimLeft()
{
  std::size_t n = 0;
  while (n < m_str.size() && isAsciiSpace(m_str[n]))
    ++n;
  m_str.erase(0, n);
}

void CString::TrimRight()
{
  std::size_t n = m_str.size();
  while (n > 0 && isAsciiSpace(m_str[n - 1]))
    --n;
  m_str.resize(n);
}

void CString::Format(const char* pszFormat, ...)
{
  va_list args;
  va_start(args, pszFormat);
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, pszFormat, copy);
  va_end(copy);
  if (n < 0) {
    va_end(args);
    m_str.clear();
    return;
  }
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::vsnprintf(out.data(), out.size(), pszFormat, args);
  va_end(args);
  out.resize(static_cast<std::size_t>(n));
  m_str = std::move(out);
}

BOOL CString::LoadString(UINT nID)
{
  const char* text = AfxFindString(nID);
  *this = CString(text);
  return text != nullptr;
}
