// What the send box's tool windows share: the main dialog does the work and they show it, their
// status kept current while they are visible, numbers in edits, Enter as their start button, and
// closing as stopping, so that nothing runs out of sight.
#pragma once

#include "platform/cdialog.h"

class CSocketTestDlg;

inline constexpr UINT_PTR ID_TIMER_TOOL_STATUS = 1;
inline constexpr UINT TOOL_STATUS_MS = 100;

class CToolDlg : public CDialog {
public:
  CToolDlg(UINT nIDTemplate, CSocketTestDlg* pOwner);

  // Shows the owner's run as it is now.
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

  CSocketTestDlg* m_pOwner;
  DECLARE_MESSAGE_MAP()
};
