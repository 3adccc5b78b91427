#include "dialog/SendOptionsDlg.h"

#include "platform/ddx.h"

void CSendOptionsDlg::DoDataExchange(CDataExchange* pDX)
{
  CDialog::DoDataExchange(pDX);
  int bEscapes = m_options.bEscapes;
  DDX_Check(pDX, IDC_OPT_ESCAPES, bEscapes);
  m_options.bEscapes = bEscapes;
  DDX_CBIndex(pDX, IDC_OPT_LINE_ENDING, m_options.nLineEnding);
  DDX_CBIndex(pDX, IDC_OPT_CHECKSUM, m_options.nChecksum);
}

BEGIN_MESSAGE_MAP(CSendOptionsDlg, CDialog)
END_MESSAGE_MAP()
