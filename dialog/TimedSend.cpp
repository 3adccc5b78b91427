// Sending on a timer: one payload, built at the start, sent at a fixed pace until stopped, the
// count is reached or the channel closes.
#include "dialog/SocketTestDlg.h"

#include "dialog/TimedSendDlg.h"
#include "platform/clock.h"
#include "platform/cwinapp.h"

BOOL CSocketTestDlg::StartTimedSend(int nIntervalMs, int nCount)
{
  StopTimedSend();
  if (!ChannelIsOpen() || !ServerHasClients())
    return FALSE;
  BYTE sendBuf[SEND_BUFFER_SIZE];
  int nLength = 0;
  if (!BuildPayload(sendBuf, &nLength))
    return FALSE;
  // A message box's loop may have let the channel close meanwhile.
  if (m_socket == ws::INVALID_SOCKET)
    return FALSE;
  m_timedPayload.assign(sendBuf, sendBuf + nLength);
  m_nTimedInterval = nIntervalMs;
  m_nTimedCount = nCount;
  m_nTimedDone = 0;
  m_nTimedStart = platform::MonotonicMicros();
  m_bTimedSending = TRUE;
  SetTimer(ID_TIMER_TIMED_SEND, static_cast<UINT>(nIntervalMs), nullptr);
  OnTimedTick();
  return TRUE;
}

void CSocketTestDlg::StopTimedSend()
{
  if (!m_bTimedSending)
    return;
  m_bTimedSending = FALSE;
  KillTimer(ID_TIMER_TIMED_SEND);
  if (m_pTimedDlg)
    m_pTimedDlg->Refresh();
}

// Sends are due at the start and every interval after it; a tick that comes late sends what fell
// due meanwhile, so the pace holds over the run, not only tick by tick.
void CSocketTestDlg::OnTimedTick()
{
  if (!m_bTimedSending)
    return;
  const std::uint64_t nElapsed = platform::MonotonicMicros() - m_nTimedStart;
  const auto nDue = static_cast<std::int64_t>(nElapsed / (static_cast<std::uint64_t>(m_nTimedInterval) * 1000) + 1);
  for (int nBurst = 0; m_nTimedDone < nDue && nBurst < TIMED_SEND_CATCH_UP; ++nBurst) {
    SendPayload(m_timedPayload.data(), static_cast<int>(m_timedPayload.size()));
    ++m_nTimedDone;
    if (m_nTimedCount > 0 && m_nTimedDone >= m_nTimedCount) {
      StopTimedSend();
      return;
    }
  }
}
