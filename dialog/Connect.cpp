// Opening and closing the channel, and the names of socket errors.
#include "dialog/SocketTestDlg.h"

#include "platform/cwinapp.h"

#include <cstring>

using namespace ws;

// Each row's code and name come from the one Winsock constant it names.
// clang-format off
#define ERROR_ROW(name) {name, #name}
// clang-format on
const SocketErrorName g_socketErrorNames[48] = {
    ERROR_ROW(WSABASEERR),         ERROR_ROW(WSAEINTR),           ERROR_ROW(WSAEBADF),
    ERROR_ROW(WSAEACCES),          ERROR_ROW(WSAEFAULT),          ERROR_ROW(WSAEINVAL),
    ERROR_ROW(WSAEMFILE),          ERROR_ROW(WSAEWOULDBLOCK),     ERROR_ROW(WSAEINPROGRESS),
    ERROR_ROW(WSAEALREADY),        ERROR_ROW(WSAENOTSOCK),        ERROR_ROW(WSAEDESTADDRREQ),
    ERROR_ROW(WSAEMSGSIZE),        ERROR_ROW(WSAEPROTOTYPE),      ERROR_ROW(WSAENOPROTOOPT),
    ERROR_ROW(WSAEPROTONOSUPPORT), ERROR_ROW(WSAESOCKTNOSUPPORT), ERROR_ROW(WSAEOPNOTSUPP),
    ERROR_ROW(WSAEPFNOSUPPORT),    ERROR_ROW(WSAEAFNOSUPPORT),    ERROR_ROW(WSAEADDRINUSE),
    ERROR_ROW(WSAEADDRNOTAVAIL),   ERROR_ROW(WSAENETDOWN),        ERROR_ROW(WSAENETUNREACH),
    ERROR_ROW(WSAENETRESET),       ERROR_ROW(WSAECONNABORTED),    ERROR_ROW(WSAECONNRESET),
    ERROR_ROW(WSAENOBUFS),         ERROR_ROW(WSAEISCONN),         ERROR_ROW(WSAENOTCONN),
    ERROR_ROW(WSAESHUTDOWN),       ERROR_ROW(WSAETOOMANYREFS),    ERROR_ROW(WSAETIMEDOUT),
    ERROR_ROW(WSAECONNREFUSED),    ERROR_ROW(WSAELOOP),           ERROR_ROW(WSAENAMETOOLONG),
    ERROR_ROW(WSAEHOSTDOWN),       ERROR_ROW(WSAEHOSTUNREACH),    ERROR_ROW(WSAENOTEMPTY),
    ERROR_ROW(WSAEPROCLIM),        ERROR_ROW(WSAEUSERS),          ERROR_ROW(WSAEDQUOT),
    ERROR_ROW(WSAESTALE),          ERROR_ROW(WSAEREMOTE),         ERROR_ROW(WSASYSNOTREADY),
    ERROR_ROW(WSAVERNOTSUPPORTED), ERROR_ROW(WSANOTINITIALISED),  ERROR_ROW(WSAEDISCON),
};
#undef ERROR_ROW

namespace {

ip_mreq MakeGroupRequest(DWORD dwHostOrderIP)
{
  ip_mreq req{};
  req.imr_multiaddr.s_addr = htonl(dwHostOrderIP);
  req.imr_interface.s_addr = htonl(INADDR_ANY);
  return req;
}
}  // namespace

sockaddr_in MakeAddress(DWORD dwHostOrderIP, int nPort)
{
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<WORD>(nPort & 0xFFFF));
  addr.sin_addr.s_addr = htonl(dwHostOrderIP);
  return addr;
}

const char* GetSocketErrorName(int nCode)
{
  for (const SocketErrorName& row : g_socketErrorNames) {
    if (row.nCode == nCode)
      return row.szName;
  }
  return nullptr;
}

void CSocketTestDlg::ReportSocketError(const char* pszFormat)
{
  const int nCode = WSAGetLastError();
  const char* pszName = GetSocketErrorName(nCode);
  CString strMessage;
  strMessage.Format(pszFormat, nCode, pszName ? pszName : UNKNOWN_ERROR_NAME);
  AfxMessageBox(strMessage);
}

