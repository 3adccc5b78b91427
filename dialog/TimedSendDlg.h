// The timed send window: the interval and the number of sends, 开 始 / 停 止, and the sends done
// so far while it runs. Closing it stops the run, so a run is never out of sight.
#pragma once

#include "platform/cdialog.h"
#include "res/resource.h"

class CSocketTestDlg;

inline constexpr UINT_PTR ID_TIMER_TIMED_STATUS = 1;
inline constexpr UINT TIMED_STATUS_MS = 100;
inline constexpr const char* TIMED_SEND_SECTION = "TimedSend";

class CTimedSendDlg : public CDialog {
public:
  explicit CTimedSendDlg(CSocketTestDlg* pOwner);
  enum { IDD = IDD_TIMED_SEND };

  // Shows the owner's run as it is now.
  void Refresh();

protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void OnStart();
  void OnTimer(UINT_PTR nIDEvent);
  DECLARE_MESSAGE_MAP()

private:
  CSocketTestDlg* m_pOwner;
};
