#include "dialog/CommandListDlg.h"

#include "dialog/CommandDlg.h"
#include "dialog/CommandList.h"
#include "dialog/FileFolders.h"
#include "dialog/LineFile.h"
#include "dialog/ListRows.h"
#include "platform/cfile.h"
#include "platform/cfiledialog.h"
#include "platform/commctrl.h"
#include "platform/cwinapp.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string>

namespace {
constexpr UINT_PTR kTimerRefresh = 1;
constexpr UINT kRefreshMs = 100;
constexpr const char* kListFilter = "命令列表 (*.txt)|*.txt|所有文件 (*)|*||";
constexpr const char* kResultsFilter = "CSV 文件 (*.csv)|*.csv||";

enum { COL_NAME, COL_PAYLOAD, COL_EXPECT, COL_TIMEOUT, COL_PAUSE, COL_RESULT, COLUMNS };
constexpr LIST_COLUMN kColumns[COLUMNS] = {{"名称", 60}, {"数据", 86}, {"期望", 86},
                                           {"超时", 30}, {"间隔", 30}, {"结果", 70}};

constexpr ANCHOR kAnchors[] = {
    {IDC_CMD_LIST, false, false, true, true},
    {IDC_CMD_STATUS, false, true, true, false},
    {IDC_CMD_ADD, false, true, false, false},
    {IDC_CMD_EDIT, false, true, false, false},
    {IDC_CMD_DELETE, false, true, false, false},
    {IDC_CMD_UP, false, true, false, false},
    {IDC_CMD_DOWN, false, true, false, false},
    {IDC_CMD_SEND, false, true, false, false},
    {IDC_CMD_TIMES_LABEL, false, true, false, false},
    {IDC_CMD_TIMES, false, true, false, false},
    {IDC_CMD_RUN, false, true, false, false},
    {IDC_CMD_SAVE, false, true, false, false},
    {IDC_CMD_IMPORT, true, true, false, false},
    {IDC_CMD_EXPORT, true, true, false, false},
    {IDCANCEL, true, true, false, false},
};

// The first bytes of what came, as the record's text column shows them.
CString AnswerText(const std::vector<BYTE>& answer)
{
  constexpr int kShown = 16;
  CString str;
  for (int i = 0; i < std::min<int>(kShown, static_cast<int>(answer.size())); ++i) {
    CString strByte;
    strByte.Format("%02X ", answer[static_cast<std::size_t>(i)]);
    str += strByte;
  }
  if (static_cast<int>(answer.size()) > kShown)
    str += "...";
  return str;
}

CString CellText(const COMMAND_ENTRY& entry, int nColumn)
{
  CString str;
  const COMMAND& command = entry.command;
  if (!entry.bUsable) {
    const char* const unusable[COLUMNS] = {"(无法使用)", entry.strLine, entry.strWhy, "", "", ""};
    return unusable[nColumn];
  }
  switch (nColumn) {
  case COL_NAME:
    return command.strName;
  case COL_PAYLOAD:
    str.Format("%s%s", command.nKind == REPLY_HEX ? "[十六进制] " : "", static_cast<LPCTSTR>(command.strPayload));
    return str;
  case COL_EXPECT:
    if (command.nExpect != EXPECT_NONE)
      str.Format("%s %s", ExpectKindText(command.nExpect), static_cast<LPCTSTR>(command.strExpect));
    return str;
  case COL_TIMEOUT:
    if (command.nExpect != EXPECT_NONE)
      str.Format("%d", command.nTimeoutMs);
    return str;
  case COL_PAUSE:
    str.Format("%d", command.nPauseMs);
    return str;
  case COL_RESULT:
    if (entry.nResult == RESULT_PASS)
      str.Format("通过 %.2f ms", entry.dRttMs);
    else if (entry.nResult == RESULT_MISMATCH)
      str.Format("不符: %s", static_cast<LPCTSTR>(AnswerText(entry.answer)));
    else
      str = CommandResultText(entry.nResult);
    return str;
  default:
    return str;
  }
}
}  // namespace

CCommandListDlg::CCommandListDlg(CCommandList& commands, CWnd* pOwner)
    : CDialog(IDD_COMMAND_LIST, pOwner), m_commands(commands)
{
}

