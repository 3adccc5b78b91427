#include "dialog/TrafficDlg.h"

#include "dialog/ListRows.h"
#include "dialog/TrafficText.h"
#include "platform/commctrl.h"
#include "platform/cwinapp.h"
#include "platform/winapi.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace {
constexpr LIST_COLUMN kColumns[TRAFFIC_COLUMNS] = {
    {"时间", 60}, {"事件", 42}, {"对端", 74}, {"长度", 26}, {"十六进制", 150}, {"文本", 90},
};
constexpr const char* kDirections[TRAFFIC_DIRECTIONS] = {"全部", "收", "发", "事件"};
constexpr const char* kColumnKeys[TRAFFIC_COLUMNS] = {"TimeWidth",   "EventWidth", "PeerWidth",
                                                      "LengthWidth", "HexWidth",   "TextWidth"};

struct FIELD_TIP {
  int nID;
  const char* pszTip;
};
constexpr FIELD_TIP kFieldTips[] = {
    {IDC_TRAFFIC_PEER, "地址或地址:端口, 如 127.0.0.1 或 127.0.0.1:502; 也可从列表中选"},
    {IDC_TRAFFIC_CONTENT, "在一个数据块之内查找: 文本按接收显示的编码, 区分大小写; 或十六进制字节, 如 01 03"},
    {IDC_TRAFFIC_FILTER_CONTENT, "勾选: 只显示内容相符的事件; 不勾选: 内容只供查找下一个 (F3)"},
    {IDC_TRAFFIC_FIND_NEXT, "在显示的事件中查找内容相符的下一个, 不筛选 (F3)"},
};

// The table and the detail share what the window gains; the filter bar's end and the buttons
// keep to their edges.
constexpr ANCHOR kAnchors[] = {
    {IDC_TRAFFIC_CONTENT, false, false, true, false},
    {IDC_TRAFFIC_HEX, true, false, false, false},
    {IDC_TRAFFIC_FILTER_CONTENT, true, false, false, false},
    {IDC_TRAFFIC_FIND_NEXT, true, false, false, false},
    {IDC_TRAFFIC_LIST, false, false, true, true},
    {IDC_TRAFFIC_DETAIL, false, true, true, false},
    {IDC_TRAFFIC_STATUS, false, true, true, false},
    {IDC_TRAFFIC_LOG, false, true, false, false},
    {IDC_TRAFFIC_PCAPNG, false, true, false, false},
    {IDC_TRAFFIC_CLEAR, true, true, false, false},
    {IDCANCEL, true, true, false, false},
};
}  // namespace

CTrafficDlg::CTrafficDlg(CTrafficRecord& record, CTrafficLog& log, CWnd* pOwner)
    : CDialog(IDD_TRAFFIC, pOwner), m_record(record), m_log(log), m_pOwner(pOwner)
{
}

CTrafficDlg::~CTrafficDlg()
{
  if (GetSafeHwnd())
    SaveLayout();
}

BOOL CTrafficDlg::OnInitDialog()
{
  CDialog::OnInitDialog();
  InsertListColumns(*this, IDC_TRAFFIC_LIST, kColumns, TRAFFIC_COLUMNS);
  CWnd* pDirection = GetDlgItem(IDC_TRAFFIC_DIRECTION);
  for (const char* pszDirection : kDirections)
    pDirection->SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pszDirection));
  pDirection->SendMessage(CB_SETCURSEL, TRAFFIC_DIR_ALL);
  GetDlgItem(IDC_TRAFFIC_FILTER_CONTENT)->SendMessage(BM_SETCHECK, BST_CHECKED);
  // A dump lines up in a fixed-pitch face.
  GetDlgItem(IDC_TRAFFIC_DETAIL)->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)));
  for (const FIELD_TIP& tip : kFieldTips)
    GetDlgItem(tip.nID)->SetToolTipText(tip.pszTip);
  m_anchors.Take(*this, kAnchors, static_cast<int>(std::size(kAnchors)));
  LoadLayout();
  Refresh();
  SetTimer(ID_TIMER_TRAFFIC_REFRESH, TRAFFIC_REFRESH_MS, nullptr);
  // The rows take the keys first; the filter bar is a Tab away.
  GetDlgItem(IDC_TRAFFIC_LIST)->SetFocus();
  return FALSE;
}

