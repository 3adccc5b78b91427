// The record window: the traffic record as rows, newest last, narrowed by a filter bar, with the
// selected event whole beneath and the file commands; it may be closed and opened again at any
// time, the record going on behind it.
#pragma once

#include "dialog/Anchors.h"
#include "dialog/TrafficFilter.h"
#include "dialog/TrafficLog.h"
#include "dialog/TrafficRecord.h"
#include "platform/cdialog.h"
#include "res/resource.h"

#include <string>
#include <vector>

struct NMHDR;

inline constexpr UINT_PTR ID_TIMER_TRAFFIC_REFRESH = 1;
// How often the window looks for news: rows join about twenty times a second, however fast
// events come.
inline constexpr UINT TRAFFIC_REFRESH_MS = 50;
// The filter follows typing once it pauses this long.
inline constexpr UINT_PTR ID_TIMER_TRAFFIC_FILTER = 2;
inline constexpr UINT TRAFFIC_FILTER_DELAY_MS = 150;
// Where the window's size, place and column widths are kept.
inline constexpr const char* TRAFFIC_WINDOW_SECTION = "TrafficWindow";

class CTrafficDlg : public CDialog {
public:
  CTrafficDlg(CTrafficRecord& record, CTrafficLog& log, CWnd* pOwner);
  ~CTrafficDlg() override;
  enum { IDD = IDD_TRAFFIC };

  // Shows what the record and the log hold now.
  void Refresh();
  // Shows the window with its newest row in sight.
  void ShowEnd();
  // The encoding the 文本 column and the filter's text use, as the receive display's.
  void SetTextEncoding(int nEncoding);
  // The rows shown while a filter narrows them (what a capture saves), else nullptr.
  const CTrafficRows* FilteredRows();
  void ApplyFilter();
  void FindNext();

protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  void OnTimer(UINT_PTR nIDEvent);
  void OnSize(UINT nType, int cx, int cy);
  void OnGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult);
  void OnItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
  void OnFilterChanged();
  void OnClear();
  void OnLog();
  void OnCapture();
  DECLARE_MESSAGE_MAP()

private:
  BOOL IsFollowingEnd();
  CString StatusText() const;
  void ShowStatus();
  void ShowDetail();
  void ShowPeersSeen();
  BOOL ReadContent(std::string& bytes);
  // The event on the row, or nullptr when it gave way.
  const TRAFFIC_EVENT* EventOfRow(int nRow) const;
  void LoadLayout();
  void SaveLayout();

  CTrafficRecord& m_record;
  CTrafficLog& m_log;
  CWnd* m_pOwner;
  CTrafficRows m_rows;
  std::uint64_t m_nShownSerial = ~std::uint64_t{0};
  int m_nShownCount = 0;
  // The event the detail shows (its record number), or none.
  std::uint64_t m_nDetailNumber = ~std::uint64_t{0};
  // The peers the peer field offers, sorted as GetPeersSeen keeps them.
  std::vector<std::uint64_t> m_peersShown;
  CString m_strStatus;
  // What the filter bar could not use, or what 查找下一个 found not.
  CString m_strNotice;
  BOOL m_bShownLogging = FALSE;
  int m_nEncoding = 0;
  CAnchors m_anchors;
};
