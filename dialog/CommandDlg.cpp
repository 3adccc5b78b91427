#include "dialog/CommandDlg.h"

#include "platform/cwinapp.h"

#include <charconv>

namespace {
// The milliseconds typed, or -1 when they are no number in range; empty is 0.
int MsOf(CWnd* pEdit, int nMax)
{
  CString strText;
  pEdit->GetWindowText(strText);
  const std::string& s = strText.str();
  if (s.empty())
    return 0;
  int n = -1;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
  return ec == std::errc() && end == s.data() + s.size() && n >= 0 && n <= nMax ? n : -1;
}

void SetNumber(CWnd* pEdit, int n)
{
  CString str;
  str.Format("%d", n);
  pEdit->SetWindowText(str);
}
}  // namespace

CCommandDlg::CCommandDlg(CWnd* pParent) : CDialog(IDD_COMMAND, pParent) {}

BOOL CCommandDlg::OnInitDialog()
{
  CDialog::OnInitDialog();
  CWnd* pKind = GetDlgItem(IDC_CMD_KIND);
  for (int i = 0; i < REPLY_KINDS; ++i)
    pKind->SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ReplyKindText(i)));
  pKind->SendMessage(CB_SETCURSEL, static_cast<WPARAM>(m_command.nKind));
  CWnd* pExpect = GetDlgItem(IDC_CMD_EXPECT_KIND);
  for (int i = EXPECT_NONE; i < MATCH_KINDS; ++i)
    pExpect->SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ExpectKindText(i)));
  pExpect->SendMessage(CB_SETCURSEL, static_cast<WPARAM>(m_command.nExpect - EXPECT_NONE));
  GetDlgItem(IDC_CMD_NAME)->SetWindowText(m_command.strName);
  GetDlgItem(IDC_CMD_PAYLOAD)->SetWindowText(m_command.strPayload);
  GetDlgItem(IDC_CMD_EXPECT)->SetWindowText(m_command.strExpect);
  SetNumber(GetDlgItem(IDC_CMD_TIMEOUT), m_command.nTimeoutMs);
  SetNumber(GetDlgItem(IDC_CMD_PAUSE), m_command.nPauseMs);
  return TRUE;
}

void CCommandDlg::OnOK()
{
  COMMAND command;
  CString strText;
  GetDlgItem(IDC_CMD_NAME)->GetWindowText(strText);
  command.strName = OneLineField(strText, TRUE);
  command.nKind = static_cast<int>(GetDlgItem(IDC_CMD_KIND)->SendMessage(CB_GETCURSEL));
  GetDlgItem(IDC_CMD_PAYLOAD)->GetWindowText(strText);
  command.strPayload = OneLineField(strText, command.nKind == REPLY_HEX);
  command.nExpect = static_cast<int>(GetDlgItem(IDC_CMD_EXPECT_KIND)->SendMessage(CB_GETCURSEL)) + EXPECT_NONE;
  GetDlgItem(IDC_CMD_EXPECT)->GetWindowText(strText);
  command.strExpect = OneLineField(strText, command.nExpect == MATCH_HEX);
  command.nTimeoutMs = MsOf(GetDlgItem(IDC_CMD_TIMEOUT), COMMAND_TIMEOUT_MAX);
  command.nPauseMs = MsOf(GetDlgItem(IDC_CMD_PAUSE), COMMAND_PAUSE_MAX);
  CString strWhy;
  if (command.nTimeoutMs < 0 || command.nPauseMs < 0) {
    strWhy.Format("超时应为 0 到 %d 毫秒, 间隔 0 到 %d 毫秒.", COMMAND_TIMEOUT_MAX, COMMAND_PAUSE_MAX);
    AfxMessageBox(strWhy);
    return;
  }
  if (m_accept && !m_accept(command, strWhy)) {
    AfxMessageBox(strWhy);
    return;
  }
  m_command = command;
  CDialog::OnOK();
}
