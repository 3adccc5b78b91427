#include "codec/replyrule.h"

#include "codec/hexcodec.h"

#include <charconv>
#include <string>
#include <string_view>

namespace {
struct KindName {
  const char* pszKey;
  const char* pszText;
};
constexpr KindName kMatchKinds[MATCH_KINDS] = {
    {"exact", "完全相同"}, {"contains", "包含"}, {"prefix", "开头是"}, {"hex", "十六进制"}, {"regex", "正则表达式"},
};
constexpr KindName kReplyKinds[REPLY_KINDS] = {{"text", "文本"}, {"hex", "十六进制"}};
constexpr int kFields = 7;

template <int N>
int FindKey(const KindName (&kinds)[N], std::string_view key)
{
  for (int i = 0; i < N; ++i) {
    if (key == kinds[i].pszKey)
      return i;
  }
  return -1;
}

bool ParseFlag(std::string_view field, BOOL& bOut)
{
  if (field != "0" && field != "1")
    return false;
  bOut = field == "1";
  return true;
}

bool ParseDelay(std::string_view field, int& nOut)
{
  int n = -1;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), n);
  if (ec != std::errc() || end != field.data() + field.size() || n < 0 || n > REPLY_DELAY_MAX)
    return false;
  nOut = n;
  return true;
}
}  // namespace

BOOL HasHexDigit(const CString& str)
{
  for (char ch : str.str()) {
    if (HexDigitValue(ch) != 0xFF)
      return TRUE;
  }
  return FALSE;
}

const char* MatchKindKey(int nMatch)
{
  return nMatch >= 0 && nMatch < MATCH_KINDS ? kMatchKinds[nMatch].pszKey : "";
}

const char* MatchKindText(int nMatch)
{
  return nMatch >= 0 && nMatch < MATCH_KINDS ? kMatchKinds[nMatch].pszText : "";
}

const char* ReplyKindKey(int nReply)
{
  return nReply >= 0 && nReply < REPLY_KINDS ? kReplyKinds[nReply].pszKey : "";
}

const char* ReplyKindText(int nReply)
{
  return nReply >= 0 && nReply < REPLY_KINDS ? kReplyKinds[nReply].pszText : "";
}

CString OneLineField(const CString& strField, BOOL bHex)
{
  std::string out;
  for (char ch : strField.str()) {
    if (ch != '\t' && ch != '\r' && ch != '\n')
      out += ch;
    else if (bHex)
      out += ' ';
    else
      out += ch == '\t' ? "\\t" : ch == '\r' ? "\\r" : "\\n";
  }
  return CString(out);
}

CString FormatReplyRule(const REPLY_RULE& rule)
{
  CString str;
  str.Format("%d\t%s\t%s\t%s\t%s\t%d\t%d", rule.bEnabled ? 1 : 0, MatchKindKey(rule.nMatch),
             static_cast<LPCTSTR>(OneLineField(rule.strMatch, rule.nMatch == MATCH_HEX)), ReplyKindKey(rule.nReply),
             static_cast<LPCTSTR>(OneLineField(rule.strReply, rule.nReply == REPLY_HEX)), rule.nDelayMs,
             rule.bChecksum ? 1 : 0);
  return str;
}

BOOL ParseReplyRule(const CString& strLine, REPLY_RULE& rule, CString& strWhy)
{
  std::string_view line(strLine.str());
  if (line.ends_with('\r'))
    line.remove_suffix(1);
  std::string_view fields[kFields];
  int nFields = 0;
  for (std::size_t at = 0;; ++nFields) {
    const std::size_t tab = line.find('\t', at);
    if (nFields < kFields)
      fields[nFields] = line.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at);
    if (tab == std::string_view::npos) {
      ++nFields;
      break;
    }
    at = tab + 1;
  }
  if (nFields != kFields) {
    strWhy.Format("应有 %d 个以制表符分隔的字段, 这里有 %d 个", kFields, nFields);
    return FALSE;
  }
  REPLY_RULE parsed;
  parsed.nMatch = FindKey(kMatchKinds, fields[1]);
  parsed.nReply = FindKey(kReplyKinds, fields[3]);
  if (!ParseFlag(fields[0], parsed.bEnabled) || !ParseFlag(fields[6], parsed.bChecksum)) {
    strWhy = "启用和加校验应为 0 或 1";
    return FALSE;
  }
  if (parsed.nMatch < 0) {
    strWhy.Format("未知的匹配方式 \"%s\"", std::string(fields[1]).c_str());
    return FALSE;
  }
  if (parsed.nReply < 0) {
    strWhy.Format("未知的应答方式 \"%s\"", std::string(fields[3]).c_str());
    return FALSE;
  }
  if (!ParseDelay(fields[5], parsed.nDelayMs)) {
    strWhy.Format("延时应为 0 到 %d 的毫秒数", REPLY_DELAY_MAX);
    return FALSE;
  }
  parsed.strMatch = CString(std::string(fields[2]));
  parsed.strReply = CString(std::string(fields[4]));
  rule = parsed;
  return TRUE;
}

BOOL CheckReplyRule(const REPLY_RULE& rule, const SEND_OPTIONS& options, CString& strWhy)
{
  if (rule.strMatch.IsEmpty()) {
    strWhy = "匹配内容不能为空.";
    return FALSE;
  }
  if (rule.nMatch == MATCH_HEX && !HasHexDigit(rule.strMatch)) {
    strWhy = "十六进制的匹配内容里没有一个十六进制数字.";
    return FALSE;
  }
  if (rule.nReply == REPLY_HEX && !HasHexDigit(rule.strReply)) {
    strWhy = "十六进制的应答内容里没有一个十六进制数字.";
    return FALSE;
  }
  if (rule.nDelayMs < 0 || rule.nDelayMs > REPLY_DELAY_MAX) {
    strWhy.Format("延时应为 0 到 %d 毫秒.", REPLY_DELAY_MAX);
    return FALSE;
  }
  const PAYLOAD reply = ReplyPayload(rule, options);
  if (reply.nRefusal == PAYLOAD_EMPTY) {
    strWhy = "应答内容不能为空.";
    return FALSE;
  }
  if (reply.nRefusal != PAYLOAD_OK) {
    strWhy.Format("应答超过 %d 字节.", PAYLOAD_LIMIT);
    return FALSE;
  }
  return TRUE;
}

std::vector<BYTE> MatchBytes(const REPLY_RULE& rule)
{
  const int nLength = rule.strMatch.GetLength();
  std::vector<BYTE> bytes(static_cast<std::size_t>(nLength) + 1);
  int nCount = 0;
  if (rule.nMatch == MATCH_HEX)
    ParseHexText(rule.strMatch, bytes.data(), &nCount);
  else
    nCount = ExpandEscapes(rule.strMatch, nLength, bytes.data());
  bytes.resize(static_cast<std::size_t>(nCount));
  return bytes;
}

PAYLOAD ReplyPayload(const REPLY_RULE& rule, const SEND_OPTIONS& options)
{
  SEND_OPTIONS used = rule.bChecksum ? options : SEND_OPTIONS{};
  used.bEscapes = TRUE;
  return BuildPayload(rule.strReply, rule.nReply == REPLY_HEX, used);
}
