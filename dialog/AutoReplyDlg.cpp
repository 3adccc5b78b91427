#include "dialog/AutoReplyDlg.h"

#include "dialog/AutoReply.h"
#include "dialog/FileFolders.h"
#include "dialog/LineFile.h"
#include "dialog/ListRows.h"
#include "dialog/ReplyRuleDlg.h"
#include "platform/cfiledialog.h"
#include "platform/commctrl.h"
#include "platform/cwinapp.h"

#include <algorithm>
#include <iterator>

namespace {
constexpr UINT_PTR kTimerRefresh = 1;
constexpr UINT kRefreshMs = 100;
constexpr const char* kRulesFilter = "应答规则 (*.txt)|*.txt|所有文件 (*)|*||";

enum { COL_ON, COL_KIND, COL_MATCH, COL_REPLY, COL_DELAY, COL_HITS, COLUMNS };
constexpr LIST_COLUMN kColumns[COLUMNS] = {{"启用", 24}, {"匹配方式", 44}, {"匹配内容", 84},
                                           {"应答", 84}, {"延时", 30},     {"命中", 40}};

constexpr ANCHOR kAnchors[] = {
    {IDC_REPLY_LIST, false, false, true, true},   {IDC_REPLY_NOTE, false, true, true, false},
    {IDC_REPLY_STATUS, false, true, true, false}, {IDC_REPLY_ADD, false, true, false, false},
    {IDC_REPLY_EDIT, false, true, false, false},  {IDC_REPLY_DELETE, false, true, false, false},
    {IDC_REPLY_UP, false, true, false, false},    {IDC_REPLY_DOWN, false, true, false, false},
    {IDC_REPLY_CLEAR, false, true, false, false}, {IDC_REPLY_ENABLE, false, true, false, false},
    {IDC_REPLY_IMPORT, true, true, false, false}, {IDC_REPLY_EXPORT, true, true, false, false},
    {IDCANCEL, true, true, false, false},
};

CString CellText(const REPLY_ENTRY& entry, int nColumn)
{
  CString str;
  if (!entry.bUsable) {
    const char* const unusable[COLUMNS] = {"-", "(无法使用)", entry.strLine, entry.strWhy, "", ""};
    str = unusable[nColumn];
    return str;
  }
  const REPLY_RULE& rule = entry.rule;
  switch (nColumn) {
  case COL_ON:
    str = rule.bEnabled ? "是" : "否";
    break;
  case COL_KIND:
    str = MatchKindText(rule.nMatch);
    break;
  case COL_MATCH:
    str = rule.strMatch;
    break;
  case COL_REPLY:
    str.Format("%s%s%s", rule.nReply == REPLY_HEX ? "[十六进制] " : "", static_cast<LPCTSTR>(rule.strReply),
               rule.bChecksum ? " (+校验)" : "");
    break;
  case COL_DELAY:
    str.Format("%d", rule.nDelayMs);
    break;
  case COL_HITS:
    str.Format("%llu", static_cast<unsigned long long>(entry.nHits));
    break;
  default:
    break;
  }
  return str;
}
}  // namespace

CAutoReplyDlg::CAutoReplyDlg(CAutoReply& autoReply, CWnd* pOwner)
    : CDialog(IDD_AUTO_REPLY, pOwner), m_autoReply(autoReply)
{
}

BOOL CAutoReplyDlg::OnInitDialog()
{
  CDialog::OnInitDialog();
  InsertListColumns(*this, IDC_REPLY_LIST, kColumns, COLUMNS);
  for (const CString& strProblem : m_autoReply.GetLoadProblems())
    m_strNote += (m_strNote.IsEmpty() ? "未使用 " : "; ") + strProblem;
  GetDlgItem(IDC_REPLY_ENABLE)->SendMessage(BM_SETCHECK, m_autoReply.IsEnabled() ? BST_CHECKED : BST_UNCHECKED);
  m_anchors.Take(*this, kAnchors, static_cast<int>(std::size(kAnchors)));
  Refresh();
  SetTimer(kTimerRefresh, kRefreshMs, nullptr);
  return TRUE;
}

void CAutoReplyDlg::OnCancel()
{
  ShowWindow(SW_HIDE);
}

void CAutoReplyDlg::OnTimer(UINT_PTR nIDEvent)
{
  if (nIDEvent == kTimerRefresh && IsWindowVisible() && m_autoReply.GetSerial() != m_nShownSerial)
    Refresh();
}

