#include "codec/displaycodec.h"

#include "codec/hexcodec.h"

#include <cstring>
#include <string>

namespace {

// Text until the first zero byte, when control bytes are kept as they are: as the display always
// showed text.
int TextLength(const BYTE* p, int n, int nControls)
{
  if (nControls != CONTROLS_RAW || n <= 0)
    return n;
  const void* pZero = std::memchr(p, 0, static_cast<std::size_t>(n));
  return pZero ? static_cast<int>(static_cast<const BYTE*>(pZero) - p) : n;
}

void AppendHexBytes(std::string& out, const BYTE* p, int n)
{
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int i = 0; i < n; ++i) {
    out += kDigits[p[i] >> 4];
    out += kDigits[p[i] & 0xF];
    out += ' ';
  }
}

bool EndsLine(const std::string& out)
{
  return out.empty() || out.back() == '\n';
}

}  // namespace

CString RenderDisplayChunks(const DISPLAY_CHUNK* pChunks, int nChunks, const DISPLAY_FORMAT& format)
{
  std::string out;
  std::size_t nExpected = 0;
  for (int i = 0; i < nChunks; ++i)
    nExpected += pChunks[i].prefix.size() + static_cast<std::size_t>(pChunks[i].nLength) * (format.bHex ? 3 : 1) + 2;
  out.reserve(nExpected);
  // The bytes of a character a chunk ended inside, waiting for the rest from the next chunk.
  std::string carried;
  for (int i = 0; i < nChunks; ++i) {
    const DISPLAY_CHUNK& chunk = pChunks[i];
    if (!carried.empty() && !chunk.bContinues) {
      DecodeText(reinterpret_cast<const BYTE*>(carried.data()), static_cast<int>(carried.size()), format.nEncoding,
                 format.nControls, true, out);
      carried.clear();
    }
    if (format.bLinePerChunk && !EndsLine(out))
      out += DISPLAY_BREAK;
    out += chunk.prefix;
    if (format.bHex) {
      AppendHexBytes(out, chunk.pData, chunk.nLength);
    } else {
      const int nSkip = chunk.bCut ? TextStart(chunk.pData, chunk.nLength, format.nEncoding) : 0;
      const BYTE* pText = chunk.pData + nSkip;
      int nText = TextLength(pText, chunk.nLength - nSkip, format.nControls);
      // Only a character cut at the last chunk's end needs the bytes joined.
      std::string joined;
      if (!carried.empty()) {
        joined = carried + std::string(reinterpret_cast<const char*>(pText), static_cast<std::size_t>(nText));
        pText = reinterpret_cast<const BYTE*>(joined.data());
        nText = static_cast<int>(joined.size());
      }
      const bool bLast = i + 1 == nChunks;
      const int nUsed = DecodeText(pText, nText, format.nEncoding, format.nControls, bLast, out);
      carried.assign(reinterpret_cast<const char*>(pText) + nUsed, static_cast<std::size_t>(nText - nUsed));
    }
    if (format.bBreakAfter)
      out += DISPLAY_BREAK;
  }
  return CString(std::move(out));
}

CString RenderDisplayText(const BYTE* pData, int nLength, bool bCut, const DISPLAY_FORMAT& format)
{
  if (format.bHex)
    return RenderReceiveBuffer(pData, nLength, TRUE);
  const int nSkip = bCut ? TextStart(pData, nLength, format.nEncoding) : 0;
  std::string out;
  DecodeText(pData + nSkip, TextLength(pData + nSkip, nLength - nSkip, format.nControls), format.nEncoding,
             format.nControls, true, out);
  return CString(std::move(out));
}
