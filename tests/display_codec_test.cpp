// Received bytes as the display's text with its options on: decoding UTF-8 and GB18030, control
// bytes made visible, chunks with their prefixes and breaks; as tables.
#include "codec/displaycodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const BYTE* Bytes(const std::string& s)
{
  return reinterpret_cast<const BYTE*>(s.data());
}

// A literal outlives the table that points into it; a temporary string would not.
const BYTE* Bytes(const char* psz)
{
  return reinterpret_cast<const BYTE*>(psz);
}

std::string Decode(const std::string& bytes, int nEncoding, int nControls, bool bFinal = true, int* pnUsed = nullptr)
{
  std::string out;
  const int nUsed = DecodeText(Bytes(bytes), static_cast<int>(bytes.size()), nEncoding, nControls, bFinal, out);
  if (pnUsed)
    *pnUsed = nUsed;
  return out;
}

TEST(TextDecoding, GivesUtf8AndNeverHidesWhatFollows)
{
  struct Row {
    const char* what;
    std::string bytes;
    int nEncoding;
    int nControls;
    std::string text;
  } rows[] = {
      {"ASCII", "plain\r\n\ttext", ENCODING_UTF8, CONTROLS_DOT, "plain\r\n\ttext"},
      {"UTF-8 Chinese", "中文", ENCODING_UTF8, CONTROLS_DOT, "中文"},
      {"a stray byte",
       "a\xFF"
       "b",
       ENCODING_UTF8, CONTROLS_DOT,
       "a\xEF\xBF\xBD"
       "b"},
      {"an overlong form", "\xC0\xAF!", ENCODING_UTF8, CONTROLS_DOT, "\xEF\xBF\xBD\xEF\xBF\xBD!"},
      {"a surrogate", "\xED\xA0\x80x", ENCODING_UTF8, CONTROLS_DOT, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDx"},
      {"zero and controls as dots", std::string("A\0B\x01\x1B\x7F", 6), ENCODING_UTF8, CONTROLS_DOT, "A.B..."},
      {"zero and controls escaped", std::string("A\0B\x01", 4), ENCODING_UTF8, CONTROLS_ESCAPED, "A\\x00B\\x01"},
      {"controls kept", std::string("\x01\x02", 2), ENCODING_UTF8, CONTROLS_RAW, std::string("\x01\x02", 2)},
      {"GBK", "\xD6\xD0\xCE\xC4", ENCODING_GB18030, CONTROLS_DOT, "中文"},
      {"GBK full-width space", "\xA1\xA1", ENCODING_GB18030, CONTROLS_DOT, "\xE3\x80\x80"},
      {"GB18030 four bytes", "\x81\x30\x81\x30", ENCODING_GB18030, CONTROLS_DOT, "\xC2\x80"},
      {"GB18030 beyond the BMP", "\x95\x32\x82\x36", ENCODING_GB18030, CONTROLS_DOT, "\xF0\xA0\x80\x80"},
      {"GB18030 0x80 and 0xFF", "\x80\xFF", ENCODING_GB18030, CONTROLS_DOT, "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"a lead before a space", "\xD6 A", ENCODING_GB18030, CONTROLS_DOT, "\xEF\xBF\xBD A"},
      {"a lead before a control", std::string("\xD6\x01", 2), ENCODING_GB18030, CONTROLS_DOT, "\xEF\xBF\xBD."},
  };
  for (const Row& row : rows)
    EXPECT_EQ(Decode(row.bytes, row.nEncoding, row.nControls), row.text) << row.what;
}

TEST(TextDecoding, LeavesACutCharacterForTheNextBytes)
{
  struct Row {
    std::string bytes;
    int nEncoding;
    int nUsed;
  } rows[] = {
      {"ab\xE4\xB8", ENCODING_UTF8, 2},      {"\xE4", ENCODING_UTF8, 0},        {"a\xD6", ENCODING_GB18030, 1},
      {"\x81\x30\x81", ENCODING_GB18030, 0}, {"\x81\x30", ENCODING_GB18030, 0},
  };
  for (const Row& row : rows) {
    int nUsed = -1;
    Decode(row.bytes, row.nEncoding, CONTROLS_DOT, false, &nUsed);
    EXPECT_EQ(nUsed, row.nUsed) << row.bytes;
    // At the end of everything, the cut character is a replacement character, once a byte.
    EXPECT_NE(Decode(row.bytes, row.nEncoding, CONTROLS_DOT, true).find("\xEF\xBF\xBD"), std::string::npos);
  }
}

TEST(TextDecoding, TextStartsPastWhatACutLeftOfACharacter)
{
  EXPECT_EQ(TextStart(Bytes("\xB8\xADxyz"), 5, ENCODING_UTF8), 2);
  EXPECT_EQ(TextStart(Bytes("xyz"), 3, ENCODING_UTF8), 0);
  EXPECT_EQ(TextStart(Bytes("\xD0\xCE\xC4 ok"), 6, ENCODING_GB18030), 4);
}

TEST(DisplayText, TheBufferAsOneRunKeepsWhatAZeroHid)
{
  const std::string modbus("\x01\x03\x02\x00\x64", 5);
  DISPLAY_FORMAT dots;
  dots.nControls = CONTROLS_DOT;
  EXPECT_EQ(RenderDisplayText(Bytes(modbus + "ok"), 7, false, dots).str(), "....dok");
  DISPLAY_FORMAT raw;
  raw.nEncoding = ENCODING_GB18030;
  EXPECT_EQ(RenderDisplayText(Bytes(std::string("\xD6\xD0\0x", 4)), 4, false, raw).str(), "中")
      << "kept as they are, control bytes end the text at a zero as they always did";
  DISPLAY_FORMAT hex;
  hex.bHex = TRUE;
  hex.nEncoding = ENCODING_GB18030;
  EXPECT_EQ(RenderDisplayText(Bytes(modbus), 5, false, hex).str(), "01 03 02 00 64 ");
  EXPECT_EQ(RenderDisplayText(Bytes("\xA0\xE6\x96\x87"), 4, true, dots).str(), "文") << "a cut buffer";
}

TEST(DisplayText, ChunksWithPrefixesBreaksAndCharactersAcrossThem)
{
  const std::string modbus("\x01\x03\x02\x00\x64", 5);
  const std::string gbk = "\xD6\xD0\xCE\xC4";
  struct Row {
    const char* what;
    DISPLAY_FORMAT format;
    std::vector<DISPLAY_CHUNK> chunks;
    std::string text;
  } rows[] = {
      {"a prefix starts each chunk's line",
       {FALSE, TRUE, FALSE, CONTROLS_DOT, ENCODING_UTF8},
       {{"[a] ", Bytes(modbus), 5, false, false}, {"[b] ", Bytes("hello"), 5, false, false}},
       "[a] ....d\r\n[b] hello"},
      {"a break after each chunk",
       {FALSE, FALSE, TRUE, CONTROLS_ESCAPED, ENCODING_UTF8},
       {{"", Bytes("one"), 3, false, false}, {"", Bytes(modbus), 5, false, false}},
       "one\r\n\\x01\\x03\\x02\\x00d\r\n"},
      {"text that ends its own line takes no second break",
       {FALSE, TRUE, FALSE, CONTROLS_DOT, ENCODING_UTF8},
       {{"[a] ", Bytes("line\r\n"), 6, false, false}, {"[b] ", Bytes("next"), 4, false, false}},
       "[a] line\r\n[b] next"},
      {"hex with prefixes",
       {TRUE, TRUE, FALSE, CONTROLS_DOT, ENCODING_UTF8},
       {{"[a] ", Bytes(modbus), 5, false, false}, {"[b] ", Bytes("A"), 1, false, false}},
       "[a] 01 03 02 00 64 \r\n[b] 41 "},
      {"GBK split across two chunks of a stream",
       {FALSE, TRUE, FALSE, CONTROLS_DOT, ENCODING_GB18030},
       {{"[a] ", Bytes(gbk), 1, false, false}, {"[a] ", Bytes(gbk) + 1, 3, true, false}},
       "[a] \r\n[a] 中文"},
      {"a split that no chunk finishes",
       {FALSE, TRUE, FALSE, CONTROLS_DOT, ENCODING_GB18030},
       {{"[a] ", Bytes(gbk), 1, false, false}, {"[b] ", Bytes("x"), 1, false, false}},
       "[a] \xEF\xBF\xBD\r\n[b] x"},
      {"a chunk cut at its start begins at a whole character",
       {FALSE, TRUE, FALSE, CONTROLS_DOT, ENCODING_UTF8},
       {{"",
         Bytes("\xB8\xAD"
               "ab"),
         4, false, true}},
       "ab"},
  };
  for (const Row& row : rows) {
    const CString text = RenderDisplayChunks(row.chunks.data(), static_cast<int>(row.chunks.size()), row.format);
    EXPECT_EQ(text.str(), row.text) << row.what;
  }
}

}  // namespace