BOOL CCommandListDlg::OnInitDialog()
{
  CDialog::OnInitDialog();
  InsertListColumns(*this, IDC_CMD_LIST, kColumns, COLUMNS);
  for (const CString& strProblem : m_commands.GetLoadProblems())
    m_strNote += (m_strNote.IsEmpty() ? "未使用 " : "; ") + strProblem;
  m_anchors.Take(*this, kAnchors, static_cast<int>(std::size(kAnchors)));
  Refresh();
  SetTimer(kTimerRefresh, kRefreshMs, nullptr);
  return TRUE;
}

void CCommandListDlg::OnOK()
{
  if (GetFocus() == GetDlgItem(IDC_CMD_LIST))
    OnSendOne();
}

void CCommandListDlg::OnCancel()
{
  ShowWindow(SW_HIDE);
}

void CCommandListDlg::OnTimer(UINT_PTR nIDEvent)
{
  if (nIDEvent == kTimerRefresh && IsWindowVisible() && m_commands.GetSerial() != m_nShownSerial)
    Refresh();
}

void CCommandListDlg::Refresh()
{
  m_nShownSerial = m_commands.GetSerial();
  GetDlgItem(IDC_CMD_LIST)->SendMessage(LVM_SETITEMCOUNT, static_cast<WPARAM>(m_commands.GetCount()), LVSICF_NOSCROLL);
  CString strStatus;
  strStatus.Format("%s通过 %d, 失败 %d", m_commands.IsRunning() ? "运行中: " : "", m_commands.GetPassed(),
                   m_commands.GetFailed());
  if (m_commands.GetPassed() > 0) {
    CString strRtt;
    strRtt.Format(", 往返 最短 %.2f / 平均 %.2f / 最长 %.2f ms", m_commands.GetRttMin(), m_commands.GetRttAverage(),
                  m_commands.GetRttMax());
    strStatus += strRtt;
  }
  if (!m_commands.GetStopReason().IsEmpty())
    strStatus += CString(". ") + m_commands.GetStopReason();
  if (!m_strNote.IsEmpty())
    strStatus += CString(". ") + m_strNote;
  CString strShown;
  GetDlgItem(IDC_CMD_STATUS)->GetWindowText(strShown);
  if (!(strShown == strStatus))
    GetDlgItem(IDC_CMD_STATUS)->SetWindowText(strStatus);
  GetDlgItem(IDC_CMD_RUN)->GetWindowText(strShown);
  const char* pszRun = m_commands.IsRunning() ? "停止(&S)" : "运行(&R)";
  if (!(strShown == pszRun))
    GetDlgItem(IDC_CMD_RUN)->SetWindowText(pszRun);
  EnableButtons();
}

int CCommandListDlg::GetSelected()
{
  const int nRow = GetSelectedRow(GetDlgItem(IDC_CMD_LIST));
  return nRow < m_commands.GetCount() ? nRow : -1;
}

std::vector<int> CCommandListDlg::GetSelectedRows()
{
  std::vector<int> rows;
  CWnd* pList = GetDlgItem(IDC_CMD_LIST);
  for (int nRow = -1;
       (nRow = static_cast<int>(pList->SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(nRow), LVNI_SELECTED))) >= 0;)
    rows.push_back(nRow);
  return rows;
}

void CCommandListDlg::Select(int nIndex)
{
  SelectRow(GetDlgItem(IDC_CMD_LIST), nIndex < m_commands.GetCount() ? nIndex : -1);
}

void CCommandListDlg::EnableButtons()
{
  const int nSelected = GetSelected();
  const BOOL bIdle = !m_commands.IsRunning();
  GetDlgItem(IDC_CMD_EDIT)->EnableWindow(bIdle && nSelected >= 0);
  GetDlgItem(IDC_CMD_DELETE)->EnableWindow(bIdle && nSelected >= 0);
  GetDlgItem(IDC_CMD_UP)->EnableWindow(bIdle && nSelected > 0);
  GetDlgItem(IDC_CMD_DOWN)->EnableWindow(bIdle && nSelected >= 0 && nSelected + 1 < m_commands.GetCount());
  GetDlgItem(IDC_CMD_SEND)->EnableWindow(nSelected >= 0);
  GetDlgItem(IDC_CMD_ADD)->EnableWindow(bIdle);
  GetDlgItem(IDC_CMD_IMPORT)->EnableWindow(bIdle);
}

