#include "codec/hexcodec.h"

#include <array>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr char kHexDigits[] = "0123456789abcdefABCDEF";
constexpr BYTE kHexValues[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 10, 11, 12, 13, 14, 15};
constexpr BYTE kNotHex = 0xFF;

// The digit table spread over all 256 byte values, so a lookup is one load.
constexpr std::array<BYTE, 256> kValueOf = [] {
  std::array<BYTE, 256> table{};
  table.fill(kNotHex);
  for (std::size_t i = 0; i < sizeof kHexValues; ++i)
    table[static_cast<unsigned char>(kHexDigits[i])] = kHexValues[i];
  return table;
}();

// "%02X " for every byte value, padded to four bytes so each entry is one aligned copy.
constexpr std::array<std::array<char, 4>, 256> kHexText = [] {
  constexpr char digits[] = "0123456789ABCDEF";
  std::array<std::array<char, 4>, 256> table{};
  for (std::size_t i = 0; i < 256; ++i)
    table[i] = {digits[i >> 4], digits[i & 0xF], ' ', ' '};
  return table;
}();

}  // namespace

BYTE HexDigitValue(char ch)
{
  return kValueOf[static_cast<unsigned char>(ch)];
}

void ParseHexText(CString strText, BYTE* pOut, int* pnCount)
{
  strText.TrimLeft();
  strText.TrimRight();
  const int len = strText.GetLength();
  auto scratch = std::make_unique<char[]>(static_cast<std::size_t>(len) + 1);
  std::memcpy(scratch.get(), static_cast<LPCTSTR>(strText), static_cast<std::size_t>(len));
  int count = 0;
  for (int pos = 0; pos < len;) {
    const BYTE v = HexDigitValue(scratch[static_cast<std::size_t>(pos)]);
    ++pos;
    if (v == kNotHex)
      continue;
    if (pos == len) {
      pOut[count++] = v;
      break;
    }
    const BYTE w = HexDigitValue(scratch[static_cast<std::size_t>(pos)]);
    pOut[count++] = w == kNotHex ? v : static_cast<BYTE>(v * 16 + w);
    ++pos;  // the second digit, or the separator after a lone one
  }
  *pnCount = count;
}

CString RenderReceiveBuffer(const BYTE* pData, int nLen, BOOL bHex)
{
  if (nLen <= 0 || !pData)
    return {};
  const auto n = static_cast<std::size_t>(nLen);
  if (!bHex)
    return CString(std::string(reinterpret_cast<const char*>(pData), strnlen(reinterpret_cast<const char*>(pData), n)));
  // Each entry writes one byte past its three; the spare byte at the end takes the last one.
  std::string out(n * 3 + 1, '\0');
  char* p = out.data();
  for (std::size_t i = 0; i < n; ++i, p += 3)
    std::memcpy(p, kHexText[pData[i]].data(), 4);
  out.pop_back();
  return CString(std::move(out));
}
