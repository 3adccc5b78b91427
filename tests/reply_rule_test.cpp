// Automatic reply rules as lines of the settings file and as checks of what a person typed; as tables.
#include "codec/replyrule.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Hex(const std::vector<BYTE>& bytes)
{
  std::string out;
  for (BYTE b : bytes) {
    char two[4];
    std::snprintf(two, sizeof two, "%02X", b);
    out += two;
  }
  return out;
}

TEST(ReplyRuleLine, ReadsWhatItWritesAndNamesWhatItCannotRead)
{
  struct Row {
    const char* line;
    bool parses;
    const char* why;  // a part of the reason
  } rows[] = {
      {"1\tcontains\tPING\ttext\tPONG\\r\\n\t0\t0", true, ""},
      {"0\thex\t01 03 00 00\thex\t01 03 02 00 64\t250\t1", true, ""},
      {"1\tregex\t^T=(\\d+)\ttext\tOK\t60000\t0", true, ""},
      {"1\texact\t\ttext\tx\t0\t0", true, ""},  // an empty match reads; the check refuses it
      {"1\tcontains\tPING\ttext\tPONG\t0\t0\r", true, ""},
      {"1\tcontains\tPING\ttext\tPONG\t0", false, "7"},
      {"1\tcontains\tPING\ttext\tPONG\t0\t0\textra", false, "8"},
      {"2\tcontains\tPING\ttext\tPONG\t0\t0", false, "0 或 1"},
      {"1\tsounds-like\tPING\ttext\tPONG\t0\t0", false, "sounds-like"},
      {"1\tcontains\tPING\tbinary\tPONG\t0\t0", false, "binary"},
      {"1\tcontains\tPING\ttext\tPONG\t60001\t0", false, "延时"},
      {"1\tcontains\tPING\ttext\tPONG\t-1\t0", false, "延时"},
      {"1\tcontains\tPING\ttext\tPONG\t1s\t0", false, "延时"},
      {"", false, "1"},
  };
  for (const Row& row : rows) {
    REPLY_RULE rule;
    CString why;
    ASSERT_EQ(ParseReplyRule(row.line, rule, why) != FALSE, row.parses) << row.line;
    if (!row.parses) {
      EXPECT_NE(why.str().find(row.why), std::string::npos) << row.line << " -> " << why.str();
      continue;
    }
    std::string line = row.line;
    if (line.back() == '\r')
      line.pop_back();
    EXPECT_EQ(FormatReplyRule(rule).str(), line) << "a rule is written as it was read";
  }
}

TEST(ReplyRuleLine, FieldsStayOneCellOfTheLine)
{
  REPLY_RULE rule;
  rule.strMatch = "a\tb\r\nc";
  rule.nReply = REPLY_HEX;
  rule.strReply = "01\t02\n03";
  const CString line = FormatReplyRule(rule);
  REPLY_RULE back;
  CString why;
  ASSERT_TRUE(ParseReplyRule(line, back, why)) << why.str();
  EXPECT_EQ(back.strMatch.str(), "a\\tb\\r\\nc");
  EXPECT_EQ(back.strReply.str(), "01 02 03");
  EXPECT_EQ(Hex(MatchBytes(back)), Hex(MatchBytes(rule))) << "the escape means the byte it replaced";
}

TEST(ReplyRuleCheck, RefusesWhatCannotWorkAndSaysWhy)
{
  struct Row {
    int match;
    const char* matchText;
    int reply;
    const char* replyText;
    int delay;
    const char* why;  // empty: accepted
  } rows[] = {
      {MATCH_CONTAINS, "PING", REPLY_TEXT, "PONG", 0, ""},
      {MATCH_EXACT, "", REPLY_TEXT, "PONG", 0, "匹配内容不能为空"},
      {MATCH_HEX, "zz yy", REPLY_TEXT, "PONG", 0, "十六进制的匹配内容"},
      {MATCH_CONTAINS, "PING", REPLY_HEX, "--", 0, "十六进制的应答内容"},
      {MATCH_CONTAINS, "PING", REPLY_TEXT, "", 0, "应答内容不能为空"},
      {MATCH_CONTAINS, "PING", REPLY_TEXT, "PONG", 60001, "延时"},
  };
  for (const Row& row : rows) {
    REPLY_RULE rule;
    rule.nMatch = row.match;
    rule.strMatch = row.matchText;
    rule.nReply = row.reply;
    rule.strReply = row.replyText;
    rule.nDelayMs = row.delay;
    CString why;
    EXPECT_EQ(CheckReplyRule(rule, SEND_OPTIONS{}, why) != FALSE, *row.why == 0) << row.matchText << why.str();
    EXPECT_NE(why.str().find(row.why), std::string::npos) << why.str();
  }
  REPLY_RULE longest;
  longest.strMatch = "x";
  longest.strReply = CString(std::string(PAYLOAD_LIMIT, 'a'));
  CString why;
  EXPECT_TRUE(CheckReplyRule(longest, SEND_OPTIONS{}, why)) << why.str();
  longest.strReply = CString(std::string(PAYLOAD_LIMIT + 1, 'a'));
  EXPECT_FALSE(CheckReplyRule(longest, SEND_OPTIONS{}, why));
  EXPECT_NE(why.str().find("32768"), std::string::npos) << why.str();
}

TEST(ReplyRulePayload, EscapesAlwaysAndTheSendOptionsOnlyWhenAsked)
{
  SEND_OPTIONS options;
  options.nLineEnding = LINE_ENDING_CRLF;
  options.nChecksum = CHECKSUM_SUM8;
  struct Row {
    int reply;
    const char* text;
    BOOL checksum;
    const char* hex;
  } rows[] = {
      {REPLY_TEXT, "OK\\r\\n", FALSE, "4F4B0D0A"},
      {REPLY_TEXT, "OK", TRUE, "4F4B0D0AB1"},  // line ending, then the sum of all four
      {REPLY_HEX, "01 03 02 00 64", FALSE, "0103020064"},
      {REPLY_HEX, "01 03", TRUE, "010304"},  // hex takes no line ending, as the send box does
  };
  for (const Row& row : rows) {
    REPLY_RULE rule;
    rule.nReply = row.reply;
    rule.strReply = row.text;
    rule.bChecksum = row.checksum;
    const PAYLOAD payload = ReplyPayload(rule, options);
    ASSERT_EQ(payload.nRefusal, PAYLOAD_OK) << row.text;
    EXPECT_EQ(Hex(payload.bytes), row.hex) << row.text;
  }
}

}  // namespace
