#include "platform/regex.h"

#include <QRegularExpression>
#include <QString>

namespace {
// Bytes as Latin-1 characters: one character each, whatever they are.
QString asLatin1(const char* p, qsizetype n)
{
  return QString::fromLatin1(p, n);
}

// The pattern's character at a byte offset, counted from 1 as a person counts them.
int characterAt(const CString& strPattern, qsizetype nByte)
{
  int nChars = 0;
  const std::string& s = strPattern.str();
  for (qsizetype i = 0; i < nByte && i < static_cast<qsizetype>(s.size()); ++i) {
    if ((static_cast<unsigned char>(s[static_cast<std::size_t>(i)]) & 0xC0) != 0x80)
      ++nChars;
  }
  return nChars + 1;
}
}  // namespace

struct CByteRegex::Impl {
  QRegularExpression expression;
};

CByteRegex::CByteRegex() = default;
CByteRegex::~CByteRegex() = default;
CByteRegex::CByteRegex(CByteRegex&&) noexcept = default;
CByteRegex& CByteRegex::operator=(CByteRegex&&) noexcept = default;

BOOL CByteRegex::Compile(const CString& strPattern, CString* pstrError, int* pnErrorAt)
{
  m_pImpl.reset();
  const std::string& s = strPattern.str();
  QRegularExpression expression(asLatin1(s.data(), static_cast<qsizetype>(s.size())));
  if (!expression.isValid()) {
    if (pstrError)
      *pstrError = CString(expression.errorString().toStdString());
    if (pnErrorAt)
      *pnErrorAt = characterAt(strPattern, expression.patternErrorOffset());
    return FALSE;
  }
  expression.optimize();
  m_pImpl = std::make_unique<Impl>(Impl{std::move(expression)});
  return TRUE;
}

BOOL CByteRegex::Search(const BYTE* pData, int nLength) const
{
  if (!m_pImpl)
    return FALSE;
  const QString subject = asLatin1(reinterpret_cast<const char*>(pData), nLength);
  return m_pImpl->expression.match(subject).hasMatch();
}
