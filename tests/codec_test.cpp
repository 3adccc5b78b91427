#include "codec/hexcodec.h"

#include <gtest/gtest.h>

#include <cctype>
#include <iomanip>
#include <ostream>
#include <string>
#include <vector>

namespace {

std::vector<BYTE> Parse(const char* text)
{
  std::vector<BYTE> out(std::string(text).size() / 2 + 2, 0xEE);
  int count = -1;
  ParseHexText(CString(text), out.data(), &count);
  out.resize(static_cast<std::size_t>(count));
  return out;
}

struct ParseCase {
  const char* input;
  std::vector<BYTE> bytes;
};

// A failing row shows its input and bytes, not the struct's memory.
void PrintTo(const ParseCase& c, std::ostream* os)
{
  *os << ::testing::PrintToString(std::string(c.input)) << " ->";
  for (BYTE b : c.bytes)
    *os << ' ' << std::hex << std::uppercase << std::setw(2) << std::setfill('0') << int{b};
}

// The input as a test name: letters and digits kept, anything else an underscore.
std::string NameOf(const ::testing::TestParamInfo<ParseCase>& p)
{
  std::string name;
  for (const char* c = p.param.input; *c; ++c)
    name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
  return name.empty() ? "empty" : name;
}

class ParseHexTextTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseHexTextTable, GivesTheBytes)
{
  EXPECT_EQ(Parse(GetParam().input), GetParam().bytes) << "input: \"" << GetParam().input << "\"";
}

INSTANTIATE_TEST_SUITE_P(Codec, ParseHexTextTable,
                         ::testing::Values(ParseCase{"0A1B", {0x0A, 0x1B}}, ParseCase{"A1B", {0xA1, 0x0B}},
                                           ParseCase{"1 2 3", {0x01, 0x02, 0x03}}, ParseCase{"123", {0x12, 0x03}},
                                           ParseCase{"F-F", {0x0F, 0x0F}}, ParseCase{"0x41", {0x00, 0x41}},
                                           ParseCase{"aB cd", {0xAB, 0xCD}}, ParseCase{"zz", {}}, ParseCase{"", {}},
                                           ParseCase{"  01 02 ff  ", {0x01, 0x02, 0xFF}},
                                           ParseCase{"\r\n41\r\n42\r\n", {0x41, 0x42}}),
                         NameOf);

TEST(Codec, HexDigitValueFollowsTheTable)
{
  EXPECT_EQ(HexDigitValue('0'), 0);
  EXPECT_EQ(HexDigitValue('9'), 9);
  EXPECT_EQ(HexDigitValue('a'), 10);
  EXPECT_EQ(HexDigitValue('F'), 15);
  for (char c : std::string("gG-x \x80\xff"))
    EXPECT_EQ(HexDigitValue(c), 0xFF) << int(c);
}

TEST(Codec, ParsesBytesNotCharacters)
{
  // "隆" is E9 9A 86 and "锟" is E9 94 9F in UTF-8: no byte is an ASCII digit, so both vanish,
  // while a character whose trailing byte is '1' in a double-byte code page would count.
  EXPECT_EQ(Parse("隆41锟"), (std::vector<BYTE>{0x41}));
  // Bytes that equal ASCII digits inside a multi-byte sequence count as digits.
  const char gbkLike[] = {'\x81', '1', '\x82', '2', 0};
  EXPECT_EQ(Parse(gbkLike), (std::vector<BYTE>{0x01, 0x02}));
}

TEST(Codec, ParserNeverWritesMoreThanHalfTheTextRoundedUp)
{
  for (const char* text : {"1", "123", "1 2 3 4 5", "fffffffffffffffffffffffffffffffff"}) {
    const std::string s(text);
    std::vector<BYTE> out((s.size() + 1) / 2 + 4, 0xEE);
    int count = 0;
    ParseHexText(CString(text), out.data(), &count);
    EXPECT_LE(static_cast<std::size_t>(count), (s.size() + 1) / 2) << text;
    for (std::size_t i = static_cast<std::size_t>(count); i < out.size(); ++i)
      EXPECT_EQ(out[i], 0xEE) << text;
  }
}

TEST(Codec, RendersHexAndText)
{
  const BYTE bytes[] = {0x41, 0x00, 0x42};
  EXPECT_EQ(RenderReceiveBuffer(bytes, 3, TRUE).str(), "41 00 42 ");
  EXPECT_EQ(RenderReceiveBuffer(bytes, 3, FALSE).str(), "A");
  EXPECT_EQ(RenderReceiveBuffer(bytes, 0, TRUE).str(), "");
  EXPECT_EQ(RenderReceiveBuffer(bytes, 0, FALSE).str(), "");
  const BYTE high[] = {0xAB, 0xff, 0x0f};
  EXPECT_EQ(RenderReceiveBuffer(high, 3, TRUE).str(), "AB FF 0F ");
}

TEST(Codec, RendersAFullBuffer)
{
  std::vector<BYTE> buf(65536);
  for (std::size_t i = 0; i < buf.size(); ++i)
    buf[i] = static_cast<BYTE>(i % 255 + 1);
  const CString hex = RenderReceiveBuffer(buf.data(), 65536, TRUE);
  ASSERT_EQ(hex.GetLength(), 65536 * 3);
  EXPECT_EQ(hex.str().substr(0, 9), "01 02 03 ");
  EXPECT_EQ(hex.str().substr(hex.str().size() - 3), "01 ");  // 65535 % 255 + 1
  EXPECT_EQ(RenderReceiveBuffer(buf.data(), 65536, FALSE).GetLength(), 65536);
  buf[40000] = 0;
  EXPECT_EQ(RenderReceiveBuffer(buf.data(), 65536, FALSE).GetLength(), 40000);
}

}  // namespace