// Enter has no default button to press here; the window stays.
void CTrafficDlg::OnOK() {}

// Closing only hides: the record and the rows' history go on.
void CTrafficDlg::OnCancel()
{
  SaveLayout();
  ShowWindow(SW_HIDE);
}

BOOL CTrafficDlg::PreTranslateMessage(MSG* pMsg)
{
  if (pMsg->message == WM_KEYDOWN && static_cast<int>(pMsg->wParam) == VK_F3) {
    FindNext();
    return TRUE;
  }
  return CDialog::PreTranslateMessage(pMsg);
}

void CTrafficDlg::OnTimer(UINT_PTR nIDEvent)
{
  if (nIDEvent == ID_TIMER_TRAFFIC_FILTER) {
    KillTimer(ID_TIMER_TRAFFIC_FILTER);
    ApplyFilter();
    return;
  }
  if (nIDEvent == ID_TIMER_TRAFFIC_REFRESH && IsWindowVisible())
    Refresh();
}

void CTrafficDlg::OnSize(UINT, int cx, int cy)
{
  m_anchors.Apply(*this, cx, cy);
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
  if (!pList)
    return;
  if (m_record.GetSerial() != m_nShownSerial) {
    const BOOL bFollow = IsFollowingEnd();
    m_nShownSerial = m_record.GetSerial();
    // Rows whose events gave way leave from the top; the others keep their selection and place.
    const int nGone = m_rows.Update(m_record);
    if (nGone > 0)
      pList->SendMessage(LVM_DELETEFIRSTITEMS, static_cast<WPARAM>(std::min(nGone, m_nShownCount)));
    m_nShownCount = m_rows.GetCount();
    pList->SendMessage(LVM_SETITEMCOUNT, static_cast<WPARAM>(m_nShownCount), bFollow ? 0 : LVSICF_NOSCROLL);
    if (bFollow && m_nShownCount > 0)
      pList->SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(m_nShownCount - 1), FALSE);
    ShowPeersSeen();
    ShowDetail();
  }
  ShowStatus();
  if (m_log.IsLogging() == m_bShownLogging)
    return;
  m_bShownLogging = m_log.IsLogging();
  GetDlgItem(IDC_TRAFFIC_LOG)->SetWindowText(m_bShownLogging ? "停止记录(&L)" : "记录到文件(&L)...");
}

void CTrafficDlg::ShowEnd()
{
  ShowWindow(SW_SHOW);
  Refresh();
  if (m_nShownCount > 0)
    GetDlgItem(IDC_TRAFFIC_LIST)->SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(m_nShownCount - 1), FALSE);
}

void CTrafficDlg::ShowStatus()
{
  const CString strStatus = StatusText();
  if (strStatus == m_strStatus)
    return;
  m_strStatus = strStatus;
  GetDlgItem(IDC_TRAFFIC_STATUS)->SetWindowText(m_strStatus);
}

