#include "dialog/ReplyRuleDlg.h"

#include "platform/cwinapp.h"

#include <charconv>

namespace {
BOOL IsChecked(CWnd* pButton)
{
  return pButton->SendMessage(BM_GETCHECK) == BST_CHECKED;
}

void FillKinds(CWnd* pCombo, const char* (*pfnText)(int), int nKinds, int nChosen)
{
  for (int i = 0; i < nKinds; ++i)
    pCombo->SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pfnText(i)));
  pCombo->SendMessage(CB_SETCURSEL, static_cast<WPARAM>(nChosen));
}

// The delay as typed, or -1 when it is no number of milliseconds in range.
int DelayOf(const CString& strText)
{
  const std::string& s = strText.str();
  int n = -1;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
  if (s.empty())
    return 0;
  return ec == std::errc() && end == s.data() + s.size() && n >= 0 && n <= REPLY_DELAY_MAX ? n : -1;
}
}  // namespace

CReplyRuleDlg::CReplyRuleDlg(CWnd* pParent) : CDialog(IDD_REPLY_RULE, pParent) {}

BOOL CReplyRuleDlg::OnInitDialog()
{
  CDialog::OnInitDialog();
  GetDlgItem(IDC_RULE_ENABLED)->SendMessage(BM_SETCHECK, m_rule.bEnabled ? BST_CHECKED : BST_UNCHECKED);
  FillKinds(GetDlgItem(IDC_RULE_MATCH_KIND), MatchKindText, MATCH_KINDS, m_rule.nMatch);
  FillKinds(GetDlgItem(IDC_RULE_REPLY_KIND), ReplyKindText, REPLY_KINDS, m_rule.nReply);
  GetDlgItem(IDC_RULE_MATCH)->SetWindowText(m_rule.strMatch);
  GetDlgItem(IDC_RULE_REPLY)->SetWindowText(m_rule.strReply);
  CString strDelay;
  strDelay.Format("%d", m_rule.nDelayMs);
  GetDlgItem(IDC_RULE_DELAY)->SetWindowText(strDelay);
  GetDlgItem(IDC_RULE_CHECKSUM)->SendMessage(BM_SETCHECK, m_rule.bChecksum ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

void CReplyRuleDlg::OnOK()
{
  REPLY_RULE rule;
  rule.bEnabled = IsChecked(GetDlgItem(IDC_RULE_ENABLED));
  rule.nMatch = static_cast<int>(GetDlgItem(IDC_RULE_MATCH_KIND)->SendMessage(CB_GETCURSEL));
  rule.nReply = static_cast<int>(GetDlgItem(IDC_RULE_REPLY_KIND)->SendMessage(CB_GETCURSEL));
  CString strText;
  GetDlgItem(IDC_RULE_MATCH)->GetWindowText(strText);
  rule.strMatch = OneLineField(strText, rule.nMatch == MATCH_HEX);
  GetDlgItem(IDC_RULE_REPLY)->GetWindowText(strText);
  rule.strReply = OneLineField(strText, rule.nReply == REPLY_HEX);
  GetDlgItem(IDC_RULE_DELAY)->GetWindowText(strText);
  rule.nDelayMs = DelayOf(strText);
  rule.bChecksum = IsChecked(GetDlgItem(IDC_RULE_CHECKSUM));
  CString strWhy;
  if (rule.nDelayMs < 0) {
    strWhy.Format("延时应为 0 到 %d 毫秒.", REPLY_DELAY_MAX);
    AfxMessageBox(strWhy);
    return;
  }
  if (m_accept && !m_accept(rule, strWhy)) {
    AfxMessageBox(strWhy);
    return;
  }
  m_rule = rule;
  CDialog::OnOK();
}
