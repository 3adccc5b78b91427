// One command of the command list edited: its name, payload, the answer it expects within a
// time-out, and the pause after it. OK keeps the window open, with the reason, while the command
// cannot work.
#pragma once

#include "codec/command.h"
#include "platform/cdialog.h"
#include "res/resource.h"

#include <functional>

class CCommandDlg : public CDialog {
public:
  explicit CCommandDlg(CWnd* pParent);
  enum { IDD = IDD_COMMAND };

  COMMAND m_command;
  std::function<BOOL(const COMMAND& command, CString& strWhy)> m_accept;

protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
};
