#include "dialog/AutoReply.h"

#include "dialog/LineFile.h"
#include "platform/clock.h"
#include "platform/cwinapp.h"

#include <algorithm>

namespace {
constexpr UINT_PTR kTimerDue = 1;
constexpr const char* kEnabled = "Enabled";
constexpr const char* kRulePrefix = "Rule";
// Rules read from the settings file at most; a larger count is the file's fault, not a request.
constexpr int kMaxRules = 10000;
}  // namespace

CAutoReply::CAutoReply(CChannel& channel) : CChannelTool(channel) {}

CAutoReply::~CAutoReply()
{
  KillTimer(kTimerDue);
}

void CAutoReply::Load()
{
  m_rules.Clear();
  m_loadProblems.clear();
  m_bEnabled = AfxGetApp()->GetProfileInt(AUTO_REPLY_SECTION, kEnabled, 0) == 1;
  const std::vector<CString> lines = ReadProfileLines(AUTO_REPLY_SECTION, kRulePrefix, kMaxRules);
  m_nSavedCount = static_cast<int>(lines.size());
  for (int i = 0; i < m_nSavedCount; ++i) {
    m_rules.AddLine(lines[static_cast<std::size_t>(i)]);
    if (!m_rules.GetAt(i).bUsable)
      m_loadProblems.push_back(ProfileLineProblem(kRulePrefix, i, m_rules.GetAt(i).strWhy));
  }
}

void CAutoReply::Save()
{
  const CProfileBatch batch;
  AfxGetApp()->WriteProfileInt(AUTO_REPLY_SECTION, kEnabled, m_bEnabled ? 1 : 0);
  std::vector<CString> lines;
  for (int i = 0; i < m_rules.GetCount(); ++i)
    lines.push_back(m_rules.GetAt(i).strLine);
  WriteProfileLines(AUTO_REPLY_SECTION, kRulePrefix, lines, m_nSavedCount);
  m_nSavedCount = m_rules.GetCount();
}

void CAutoReply::ClearCounts()
{
  m_rules.ClearHits();
  m_nReplies = 0;
  m_nNotSent = 0;
  ++m_nSerial;
}

// A stream's chunk is what one read gave: the peer's writes may come split or joined.
void CAutoReply::OnChunk(const CHANNEL_CHUNK& chunk)
{
  if (!m_bEnabled)
    return;
  const int nRule = m_rules.Match(chunk.pData, chunk.nLength);
  if (nRule < 0)
    return;
  m_rules.CountHit(nRule);
  ++m_nSerial;
  const REPLY_RULE& rule = m_rules.GetAt(nRule).rule;
  const PAYLOAD reply = ReplyPayload(rule, m_channel.GetSendOptions());
  if (reply.nRefusal != PAYLOAD_OK) {
    ++m_nNotSent;
    return;
  }
  if (rule.nDelayMs == 0) {
    SendReply(chunk.from, reply.bytes.data(), static_cast<int>(reply.bytes.size()));
    return;
  }
  if (GetPending() >= AUTO_REPLY_PENDING_LIMIT) {
    ++m_nNotSent;
    return;
  }
  const std::uint64_t nDue = platform::MonotonicMicros() + static_cast<std::uint64_t>(rule.nDelayMs) * 1000;
  m_pending.emplace(nDue, Pending{chunk.from, reply.bytes});
  ArmTimer();
}

void CAutoReply::SendReply(const CHANNEL_PEER& to, const BYTE* pData, int nLength)
{
  const SEND_RESULT result = m_channel.Send(to, pData, nLength, SEND_AUTO_REPLY);
  if (result.nFailed + result.nRefused > 0 || result.nTargets == 0)
    ++m_nNotSent;
  else
    ++m_nReplies;
}

// What was waiting can no longer go: it is counted, not lost without a word.
void CAutoReply::OnChannelClosed()
{
  m_nNotSent += m_pending.size();
  m_pending.clear();
  KillTimer(kTimerDue);
  ++m_nSerial;
}

void CAutoReply::OnTimer(UINT_PTR nIDEvent)
{
  if (nIDEvent == kTimerDue)
    SendDue();
}

void CAutoReply::SendDue()
{
  const std::uint64_t nNow = platform::MonotonicMicros();
  while (!m_pending.empty() && m_pending.begin()->first <= nNow) {
    const Pending pending = std::move(m_pending.begin()->second);
    m_pending.erase(m_pending.begin());
    SendReply(pending.to, pending.bytes.data(), static_cast<int>(pending.bytes.size()));
  }
  ArmTimer();
}

// One timer, for the earliest reply due.
void CAutoReply::ArmTimer()
{
  KillTimer(kTimerDue);
  if (m_pending.empty())
    return;
  const std::uint64_t nNow = platform::MonotonicMicros();
  const std::uint64_t nDue = m_pending.begin()->first;
  const std::uint64_t nWaitMs = nDue > nNow ? (nDue - nNow + 999) / 1000 : 0;
  SetTimer(kTimerDue, static_cast<UINT>(std::max<std::uint64_t>(nWaitMs, 1)), nullptr);
}

BEGIN_MESSAGE_MAP(CAutoReply, CChannelTool)
  ON_WM_TIMER()
END_MESSAGE_MAP()
