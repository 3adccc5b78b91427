// Commands of the command list as lines of the settings file and as checks of what a person
// typed; as tables.
#include "codec/command.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CommandLine, ReadsWhatItWritesAndNamesWhatItCannotRead)
{
  struct Row {
    const char* line;
    const char* why;  // empty: it reads
  } rows[] = {
      {"读温度\ttext\tT?\\r\\n\tprefix\tT=\t500\t100", ""},
      {"poll\thex\t01 03 00 00 00 01\thex\t01 03 02\t1000\t0", ""},
      {"fire and forget\ttext\tGO\tnone\t\t0\t0", ""},
      {"re\ttext\tV?\tregex\t^V\\d+\t10\t60000", ""},
      {"short\ttext\tGO\tnone\t\t0", "7"},
      {"kind\tbinary\tGO\tnone\t\t0\t0", "binary"},
      {"expect\ttext\tGO\tsimilar\tx\t0\t0", "similar"},
      {"pause\ttext\tGO\tnone\t\t0\t60001", "间隔"},
      {"timeout\ttext\tGO\tnone\t\t-5\t0", "超时"},
  };
  for (const Row& row : rows) {
    COMMAND command;
    CString why;
    const bool parsed = ParseCommand(row.line, command, why) != FALSE;
    ASSERT_EQ(parsed, *row.why == 0) << row.line << ": " << why.str();
    if (parsed)
      EXPECT_EQ(FormatCommand(command).str(), row.line);
    else
      EXPECT_NE(why.str().find(row.why), std::string::npos) << why.str();
  }
}

TEST(CommandCheck, RefusesWhatCannotWorkAndSaysWhy)
{
  struct Row {
    int kind;
    const char* payload;
    int expect;
    const char* expected;
    int timeout;
    const char* why;  // empty: accepted
  } rows[] = {
      {REPLY_TEXT, "GO", EXPECT_NONE, "", 0, ""},
      {REPLY_TEXT, "GO", MATCH_CONTAINS, "OK", 1000, ""},
      {REPLY_HEX, "zz", EXPECT_NONE, "", 0, "十六进制的数据"},
      {REPLY_TEXT, "", EXPECT_NONE, "", 0, "数据不能为空"},
      {REPLY_TEXT, "GO", MATCH_CONTAINS, "OK", 0, "超时应大于 0"},
      {REPLY_TEXT, "GO", MATCH_EXACT, "", 1000, "匹配内容不能为空"},
      {REPLY_TEXT, "GO", MATCH_HEX, "--", 1000, "十六进制的匹配内容"},
  };
  for (const Row& row : rows) {
    COMMAND command;
    command.nKind = row.kind;
    command.strPayload = row.payload;
    command.nExpect = row.expect;
    command.strExpect = row.expected;
    command.nTimeoutMs = row.timeout;
    CString why;
    EXPECT_EQ(CheckCommand(command, SEND_OPTIONS{}, why) != FALSE, *row.why == 0) << row.payload << why.str();
    EXPECT_NE(why.str().find(row.why), std::string::npos) << why.str();
  }
  COMMAND longest;
  longest.strPayload = CString(std::string(PAYLOAD_LIMIT, 'a'));
  CString why;
  EXPECT_TRUE(CheckCommand(longest, SEND_OPTIONS{}, why));
  SEND_OPTIONS crlf;
  crlf.nLineEnding = LINE_ENDING_CRLF;
  EXPECT_FALSE(CheckCommand(longest, crlf, why)) << "the send options' line ending counts";
  EXPECT_NE(why.str().find("32768"), std::string::npos) << why.str();
}

}  // namespace