void CCommandListDlg::Changed(int nSelect)
{
  m_commands.Save();
  Refresh();
  Select(nSelect);
  EnableButtons();
}

void CCommandListDlg::OnGetDispInfo(NMHDR* pNMHDR, LRESULT* pResult)
{
  auto* pInfo = reinterpret_cast<NMLVDISPINFO*>(pNMHDR);
  *pResult = 0;
  LVITEM& item = pInfo->item;
  if (!(item.mask & LVIF_TEXT) || item.iItem < 0 || item.iItem >= m_commands.GetCount() || item.iSubItem < 0 ||
      item.iSubItem >= COLUMNS)
    return;
  CopyCellText(CellText(m_commands.GetAt(item.iItem), item.iSubItem), item.pszText, item.cchTextMax);
}

void CCommandListDlg::OnItemChanged(NMHDR*, LRESULT* pResult)
{
  *pResult = 0;
  EnableButtons();
}

// A double click on a row sends it now.
void CCommandListDlg::OnActivate(NMHDR*, LRESULT* pResult)
{
  *pResult = 0;
  OnSendOne();
}

void CCommandListDlg::OnSendOne()
{
  const int nIndex = GetSelected();
  if (nIndex >= 0)
    m_commands.SendNow(nIndex);
  Refresh();
}

void CCommandListDlg::OnAdd()
{
  const int nAt = GetSelected() >= 0 ? GetSelected() + 1 : m_commands.GetCount();
  CCommandDlg dlg(this);
  dlg.m_accept = [&](const COMMAND& command, CString& strWhy) { return m_commands.Insert(nAt, command, strWhy); };
  if (dlg.DoModal() == IDOK)
    Changed(nAt);
}

void CCommandListDlg::OnEdit()
{
  const int nIndex = GetSelected();
  if (nIndex < 0 || m_commands.IsRunning())
    return;
  CCommandDlg dlg(this);
  if (m_commands.GetAt(nIndex).bUsable)
    dlg.m_command = m_commands.GetAt(nIndex).command;
  dlg.m_accept = [&](const COMMAND& command, CString& strWhy) {
    if (m_commands.IsRunning()) {
      strWhy = "运行中不能修改命令.";
      return FALSE;
    }
    return m_commands.Replace(nIndex, command, strWhy);
  };
  if (dlg.DoModal() == IDOK)
    Changed(nIndex);
}

void CCommandListDlg::OnDelete()
{
  const int nIndex = GetSelected();
  if (nIndex < 0 || m_commands.IsRunning())
    return;
  m_commands.Remove(nIndex);
  Changed(std::min(nIndex, m_commands.GetCount() - 1));
}

void CCommandListDlg::Move(int nBy)
{
  const int nIndex = GetSelected();
  if (m_commands.Move(nIndex, nBy))
    Changed(nIndex + nBy);
}

void CCommandListDlg::OnUp()
{
  Move(-1);
}

void CCommandListDlg::OnDown()
{
  Move(1);
}

// 运行 runs the selected rows (two or more), or every row; 停止 ends the run.
void CCommandListDlg::OnRun()
{
  if (m_commands.IsRunning()) {
    m_commands.Stop("已停止");
    Refresh();
    return;
  }
  CString strTimes;
  GetDlgItem(IDC_CMD_TIMES)->GetWindowText(strTimes);
  int nTimes = 1;
  const std::string& s = strTimes.str();
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), nTimes);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size() || nTimes < 0) {
    AfxMessageBox("次数应为 0 (一直运行到停止) 或正整数.");
    return;
  }
  std::vector<int> rows = GetSelectedRows();
  if (rows.size() < 2)
    rows.clear();
  m_commands.Run(rows, nTimes);
  Refresh();
}

