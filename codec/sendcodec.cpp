#include "codec/sendcodec.h"

#include "codec/hexcodec.h"

#include <algorithm>
#include <array>
#include <string>

namespace {
struct Escape {
  char ch;
  BYTE by;
};
constexpr Escape kEscapes[] = {{'r', '\r'}, {'n', '\n'}, {'t', '\t'}, {'0', '\0'}, {'\\', '\\'}};

const Escape* FindEscape(char ch)
{
  for (const Escape& e : kEscapes) {
    if (e.ch == ch)
      return &e;
  }
  return nullptr;
}

constexpr std::array<std::uint32_t, 256> MakeCrc32Table()
{
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k)
      c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}
constexpr std::array<std::uint32_t, 256> kCrc32Table = MakeCrc32Table();
}  // namespace

int ExpandEscapes(const char* pText, int nLength, BYTE* pOut)
{
  int nOut = 0;
  for (int i = 0; i < nLength; ++i) {
    const char ch = pText[i];
    if (ch != '\\' || i + 1 == nLength) {
      pOut[nOut++] = static_cast<BYTE>(ch);
      continue;
    }
    const char next = pText[i + 1];
    if (const Escape* e = FindEscape(next)) {
      pOut[nOut++] = e->by;
      ++i;
      continue;
    }
    const BYTE high = (next == 'x' && i + 2 < nLength) ? HexDigitValue(pText[i + 2]) : 0xFF;
    if (high == 0xFF) {
      pOut[nOut++] = '\\';
      continue;
    }
    const BYTE low = i + 3 < nLength ? HexDigitValue(pText[i + 3]) : 0xFF;
    pOut[nOut++] = low == 0xFF ? high : static_cast<BYTE>(high << 4 | low);
    i += low == 0xFF ? 2 : 3;
  }
  return nOut;
}

int LineEndingBytes(int nLineEnding, BYTE* pOut)
{
  switch (nLineEnding) {
  case LINE_ENDING_CR:
    pOut[0] = '\r';
    return 1;
  case LINE_ENDING_LF:
    pOut[0] = '\n';
    return 1;
  case LINE_ENDING_CRLF:
    pOut[0] = '\r';
    pOut[1] = '\n';
    return 2;
  default:
    return 0;
  }
}

std::uint8_t Sum8(const BYTE* p, int n)
{
  unsigned sum = 0;
  for (int i = 0; i < n; ++i)
    sum += p[i];
  return static_cast<std::uint8_t>(sum);
}

std::uint8_t Xor8(const BYTE* p, int n)
{
  unsigned x = 0;
  for (int i = 0; i < n; ++i)
    x ^= p[i];
  return static_cast<std::uint8_t>(x);
}

std::uint16_t Crc16Modbus(const BYTE* p, int n)
{
  unsigned crc = 0xFFFF;
  for (int i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k)
      crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return static_cast<std::uint16_t>(crc);
}

