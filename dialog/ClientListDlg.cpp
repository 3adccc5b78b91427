#include "dialog/ClientListDlg.h"

#include "dialog/ListRows.h"
#include "dialog/TrafficText.h"
#include "platform/clock.h"
#include "platform/commctrl.h"

#include <algorithm>
#include <iterator>

namespace {
constexpr UINT_PTR kTimerRefresh = 1;
constexpr UINT kRefreshMs = 100;

enum { COL_PEER, COL_SINCE, COL_RECEIVED, COL_SENT, COLUMNS };
constexpr LIST_COLUMN kColumns[COLUMNS] = {{"客户端", 80}, {"连接时间", 50}, {"收到(字节)", 58}, {"发出(字节)", 58}};

constexpr ANCHOR kAnchors[] = {
    {IDC_CLIENT_LIST, false, false, true, true},
    {IDC_CLIENT_STATUS, false, true, true, false},
    {IDC_CLIENT_TARGET_LABEL, false, true, false, false},
    {IDC_CLIENT_ALL, false, true, false, false},
    {IDC_CLIENT_ONE, false, true, false, false},
    {IDC_CLIENT_DROP, true, true, false, false},
    {IDCANCEL, true, true, false, false},
};
}  // namespace

CClientListDlg::CClientListDlg(const CClientTable& clients, CWnd* pOwner)
    : CDialog(IDD_CLIENT_LIST, pOwner), m_clients(clients), m_pOwner(pOwner)
{
}

BOOL CClientListDlg::OnInitDialog()
{
  CDialog::OnInitDialog();
  InsertListColumns(*this, IDC_CLIENT_LIST, kColumns, COLUMNS);
  GetDlgItem(IDC_CLIENT_ALL)->SendMessage(BM_SETCHECK, BST_CHECKED);
  m_anchors.Take(*this, kAnchors, static_cast<int>(std::size(kAnchors)));
  Refresh();
  SetTimer(kTimerRefresh, kRefreshMs, nullptr);
  return TRUE;
}

// Closing only hides: the target stays as chosen.
void CClientListDlg::OnCancel()
{
  ShowWindow(SW_HIDE);
}

void CClientListDlg::OnTimer(UINT_PTR nIDEvent)
{
  if (nIDEvent == kTimerRefresh && IsWindowVisible())
    Refresh();
}

// Rows stay on their clients: the selection follows its client, or goes with it.
void CClientListDlg::Refresh()
{
  CWnd* pList = GetDlgItem(IDC_CLIENT_LIST);
  if (!pList)
    return;
  if (m_clients.GetSerial() != m_nShownSerial) {
    const ws::SOCKET hSelected = SelectedClient();
    m_nShownSerial = m_clients.GetSerial();
    m_rows.clear();
    for (int i = 0; i < m_clients.GetCount(); ++i)
      m_rows.push_back(m_clients.GetAt(i).hSocket);
    pList->SendMessage(LVM_SETITEMCOUNT, m_rows.size(), LVSICF_NOSCROLL);
    SelectClient(hSelected);
  } else {
    // The byte counts move: the rows are drawn again.
    pList->SendMessage(LVM_SETITEMCOUNT, m_rows.size(), LVSICF_NOSCROLL);
  }
  // The target went with its client: sends go to every client again.
  const BOOL bOne = GetDlgItem(IDC_CLIENT_ONE)->SendMessage(BM_GETCHECK) != 0;
  if (bOne && m_clients.hTarget == ws::INVALID_SOCKET && SelectedClient() == ws::INVALID_SOCKET) {
    GetDlgItem(IDC_CLIENT_ONE)->SendMessage(BM_SETCHECK, BST_UNCHECKED);
    GetDlgItem(IDC_CLIENT_ALL)->SendMessage(BM_SETCHECK, BST_CHECKED);
  }
  CString strStatus;
  if (m_clients.GetCount() > 0)
    strStatus.Format("共 %d 个客户端", m_clients.GetCount());
  CString strShown;
  GetDlgItem(IDC_CLIENT_STATUS)->GetWindowText(strShown);
  if (!(strShown == strStatus))
    GetDlgItem(IDC_CLIENT_STATUS)->SetWindowText(strStatus);
  GetDlgItem(IDC_CLIENT_DROP)->EnableWindow(SelectedClient() != ws::INVALID_SOCKET);
}

