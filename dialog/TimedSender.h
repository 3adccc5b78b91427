// Sending on a timer: one payload, built from the send box when the run starts, sent at a held
// pace until the count is reached, it is stopped, or the channel closes.
#pragma once

#include "dialog/ChannelTool.h"

#include <cstdint>
#include <functional>
#include <vector>

// A timed send's interval in milliseconds, and what one late tick may catch up at once.
inline constexpr int TIMED_SEND_MIN_MS = 1;
inline constexpr int TIMED_SEND_MAX_MS = 3600000;
inline constexpr int TIMED_SEND_CATCH_UP = 100;

class CTimedSender : public CChannelTool {
public:
  explicit CTimedSender(CChannel& channel);
  ~CTimedSender() override;

  // Builds the payload as a click would (telling the user when there is none) and sends the first
  // at once; FALSE when nothing started.
  BOOL Start(int nIntervalMs, int nCount);
  void Stop();
  BOOL IsRunning() const { return m_bRunning; }
  int GetSends() const { return m_nSent; }
  // Ticks that found the previous payload still waiting for its socket, and so sent nothing there
  // rather than tear a frame.
  int GetSkipped() const { return m_nSkipped; }
  // Called when a run starts or stops by itself.
  void SetChangeHandler(std::function<void()> fn) { m_onChange = std::move(fn); }

protected:
  void OnTimer(UINT_PTR nIDEvent);
  DECLARE_MESSAGE_MAP()

private:
  void OnChannelClosed() override { Stop(); }
  void SendDue();

  std::vector<BYTE> m_payload;
  BOOL m_bRunning = FALSE;
  int m_nInterval = 0;
  int m_nCount = 0;
  int m_nTicks = 0;
  int m_nSent = 0;
  int m_nSkipped = 0;
  std::uint64_t m_nStart = 0;
  std::function<void()> m_onChange;
};
