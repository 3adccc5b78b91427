// A regular expression (Perl's syntax) matched against bytes rather than text: each byte of the
// subject is one character, and the pattern's UTF-8 characters stand for their bytes.
#pragma once

#include "platform/cstring.h"
#include "platform/windef.h"

#include <memory>

class CByteRegex {
public:
  CByteRegex();
  ~CByteRegex();
  CByteRegex(CByteRegex&&) noexcept;
  CByteRegex& operator=(CByteRegex&&) noexcept;

  // FALSE when the pattern does not compile: strError says why, nErrorAt at which character of
  // the pattern (from 1).
  BOOL Compile(const CString& strPattern, CString* pstrError = nullptr, int* pnErrorAt = nullptr);
  BOOL IsCompiled() const { return m_pImpl != nullptr; }
  // Whether the pattern matches anywhere in the bytes.
  BOOL Search(const BYTE* pData, int nLength) const;

private:
  struct Impl;
  std::unique_ptr<Impl> m_pImpl;
};
