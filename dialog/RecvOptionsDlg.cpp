#include "dialog/RecvOptionsDlg.h"

#include "platform/ddx.h"

BOOL CRecvOptionsDlg::OnInitDialog()
{
  CDialog::OnInitDialog();
  OnShowPeer();
  return TRUE;
}

void CRecvOptionsDlg::DoDataExchange(CDataExchange* pDX)
{
  CDialog::DoDataExchange(pDX);
  DDX_Check(pDX, IDC_RECV_SHOW_PEER, m_options.bShowPeer);
  DDX_Check(pDX, IDC_RECV_SHOW_SENT, m_options.bShowSent);
  DDX_Check(pDX, IDC_RECV_BREAK, m_options.bBreakPerChunk);
  DDX_CBIndex(pDX, IDC_RECV_CONTROLS, m_options.nControls);
  DDX_CBIndex(pDX, IDC_RECV_ENCODING, m_options.nEncoding);
}

// The sent data shows with its time and destination, so only beside the received data's.
void CRecvOptionsDlg::OnShowPeer()
{
  GetDlgItem(IDC_RECV_SHOW_SENT)->EnableWindow(GetDlgItem(IDC_RECV_SHOW_PEER)->SendMessage(BM_GETCHECK) != 0);
}

BEGIN_MESSAGE_MAP(CRecvOptionsDlg, CDialog)
  ON_BN_CLICKED(IDC_RECV_SHOW_PEER, OnShowPeer)
END_MESSAGE_MAP()