CString CTrafficDlg::StatusText() const
{
  CString str;
  if (m_rows.IsFiltering())
    str.Format("显示 %d / %d 条事件", m_rows.GetCount(), m_record.GetCount());
  else
    str.Format("共 %d 条事件", m_record.GetCount());
  std::string text = str.str();
  if (m_record.GetDropped() > 0) {
    str.Format(", 更早的 %llu 条已让位", static_cast<unsigned long long>(m_record.GetDropped()));
    text += str.str();
  }
  if (!m_strNotice.IsEmpty())
    text += "; " + m_strNotice.str();
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

const TRAFFIC_EVENT* CTrafficDlg::EventOfRow(int nRow) const
{
  if (nRow < 0 || nRow >= m_rows.GetCount())
    return nullptr;
  return m_record.FindEvent(m_rows.GetNumber(nRow));
}

void CTrafficDlg::OnGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult)
{
  auto* pInfo = reinterpret_cast<NMLVDISPINFO*>(pNMHDR);
  *pResult = 0;
  LVITEM& item = pInfo->item;
  // Rows are the events shown at the last refresh: one that gave way since shows nothing.
  const TRAFFIC_EVENT* pEvent = (item.mask & LVIF_TEXT) ? EventOfRow(item.iItem) : nullptr;
  if (!pEvent)
    return;
  BYTE preview[std::max(TRAFFIC_HEX_PREVIEW, TRAFFIC_TEXT_PREVIEW)];
  const int nHeld = m_record.CopyPayload(*pEvent, preview, static_cast<int>(sizeof preview));
  CopyCellText(TrafficColumnText(*pEvent, preview, nHeld, item.iSubItem, m_nEncoding), item.pszText, item.cchTextMax);
}

void CTrafficDlg::OnItemChanged(NMHDR*, LRESULT* pResult)
{
  *pResult = 0;
  ShowDetail();
}

// The selected event whole; the detail stays while the same event is selected.
void CTrafficDlg::ShowDetail()
{
  const int nRow = GetSelectedRow(GetDlgItem(IDC_TRAFFIC_LIST));
  const TRAFFIC_EVENT* pEvent = EventOfRow(nRow);
  const std::uint64_t nNumber = pEvent ? m_rows.GetNumber(nRow) : ~std::uint64_t{0};
  if (nNumber == m_nDetailNumber)
    return;
  m_nDetailNumber = nNumber;
  if (!pEvent) {
    GetDlgItem(IDC_TRAFFIC_DETAIL)->SetWindowText("");
    return;
  }
  std::vector<BYTE> payload(static_cast<std::size_t>(std::max(m_record.HeldPayload(*pEvent), 1)));
  const int nHeld = m_record.CopyPayload(*pEvent, payload.data(), static_cast<int>(payload.size()));
  GetDlgItem(IDC_TRAFFIC_DETAIL)->SetWindowText(TrafficDetailText(*pEvent, payload.data(), nHeld, m_nEncoding));
}

// The peers the events had, to pick from, in order; what is typed stays.
void CTrafficDlg::ShowPeersSeen()
{
  const std::set<std::uint64_t>& peers = m_rows.GetPeersSeen();
  if (peers.size() == m_peersShown.size())
    return;
  CWnd* pPeer = GetDlgItem(IDC_TRAFFIC_PEER);
  CString strTyped;
  pPeer->GetWindowText(strTyped);
  for (const std::uint64_t nKey : peers) {
    const auto it = std::lower_bound(m_peersShown.begin(), m_peersShown.end(), nKey);
    if (it != m_peersShown.end() && *it == nKey)
      continue;
    const auto nAt = static_cast<WPARAM>(it - m_peersShown.begin());
    m_peersShown.insert(it, nKey);
    pPeer->SendMessage(CB_INSERTSTRING, nAt,
                       reinterpret_cast<LPARAM>(static_cast<LPCTSTR>(TrafficEndpointText(PeerOfKey(nKey)))));
  }
  pPeer->SetWindowText(strTyped);
}

void CTrafficDlg::SetTextEncoding(int nEncoding)
{
  m_nEncoding = nEncoding;
  if (!GetDlgItem(IDC_TRAFFIC_LIST))
    return;
  // The rows, the detail and the filter's text all read in the new encoding.
  m_nDetailNumber = ~std::uint64_t{0};
  ApplyFilter();
}

const CTrafficRows* CTrafficDlg::FilteredRows()
{
  if (!GetSafeHwnd() || !m_rows.IsFiltering())
    return nullptr;
  Refresh();
  return &m_rows;
}

