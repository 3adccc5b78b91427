// The send options dialog: escapes, the line ending and the checksum, as the user last chose them.
#pragma once

#include "dialog/SendOptions.h"
#include "platform/cdialog.h"
#include "res/resource.h"

class CSendOptionsDlg : public CDialog {
public:
  explicit CSendOptionsDlg(CWnd* pParent = nullptr) : CDialog(IDD_SEND_OPTIONS, pParent) {}
  enum { IDD = IDD_SEND_OPTIONS };

  CSendOptions m_options;

protected:
  void DoDataExchange(CDataExchange* pDX) override;
  DECLARE_MESSAGE_MAP()
};
