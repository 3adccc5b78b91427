// The send file window: the file, the datagram size and pause for UDP, 发 送 / 取 消, and the
// progress (bytes sent of the whole, the rate). Closing it cancels a send under way.
#pragma once

#include "platform/cdialog.h"
#include "res/resource.h"

class CSocketTestDlg;

inline constexpr UINT_PTR ID_TIMER_FILE_STATUS = 1;
inline constexpr UINT FILE_STATUS_MS = 100;
inline constexpr const char* SEND_FILE_SECTION = "SendFile";

class CSendFileDlg : public CDialog {
public:
  explicit CSendFileDlg(CSocketTestDlg* pOwner);
  enum { IDD = IDD_SEND_FILE };

  void Refresh();

protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void OnStart();
  void OnBrowse();
  void OnTimer(UINT_PTR nIDEvent);
  DECLARE_MESSAGE_MAP()

private:
  CSocketTestDlg* m_pOwner;
  BOOL m_bShownSending = -1;
};
