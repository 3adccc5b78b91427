// Sending the send box's text, or the bytes it spells in hex.
#include "dialog/SocketTestDlg.h"

#include "codec/hexcodec.h"
#include "codec/sendcodec.h"
#include "platform/cwinapp.h"

#include <cstring>
#include <vector>

using namespace ws;

namespace {
constexpr const char* kEnterData = "请输入数据!";
constexpr const char* kTooLong = "发送数据不能超过32768字节!";
constexpr const char* kNoClients = "没有已连接的客户端!";
constexpr const char* kNoRoomForChecksum = "加上校验码后发送数据超过32768字节!";

// Hex text never parses to more bytes than half its length, rounded up.
bool HexFitsSendBuffer(const CString& strText)
{
  return (strText.GetLength() + 1) / 2 <= SEND_BUFFER_SIZE;
}
}  // namespace

// Listening without a client leaves nowhere to send: said before the send box is read.
BOOL CSocketTestDlg::ServerHasClients()
{
  if (GetMode() != MODE_TCP_SERVER || m_nClients > 0)
    return TRUE;
  AfxMessageBox(kNoClients);
  return FALSE;
}

void CSocketTestDlg::OnSend()
{
  if (!ServerHasClients())
    return;
  BYTE sendBuf[SEND_BUFFER_SIZE];
  int nLength = 0;
  if (BuildPayload(sendBuf, &nLength))
    SendPayload(sendBuf, nLength);
}

// The send box's text, or the bytes its hex spells, then what the send options add; FALSE once the
// user has been told why there is nothing to send.
BOOL CSocketTestDlg::BuildPayload(BYTE* sendBuf, int* pnLength)
{
  GetDlgItem(IDC_SEND_TEXT)->GetWindowText(m_strSend);
  std::memset(sendBuf, 0, SEND_BUFFER_SIZE);
  int nLength = 0;

  if (IsChecked(IDC_HEX_SEND)) {
    m_strSend.TrimLeft();
    m_strSend.TrimRight();
    if (m_strSend.IsEmpty()) {
      AfxMessageBox(kEnterData);
      return FALSE;
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
        return FALSE;
      }
      std::memcpy(sendBuf, parsed.data(), static_cast<std::size_t>(nLength));
    }
  } else {
    if (m_strSend.IsEmpty()) {
      AfxMessageBox(kEnterData);
      return FALSE;
    }
    if (!TypedBytes(sendBuf, &nLength)) {
      AfxMessageBox(kTooLong);
      return FALSE;
    }
  }
  BYTE checksum[4];
  const int nChecksum = ChecksumBytes(m_sendOptions.nChecksum, sendBuf, nLength, checksum);
  if (nLength + nChecksum > SEND_BUFFER_SIZE) {
    AfxMessageBox(kNoRoomForChecksum);
    return FALSE;
  }
  std::memcpy(sendBuf + nLength, checksum, static_cast<std::size_t>(nChecksum));
  *pnLength = nLength + nChecksum;
  return TRUE;
}

// The typed text's bytes, its escapes worked out and its line ending added when the options say
// so; FALSE when they would not fit the send buffer.
BOOL CSocketTestDlg::TypedBytes(BYTE* sendBuf, int* pnLength)
{
  const char* pText = m_strSend;
  int nLength = m_strSend.GetLength();
  if (m_sendOptions.bEscapes) {
    // Escapes never lengthen the text, so it is worked out aside and measured after.
    std::vector<BYTE> expanded(static_cast<std::size_t>(nLength));
    nLength = ExpandEscapes(pText, nLength, expanded.data());
    if (nLength > SEND_BUFFER_SIZE)
      return FALSE;
    std::memcpy(sendBuf, expanded.data(), static_cast<std::size_t>(nLength));
  } else {
    if (nLength > SEND_BUFFER_SIZE)
      return FALSE;
    std::memcpy(sendBuf, pText, static_cast<std::size_t>(nLength));
  }
  BYTE ending[2];
  const int nEnding = LineEndingBytes(m_sendOptions.nLineEnding, ending);
  if (nLength + nEnding > SEND_BUFFER_SIZE)
    return FALSE;
  std::memcpy(sendBuf + nLength, ending, static_cast<std::size_t>(nEnding));
  *pnLength = nLength + nEnding;
  return TRUE;
}

// One payload out by the mode's send, counted and recorded as a click's is; what was accepted.
int CSocketTestDlg::SendPayload(const BYTE* pPayload, int nLength)
{
  const int nMode = GetMode();
  const char* pData = reinterpret_cast<const char*>(pPayload);
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
    return 0;
  AddSent(nSent);
  return nSent;
}

void CSocketTestDlg::AddSent(int nBytes)
{
  m_nSentBytes = WrappingAdd(m_nSentBytes, nBytes);
  CString strCount;
  strCount.Format("%d", m_nSentBytes);
  GetDlgItem(IDC_SENT_COUNT)->SetWindowText(strCount);
}

void CSocketTestDlg::OnClearSend()
{
  m_strSend.Empty();
  GetDlgItem(IDC_SEND_TEXT)->SetWindowText(m_strSend);
}