std::uint32_t Crc32(const BYTE* p, int n)
{
  std::uint32_t crc = 0xFFFFFFFFu;
  for (int i = 0; i < n; ++i)
    crc = kCrc32Table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

int ChecksumBytes(int nKind, const BYTE* p, int n, BYTE* pOut)
{
  switch (nKind) {
  case CHECKSUM_SUM8:
    pOut[0] = Sum8(p, n);
    return 1;
  case CHECKSUM_XOR8:
    pOut[0] = Xor8(p, n);
    return 1;
  case CHECKSUM_CRC16_MODBUS: {
    const std::uint16_t crc = Crc16Modbus(p, n);
    pOut[0] = static_cast<BYTE>(crc & 0xFF);
    pOut[1] = static_cast<BYTE>(crc >> 8);
    return 2;
  }
  case CHECKSUM_CRC32: {
    const std::uint32_t crc = Crc32(p, n);
    for (int i = 0; i < 4; ++i)
      pOut[i] = static_cast<BYTE>(crc >> (24 - 8 * i));
    return 4;
  }
  default:
    return 0;
  }
}

namespace {
constexpr const char* kRefusalTexts[] = {
    nullptr,
    "请输入数据!",
    "发送数据不能超过32768字节!",
    "加上校验码后发送数据超过32768字节!",
};

// The typed text's bytes with escapes worked out and the line ending added; false when they would
// not fit. Escapes never lengthen the text, so the text is worked out first and measured after.
bool TypedBytes(const CString& strText, const SEND_OPTIONS& options, std::vector<BYTE>& out)
{
  const int nLength = strText.GetLength();
  out.resize(static_cast<std::size_t>(nLength) + 2);
  const int nBytes = options.bEscapes ? ExpandEscapes(strText, nLength, out.data()) : nLength;
  if (!options.bEscapes)
    std::copy_n(static_cast<LPCTSTR>(strText), nLength, out.data());
  const int nEnding = LineEndingBytes(options.nLineEnding, out.data() + nBytes);
  out.resize(static_cast<std::size_t>(nBytes + nEnding));
  return nBytes <= PAYLOAD_LIMIT && nBytes + nEnding <= PAYLOAD_LIMIT;
}
}  // namespace

PAYLOAD BuildPayload(const CString& strText, BOOL bHex, const SEND_OPTIONS& options)
{
  PAYLOAD payload;
  payload.strShown = strText;
  if (bHex) {
    payload.strShown.TrimLeft();
    payload.strShown.TrimRight();
    if (payload.strShown.IsEmpty()) {
      payload.strShown = strText;
      payload.nRefusal = PAYLOAD_EMPTY;
      return payload;
    }
    int nCount = 0;
    payload.bytes.resize(static_cast<std::size_t>(payload.strShown.GetLength() + 1) / 2);
    ParseHexText(payload.strShown, payload.bytes.data(), &nCount);
    payload.bytes.resize(static_cast<std::size_t>(nCount));
    if (nCount > PAYLOAD_LIMIT)
      payload.nRefusal = PAYLOAD_TOO_LONG;
  } else if (strText.IsEmpty()) {
    payload.nRefusal = PAYLOAD_EMPTY;
  } else if (!TypedBytes(strText, options, payload.bytes)) {
    payload.nRefusal = PAYLOAD_TOO_LONG;
  }
  if (payload.nRefusal != PAYLOAD_OK) {
    payload.bytes.clear();
    return payload;
  }
  BYTE checksum[4];
  const int nLength = static_cast<int>(payload.bytes.size());
  const int nChecksum = ChecksumBytes(options.nChecksum, payload.bytes.data(), nLength, checksum);
  if (nLength + nChecksum > PAYLOAD_LIMIT) {
    payload.nRefusal = PAYLOAD_NO_ROOM_FOR_CHECKSUM;
    payload.bytes.clear();
    return payload;
  }
  payload.bytes.insert(payload.bytes.end(), checksum, checksum + nChecksum);
  return payload;
}

const char* PayloadRefusalText(PAYLOAD_REFUSAL nRefusal)
{
  return kRefusalTexts[nRefusal];
}

CString SendOptionsSummary(const SEND_OPTIONS& options)
{
  static constexpr const char* kChecksums[CHECKSUM_KINDS] = {"", "累加和", "异或", "CRC-16/MODBUS", "CRC-32"};
  static constexpr const char* kEndings[LINE_ENDINGS] = {"", "CR", "LF", "CR LF"};
  std::string out;
  const auto add = [&out](const char* psz) {
    if (*psz)
      out += (out.empty() ? "" : ", ") + std::string(psz);
  };
  add(options.nChecksum >= 0 && options.nChecksum < CHECKSUM_KINDS ? kChecksums[options.nChecksum] : "");
  add(options.nLineEnding >= 0 && options.nLineEnding < LINE_ENDINGS ? kEndings[options.nLineEnding] : "");
  add(options.bEscapes ? "转义" : "");
  return CString(out);
}
