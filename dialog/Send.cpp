// Sending the send box's text, or the bytes it spells in hex.
#include "dialog/SocketTestDlg.h"

#include "dialog/TrafficText.h"
#include "platform/cwinapp.h"

void CSocketTestDlg::OnSend()
{
  if (!ServerHasClients())
    return;
  std::vector<BYTE> payload;
  if (!BuildSendBoxPayload(payload))
    return;
  const SEND_RESULT result = Send(DefaultPeer(), payload.data(), static_cast<int>(payload.size()));
  if (result.nRefused > 0)
    TellRefused(result);
}

// A peer that does not read holds back what is sent to it; past the limit a send is refused, and
// the user hears which peer it was.
void CSocketTestDlg::TellRefused(const SEND_RESULT& result)
{
  CString strOthers;
  if (result.nRefused > 1)
    strOthers.Format(" 等 %d 个对端", result.nRefused);
  CString strMessage;
  strMessage.Format("%s%s 没有接收数据, 待发的 %u 字节已满, 本次发送被拒绝.",
                    static_cast<LPCTSTR>(TrafficEndpointText(result.refused)), static_cast<LPCTSTR>(strOthers),
                    static_cast<unsigned>(OUTBOUND_LIMIT));
  AfxMessageBox(strMessage);
}

void CSocketTestDlg::OnClearSend()
{
  m_strSend.Empty();
  GetDlgItem(IDC_SEND_TEXT)->SetWindowText(m_strSend);
}
