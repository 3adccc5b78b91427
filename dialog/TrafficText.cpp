#include "dialog/TrafficText.h"

#include "codec/textcodec.h"
#include "dialog/SocketErrors.h"
#include "platform/clock.h"

#include <algorithm>

namespace {
constexpr const char* kHexDigits = "0123456789ABCDEF";

const char* EventName(TRAFFIC_KIND kind)
{
  switch (kind) {
  case TRAFFIC_RECEIVED:
    return "收";
  case TRAFFIC_SENT:
    return "发";
  case TRAFFIC_SEND_FAILED:
    return "发送失败";
  case TRAFFIC_OPENED:
    return "打开";
  case TRAFFIC_CLOSED:
    return "关闭";
  case TRAFFIC_CLIENT_CONNECTED:
    return "客户端连接";
  case TRAFFIC_CLIENT_CLOSED:
    return "客户端断开";
  case TRAFFIC_CLIENT_REFUSED:
    return "客户端被拒绝";
  case TRAFFIC_ACCEPT_WAITING:
    return "连接等待";
  case TRAFFIC_CLIENT_DROPPED:
    return "断开客户端";
  }
  return "";
}

// An automatic reply's send says so.
const char* EventText(const TRAFFIC_EVENT& e)
{
  if (e.bAutoReply && e.kind == TRAFFIC_SENT)
    return "应答";
  if (e.bAutoReply && e.kind == TRAFFIC_SEND_FAILED)
    return "应答失败";
  return EventName(e.kind);
}

bool IsPrintable(BYTE by)
{
  return by >= 0x20 && by < 0x7F;
}

// Written in place: a log line of a large chunk is mostly this.
void AppendHex(std::string& out, const BYTE* p, int n)
{
  if (n <= 0)
    return;
  const std::size_t nAt = out.size();
  out.resize(nAt + static_cast<std::size_t>(n) * 3 - 1, ' ');
  char* q = out.data() + nAt;
  for (int i = 0; i < n; ++i, q += 3) {
    q[0] = kHexDigits[p[i] >> 4];
    q[1] = kHexDigits[p[i] & 0xF];
  }
}

void AppendPrintable(std::string& out, const BYTE* p, int n)
{
  if (n <= 0)
    return;
  const std::size_t nAt = out.size();
  out.resize(nAt + static_cast<std::size_t>(n));
  char* q = out.data() + nAt;
  for (int i = 0; i < n; ++i)
    q[i] = IsPrintable(p[i]) ? static_cast<char>(p[i]) : '.';
}

// What a channel event says besides its peer: the protocol and the local end, or the error.
std::string EventDetail(const TRAFFIC_EVENT& e)
{
  const char* pszName = GetSocketErrorName(e.nError);
  CString str;
  if (e.kind == TRAFFIC_SEND_FAILED) {
    str.Format("[%d]%s, %d 字节未发出", e.nError, pszName ? pszName : UNKNOWN_ERROR_NAME, e.nLength);
    return str.str();
  }
  if (e.kind == TRAFFIC_ACCEPT_WAITING) {
    str.Format("[%d]%s, 描述符不足, 新连接等待接受", e.nError, pszName ? pszName : UNKNOWN_ERROR_NAME);
    return str.str();
  }
  std::string text = e.protocol == TRAFFIC_TCP ? "TCP" : "UDP";
  text += " 本地 ";
  text += TrafficEndpointText(e.local).str();
  return text;
}

void AppendTwoDigits(std::string& out, int n)
{
  out += static_cast<char>('0' + n / 10 % 10);
  out += static_cast<char>('0' + n % 10);
}

// The date and time of one second ("2026-12-08T07:45:12") and the zone's offset ("+08:00").
struct LocalSecond {
  std::int64_t nSecond = -1;
  std::string text;
  std::string offset;
};

// Worked out once for all the events within the second.
const LocalSecond& LocalSecondOf(std::int64_t nSecond)
{
  static LocalSecond s_cached;
  if (nSecond == s_cached.nSecond)
    return s_cached;
  const platform::LocalTime t = platform::ToLocalTime(nSecond);
  CString str;
  str.Format("%04d-%02d-%02dT%02d:%02d:%02d", t.nYear, t.nMonth, t.nDay, t.nHour, t.nMinute, t.nSecond);
  s_cached.text = str.str();
  const int nOffset = t.nOffsetMinutes < 0 ? -t.nOffsetMinutes : t.nOffsetMinutes;
  str.Format("%c%02d:%02d", t.nOffsetMinutes < 0 ? '-' : '+', nOffset / 60, nOffset % 60);
  s_cached.offset = str.str();
  s_cached.nSecond = nSecond;
  return s_cached;
}

std::int64_t SecondOf(std::int64_t nMicros)
{
  return nMicros >= 0 ? nMicros / 1000000 : (nMicros - 999999) / 1000000;
}

// ".mmm" of the moment's second.
void AppendMillis(std::string& out, std::int64_t nMicros)
{
  const auto nMillis = static_cast<int>((nMicros - SecondOf(nMicros) * 1000000) / 1000);
  out += '.';
  out += static_cast<char>('0' + nMillis / 100);
  AppendTwoDigits(out, nMillis);
}
}  // namespace

CString TrafficEndpointText(const TRAFFIC_ENDPOINT& ep)
{
  std::string str;
  for (int nShift = 24; nShift >= 0; nShift -= 8) {
    str += std::to_string((ep.dwAddress >> nShift) & 0xFF);
    str += nShift > 0 ? '.' : ':';
  }
  str += std::to_string(ep.wPort);
  return CString(std::move(str));
}

