// Feeds arbitrary bytes to the hex parser and both renderings and checks their bounds; text that
// is UTF-8 comes back whole from GB18030.
#include "codec/hexcodec.h"
#include "codec/textcodec.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
void check(bool ok)
{
  if (!ok)
    std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  // The parser takes text up to its first zero, as a CString does.
  const std::string text(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
  const std::size_t bound = (text.size() + 1) / 2;
  constexpr std::size_t kGuard = 16;
  std::vector<BYTE> out(bound + kGuard, 0xA5);
  int count = -1;
  ParseHexText(CString(text.c_str()), out.data(), &count);
  check(count >= 0 && static_cast<std::size_t>(count) <= bound);
  for (std::size_t i = static_cast<std::size_t>(count); i < out.size(); ++i)
    check(out[i] == 0xA5);

  const int n = static_cast<int>(size);
  const CString hex = RenderReceiveBuffer(data, n, TRUE);
  check(hex.GetLength() == 3 * n);
  for (std::size_t i = 0; i < size; ++i)
    check(hex.str()[3 * i + 2] == ' ');
  const CString plain = RenderReceiveBuffer(data, n, FALSE);
  check(static_cast<std::size_t>(plain.GetLength()) == strnlen(reinterpret_cast<const char*>(data), size));

  const std::string input(reinterpret_cast<const char*>(data), size);
  std::string utf8;
  DecodeText(data, n, ENCODING_UTF8, CONTROLS_RAW, true, utf8);
  if (utf8 == input) {
    std::string gb;
    EncodeText(input, ENCODING_GB18030, gb);
    std::string back;
    DecodeText(reinterpret_cast<const BYTE*>(gb.data()), static_cast<int>(gb.size()), ENCODING_GB18030, CONTROLS_RAW,
               true, back);
    check(back == input || gb.find('?') != std::string::npos);
  }
  return 0;
}
