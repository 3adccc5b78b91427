// The receive display's options window: time and sender, the sent data, a line break per chunk,
// control bytes and the text's encoding, as the user last chose them.
#pragma once

#include "dialog/RecvOptions.h"
#include "platform/cdialog.h"
#include "res/resource.h"

class CRecvOptionsDlg : public CDialog {
public:
  explicit CRecvOptionsDlg(CWnd* pParent = nullptr) : CDialog(IDD_RECV_OPTIONS, pParent) {}
  enum { IDD = IDD_RECV_OPTIONS };

  CRecvOptions m_options;

protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnShowPeer();
  DECLARE_MESSAGE_MAP()
};
