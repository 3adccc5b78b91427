#include "dialog/ToolDlg.h"

#include <cstdlib>

CToolDlg::CToolDlg(UINT nIDTemplate, CWnd* pParent) : CDialog(nIDTemplate, pParent) {}

BOOL CToolDlg::OnInitDialog()
{
  CDialog::OnInitDialog();
  SetTimer(ID_TIMER_TOOL_STATUS, TOOL_STATUS_MS, nullptr);
  Refresh();
  return TRUE;
}

void CToolDlg::OnCancel()
{
  StopRun();
  ShowWindow(SW_HIDE);
}

void CToolDlg::OnTimer(UINT_PTR nIDEvent)
{
  if (nIDEvent == ID_TIMER_TOOL_STATUS && IsWindowVisible())
    Refresh();
}

int CToolDlg::NumberIn(int nID)
{
  CString str;
  GetDlgItem(nID)->GetWindowText(str);
  if (str.IsEmpty() || str.GetLength() > 9)
    return -1;
  return std::atoi(str);
}

void CToolDlg::ShowNumber(int nID, UINT nValue)
{
  CString str;
  str.Format("%u", nValue);
  GetDlgItem(nID)->SetWindowText(str);
}

void CToolDlg::ShowText(int nID, const CString& str)
{
  CString strShown;
  GetDlgItem(nID)->GetWindowText(strShown);
  if (!(strShown == str))
    GetDlgItem(nID)->SetWindowText(str);
}

void CToolDlg::RefreshIfMade()
{
  if (GetSafeHwnd())
    Refresh();
}

BEGIN_MESSAGE_MAP(CToolDlg, CDialog)
  ON_WM_TIMER()
END_MESSAGE_MAP()