ws::SOCKET CClientListDlg::SelectedClient()
{
  const int nRow = GetSelectedRow(GetDlgItem(IDC_CLIENT_LIST));
  if (nRow < 0 || nRow >= static_cast<int>(m_rows.size()))
    return ws::INVALID_SOCKET;
  const ws::SOCKET hSocket = m_rows[static_cast<std::size_t>(nRow)];
  return m_clients.Find(hSocket) ? hSocket : ws::INVALID_SOCKET;
}

void CClientListDlg::SelectClient(ws::SOCKET hSocket)
{
  const auto it = std::find(m_rows.begin(), m_rows.end(), hSocket);
  const bool bShown = hSocket != ws::INVALID_SOCKET && it != m_rows.end();
  SelectRow(GetDlgItem(IDC_CLIENT_LIST), bShown ? static_cast<int>(it - m_rows.begin()) : -1);
}

void CClientListDlg::OnGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult)
{
  auto* pInfo = reinterpret_cast<NMLVDISPINFO*>(pNMHDR);
  *pResult = 0;
  LVITEM& item = pInfo->item;
  if (!(item.mask & LVIF_TEXT) || item.iItem < 0 || item.iItem >= static_cast<int>(m_rows.size()))
    return;
  const CClient* pClient = m_clients.Find(m_rows[static_cast<std::size_t>(item.iItem)]);
  if (!pClient)
    return;
  CString str;
  switch (item.iSubItem) {
  case COL_PEER:
    str = TrafficEndpointText(pClient->peer);
    break;
  case COL_SINCE:
    str = CString(TrafficTimeText(pClient->nConnectedMicros).str().substr(0, 8));
    break;
  case COL_RECEIVED:
    str.Format("%llu", static_cast<unsigned long long>(pClient->nRecvBytes));
    break;
  case COL_SENT:
    str.Format("%llu", static_cast<unsigned long long>(pClient->nSentBytes));
    break;
  default:
    break;
  }
  CopyCellText(str, item.pszText, item.cchTextMax);
}

void CClientListDlg::OnItemChanged(NMHDR*, LRESULT* pResult)
{
  *pResult = 0;
  GetDlgItem(IDC_CLIENT_DROP)->EnableWindow(SelectedClient() != ws::INVALID_SOCKET);
  if (GetDlgItem(IDC_CLIENT_ONE)->SendMessage(BM_GETCHECK))
    AskForTarget();
}

void CClientListDlg::OnTarget()
{
  AskForTarget();
}

// Every client, or the selected one while 选中的客户端 is chosen.
void CClientListDlg::AskForTarget()
{
  const BOOL bOne = GetDlgItem(IDC_CLIENT_ONE)->SendMessage(BM_GETCHECK) != 0;
  m_pOwner->SendMessage(WM_CLIENT_TARGET, bOne ? SelectedClient() : ws::INVALID_SOCKET);
}

void CClientListDlg::OnDrop()
{
  const ws::SOCKET hSocket = SelectedClient();
  if (hSocket != ws::INVALID_SOCKET)
    m_pOwner->SendMessage(WM_CLIENT_DROP, hSocket);
  Refresh();
}

// The list takes what the window gains; the rest keep their distance from the edges.
void CClientListDlg::OnSize(UINT, int cx, int cy)
{
  m_anchors.Apply(*this, cx, cy);
}

BEGIN_MESSAGE_MAP(CClientListDlg, CDialog)
  ON_WM_TIMER()
  ON_WM_SIZE()
  ON_NOTIFY(LVN_GETDISPINFO, IDC_CLIENT_LIST, OnGetDispInfo)
  ON_NOTIFY(LVN_ITEMCHANGED, IDC_CLIENT_LIST, OnItemChanged)
  ON_BN_CLICKED(IDC_CLIENT_ALL, OnTarget)
  ON_BN_CLICKED(IDC_CLIENT_ONE, OnTarget)
  ON_BN_CLICKED(IDC_CLIENT_DROP, OnDrop)
END_MESSAGE_MAP()
