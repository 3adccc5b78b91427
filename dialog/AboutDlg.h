// The About box.
#pragma once

#include "platform/cdialog.h"
#include "res/resource.h"

class CAboutDlg : public CDialog {
public:
  CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
  enum { IDD = IDD_ABOUTBOX };

protected:
  void DoDataExchange(CDataExchange* pDX) override;
  DECLARE_MESSAGE_MAP()
};
