#include "codec/command.h"

#include <charconv>
#include <string>
#include <string_view>
#include <vector>

namespace {
constexpr int kFields = 7;

bool ParseMs(std::string_view field, int nMax, int& nOut)
{
  int n = -1;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), n);
  if (ec != std::errc() || end != field.data() + field.size() || n < 0 || n > nMax)
    return false;
  nOut = n;
  return true;
}

std::vector<std::string_view> SplitTabs(std::string_view line)
{
  std::vector<std::string_view> fields;
  for (std::size_t at = 0;;) {
    const std::size_t tab = line.find('\t', at);
    fields.push_back(line.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at));
    if (tab == std::string_view::npos)
      return fields;
    at = tab + 1;
  }
}

int FindKey(std::string_view key, const char* (*pfnKey)(int), int nFirst, int nEnd)
{
  for (int i = nFirst; i < nEnd; ++i) {
    if (key == pfnKey(i))
      return i;
  }
  return nFirst - 1;
}
}  // namespace

const char* ExpectKindKey(int nExpect)
{
  return nExpect == EXPECT_NONE ? "none" : MatchKindKey(nExpect);
}

const char* ExpectKindText(int nExpect)
{
  return nExpect == EXPECT_NONE ? "不检查" : MatchKindText(nExpect);
}

CString FormatCommand(const COMMAND& command)
{
  CString str;
  str.Format("%s\t%s\t%s\t%s\t%s\t%d\t%d", static_cast<LPCTSTR>(OneLineField(command.strName, TRUE)),
             ReplyKindKey(command.nKind),
             static_cast<LPCTSTR>(OneLineField(command.strPayload, command.nKind == REPLY_HEX)),
             ExpectKindKey(command.nExpect),
             static_cast<LPCTSTR>(OneLineField(command.strExpect, command.nExpect == MATCH_HEX)), command.nTimeoutMs,
             command.nPauseMs);
  return str;
}

BOOL ParseCommand(const CString& strLine, COMMAND& command, CString& strWhy)
{
  std::string_view line(strLine.str());
  if (line.ends_with('\r'))
    line.remove_suffix(1);
  const std::vector<std::string_view> fields = SplitTabs(line);
  if (fields.size() != kFields) {
    strWhy.Format("应有 %d 个以制表符分隔的字段, 这里有 %d 个", kFields, static_cast<int>(fields.size()));
    return FALSE;
  }
  COMMAND parsed;
  parsed.strName = CString(std::string(fields[0]));
  parsed.nKind = FindKey(fields[1], ReplyKindKey, 0, REPLY_KINDS);
  parsed.strPayload = CString(std::string(fields[2]));
  parsed.nExpect = FindKey(fields[3], ExpectKindKey, EXPECT_NONE, MATCH_KINDS);
  parsed.strExpect = CString(std::string(fields[4]));
  if (parsed.nKind < 0) {
    strWhy.Format("未知的数据方式 \"%s\"", std::string(fields[1]).c_str());
    return FALSE;
  }
  if (parsed.nExpect < EXPECT_NONE) {
    strWhy.Format("未知的期望方式 \"%s\"", std::string(fields[3]).c_str());
    return FALSE;
  }
  if (!ParseMs(fields[5], COMMAND_TIMEOUT_MAX, parsed.nTimeoutMs) ||
      !ParseMs(fields[6], COMMAND_PAUSE_MAX, parsed.nPauseMs)) {
    strWhy.Format("超时应为 0 到 %d 毫秒, 间隔 0 到 %d 毫秒", COMMAND_TIMEOUT_MAX, COMMAND_PAUSE_MAX);
    return FALSE;
  }
  command = parsed;
  return TRUE;
}

BOOL CheckCommand(const COMMAND& command, const SEND_OPTIONS& options, CString& strWhy)
{
  if (command.nExpect != EXPECT_NONE) {
    REPLY_RULE expect;
    expect.nMatch = command.nExpect;
    expect.strMatch = command.strExpect;
    expect.strReply = "-";
    if (!CheckReplyRule(expect, SEND_OPTIONS{}, strWhy))
      return FALSE;
    if (command.nTimeoutMs <= 0) {
      strWhy = "期望应答时, 超时应大于 0 毫秒.";
      return FALSE;
    }
  }
  if (command.nKind == REPLY_HEX && !HasHexDigit(command.strPayload)) {
    strWhy = "十六进制的数据里没有一个十六进制数字.";
    return FALSE;
  }
  const PAYLOAD payload = CommandPayload(command, options);
  if (payload.nRefusal == PAYLOAD_EMPTY) {
    strWhy = "数据不能为空.";
    return FALSE;
  }
  if (payload.nRefusal != PAYLOAD_OK) {
    strWhy.Format("数据超过 %d 字节.", PAYLOAD_LIMIT);
    return FALSE;
  }
  return TRUE;
}

PAYLOAD CommandPayload(const COMMAND& command, const SEND_OPTIONS& options)
{
  SEND_OPTIONS used = options;
  used.bEscapes = TRUE;
  return BuildPayload(command.strPayload, command.nKind == REPLY_HEX, used);
}
