// The timed send window: the interval and the number of sends, 开 始 / 停 止, and the sends done
// so far while it runs.
#pragma once

#include "dialog/ToolDlg.h"
#include "res/resource.h"

inline constexpr const char* TIMED_SEND_SECTION = "TimedSend";

class CTimedSendDlg : public CToolDlg {
public:
  explicit CTimedSendDlg(CSocketTestDlg* pOwner) : CToolDlg(IDD_TIMED_SEND, pOwner) {}
  enum { IDD = IDD_TIMED_SEND };

  void Refresh() override;

protected:
  BOOL OnInitDialog() override;
  void OnStart() override;
  void StopRun() override;
  DECLARE_MESSAGE_MAP()
};
