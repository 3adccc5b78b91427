// The record window: the traffic record as rows, newest last, and its file commands; it may be
// closed and opened again at any time, the record going on behind it.
#pragma once

#include "dialog/TrafficLog.h"
#include "dialog/TrafficRecord.h"
#include "platform/cdialog.h"
#include "res/resource.h"

struct NMHDR;

inline constexpr UINT_PTR ID_TIMER_TRAFFIC_REFRESH = 1;
// How often the window looks for news: rows join about twenty times a second, however fast
// events come.
inline constexpr UINT TRAFFIC_REFRESH_MS = 50;

class CTrafficDlg : public CDialog {
public:
  CTrafficDlg(CTrafficRecord& record, CTrafficLog& log, CWnd* pOwner);
  enum { IDD = IDD_TRAFFIC };

  // Shows what the record and the log hold now.
  void Refresh();
  // The encoding the 文本 column decodes with, as the receive display's.
  void SetTextEncoding(int nEncoding);

protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void OnTimer(UINT_PTR nIDEvent);
  void OnGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult);
  void OnClear();
  void OnLog();
  void OnCapture();
  DECLARE_MESSAGE_MAP()

private:
  BOOL IsFollowingEnd();
  CString StatusText() const;

  CTrafficRecord& m_record;
  CTrafficLog& m_log;
  CWnd* m_pOwner;
  std::uint64_t m_nShownSerial = ~std::uint64_t{0};
  int m_nShownCount = 0;
  // The record's number of the event in the first row.
  std::uint64_t m_nShownFirst = 0;
  CString m_strStatus;
  BOOL m_bShownLogging = FALSE;
  int m_nEncoding = 0;
};