CString TrafficTimeText(std::int64_t nTimeMicros)
{
  std::string out = LocalSecondOf(SecondOf(nTimeMicros)).text.substr(11);
  AppendMillis(out, nTimeMicros);
  return CString(std::move(out));
}

CString TrafficDateTimeText(std::int64_t nTimeMicros)
{
  std::string out = LocalSecondOf(SecondOf(nTimeMicros)).text;
  AppendMillis(out, nTimeMicros);
  return CString(std::move(out));
}

CString TrafficCellText(const BYTE* p, int n, int nEncoding)
{
  std::string out;
  DecodeText(p, n, nEncoding, CONTROLS_DOT, false, out);
  std::replace_if(
      out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n' || c == '\t'; }, '.');
  return CString(std::move(out));
}

CString TrafficColumnText(const TRAFFIC_EVENT& e, const BYTE* pPayload, int nHeld, int nColumn, int nEncoding)
{
  std::string out;
  switch (nColumn) {
  case TRAFFIC_COL_TIME:
    out = TrafficTimeText(e.nTimeMicros).str();
    break;
  case TRAFFIC_COL_EVENT:
    out = EventText(e);
    break;
  case TRAFFIC_COL_PEER:
    if (e.peer.dwAddress != 0 || e.peer.wPort != 0)
      out = TrafficEndpointText(e.peer).str();
    break;
  case TRAFFIC_COL_LENGTH:
    if (IsDataEvent(e.kind))
      out = std::to_string(e.nLength);
    break;
  case TRAFFIC_COL_HEX:
    if (!IsDataEvent(e.kind))
      break;
    AppendHex(out, pPayload, std::min(nHeld, TRAFFIC_HEX_PREVIEW));
    if (e.nLength > TRAFFIC_HEX_PREVIEW)
      out += " ...";
    break;
  case TRAFFIC_COL_TEXT:
    if (!IsDataEvent(e.kind)) {
      out = EventDetail(e);
      break;
    }
    out = TrafficCellText(pPayload, std::min(nHeld, TRAFFIC_TEXT_PREVIEW), nEncoding).str();
    if (e.nLength > TRAFFIC_TEXT_PREVIEW)
      out += "...";
    break;
  default:
    break;
  }
  return CString(std::move(out));
}

namespace {
void AppendDumpLine(std::string& out, const BYTE* p, int nAt, int nLine, int nOffsetDigits, const std::string& text)
{
  CString str;
  str.Format("%0*X  ", nOffsetDigits, nAt);
  out += str.str();
  for (int i = 0; i < TRAFFIC_DUMP_LINE; ++i) {
    if (i == TRAFFIC_DUMP_LINE / 2)
      out += ' ';
    if (i < nLine) {
      out += kHexDigits[p[nAt + i] >> 4];
      out += kHexDigits[p[nAt + i] & 0xF];
      out += ' ';
    } else {
      out += "   ";
    }
  }
  out += ' ';
  out += text;
  out += "\r\n";
}
}  // namespace

CString TrafficDetailText(const TRAFFIC_EVENT& e, const BYTE* pPayload, int nHeld, int nEncoding)
{
  std::string out = EventText(e);
  out += "  ";
  out += TrafficDateTimeText(e.nTimeMicros).str();
  if (e.peer.dwAddress != 0 || e.peer.wPort != 0)
    out += "  对端 " + TrafficEndpointText(e.peer).str();
  if (!IsDataEvent(e.kind)) {
    out += "  " + EventDetail(e);
    return CString(std::move(out));
  }
  out += "  本地 " + TrafficEndpointText(e.local).str();
  out += e.protocol == TRAFFIC_TCP ? "  TCP  " : "  UDP  ";
  out += std::to_string(e.nLength) + " 字节\r\n";
  if (nHeld <= 0 && e.nLength > 0) {
    out += "(内容已让位给更新的事件)\r\n";
  } else if (nHeld < e.nLength) {
    CString str;
    str.Format("(只记录了前 %d 字节)\r\n", nHeld);
    out += str.str();
  }
  const int nOffsetDigits = nHeld > 0x10000 ? 8 : 4;
  int nDecoded = 0;
  for (int nAt = 0; nAt < nHeld; nAt += TRAFFIC_DUMP_LINE) {
    const int nLine = std::min(TRAFFIC_DUMP_LINE, nHeld - nAt);
    std::string text;
    const bool bLast = nAt + nLine == nHeld;
    nDecoded += DecodeText(pPayload + nDecoded, nAt + nLine - nDecoded, nEncoding, CONTROLS_DOT, bLast, text);
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n' || c == '\t'; }, '.');
    AppendDumpLine(out, pPayload, nAt, nLine, nOffsetDigits, text);
  }
  return CString(std::move(out));
}

void AppendTrafficLogLine(std::string& out, const TRAFFIC_EVENT& e, const BYTE* pPayload)
{
  const LocalSecond& second = LocalSecondOf(SecondOf(e.nTimeMicros));
  out += second.text;
  AppendMillis(out, e.nTimeMicros);
  out += second.offset;
  out += '\t';
  out += EventText(e);
  out += '\t';
  if (e.peer.dwAddress != 0 || e.peer.wPort != 0)
    out += TrafficEndpointText(e.peer).str();
  out += '\t';
  out += std::to_string(IsDataEvent(e.kind) ? e.nLength : 0);
  out += '\t';
  if (!IsDataEvent(e.kind)) {
    out += '\t';
    out += EventDetail(e);
    out += '\n';
    return;
  }
  AppendHex(out, pPayload, e.nLength);
  out += '\t';
  AppendPrintable(out, pPayload, e.nLength);
  out += '\n';
}