BOOL CCommandListDlg::SaveResults(const CString& strPath, CString& strMessage)
{
  const std::string csv = m_commands.ResultsCsv();
  CSaveFile file;
  if (!file.Open(strPath) || !file.Write(csv.data(), static_cast<UINT>(csv.size())) || !file.Commit()) {
    strMessage.Format("保存 %s 失败%s.", static_cast<LPCTSTR>(strPath),
                      static_cast<LPCTSTR>(CFile::Describe(file.GetLastError())));
    return FALSE;
  }
  strMessage.Format("已保存 %d 条结果到 %s", static_cast<int>(m_commands.GetResults().size()),
                    static_cast<LPCTSTR>(strPath));
  if (m_commands.GetResultsDropped() > 0) {
    CString strDropped;
    strDropped.Format(" (更早的 %llu 条已不在内存中)", static_cast<unsigned long long>(m_commands.GetResultsDropped()));
    strMessage += strDropped;
  }
  return TRUE;
}

void CCommandListDlg::OnSave()
{
  CFileDialog dlg(FALSE, "csv", "lanspry-results.csv", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kResultsFilter, this);
  if (ChooseFile(dlg, FOLDER_RESULTS) != IDOK)
    return;
  CString strMessage;
  if (!SaveResults(dlg.GetPathName(), strMessage))
    AfxMessageBox(strMessage);
  m_strNote = strMessage;
  Refresh();
}

BOOL CCommandListDlg::ImportFile(const CString& strPath, CString& strMessage)
{
  return ImportLines(
      strPath, "条命令",
      [this](const CString& strLine, CString& strWhy) {
        m_commands.AddLine(strLine);
        strWhy = m_commands.GetAt(m_commands.GetCount() - 1).strWhy;
        return m_commands.GetAt(m_commands.GetCount() - 1).bUsable;
      },
      strMessage);
}

BOOL CCommandListDlg::ExportFile(const CString& strPath, CString& strMessage)
{
  std::vector<CString> lines;
  for (int i = 0; i < m_commands.GetCount(); ++i)
    lines.push_back(m_commands.GetAt(i).strLine);
  return WriteLineFile(strPath, lines, "条命令", strMessage);
}

void CCommandListDlg::OnImport()
{
  if (m_commands.IsRunning())
    return;
  CFileDialog dlg(TRUE, "txt", nullptr, OFN_HIDEREADONLY, kListFilter, this);
  if (ChooseFile(dlg, FOLDER_COMMANDS) != IDOK)
    return;
  CString strMessage;
  if (!ImportFile(dlg.GetPathName(), strMessage)) {
    AfxMessageBox(strMessage);
    return;
  }
  m_strNote = strMessage;
  Changed(GetSelected());
}

void CCommandListDlg::OnExport()
{
  CFileDialog dlg(FALSE, "txt", "lanspry-commands.txt", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kListFilter, this);
  if (ChooseFile(dlg, FOLDER_COMMANDS) != IDOK)
    return;
  CString strMessage;
  if (!ExportFile(dlg.GetPathName(), strMessage))
    AfxMessageBox(strMessage);
  m_strNote = strMessage;
  Refresh();
}

void CCommandListDlg::OnSize(UINT, int cx, int cy)
{
  m_anchors.Apply(*this, cx, cy);
}

BEGIN_MESSAGE_MAP(CCommandListDlg, CDialog)
  ON_WM_TIMER()
  ON_WM_SIZE()
  ON_NOTIFY(LVN_GETDISPINFO, IDC_CMD_LIST, OnGetDispInfo)
  ON_NOTIFY(LVN_ITEMCHANGED, IDC_CMD_LIST, OnItemChanged)
  ON_NOTIFY(NM_DBLCLK, IDC_CMD_LIST, OnActivate)
  ON_BN_CLICKED(IDC_CMD_ADD, OnAdd)
  ON_BN_CLICKED(IDC_CMD_EDIT, OnEdit)
  ON_BN_CLICKED(IDC_CMD_DELETE, OnDelete)
  ON_BN_CLICKED(IDC_CMD_UP, OnUp)
  ON_BN_CLICKED(IDC_CMD_DOWN, OnDown)
  ON_BN_CLICKED(IDC_CMD_SEND, OnSendOne)
  ON_BN_CLICKED(IDC_CMD_RUN, OnRun)
  ON_BN_CLICKED(IDC_CMD_SAVE, OnSave)
  ON_BN_CLICKED(IDC_CMD_IMPORT, OnImport)
  ON_BN_CLICKED(IDC_CMD_EXPORT, OnExport)
END_MESSAGE_MAP()