// Whichever path ends the channel first releases it, once: a message box's nested loop can run a
// peer-close notification between a failing step and its own release.
void CSocketTestDlg::ReleaseSocket()
{
  // The tools stop first, while what they send on is still there; a channel that never opened
  // had nothing for them.
  if (m_socket != INVALID_SOCKET && m_ends.bRecorded) {
    for (std::size_t i = 0; i < m_listeners.size(); ++i) {
      if (m_listeners[i])
        m_listeners[i]->OnChannelClosed();
    }
  }
  CloseClients();
  if (m_socket == INVALID_SOCKET)
    return;
  KillTimer(ID_TIMER_SEND_RETRY);
  DropWaiting(m_outbound, m_ends.local, m_ends.peer);
  RecordClosed();
  closesocket(m_socket);
  m_socket = INVALID_SOCKET;
  WSACleanup();
}

void CSocketTestDlg::RestoreSettingsControls()
{
  GetDlgItem(IDC_DEST_IP)->EnableWindow(TRUE);
  GetDlgItem(IDC_DEST_PORT)->EnableWindow(GetMode() != MODE_TCP_SERVER);
  EnableIfChecked(IDC_LOCAL_PORT, IDC_USE_LOCAL_PORT);
  GetDlgItem(IDC_USE_LOCAL_PORT)->EnableWindow(TRUE);
  GetDlgItem(IDC_MODE)->EnableWindow(TRUE);
  GetDlgItem(IDC_SEND)->EnableWindow(FALSE);
}

// Socket support 2.2 and the channel's socket; on failure the message is shown (none for another
// version) and nothing stays acquired.
BOOL CSocketTestDlg::CreateChannelSocket(BOOL bStream)
{
  WSADATA wsaData{};
  if (WSAStartup(0x0202, &wsaData) != 0) {
    AfxMessageBox("Windows Sockets 库初始化失败.\n");
    return FALSE;
  }
  if (LOBYTE(wsaData.wVersion) != 2 || HIBYTE(wsaData.wVersion) != LOBYTE(wsaData.wVersion)) {
    WSACleanup();
    return FALSE;
  }
  m_socket = bStream ? socket(AF_INET, SOCK_STREAM, IPPROTO_TCP) : socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (m_socket == INVALID_SOCKET) {
    AfxMessageBox("创建socket失败.\n");
    WSACleanup();
    return FALSE;
  }
  return TRUE;
}

// The settings of a successful open are saved and its controls locked, whatever the mode.
void CSocketTestDlg::EnterOpenState(int nMode)
{
  CWinApp* pApp = AfxGetApp();
  // Another program holding the settings file's lock stalls the open once, not once a key.
  const CProfileBatch batch;
  pApp->WriteProfileInt(PROFILE_SECTION, PROFILE_DEST_PORT, m_nDestPort);
  pApp->WriteProfileInt(PROFILE_SECTION, PROFILE_LOCAL_PORT, m_nLocalPort);
  pApp->WriteProfileInt(PROFILE_SECTION, PROFILE_TYPE, nMode);
  pApp->WriteProfileInt(PROFILE_SECTION, PROFILE_DEST_IP, static_cast<int>(m_dwDestIP));
  RecordOpened(nMode);

  for (int nID : {IDC_DEST_IP, IDC_DEST_PORT, IDC_LOCAL_PORT, IDC_USE_LOCAL_PORT, IDC_MODE})
    GetDlgItem(nID)->EnableWindow(FALSE);
  GetDlgItem(IDC_SEND)->EnableWindow(TRUE);
  if (nMode != MODE_TCP_SERVER) {
    GetDlgItem(IDC_CONNECT)->SetWindowText(nMode == MODE_TCP ? CAPTION_DISCONNECT : CAPTION_CLOSE);
    return;
  }
  GetDlgItem(IDC_CONNECT)->SetWindowText(CAPTION_STOP_LISTENING);
  // The port listened on, also when the system picked it (unchecked, or 0 asked for).
  CString strPort;
  strPort.Format("%u", ntohs(m_addrLocal.sin_port));
  GetDlgItem(IDC_LOCAL_PORT)->SetWindowText(strPort);
  ShowServerTitle();
}

