// The timed send window: the interval and the number of sends, 开 始 / 停 止, and the sends done
// so far while it runs; it holds the timed sender.
#pragma once

#include "dialog/TimedSender.h"
#include "dialog/ToolDlg.h"
#include "res/resource.h"

inline constexpr const char* TIMED_SEND_SECTION = "TimedSend";

class CTimedSendDlg : public CToolDlg {
public:
  CTimedSendDlg(CChannel& channel, CWnd* pParent);
  enum { IDD = IDD_TIMED_SEND };

  CTimedSender& Sender() { return m_sender; }
  void Refresh() override;

protected:
  BOOL OnInitDialog() override;
  void OnStart() override;
  void StopRun() override;
  DECLARE_MESSAGE_MAP()

private:
  CTimedSender m_sender;
};
