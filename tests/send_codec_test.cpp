// What the send options make of a payload: escapes, line endings and checksums, as tables.
#include "codec/sendcodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Expand(const std::string& typed)
{
  std::vector<BYTE> out(typed.size() + 1);
  const int n = ExpandEscapes(typed.data(), static_cast<int>(typed.size()), out.data());
  return std::string(reinterpret_cast<const char*>(out.data()), static_cast<std::size_t>(n));
}

const BYTE* Bytes(const std::string& s)
{
  return reinterpret_cast<const BYTE*>(s.data());
}

TEST(Escapes, BecomeTheirBytesAndAnythingElseStaysAsTyped)
{
  struct Row {
    const char* typed;
    std::string bytes;
  } rows[] = {
      {"plain text", "plain text"},
      {R"(a\r\nb)", "a\r\nb"},
      {R"(\t\0\\)", std::string("\t\0\\", 3)},
      {R"(\x41\x7e\xFF)", "A~\xFF"},
      {R"(\x4)", "\x04"},
      {R"(\x4g)", "\x04g"},
      {R"(\x123)",
       "\x12"
       "3"},
      {R"(\xg)", R"(\xg)"},
      {R"(\x)", R"(\x)"},
      {R"(\q \" \r)", "\\q \\\" \r"},
      {R"(end\)", R"(end\)"},
      {R"(\\n)", R"(\n)"},
      {R"(\\\n)", "\\\n"},
      {"中文\\n", "中文\n"},
      {"", ""},
  };
  for (const Row& row : rows)
    EXPECT_EQ(Expand(row.typed), row.bytes) << row.typed;
}

TEST(LineEndings, AddWhatTheyName)
{
  struct Row {
    int kind;
    std::string bytes;
  } rows[] = {
      {LINE_ENDING_NONE, ""}, {LINE_ENDING_CR, "\r"}, {LINE_ENDING_LF, "\n"}, {LINE_ENDING_CRLF, "\r\n"}, {7, ""}};
  for (const Row& row : rows) {
    BYTE out[2] = {};
    const int n = LineEndingBytes(row.kind, out);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(out), static_cast<std::size_t>(n)), row.bytes) << row.kind;
  }
}

struct ChecksumRow {
  const char* what;
  std::string payload;
  int kind;
  std::vector<BYTE> appended;
};

TEST(Checksums, GiveTheCheckValuesAndHandleEveryLength)
{
  const std::string check = "123456789";
  const std::string big(32766, '\xA5');
  const ChecksumRow rows[] = {
      {"sum of the check string", check, CHECKSUM_SUM8, {0xDD}},
      {"xor of the check string", check, CHECKSUM_XOR8, {0x31}},
      {"CRC-16/MODBUS, low byte first", check, CHECKSUM_CRC16_MODBUS, {0x37, 0x4B}},
      {"CRC-32, most significant first", check, CHECKSUM_CRC32, {0xCB, 0xF4, 0x39, 0x26}},
      {"none", check, CHECKSUM_NONE, {}},
      {"sum of nothing", "", CHECKSUM_SUM8, {0x00}},
      {"xor of nothing", "", CHECKSUM_XOR8, {0x00}},
      {"CRC-16 of nothing", "", CHECKSUM_CRC16_MODBUS, {0xFF, 0xFF}},
      {"CRC-32 of nothing", "", CHECKSUM_CRC32, {0x00, 0x00, 0x00, 0x00}},
      {"sum of one byte", "\xFF", CHECKSUM_SUM8, {0xFF}},
      {"CRC-16 of one byte", "\x01", CHECKSUM_CRC16_MODBUS, {0x7E, 0x80}},
      {"CRC-32 of one byte", "a", CHECKSUM_CRC32, {0xE8, 0xB7, 0xBE, 0x43}},
      // A Modbus RTU request, read holding registers 0-1 of unit 1, as devices check it.
      {"a Modbus frame", std::string("\x01\x03\x00\x00\x00\x02", 6), CHECKSUM_CRC16_MODBUS, {0xC4, 0x0B}},
      {"sum wraps at 8 bits, 32766 bytes", big, CHECKSUM_SUM8, {static_cast<BYTE>((0xA5 * 32766) & 0xFF)}},
      {"xor of an even count of one byte", big, CHECKSUM_XOR8, {0x00}},
  };
  for (const ChecksumRow& row : rows) {
    BYTE out[4] = {};
    const int n = ChecksumBytes(row.kind, Bytes(row.payload), static_cast<int>(row.payload.size()), out);
    EXPECT_EQ(std::vector<BYTE>(out, out + n), row.appended) << row.what;
  }
  EXPECT_EQ(Crc32(Bytes(big), 32766), 0x755AC60Bu) << "zlib's crc32 of 32766 bytes of 0xA5";
}

}  // namespace