void CAutoReplyDlg::Refresh()
{
  m_nShownSerial = m_autoReply.GetSerial();
  GetDlgItem(IDC_REPLY_LIST)
      ->SendMessage(LVM_SETITEMCOUNT, static_cast<WPARAM>(m_autoReply.Rules().GetCount()), LVSICF_NOSCROLL);
  CString strStatus;
  strStatus.Format("已应答 %llu 次, 未能发出 %llu 次, 等待延时 %d 个",
                   static_cast<unsigned long long>(m_autoReply.GetReplies()),
                   static_cast<unsigned long long>(m_autoReply.GetNotSent()), m_autoReply.GetPending());
  if (!m_strNote.IsEmpty())
    strStatus += CString(". ") + m_strNote;
  CString strShown;
  GetDlgItem(IDC_REPLY_STATUS)->GetWindowText(strShown);
  if (!(strShown == strStatus))
    GetDlgItem(IDC_REPLY_STATUS)->SetWindowText(strStatus);
  EnableButtons();
}

int CAutoReplyDlg::GetSelected()
{
  const int nRow = GetSelectedRow(GetDlgItem(IDC_REPLY_LIST));
  return nRow >= 0 && nRow < m_autoReply.Rules().GetCount() ? nRow : -1;
}

void CAutoReplyDlg::Select(int nIndex)
{
  SelectRow(GetDlgItem(IDC_REPLY_LIST), nIndex < m_autoReply.Rules().GetCount() ? nIndex : -1);
}

void CAutoReplyDlg::EnableButtons()
{
  const int nSelected = GetSelected();
  const int nCount = m_autoReply.Rules().GetCount();
  GetDlgItem(IDC_REPLY_EDIT)->EnableWindow(nSelected >= 0);
  GetDlgItem(IDC_REPLY_DELETE)->EnableWindow(nSelected >= 0);
  GetDlgItem(IDC_REPLY_UP)->EnableWindow(nSelected > 0);
  GetDlgItem(IDC_REPLY_DOWN)->EnableWindow(nSelected >= 0 && nSelected + 1 < nCount);
}

void CAutoReplyDlg::Changed(int nSelect)
{
  m_autoReply.Save();
  Refresh();
  Select(nSelect);
  EnableButtons();
}

void CAutoReplyDlg::OnGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult)
{
  auto* pInfo = reinterpret_cast<NMLVDISPINFO*>(pNMHDR);
  *pResult = 0;
  LVITEM& item = pInfo->item;
  if (!(item.mask & LVIF_TEXT) || item.iItem < 0 || item.iItem >= m_autoReply.Rules().GetCount() || item.iSubItem < 0 ||
      item.iSubItem >= COLUMNS || !item.pszText || item.cchTextMax <= 0)
    return;
  CopyCellText(CellText(m_autoReply.Rules().GetAt(item.iItem), item.iSubItem), item.pszText, item.cchTextMax);
}

void CAutoReplyDlg::OnItemChanged(NMHDR*, LRESULT* pResult)
{
  *pResult = 0;
  EnableButtons();
}

void CAutoReplyDlg::OnDblClk(NMHDR*, LRESULT* pResult)
{
  *pResult = 0;
  OnEdit();
}

// A new rule goes after the selected one, or at the end.
void CAutoReplyDlg::OnAdd()
{
  const int nAt = GetSelected() >= 0 ? GetSelected() + 1 : m_autoReply.Rules().GetCount();
  CReplyRuleDlg dlg(this);
  const SEND_OPTIONS options = m_autoReply.SendOptions();
  dlg.m_accept = [&](const REPLY_RULE& rule, CString& strWhy) {
    return m_autoReply.Rules().Insert(nAt, rule, options, strWhy);
  };
  if (dlg.DoModal() == IDOK)
    Changed(nAt);
}

void CAutoReplyDlg::OnEdit()
{
  const int nIndex = GetSelected();
  if (nIndex < 0)
    return;
  CReplyRuleDlg dlg(this);
  const REPLY_ENTRY& entry = m_autoReply.Rules().GetAt(nIndex);
  if (entry.bUsable)
    dlg.m_rule = entry.rule;
  const SEND_OPTIONS options = m_autoReply.SendOptions();
  dlg.m_accept = [&](const REPLY_RULE& rule, CString& strWhy) {
    // The rules may have changed under the box's loop (an import elsewhere is not possible, but
    // the index is checked all the same).
    return nIndex < m_autoReply.Rules().GetCount() && m_autoReply.Rules().Replace(nIndex, rule, options, strWhy);
  };
  if (dlg.DoModal() == IDOK)
    Changed(nIndex);
}

