#include "codec/textcodec.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

struct Gb4Run {
  int nIndex;
  std::uint16_t nCode;
};

#include "gb18030_table.inc"

constexpr char32_t kReplacement = 0xFFFD;
// A decoder that needs more bytes than it has.
constexpr int kIncomplete = -1;
constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendUtf8(std::string& out, char32_t c)
{
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsControl(BYTE b)
{
  return (b < 0x20 && b != '\r' && b != '\n' && b != '\t') || b == 0x7F;
}

void AppendByte(std::string& out, BYTE b, int nControls)
{
  if (!IsControl(b) || nControls == CONTROLS_RAW) {
    out += static_cast<char>(b);
  } else if (nControls == CONTROLS_DOT) {
    out += '.';
  } else {
    out += "\\x";
    out += kHexDigits[b >> 4];
    out += kHexDigits[b & 0xF];
  }
}

// One UTF-8 character at p: its length, with *pc the character (U+FFFD and length 1 when the bytes
// are no character), or kIncomplete when the bytes end inside one.
int Utf8Char(const BYTE* p, int n, char32_t* pc)
{
  const BYTE b = p[0];
  int nLength = 0;
  char32_t c = 0;
  char32_t nMin = 0;
  if (b >= 0xC2 && b <= 0xDF) {
    nLength = 2;
    c = b & 0x1F;
    nMin = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    nLength = 3;
    c = b & 0x0F;
    nMin = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    nLength = 4;
    c = b & 0x07;
    nMin = 0x10000;
  } else {
    *pc = kReplacement;
    return 1;
  }
  for (int i = 1; i < nLength; ++i) {
    if (i == n)
      return kIncomplete;
    if ((p[i] & 0xC0) != 0x80) {
      *pc = kReplacement;
      return 1;
    }
    c = (c << 6) | (p[i] & 0x3F);
  }
  const bool bValid = c >= nMin && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
  *pc = bValid ? c : kReplacement;
  return bValid ? nLength : 1;
}

bool IsGbLead(BYTE b)
{
  return b >= 0x81 && b <= 0xFE;
}

bool IsGbDigit(BYTE b)
{
  return b >= 0x30 && b <= 0x39;
}

char32_t Gb4Bmp(int nIndex)
{
  const Gb4Run* pRun = std::upper_bound(std::begin(kGb4Runs), std::end(kGb4Runs), nIndex,
                                        [](int nValue, const Gb4Run& run) { return nValue < run.nIndex; }) -
                       1;
  return pRun->nCode == 0 ? kReplacement : static_cast<char32_t>(pRun->nCode + (nIndex - pRun->nIndex));
}

// One GB18030 character at p, whose first byte is a lead byte: as Utf8Char.
int GbChar(const BYTE* p, int n, char32_t* pc)
{
  *pc = kReplacement;
  if (n < 2)
    return kIncomplete;
  const BYTE b2 = p[1];
  if ((b2 >= 0x40 && b2 <= 0x7E) || (b2 >= 0x80 && b2 <= 0xFE)) {
    const int nTrail = b2 < 0x7F ? b2 - 0x40 : b2 - 0x41;
    *pc = kGb2Byte[(p[0] - 0x81) * 190 + nTrail];
    return 2;
  }
  if (!IsGbDigit(b2))
    return 1;
  if (n < 3 || (IsGbLead(p[2]) && n < 4))
    return kIncomplete;
  if (!IsGbLead(p[2]) || !IsGbDigit(p[3]))
    return 1;
  const int nLinear = ((((p[0] - 0x81) * 10 + (b2 - 0x30)) * 126 + (p[2] - 0x81)) * 10) + (p[3] - 0x30);
  constexpr int kBmpIndexes = 39420;
  constexpr int kSupplementaryStart = 189000;  // the linear index of 90 30 81 30
  if (nLinear < kBmpIndexes)
    *pc = Gb4Bmp(nLinear);
  else if (nLinear >= kSupplementaryStart && nLinear - kSupplementaryStart <= 0x10FFFF - 0x10000)
    *pc = static_cast<char32_t>(0x10000 + nLinear - kSupplementaryStart);
  return 4;
}

// The GB18030 bytes of one character.
void AppendGb(std::string& out, char32_t c)
{
  if (c < 0x80) {
    out += static_cast<char>(c);
    return;
  }
  const auto* pTwo = std::find(std::begin(kGb2Byte), std::end(kGb2Byte), c);
  if (c < 0x10000 && pTwo != std::end(kGb2Byte)) {
    const auto nAt = static_cast<int>(pTwo - std::begin(kGb2Byte));
    const int nTrail = nAt % 190;
    out += static_cast<char>(0x81 + nAt / 190);
    out += static_cast<char>(nTrail < 0x3F ? 0x40 + nTrail : 0x41 + nTrail);
    return;
  }
  int nLinear = -1;
  constexpr int kBmpIndexes = 39420;
  constexpr int kSupplementaryStart = 189000;
  for (std::size_t i = 0; i < std::size(kGb4Runs) && c < 0x10000; ++i) {
    const int nEnd = i + 1 < std::size(kGb4Runs) ? kGb4Runs[i + 1].nIndex : kBmpIndexes;
    const Gb4Run& run = kGb4Runs[i];
    if (run.nCode != 0 && c >= run.nCode && static_cast<int>(c - run.nCode) < nEnd - run.nIndex)
      nLinear = run.nIndex + static_cast<int>(c - run.nCode);
  }
  if (c >= 0x10000)
    nLinear = kSupplementaryStart + static_cast<int>(c - 0x10000);
  if (nLinear < 0) {
    out += '?';
    return;
  }
  const char b4 = static_cast<char>(0x30 + nLinear % 10);
  nLinear /= 10;
  const char b3 = static_cast<char>(0x81 + nLinear % 126);
  nLinear /= 126;
  const char b2 = static_cast<char>(0x30 + nLinear % 10);
  out += static_cast<char>(0x81 + nLinear / 10);
  out += b2;
  out += b3;
  out += b4;
}
}  // namespace

