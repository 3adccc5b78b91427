// Sending the send box's text, or the bytes it spells in hex.
#include "dialog/SocketTestDlg.h"

void CSocketTestDlg::OnSend()
{
  if (!ServerHasClients())
    return;
  std::vector<BYTE> payload;
  if (BuildSendBoxPayload(payload))
    Send(DefaultPeer(), payload.data(), static_cast<int>(payload.size()));
}

void CSocketTestDlg::OnClearSend()
{
  m_strSend.Empty();
  GetDlgItem(IDC_SEND_TEXT)->SetWindowText(m_strSend);
}
