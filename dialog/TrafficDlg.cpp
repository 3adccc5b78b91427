#include "dialog/TrafficDlg.h"

#include "dialog/ListRows.h"
#include "dialog/TrafficText.h"
#include "platform/commctrl.h"

#include <algorithm>

namespace {
constexpr LIST_COLUMN kColumns[TRAFFIC_COLUMNS] = {
    {"时间", 60}, {"事件", 42}, {"对端", 74}, {"长度", 26}, {"十六进制", 150}, {"文本", 90},
};
}  // namespace

CTrafficDlg::CTrafficDlg(CTrafficRecord& record, CTrafficLog& log, CWnd* pOwner)
    : CDialog(IDD_TRAFFIC, pOwner), m_record(record), m_log(log), m_pOwner(pOwner)
{
}

BOOL CTrafficDlg::OnInitDialog()
{
  CDialog::OnInitDialog();
  InsertListColumns(*this, IDC_TRAFFIC_LIST, kColumns, TRAFFIC_COLUMNS);
  Refresh();
  SetTimer(ID_TIMER_TRAFFIC_REFRESH, TRAFFIC_REFRESH_MS, nullptr);
  return TRUE;
}

// Enter has no default button to press here; the window stays.
void CTrafficDlg::OnOK() {}

// Closing only hides: the record and the rows' history go on.
void CTrafficDlg::OnCancel()
{
  ShowWindow(SW_HIDE);
}

void CTrafficDlg::OnTimer(UINT_PTR nIDEvent)
{
  if (nIDEvent == ID_TIMER_TRAFFIC_REFRESH && IsWindowVisible())
    Refresh();
}

BOOL CTrafficDlg::IsFollowingEnd()
{
  CWnd* pList = GetDlgItem(IDC_TRAFFIC_LIST);
  const auto nTop = static_cast<int>(pList->SendMessage(LVM_GETTOPINDEX));
  const auto nPage = static_cast<int>(pList->SendMessage(LVM_GETCOUNTPERPAGE));
  return nTop + nPage >= m_nShownCount;
}

void CTrafficDlg::Refresh()
{
  CWnd* pList = GetDlgItem(IDC_TRAFFIC_LIST);
  if (m_record.GetSerial() != m_nShownSerial) {
    const BOOL bFollow = IsFollowingEnd();
    m_nShownSerial = m_record.GetSerial();
    // Rows whose events gave way leave from the top; the others keep their selection and place.
    const std::uint64_t nGone = m_record.GetFirstNumber() - m_nShownFirst;
    if (nGone > 0)
      pList->SendMessage(LVM_DELETEFIRSTITEMS, static_cast<WPARAM>(std::min<std::uint64_t>(
                                                   nGone, static_cast<std::uint64_t>(m_nShownCount))));
    m_nShownFirst = m_record.GetFirstNumber();
    m_nShownCount = m_record.GetCount();
    pList->SendMessage(LVM_SETITEMCOUNT, static_cast<WPARAM>(m_nShownCount), bFollow ? 0 : LVSICF_NOSCROLL);
    if (bFollow && m_nShownCount > 0)
      pList->SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(m_nShownCount - 1), FALSE);
  }
  const CString strStatus = StatusText();
  if (!(strStatus == m_strStatus)) {
    m_strStatus = strStatus;
    GetDlgItem(IDC_TRAFFIC_STATUS)->SetWindowText(m_strStatus);
  }
  if (m_log.IsLogging() == m_bShownLogging)
    return;
  m_bShownLogging = m_log.IsLogging();
  GetDlgItem(IDC_TRAFFIC_LOG)->SetWindowText(m_bShownLogging ? "停止记录(&L)" : "记录到文件(&L)...");
}

CString CTrafficDlg::StatusText() const
{
  CString str;
  str.Format("共 %d 条事件", m_record.GetCount());
  std::string text = str.str();
  if (m_record.GetDropped() > 0) {
    str.Format(", 更早的 %llu 条已让位", static_cast<unsigned long long>(m_record.GetDropped()));
    text += str.str();
  }
  if (m_log.IsLogging()) {
    str.Format("; 记录到 %s, 已写入 %llu 行", static_cast<LPCTSTR>(m_log.GetPath()),
               static_cast<unsigned long long>(m_log.GetLines()));
    text += str.str();
  } else if (m_log.HasFailed()) {
    str.Format("; 记录已停止: 写入 %s 失败%s, 已写入 %llu 行, %llu 行未能写入", static_cast<LPCTSTR>(m_log.GetPath()),
               static_cast<LPCTSTR>(CFile::Describe(m_log.GetLastError())),
               static_cast<unsigned long long>(m_log.GetLines()),
               static_cast<unsigned long long>(m_log.GetLostLines()));
    text += str.str();
  }
  return CString(std::move(text));
}

void CTrafficDlg::OnGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult)
{
  auto* pInfo = reinterpret_cast<NMLVDISPINFO*>(pNMHDR);
  *pResult = 0;
  LVITEM& item = pInfo->item;
  // Rows are the events shown at the last refresh: one that gave way since shows nothing.
  const std::uint64_t nNumber = m_nShownFirst + static_cast<std::uint64_t>(std::max(item.iItem, 0));
  const std::uint64_t nFirst = m_record.GetFirstNumber();
  if (!(item.mask & LVIF_TEXT) || item.iItem < 0 || nNumber < nFirst ||
      nNumber - nFirst >= static_cast<std::uint64_t>(m_record.GetCount()))
    return;
  const TRAFFIC_EVENT& event = m_record.GetEvent(static_cast<int>(nNumber - nFirst));
  BYTE preview[std::max(TRAFFIC_HEX_PREVIEW, TRAFFIC_TEXT_PREVIEW)];
  const int nHeld = m_record.CopyPayload(event, preview, static_cast<int>(sizeof preview));
  CopyCellText(TrafficColumnText(event, preview, nHeld, item.iSubItem, m_nEncoding), item.pszText, item.cchTextMax);
}

void CTrafficDlg::SetTextEncoding(int nEncoding)
{
  m_nEncoding = nEncoding;
  if (CWnd* pList = GetDlgItem(IDC_TRAFFIC_LIST))
    pList->SendMessage(LVM_SETITEMCOUNT, static_cast<WPARAM>(m_nShownCount), LVSICF_NOSCROLL);
}

void CTrafficDlg::OnClear()
{
  m_record.Clear();
  Refresh();
}

// The files are the owner's business, as the receive display's menu asks for them too.
void CTrafficDlg::OnLog()
{
  m_pOwner->SendMessage(WM_COMMAND, ID_TRAFFIC_LOG, 0);
  Refresh();
}

void CTrafficDlg::OnCapture()
{
  m_pOwner->SendMessage(WM_COMMAND, ID_TRAFFIC_PCAPNG, 0);
}

BEGIN_MESSAGE_MAP(CTrafficDlg, CDialog)
  ON_WM_TIMER()
  ON_NOTIFY(LVN_GETDISPINFO, IDC_TRAFFIC_LIST, OnGetDispInfo)
  ON_BN_CLICKED(IDC_TRAFFIC_CLEAR, OnClear)
  ON_BN_CLICKED(IDC_TRAFFIC_LOG, OnLog)
  ON_BN_CLICKED(IDC_TRAFFIC_PCAPNG, OnCapture)
END_MESSAGE_MAP()