void EncodeText(const std::string& utf8, int nEncoding, std::string& out)
{
  if (nEncoding != ENCODING_GB18030) {
    out += utf8;
    return;
  }
  const auto* p = reinterpret_cast<const BYTE*>(utf8.data());
  const int n = static_cast<int>(utf8.size());
  for (int i = 0; i < n;) {
    char32_t c = 0;
    const int nLength = Utf8Char(p + i, n - i, &c);
    AppendGb(out, p[i] < 0x80 ? p[i] : c);
    i += nLength > 0 ? nLength : n - i;
  }
}

int DecodeText(const BYTE* p, int n, int nEncoding, int nControls, bool bFinal, std::string& out)
{
  int i = 0;
  while (i < n) {
    const BYTE b = p[i];
    if (b < 0x80) {
      AppendByte(out, b, nControls);
      ++i;
      continue;
    }
    char32_t c = kReplacement;
    int nLength = 1;
    if (nEncoding == ENCODING_GB18030)
      nLength = IsGbLead(b) ? GbChar(p + i, n - i, &c) : 1;
    else
      nLength = Utf8Char(p + i, n - i, &c);
    if (nLength == kIncomplete && !bFinal)
      return i;
    if (nLength == kIncomplete) {
      c = kReplacement;
      nLength = 1;
    }
    AppendUtf8(out, c);
    i += nLength;
  }
  return i;
}

int TextStart(const BYTE* p, int n, int nEncoding)
{
  constexpr int kLook = 8;
  const int nLook = std::min(n, kLook);
  if (nEncoding != ENCODING_GB18030) {
    int i = 0;
    while (i < nLook && (p[i] & 0xC0) == 0x80)
      ++i;
    return i;
  }
  for (int i = 0; i < nLook; ++i) {
    if (p[i] < 0x80)
      return i + 1;
  }
  return 0;
}
