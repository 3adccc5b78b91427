// CString: a byte string in the system's code page (UTF-8 here) with the members the program uses;
// conversion to what widgets show is left to the controls.
#pragma once

#include "platform/windef.h"

#include <string>
#include <string_view>

class CString {
public:
  CString() = default;
  CString(const char* psz) : m_str(psz ? psz : "") {}  // NOLINT: implicit as in the framework
  CString(const char* p, int nLength) : m_str(p, static_cast<std::size_t>(nLength)) {}
  explicit CString(std::string s) : m_str(std::move(s)) {}

  int GetLength() const { return static_cast<int>(m_str.size()); }
  BOOL IsEmpty() const { return m_str.empty(); }
  void Empty() { m_str.clear(); }
  void TrimLeft();
  void TrimRight();
  void Format(const char* pszFormat, ...) __attribute__((format(printf, 2, 3)));
  BOOL LoadString(UINT nID);  // from the string table; empty when missing

  operator LPCTSTR() const { return m_str.c_str(); }  // NOLINT: implicit as in the framework
  const std::string& str() const { return m_str; }

  CString& operator+=(const CString& s)
  {
    m_str += s.m_str;
    return *this;
  }
  CString& operator+=(const char* psz)
  {
    m_str += psz ? psz : "";
    return *this;
  }
  friend CString operator+(CString a, const CString& b) { return a += b; }
  friend CString operator+(const char* a, const CString& b) { return CString(a) += b; }

  friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
  friend bool operator==(const CString& a, const char* b) { return a.m_str == std::string_view(b ? b : ""); }

private:
  std::string m_str;
};