void CTrafficDlg::OnFilterChanged()
{
  SetTimer(ID_TIMER_TRAFFIC_FILTER, TRAFFIC_FILTER_DELAY_MS, nullptr);
}

// The bytes 内容 names, as text or (with 十六进制) hex; FALSE for hex that is not.
BOOL CTrafficDlg::ReadContent(std::string& bytes)
{
  CString strContent;
  GetDlgItem(IDC_TRAFFIC_CONTENT)->GetWindowText(strContent);
  const BOOL bHex = GetDlgItem(IDC_TRAFFIC_HEX)->SendMessage(BM_GETCHECK) != 0;
  return ParseContentFilter(strContent, bHex, m_nEncoding, bytes);
}

// The bar's fields as a filter; a field that cannot be read filters nothing and says why.
void CTrafficDlg::ApplyFilter()
{
  TRAFFIC_FILTER filter;
  filter.nDirection = std::max(0, static_cast<int>(GetDlgItem(IDC_TRAFFIC_DIRECTION)->SendMessage(CB_GETCURSEL)));
  CString strPeer;
  GetDlgItem(IDC_TRAFFIC_PEER)->GetWindowText(strPeer);
  m_strNotice.Empty();
  if (!ParsePeerFilter(strPeer, filter))
    m_strNotice = "对端应为 地址 或 地址:端口";
  if (GetDlgItem(IDC_TRAFFIC_FILTER_CONTENT)->SendMessage(BM_GETCHECK) && !ReadContent(filter.content))
    m_strNotice = "十六进制内容应为成对的数字";
  const int nSelected = GetSelectedRow(GetDlgItem(IDC_TRAFFIC_LIST));
  const std::uint64_t nSelectedNumber = EventOfRow(nSelected) ? m_rows.GetNumber(nSelected) : ~std::uint64_t{0};
  m_rows.SetFilter(filter);
  m_rows.Update(m_record);
  m_nShownSerial = m_record.GetSerial();
  m_nShownCount = m_rows.GetCount();
  CWnd* pList = GetDlgItem(IDC_TRAFFIC_LIST);
  pList->SendMessage(LVM_SETITEMCOUNT, static_cast<WPARAM>(m_nShownCount), 0);
  // The selected event stays selected and in sight when it is still shown; else the end shows.
  const int nRow = m_rows.FindRow(nSelectedNumber);
  SelectRow(pList, nRow);
  if (nRow >= 0 || m_nShownCount > 0)
    pList->SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(nRow >= 0 ? nRow : m_nShownCount - 1), FALSE);
  ShowDetail();
  ShowStatus();
}

// The next row whose bytes hold the content, among the rows shown, without narrowing them.
void CTrafficDlg::FindNext()
{
  std::string content;
  if (!ReadContent(content) || content.empty()) {
    m_strNotice = content.empty() ? "查找什么? 在\"内容\"中输入" : "十六进制内容应为成对的数字";
    ShowStatus();
    return;
  }
  Refresh();
  CWnd* pList = GetDlgItem(IDC_TRAFFIC_LIST);
  const int nRow = m_rows.FindNext(m_record, GetSelectedRow(pList), content);
  m_strNotice = nRow < 0 ? CString("未找到") : CString();
  if (nRow >= 0) {
    SelectRow(pList, nRow);
    pList->SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(nRow), FALSE);
    ShowDetail();
  }
  ShowStatus();
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

