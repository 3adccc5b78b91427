#include "platform/ddx.h"

#include "platform/cwinapp.h"
#include "platform/cwnd.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

bool isBlank(char c)
{
  return c == ' ' || c == '\t';
}

// The framework's reading of an int edit: optional blanks, a signed decimal, optional blanks.
bool parseInt(const char* text, int& value)
{
  while (isBlank(*text))
    ++text;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (end == text || errno == ERANGE || v < INT_MIN || v > INT_MAX)
    return false;
  while (isBlank(*end))
    ++end;
  if (*end != '\0')
    return false;
  value = static_cast<int>(v);
  return true;
}

CWnd* control(CDataExchange* pDX, int nIDC)
{
  return pDX->m_pDlgWnd ? pDX->m_pDlgWnd->GetDlgItem(nIDC) : nullptr;
}

}  // namespace

void CDataExchange::Fail(int nIDC)
{
  m_bFailed = true;
  CWnd* c = m_pDlgWnd ? m_pDlgWnd->GetDlgItem(nIDC) : nullptr;
  if (!c)
    return;
  c->SetFocus();
  c->SendMessage(EM_SETSEL, 0, -1);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
  if (pDX->m_bFailed || rControl.GetSafeHwnd())
    return;
  rControl.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pDlgWnd);
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
  CWnd* c = control(pDX, nIDC);
  if (pDX->m_bFailed || !c)
    return;
  if (pDX->m_bSaveAndValidate)
    c->GetWindowText(value);
  else
    c->SetWindowText(value);
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value)
{
  CWnd* c = control(pDX, nIDC);
  if (pDX->m_bFailed || !c)
    return;
  if (!pDX->m_bSaveAndValidate) {
    CString text;
    text.Format("%d", value);
    c->SetWindowText(text);
    return;
  }
  CString text;
  c->GetWindowText(text);
  if (parseInt(text, value))
    return;
  AfxMessageBox(AFX_PROMPT_PARSE_INT);
  pDX->Fail(nIDC);
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
  CWnd* c = control(pDX, nIDC);
  if (pDX->m_bFailed || !c)
    return;
  if (pDX->m_bSaveAndValidate)
    value = static_cast<int>(c->SendMessage(BM_GETCHECK));
  else
    c->SendMessage(BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED);
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index)
{
  CWnd* c = control(pDX, nIDC);
  if (pDX->m_bFailed || !c)
    return;
  if (pDX->m_bSaveAndValidate)
    index = static_cast<int>(c->SendMessage(CB_GETCURSEL));
  else
    c->SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index));
}
