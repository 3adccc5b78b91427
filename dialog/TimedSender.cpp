#include "dialog/TimedSender.h"

#include "platform/clock.h"

namespace {
constexpr UINT_PTR kTimerSend = 1;
}  // namespace

CTimedSender::CTimedSender(CChannel& channel) : CChannelTool(channel) {}

CTimedSender::~CTimedSender()
{
  m_onChange = nullptr;  // the window that set it may be going first
  Stop();
}

BOOL CTimedSender::Start(int nIntervalMs, int nCount)
{
  Stop();
  if (!m_channel.CanSend(TRUE))
    return FALSE;
  std::vector<BYTE> payload;
  if (!m_channel.BuildSendBoxPayload(payload))
    return FALSE;
  // A message box's loop may have let the channel close meanwhile.
  if (!m_channel.CanSend(FALSE))
    return FALSE;
  m_payload = std::move(payload);
  m_nInterval = nIntervalMs;
  m_nCount = nCount;
  m_nTicks = 0;
  m_nSent = 0;
  m_nSkipped = 0;
  m_nStart = platform::MonotonicMicros();
  m_bRunning = TRUE;
  SetTimer(kTimerSend, static_cast<UINT>(nIntervalMs), nullptr);
  SendDue();
  return TRUE;
}

void CTimedSender::Stop()
{
  if (!m_bRunning)
    return;
  m_bRunning = FALSE;
  KillTimer(kTimerSend);
  if (m_onChange)
    m_onChange();
}

void CTimedSender::OnTimer(UINT_PTR nIDEvent)
{
  if (nIDEvent == kTimerSend)
    SendDue();
}

// Sends are due at the start and every interval after it; a tick that comes late sends what fell
// due meanwhile, so the pace holds over the run, not only tick by tick. A peer that has not taken
// the last payload yet is skipped, never given half of one; the count is of payloads sent.
void CTimedSender::SendDue()
{
  if (!m_bRunning)
    return;
  const std::uint64_t nElapsed = platform::MonotonicMicros() - m_nStart;
  const auto nDue = static_cast<std::int64_t>(nElapsed / (static_cast<std::uint64_t>(m_nInterval) * 1000) + 1);
  for (int nBurst = 0; m_nTicks < nDue && nBurst < TIMED_SEND_CATCH_UP; ++nBurst) {
    const SEND_RESULT result = m_channel.Send(m_channel.DefaultPeer(), m_payload.data(),
                                              static_cast<int>(m_payload.size()), SEND_SKIP_IF_WAITING);
    ++m_nTicks;
    if (result.nSkipped > 0)
      ++m_nSkipped;
    if (result.nSkipped == 0 || result.nSkipped < result.nTargets)
      ++m_nSent;
    if (m_nCount > 0 && m_nSent >= m_nCount) {
      Stop();
      return;
    }
  }
}

BEGIN_MESSAGE_MAP(CTimedSender, CChannelTool)
  ON_WM_TIMER()
END_MESSAGE_MAP()