void CAutoReplyDlg::OnDelete()
{
  const int nIndex = GetSelected();
  if (nIndex < 0)
    return;
  m_autoReply.Rules().Remove(nIndex);
  Changed(std::min(nIndex, m_autoReply.Rules().GetCount() - 1));
}

void CAutoReplyDlg::Move(int nBy)
{
  const int nIndex = GetSelected();
  if (m_autoReply.Rules().Move(nIndex, nBy))
    Changed(nIndex + nBy);
}

void CAutoReplyDlg::OnUp()
{
  Move(-1);
}

void CAutoReplyDlg::OnDown()
{
  Move(1);
}

void CAutoReplyDlg::OnEnable()
{
  m_autoReply.SetEnabled(GetDlgItem(IDC_REPLY_ENABLE)->SendMessage(BM_GETCHECK) == BST_CHECKED);
  Changed(GetSelected());
}

void CAutoReplyDlg::OnClearHits()
{
  m_autoReply.ClearCounts();
  Refresh();
}

BOOL CAutoReplyDlg::ImportFile(const CString& strPath, CString& strMessage)
{
  CReplyRules& rules = m_autoReply.Rules();
  return ImportLines(
      strPath, "条规则",
      [&rules](const CString& strLine, CString& strWhy) {
        rules.AddLine(strLine);
        strWhy = rules.GetAt(rules.GetCount() - 1).strWhy;
        return rules.GetAt(rules.GetCount() - 1).bUsable;
      },
      strMessage);
}

BOOL CAutoReplyDlg::ExportFile(const CString& strPath, CString& strMessage)
{
  std::vector<CString> lines;
  for (int i = 0; i < m_autoReply.Rules().GetCount(); ++i)
    lines.push_back(m_autoReply.Rules().GetAt(i).strLine);
  return WriteLineFile(strPath, lines, "条规则", strMessage);
}

void CAutoReplyDlg::OnImport()
{
  CFileDialog dlg(TRUE, "txt", nullptr, OFN_HIDEREADONLY, kRulesFilter, this);
  if (ChooseFile(dlg, FOLDER_RULES) != IDOK)
    return;
  CString strMessage;
  if (!ImportFile(dlg.GetPathName(), strMessage)) {
    AfxMessageBox(strMessage);
    return;
  }
  m_strNote = strMessage;
  Changed(GetSelected());
}

void CAutoReplyDlg::OnExport()
{
  CFileDialog dlg(FALSE, "txt", "lanspry-replies.txt", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kRulesFilter, this);
  if (ChooseFile(dlg, FOLDER_RULES) != IDOK)
    return;
  CString strMessage;
  if (!ExportFile(dlg.GetPathName(), strMessage))
    AfxMessageBox(strMessage);
  m_strNote = strMessage;
  Refresh();
}

void CAutoReplyDlg::OnSize(UINT, int cx, int cy)
{
  m_anchors.Apply(*this, cx, cy);
}

BEGIN_MESSAGE_MAP(CAutoReplyDlg, CDialog)
  ON_WM_TIMER()
  ON_WM_SIZE()
  ON_NOTIFY(LVN_GETDISPINFO, IDC_REPLY_LIST, OnGetDispInfo)
  ON_NOTIFY(LVN_ITEMCHANGED, IDC_REPLY_LIST, OnItemChanged)
  ON_NOTIFY(NM_DBLCLK, IDC_REPLY_LIST, OnDblClk)
  ON_BN_CLICKED(IDC_REPLY_ADD, OnAdd)
  ON_BN_CLICKED(IDC_REPLY_EDIT, OnEdit)
  ON_BN_CLICKED(IDC_REPLY_DELETE, OnDelete)
  ON_BN_CLICKED(IDC_REPLY_UP, OnUp)
  ON_BN_CLICKED(IDC_REPLY_DOWN, OnDown)
  ON_BN_CLICKED(IDC_REPLY_ENABLE, OnEnable)
  ON_BN_CLICKED(IDC_REPLY_CLEAR, OnClearHits)
  ON_BN_CLICKED(IDC_REPLY_IMPORT, OnImport)
  ON_BN_CLICKED(IDC_REPLY_EXPORT, OnExport)
END_MESSAGE_MAP()
