#include "dialog/CommandList.h"

#include "dialog/LineFile.h"
#include "dialog/TrafficText.h"
#include "platform/clock.h"
#include "platform/cwinapp.h"

#include <algorithm>
#include <string>

namespace {
constexpr UINT_PTR kTimerStep = 1;
constexpr const char* kCommandPrefix = "Cmd";
constexpr int kMaxCommands = 10000;

std::string HexOf(const std::vector<BYTE>& bytes)
{
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (BYTE b : bytes) {
    if (!out.empty())
      out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
  return out;
}

std::string CsvField(const std::string& s)
{
  if (s.find_first_of(",\"\r\n") == std::string::npos)
    return s;
  std::string out = "\"";
  for (char ch : s)
    out += ch == '"' ? std::string("\"\"") : std::string(1, ch);
  return out + "\"";
}

// A datagram sent to a group or a broadcast address is answered from the devices' own addresses.
bool IsGroupOrBroadcast(DWORD dwAddress)
{
  return (dwAddress >> 28) >= 0xE || (dwAddress & 0xFF) == 0xFF;
}
}  // namespace

const char* CommandResultText(int nResult)
{
  static constexpr const char* kTexts[] = {"", "已发送", "通过", "超时", "不符", "未发出"};
  return nResult >= 0 && nResult <= RESULT_NOT_SENT ? kTexts[nResult] : "";
}

CCommandList::CCommandList(CChannel& channel) : CChannelTool(channel) {}

CCommandList::~CCommandList()
{
  KillTimer(kTimerStep);
}

BOOL CCommandList::Prepare(COMMAND_ENTRY& entry, CString& strWhy)
{
  if (!CheckCommand(entry.command, m_channel.GetSendOptions(), strWhy))
    return FALSE;
  return entry.command.nExpect == EXPECT_NONE ||
         entry.expect.Prepare(entry.command.nExpect, entry.command.strExpect, strWhy);
}

void CCommandList::AddLine(const CString& strLine)
{
  COMMAND_ENTRY entry;
  entry.strLine = strLine;
  entry.bUsable = ParseCommand(strLine, entry.command, entry.strWhy) && Prepare(entry, entry.strWhy);
  m_entries.push_back(std::move(entry));
  ++m_nSerial;
}

BOOL CCommandList::FromWindow(COMMAND_ENTRY& entry, const COMMAND& command, CString& strWhy)
{
  entry.command = command;
  if (!Prepare(entry, strWhy))
    return FALSE;
  entry.bUsable = TRUE;
  entry.strLine = FormatCommand(command);
  return TRUE;
}

BOOL CCommandList::Insert(int nIndex, const COMMAND& command, CString& strWhy)
{
  COMMAND_ENTRY entry;
  if (!FromWindow(entry, command, strWhy))
    return FALSE;
  m_entries.insert(m_entries.begin() + std::clamp(nIndex, 0, GetCount()), std::move(entry));
  ++m_nSerial;
  return TRUE;
}

BOOL CCommandList::Replace(int nIndex, const COMMAND& command, CString& strWhy)
{
  if (nIndex < 0 || nIndex >= GetCount() || m_bRunning)
    return FALSE;
  COMMAND_ENTRY entry;
  if (!FromWindow(entry, command, strWhy))
    return FALSE;
  m_entries[static_cast<std::size_t>(nIndex)] = std::move(entry);
  ++m_nSerial;
  return TRUE;
}

void CCommandList::Remove(int nIndex)
{
  if (nIndex < 0 || nIndex >= GetCount() || m_bRunning)
    return;
  m_entries.erase(m_entries.begin() + nIndex);
  ++m_nSerial;
}

BOOL CCommandList::Move(int nIndex, int nBy)
{
  const int nOther = nIndex + nBy;
  if (m_bRunning || nIndex < 0 || nIndex >= GetCount() || nOther < 0 || nOther >= GetCount())
    return FALSE;
  std::swap(m_entries[static_cast<std::size_t>(nIndex)], m_entries[static_cast<std::size_t>(nOther)]);
  ++m_nSerial;
  return TRUE;
}

void CCommandList::Load()
{
  m_entries.clear();
  m_loadProblems.clear();
  const std::vector<CString> lines = ReadProfileLines(COMMANDS_SECTION, kCommandPrefix, kMaxCommands);
  m_nSavedCount = static_cast<int>(lines.size());
  for (int i = 0; i < m_nSavedCount; ++i) {
    AddLine(lines[static_cast<std::size_t>(i)]);
    if (!GetAt(i).bUsable)
      m_loadProblems.push_back(ProfileLineProblem(kCommandPrefix, i, GetAt(i).strWhy));
  }
}

void CCommandList::Save()
{
  std::vector<CString> lines;
  for (int i = 0; i < GetCount(); ++i)
    lines.push_back(GetAt(i).strLine);
  WriteProfileLines(COMMANDS_SECTION, kCommandPrefix, lines, m_nSavedCount);
  m_nSavedCount = GetCount();
}

BOOL CCommandList::SendNow(int nIndex)
{
  if (nIndex < 0 || nIndex >= GetCount() || !GetAt(nIndex).bUsable || !m_channel.CanSend(TRUE))
    return FALSE;
  COMMAND_ENTRY& entry = m_entries[static_cast<std::size_t>(nIndex)];
  const PAYLOAD payload = CommandPayload(entry.command, m_channel.GetSendOptions());
  if (payload.nRefusal != PAYLOAD_OK) {
    AfxMessageBox(PayloadRefusalText(payload.nRefusal));
    return FALSE;
  }
  const SEND_RESULT result =
      m_channel.Send(m_channel.DefaultPeer(), payload.bytes.data(), static_cast<int>(payload.bytes.size()));
  entry.nResult = result.nFailed + result.nRefused < result.nTargets ? RESULT_SENT : RESULT_NOT_SENT;
  ++m_nSerial;
  return entry.nResult == RESULT_SENT;
}

BOOL CCommandList::Run(const std::vector<int>& rows, int nTimes)
{
  Stop();
  m_rows.clear();
  for (int i = 0; i < GetCount(); ++i) {
    const bool bChosen = rows.empty() || std::find(rows.begin(), rows.end(), i) != rows.end();
    if (bChosen && GetAt(i).bUsable)
      m_rows.push_back(i);
  }
  if (m_rows.empty()) {
    AfxMessageBox("没有可以运行的命令.");
    return FALSE;
  }
  if (!m_channel.CanSend(TRUE))
    return FALSE;
  m_nTimes = std::max(nTimes, 0);
  m_nPass = 0;
  m_nAt = 0;
  m_nPassed = 0;
  m_nFailed = 0;
  m_dRttMin = m_dRttMax = m_dRttSum = 0;
  m_strStopped = "";
  m_bRunning = TRUE;
  for (COMMAND_ENTRY& entry : m_entries)
    entry.nResult = RESULT_NONE;
  SendCurrent();
  return TRUE;
}

void CCommandList::Stop(const char* pszWhy)
{
  if (!m_bRunning)
    return;
  KillTimer(kTimerStep);
  m_bRunning = FALSE;
  m_state = STATE_IDLE;
  m_strStopped = pszWhy ? pszWhy : "";
  ++m_nSerial;
}

void CCommandList::OnChannelClosed()
{
  Stop("通道已关闭, 运行停止");
}

void CCommandList::SendCurrent()
{
  COMMAND_ENTRY& entry = m_entries[static_cast<std::size_t>(m_rows[m_nAt])];
  const PAYLOAD payload = CommandPayload(entry.command, m_channel.GetSendOptions());
  m_sent = payload.bytes;
  m_gathered.clear();
  m_expectFrom = m_channel.DefaultPeer();
  m_nSentWallMicros = platform::WallClockMicros();
  const SEND_RESULT result = payload.nRefusal == PAYLOAD_OK ? m_channel.Send(m_expectFrom, payload.bytes.data(),
                                                                             static_cast<int>(payload.bytes.size()))
                                                            : SEND_RESULT{};
  m_nSentMicros = platform::MonotonicMicros();
  if (!m_bRunning)
    return;  // the send closed the channel
  if (result.nTargets == 0 || result.nFailed + result.nRefused >= result.nTargets) {
    Finish(RESULT_NOT_SENT, 0);
    return;
  }
  if (entry.command.nExpect == EXPECT_NONE) {
    Finish(RESULT_SENT, 0);
    return;
  }
  m_state = STATE_WAITING;
  SetTimer(kTimerStep, static_cast<UINT>(entry.command.nTimeoutMs), nullptr);
}

BOOL CCommandList::IsFromPeer(const CHANNEL_PEER& from) const
{
  switch (m_expectFrom.kind) {
  case CHANNEL_PEER::PEER_CLIENT:
    return from.kind == CHANNEL_PEER::PEER_CLIENT && from.hClient == m_expectFrom.hClient;
  case CHANNEL_PEER::PEER_ALL_CLIENTS:
    return from.kind == CHANNEL_PEER::PEER_CLIENT;
  default:
    if (from.kind != CHANNEL_PEER::PEER_ADDRESS)
      return from.kind == CHANNEL_PEER::PEER_CHANNEL;
    return IsGroupOrBroadcast(m_expectFrom.end.dwAddress) ||
           (from.end.dwAddress == m_expectFrom.end.dwAddress && from.end.wPort == m_expectFrom.end.wPort);
  }
}

// An answer is gathered over reads, as a stream may split it, and judged as it grows.
void CCommandList::OnChunk(const CHANNEL_CHUNK& chunk)
{
  if (!m_bRunning || m_state != STATE_WAITING || !IsFromPeer(chunk.from))
    return;
  const int nRoom = COMMAND_ANSWER_LIMIT - static_cast<int>(m_gathered.size());
  m_gathered.insert(m_gathered.end(), chunk.pData, chunk.pData + std::min(chunk.nLength, nRoom));
  const COMMAND_ENTRY& entry = m_entries[static_cast<std::size_t>(m_rows[m_nAt])];
  if (entry.expect.Matches(m_gathered.data(), static_cast<int>(m_gathered.size()))) {
    const std::uint64_t nArrival = std::max(chunk.nArrivalMicros, m_nSentMicros);
    Finish(RESULT_PASS, static_cast<double>(nArrival - m_nSentMicros) / 1000.0);
    return;
  }
  if (static_cast<int>(m_gathered.size()) >= COMMAND_ANSWER_LIMIT)
    Finish(RESULT_MISMATCH, 0);
}

void CCommandList::Keep(const COMMAND_ENTRY& entry, const std::vector<BYTE>& sent)
{
  m_results.push_back({m_nSentWallMicros, entry.command.strName, sent, entry.nResult, entry.dRttMs, entry.answer});
  if (static_cast<int>(m_results.size()) <= COMMAND_RESULTS_LIMIT)
    return;
  m_results.pop_front();
  ++m_nResultsDropped;
}

// The command's result is kept, then its pause runs on the timer (a zero pause too, so that a
// list without answers to wait for still lets the loop turn between sends).
void CCommandList::Finish(int nResult, double dRttMs)
{
  KillTimer(kTimerStep);
  COMMAND_ENTRY& entry = m_entries[static_cast<std::size_t>(m_rows[m_nAt])];
  entry.nResult = nResult;
  entry.dRttMs = dRttMs;
  entry.answer = m_gathered;
  if (nResult == RESULT_PASS) {
    m_dRttMin = m_nPassed == 0 ? dRttMs : std::min(m_dRttMin, dRttMs);
    m_dRttMax = std::max(m_dRttMax, dRttMs);
    m_dRttSum += dRttMs;
    ++m_nPassed;
  } else if (nResult != RESULT_SENT) {
    ++m_nFailed;
  }
  Keep(entry, m_sent);
  ++m_nSerial;
  m_state = STATE_PAUSE;
  SetTimer(kTimerStep, static_cast<UINT>(entry.command.nPauseMs), nullptr);
}

void CCommandList::Next()
{
  if (++m_nAt == m_rows.size()) {
    m_nAt = 0;
    if (m_nTimes > 0 && ++m_nPass >= m_nTimes) {
      Stop();
      return;
    }
  }
  SendCurrent();
}

void CCommandList::OnTimer(UINT_PTR nIDEvent)
{
  if (nIDEvent != kTimerStep || !m_bRunning)
    return;
  KillTimer(kTimerStep);
  if (m_state == STATE_WAITING) {
    Finish(m_gathered.empty() ? RESULT_TIMEOUT : RESULT_MISMATCH, 0);
    return;
  }
  Next();
}

std::string CCommandList::ResultsCsv() const
{
  std::string out = "\xEF\xBB\xBFtime,name,sent,result,rtt_ms,received\r\n";
  for (const COMMAND_RUN_RESULT& r : m_results) {
    CString strRtt;
    if (r.nResult == RESULT_PASS)
      strRtt.Format("%.3f", r.dRttMs);
    out += TrafficDateTimeText(r.nTimeMicros).str() + ',' + CsvField(r.strName.str()) + ',' + HexOf(r.sent) + ',' +
           CommandResultText(r.nResult) + ',' + strRtt.str() + ',' + HexOf(r.answer) + "\r\n";
  }
  return out;
}

BEGIN_MESSAGE_MAP(CCommandList, CChannelTool)
  ON_WM_TIMER()
END_MESSAGE_MAP()
