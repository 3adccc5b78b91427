// What the send box's tool windows share: each holds its tool and shows its run, its status kept
// current while it is visible, numbers in edits, Enter as its start button, and closing as
// stopping, so that nothing runs out of sight.
#pragma once

#include "platform/cdialog.h"

inline constexpr UINT_PTR ID_TIMER_TOOL_STATUS = 1;
inline constexpr UINT TOOL_STATUS_MS = 100;

class CToolDlg : public CDialog {
public:
  CToolDlg(UINT nIDTemplate, CWnd* pParent);

  // Shows the tool's run as it is now.
  virtual void Refresh() = 0;

protected:
  BOOL OnInitDialog() override;
  void OnOK() override { OnStart(); }
  void OnCancel() override;
  void OnTimer(UINT_PTR nIDEvent);
  // The start button: starts the run, or stops the one under way.
  virtual void OnStart() = 0;
  virtual void StopRun() = 0;

  // The edit's number, or -1 when it holds none (empty, or past what an int holds).
  int NumberIn(int nID);
  void ShowNumber(int nID, UINT nValue);
  // Sets the text only when it differs, so a status redrawn ten times a second does not flicker.
  void ShowText(int nID, const CString& str);
  // Refreshes the window if it is made, when the tool's run changes by itself.
  void RefreshIfMade();

  DECLARE_MESSAGE_MAP()
};
