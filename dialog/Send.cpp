// Sending the send box's text, or the bytes it spells in hex.
#include "dialog/SocketTestDlg.h"

#include "codec/hexcodec.h"
#include "platform/cwinapp.h"

#include <cstring>
#include <vector>

using namespace ws;

namespace {
constexpr const char* kEnterData = "请输入数据!";
constexpr const char* kTooLong = "发送数据不能超过32768字节!";
constexpr const char* kNoClients = "没有已连接的客户端!";

// Hex text never parses to more bytes than half its length, rounded up.
bool HexFitsSendBuffer(const CString& strText)
{
  return (strText.GetLength() + 1) / 2 <= SEND_BUFFER_SIZE;
}
}  // namespace

void CSocketTestDlg::OnSend()
{
  const int nMode = GetMode();
  if (nMode == MODE_TCP_SERVER && m_nClients == 0) {
    AfxMessageBox(kNoClients);
    return;
  }
  GetDlgItem(IDC_SEND_TEXT)->GetWindowText(m_strSend);
  BYTE sendBuf[SEND_BUFFER_SIZE];
  std::memset(sendBuf, 0, sizeof sendBuf);
  int nLength = 0;

  if (IsChecked(IDC_HEX_SEND)) {
    m_strSend.TrimLeft();
    m_strSend.TrimRight();
    if (m_strSend.IsEmpty()) {
      AfxMessageBox(kEnterData);
      return;
    }
    GetDlgItem(IDC_SEND_TEXT)->SetWindowText(m_strSend);
    if (HexFitsSendBuffer(m_strSend)) {
      ParseHexText(m_strSend, sendBuf, &nLength);
    } else {
      // Long hex text may still spell few bytes: parse it aside, then check the count.
      std::vector<BYTE> parsed(static_cast<std::size_t>(m_strSend.GetLength() + 1) / 2);
      ParseHexText(m_strSend, parsed.data(), &nLength);
      if (nLength > SEND_BUFFER_SIZE) {
        AfxMessageBox(kTooLong);
        return;
      }
      std::memcpy(sendBuf, parsed.data(), static_cast<std::size_t>(nLength));
    }
  } else {
    if (m_strSend.IsEmpty()) {
      AfxMessageBox(kEnterData);
      return;
    }
    if (m_strSend.GetLength() > SEND_BUFFER_SIZE) {
      AfxMessageBox(kTooLong);
      return;
    }
    nLength = m_strSend.GetLength();
    std::memcpy(sendBuf, static_cast<LPCTSTR>(m_strSend), static_cast<std::size_t>(nLength));
  }

  const char* pData = reinterpret_cast<const char*>(sendBuf);
  int nSent = 0;
  if (nMode == MODE_TCP_SERVER)
    nSent = SendToClients(pData, nLength);
  else if (nMode == MODE_TCP)
    nSent = send(m_socket, pData, nLength, 0);
  else
    nSent = sendto(m_socket, pData, nLength, 0, reinterpret_cast<const sockaddr*>(&m_addrDest), sizeof m_addrDest);
  if (nMode != MODE_TCP_SERVER)
    RecordSend(nSent, pData, nLength, m_localEnd, m_peerEnd);
  if (nSent < 1)
    return;
  m_nSentBytes = WrappingAdd(m_nSentBytes, nSent);
  CString strCount;
  strCount.Format("%d", m_nSentBytes);
  GetDlgItem(IDC_SENT_COUNT)->SetWindowText(strCount);
}

void CSocketTestDlg::OnClearSend()
{
  m_strSend.Empty();
  GetDlgItem(IDC_SEND_TEXT)->SetWindowText(m_strSend);
}