void CSocketTestDlg::OnConnect()
{
  const int nMode = GetMode();
  CString strCaption;
  GetDlgItem(IDC_CONNECT)->GetWindowText(strCaption);
  m_ctlDestIP.SendMessage(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&m_dwDestIP));

  if (strCaption == CAPTION_CREATE || strCaption == CAPTION_CONNECT || strCaption == CAPTION_LISTEN) {
    if (nMode == MODE_TCP_SERVER) {
      if (OpenServer())
        EnterOpenState(nMode);
      return;
    }
    UpdateData(TRUE);
    if (m_ctlDestIP.SendMessage(IPM_ISBLANK) || m_dwDestIP == 0) {
      AfxMessageBox("请输入正确的目标地址.");
      return;
    }
    if (!CreateChannelSocket(nMode == MODE_TCP))
      return;
    m_addrDest = MakeAddress(m_dwDestIP, m_nDestPort);
    m_addrLocal = MakeAddress(INADDR_ANY, IsChecked(IDC_USE_LOCAL_PORT) ? m_nLocalPort : 0);

    if (bind(m_socket, reinterpret_cast<const sockaddr*>(&m_addrLocal), sizeof m_addrLocal) == SOCKET_ERROR) {
      ReportSocketError("绑定本地端口失败[%d]:%s.\n");
      ReleaseSocket();
      return;
    }
    // A broadcast destination (255.255.255.255, a subnet's) needs the socket's leave to send there.
    if (nMode == MODE_UDP) {
      const int nBroadcast = 1;
      setsockopt(m_socket, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&nBroadcast), 4);
    }
    if (nMode == MODE_TCP) {
      if (connect(m_socket, reinterpret_cast<const sockaddr*>(&m_addrDest), sizeof m_addrDest) == SOCKET_ERROR) {
        ReportSocketError("连接服务器失败[%d]:%s.\n");
        ReleaseSocket();
        return;
      }
    } else if (nMode == MODE_MULTICAST && IsMulticastGroup(m_dwDestIP)) {
      const int nLoop = 1;
      const int nTTL = 6;
      const ip_mreq mreq = MakeGroupRequest(m_dwDestIP);
      struct Option {
        int nName;
        const void* pValue;
        int nLength;
        const char* pszFormat;
      };
      const Option options[] = {
          {IP_MULTICAST_LOOP, &nLoop, 4, "设置socket的IP_MULTICAST_LOOP属性出错[%d]:%s.\n"},
          {IP_MULTICAST_TTL, &nTTL, 4, "设置socket的IP_MULTICAST_TTL属性出错[%d]:%s.\n"},
          {IP_ADD_MEMBERSHIP, &mreq, 8, "加入组播组出错[%d]:%s.\n"},
      };
      for (const Option& o : options) {
        if (setsockopt(m_socket, IPPROTO_IP, o.nName, static_cast<const char*>(o.pValue), o.nLength) == SOCKET_ERROR) {
          ReportSocketError(o.pszFormat);
          ReleaseSocket();
          return;
        }
      }
    }
    const int nTimeout = 1000;
    setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&nTimeout), 4);
    if (WSAAsyncSelect(m_socket, GetSafeHwnd(), WM_SOCKET_NOTIFY, FD_READ | FD_CLOSE) == SOCKET_ERROR) {
      ReportSocketError("WSAAsyncSelect出错[%d]:%s.\n");
      ReleaseSocket();
      return;
    }
    EnterOpenState(nMode);
    return;
  }

  if (nMode == MODE_TCP_SERVER) {
    CloseServer();
    SetClosedCaption(nMode);
    RestoreSettingsControls();
    return;
  }

  if (nMode == MODE_MULTICAST && IsMulticastGroup(m_dwDestIP)) {
    const ip_mreq mreq = MakeGroupRequest(m_dwDestIP);
    if (setsockopt(m_socket, IPPROTO_IP, IP_DROP_MEMBERSHIP, reinterpret_cast<const char*>(&mreq), 8) == SOCKET_ERROR)
      ReportSocketError("退出组播组出错[%d]:%s.\n");
    shutdown(m_socket, SD_BOTH);
  }
  ReleaseSocket();
  SetClosedCaption(nMode);
  RestoreSettingsControls();
}

LRESULT CSocketTestDlg::OnSocketClosed(WPARAM, LPARAM)
{
  // A close that arrives after the channel has gone has nothing left to release.
  if (m_socket == INVALID_SOCKET)
    return 0;
  ReleaseSocket();
  GetDlgItem(IDC_CONNECT)->SetWindowText(CAPTION_CONNECT);
  RestoreSettingsControls();
  return 0;
}
