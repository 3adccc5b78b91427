// Dialog data exchange between members and controls, in both directions; which members pair with
// which controls is left to each dialog's DoDataExchange.
#pragma once

#include "platform/cstring.h"
#include "platform/windef.h"

class CWnd;

class CDataExchange {
public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
  // Marks the exchange failed and puts the focus on the control that failed it; later exchanges skip.
  void Fail(int nIDC);

  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
  bool m_bFailed = false;
};

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// The selected item of a drop-down list; -1 for none.
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