// Kept in pixels as the window was last left; a place on no screen any more is moved onto one.
void CTrafficDlg::LoadLayout()
{
  CWinApp* pApp = AfxGetApp();
  WINDOWPLACEMENT placement;
  RECT& rc = placement.rcNormalPosition;
  rc.left = static_cast<LONG>(pApp->GetProfileInt(TRAFFIC_WINDOW_SECTION, "Left", 0));
  rc.top = static_cast<LONG>(pApp->GetProfileInt(TRAFFIC_WINDOW_SECTION, "Top", 0));
  const auto nWidth = static_cast<LONG>(pApp->GetProfileInt(TRAFFIC_WINDOW_SECTION, "Width", 0));
  const auto nHeight = static_cast<LONG>(pApp->GetProfileInt(TRAFFIC_WINDOW_SECTION, "Height", 0));
  CWnd* pList = GetDlgItem(IDC_TRAFFIC_LIST);
  for (int i = 0; i < TRAFFIC_COLUMNS; ++i) {
    const auto nColumn = static_cast<int>(pApp->GetProfileInt(TRAFFIC_WINDOW_SECTION, kColumnKeys[i], 0));
    if (nColumn > 0 && nColumn <= 4096)
      pList->SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i), nColumn);
  }
  if (nWidth <= 0 || nHeight <= 0 || nWidth > 16384 || nHeight > 16384)
    return;
  rc.right = rc.left + nWidth;
  rc.bottom = rc.top + nHeight;
  placement.showCmd = pApp->GetProfileInt(TRAFFIC_WINDOW_SECTION, "Maximized", 0) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  SetWindowPlacement(&placement);
}

void CTrafficDlg::SaveLayout()
{
  WINDOWPLACEMENT placement;
  if (!GetWindowPlacement(&placement))
    return;
  CWinApp* pApp = AfxGetApp();
  const CProfileBatch batch;
  const RECT& rc = placement.rcNormalPosition;
  pApp->WriteProfileInt(TRAFFIC_WINDOW_SECTION, "Left", static_cast<int>(rc.left));
  pApp->WriteProfileInt(TRAFFIC_WINDOW_SECTION, "Top", static_cast<int>(rc.top));
  pApp->WriteProfileInt(TRAFFIC_WINDOW_SECTION, "Width", static_cast<int>(rc.right - rc.left));
  pApp->WriteProfileInt(TRAFFIC_WINDOW_SECTION, "Height", static_cast<int>(rc.bottom - rc.top));
  pApp->WriteProfileInt(TRAFFIC_WINDOW_SECTION, "Maximized", placement.showCmd == SW_SHOWMAXIMIZED);
  CWnd* pList = GetDlgItem(IDC_TRAFFIC_LIST);
  for (int i = 0; i < TRAFFIC_COLUMNS; ++i)
    pApp->WriteProfileInt(TRAFFIC_WINDOW_SECTION, kColumnKeys[i],
                          static_cast<int>(pList->SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i))));
}

BEGIN_MESSAGE_MAP(CTrafficDlg, CDialog)
  ON_WM_TIMER()
  ON_WM_SIZE()
  ON_NOTIFY(LVN_GETDISPINFO, IDC_TRAFFIC_LIST, OnGetDispInfo)
  ON_NOTIFY(LVN_ITEMCHANGED, IDC_TRAFFIC_LIST, OnItemChanged)
  ON_CBN_SELCHANGE(IDC_TRAFFIC_DIRECTION, OnFilterChanged)
  ON_CBN_SELCHANGE(IDC_TRAFFIC_PEER, OnFilterChanged)
  ON_CBN_EDITCHANGE(IDC_TRAFFIC_PEER, OnFilterChanged)
  ON_EN_CHANGE(IDC_TRAFFIC_CONTENT, OnFilterChanged)
  ON_BN_CLICKED(IDC_TRAFFIC_HEX, OnFilterChanged)
  ON_BN_CLICKED(IDC_TRAFFIC_FILTER_CONTENT, OnFilterChanged)
  ON_BN_CLICKED(IDC_TRAFFIC_FIND_NEXT, FindNext)
  ON_BN_CLICKED(IDC_TRAFFIC_CLEAR, OnClear)
  ON_BN_CLICKED(IDC_TRAFFIC_LOG, OnLog)
  ON_BN_CLICKED(IDC_TRAFFIC_PCAPNG, OnCapture)
END_MESSAGE_MAP()
