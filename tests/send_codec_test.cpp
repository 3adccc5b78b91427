// What the send options make of a payload: escapes, line endings and checksums, as tables.
#include "codec/sendcodec.h"
#include "codec/transfertext.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
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

// The send box's text, the hex flag and the options to a payload or a refusal, as a click makes it.
TEST(Payload, FromTheSendBoxIsBytesOrARefusal)
{
  const SEND_OPTIONS plain;
  const SEND_OPTIONS crlf{FALSE, LINE_ENDING_CRLF, CHECKSUM_NONE};
  const SEND_OPTIONS escapes{TRUE, LINE_ENDING_NONE, CHECKSUM_NONE};
  const SEND_OPTIONS modbus{TRUE, LINE_ENDING_CRLF, CHECKSUM_CRC16_MODBUS};
  const std::string full(PAYLOAD_LIMIT, 'f');
  const std::string hexFull(2 * PAYLOAD_LIMIT, 'a');
  struct Row {
    const char* what;
    std::string text;
    BOOL bHex;
    SEND_OPTIONS options;
    PAYLOAD_REFUSAL refusal;
    std::string bytes;
    std::string shown;
  } rows[] = {
      {"text as typed", "abc", FALSE, plain, PAYLOAD_OK, "abc", "abc"},
      {"spaces are text", "  ", FALSE, plain, PAYLOAD_OK, "  ", "  "},
      {"empty text", "", FALSE, plain, PAYLOAD_EMPTY, "", ""},
      {"hex trimmed and parsed", "  01 02 ff  ", TRUE, plain, PAYLOAD_OK, "\x01\x02\xFF", "01 02 ff"},
      {"hex of blanks only", "   ", TRUE, plain, PAYLOAD_EMPTY, "", "   "},
      {"hex without a digit", "zz", TRUE, plain, PAYLOAD_OK, "", "zz"},
      {"a line ending", "AT", FALSE, crlf, PAYLOAD_OK, "AT\r\n", "AT"},
      {"escapes", R"(a\tb\x00)", FALSE, escapes, PAYLOAD_OK, std::string("a\tb\0", 4), R"(a\tb\x00)"},
      {"hex takes only the checksum", "01 03 00 00 00 02", TRUE, modbus, PAYLOAD_OK,
       std::string("\x01\x03\x00\x00\x00\x02\xC4\x0B", 8), "01 03 00 00 00 02"},
      {"a full buffer of text", full, FALSE, plain, PAYLOAD_OK, full, full},
      {"one byte past it", full + "f", FALSE, plain, PAYLOAD_TOO_LONG, "", full + "f"},
      {"a line ending past it", full, FALSE, crlf, PAYLOAD_TOO_LONG, "", full},
      {"a full buffer of hex", hexFull, TRUE, plain, PAYLOAD_OK, std::string(PAYLOAD_LIMIT, '\xAA'), hexFull},
      {"hex spelling one byte more", hexFull + "aa", TRUE, plain, PAYLOAD_TOO_LONG, "", hexFull + "aa"},
      {"long hex text spelling little", std::string(70000, ' ') + "41" + std::string(10, ','), TRUE, plain, PAYLOAD_OK,
       "A", "41" + std::string(10, ',')},
      {"no room for the checksum", full, FALSE, modbus, PAYLOAD_TOO_LONG, "", full},
      {"checksum one byte too many", std::string(PAYLOAD_LIMIT - 3, 'f'), FALSE, modbus, PAYLOAD_NO_ROOM_FOR_CHECKSUM,
       "", std::string(PAYLOAD_LIMIT - 3, 'f')},
  };
  for (const Row& row : rows) {
    const PAYLOAD payload = BuildPayload(CString(row.text), row.bHex, row.options);
    EXPECT_EQ(payload.nRefusal, row.refusal) << row.what;
    EXPECT_EQ(std::string(payload.bytes.begin(), payload.bytes.end()), row.bytes) << row.what;
    EXPECT_EQ(payload.strShown.str(), row.shown) << row.what;
  }
  EXPECT_STREQ(PayloadRefusalText(PAYLOAD_EMPTY), "请输入数据!");
  EXPECT_STREQ(PayloadRefusalText(PAYLOAD_TOO_LONG), "发送数据不能超过32768字节!");
  EXPECT_STREQ(PayloadRefusalText(PAYLOAD_NO_ROOM_FOR_CHECKSUM), "加上校验码后发送数据超过32768字节!");
  EXPECT_EQ(PayloadRefusalText(PAYLOAD_OK), nullptr);
}

}  // namespace

TEST(TransferText, RatesAndTimesReadAsAPersonReadsThem)
{
  const std::pair<double, const char*> rates[] = {
      {0, "0.0 KB/s"}, {51200, "51.2 KB/s"}, {999949, "999.9 KB/s"}, {1e6, "1.0 MB/s"}, {1.2345e9, "1234.5 MB/s"}};
  for (const auto& [rate, text] : rates)
    EXPECT_EQ(RateText(rate).str(), text) << rate;
  const std::pair<double, const char*> times[] = {{0.04, "0.0 秒"},    {0.4, "0.4 秒"},        {12.4, "12 秒"},
                                                  {125, "2 分 05 秒"}, {3725, "1 小时 02 分"}, {-1, "0.0 秒"}};
  for (const auto& [seconds, text] : times)
    EXPECT_EQ(DurationText(seconds).str(), text) << seconds;
}

TEST(SendOptionsSummary, NamesWhatIsNotAtItsDefault)
{
  SEND_OPTIONS options;
  EXPECT_EQ(SendOptionsSummary(options).str(), "");
  options.nChecksum = CHECKSUM_CRC16_MODBUS;
  options.nLineEnding = LINE_ENDING_CRLF;
  EXPECT_EQ(SendOptionsSummary(options).str(), "CRC-16/MODBUS, CR LF");
  options = SEND_OPTIONS{};
  options.bEscapes = TRUE;
  EXPECT_EQ(SendOptionsSummary(options).str(), "转义");
}
