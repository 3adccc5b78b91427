// The TCP server mode: listening, the connected clients, and sending to all of them or to one.
#include "dialog/SocketTestDlg.h"

#include "dialog/ToolBox.h"
#include "dialog/TrafficText.h"
#include "platform/clock.h"
#include "platform/cmenu.h"
#include "platform/cwinapp.h"
#include "platform/ddx.h"

#include <algorithm>

using namespace ws;

namespace {
constexpr const char* kDestLabel = "目标IP:";
constexpr const char* kListenLabel = "监听地址:";
constexpr const char* kLocalPortLabel = "指定本地端口:";
constexpr const char* kListenPortLabel = "监听端口:";

CString DottedAddress(const sockaddr_in& addr)
{
  const DWORD dw = ntohl(addr.sin_addr.s_addr);
  CString str;
  str.Format("%u.%u.%u.%u", (dw >> 24) & 0xFF, (dw >> 16) & 0xFF, (dw >> 8) & 0xFF, dw & 0xFF);
  return str;
}

// The longer label takes the width of the control it names rather than lose its colon.
void WidenTo(CWnd& label, CWnd& named, CWnd& parent)
{
  RECT rcLabel{};
  RECT rcNamed{};
  label.GetWindowRect(&rcLabel);
  named.GetWindowRect(&rcNamed);
  parent.ScreenToClient(&rcLabel);
  parent.ScreenToClient(&rcNamed);
  const int nWidth = std::max(rcLabel.right - rcLabel.left, rcNamed.right - rcLabel.left);
  label.MoveWindow(rcLabel.left, rcLabel.top, nWidth, rcLabel.bottom - rcLabel.top);
}
}  // namespace

// The listen address is the address control's (blank or 0.0.0.0: every interface), the listen port
// the local port edit's.
BOOL CSocketTestDlg::OpenServer()
{
  if (!ReadServerFields())
    return FALSE;
  if (m_ctlDestIP.SendMessage(IPM_ISBLANK))
    m_dwDestIP = 0;
  if (!CreateChannelSocket(TRUE))
    return FALSE;
  // Refuses a port another program listens on, but not one that only the last run's closed
  // connections still hold, so a restart binds at once.
  const int nExclusive = 1;
  setsockopt(m_socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&nExclusive), 4);
  m_addrLocal = MakeAddress(m_dwDestIP, IsChecked(IDC_USE_LOCAL_PORT) ? m_nLocalPort : 0);
  if (bind(m_socket, reinterpret_cast<const sockaddr*>(&m_addrLocal), sizeof m_addrLocal) == SOCKET_ERROR) {
    ReportSocketError("绑定本地端口失败[%d]:%s.\n");
    ReleaseSocket();
    return FALSE;
  }
  if (listen(m_socket, SOMAXCONN) == SOCKET_ERROR) {
    ReportSocketError("监听失败[%d]:%s.\n");
    ReleaseSocket();
    return FALSE;
  }
  if (WSAAsyncSelect(m_socket, GetSafeHwnd(), WM_SOCKET_NOTIFY, FD_ACCEPT | FD_READ | FD_CLOSE) == SOCKET_ERROR) {
    ReportSocketError("WSAAsyncSelect出错[%d]:%s.\n");
    ReleaseSocket();
    return FALSE;
  }
  int nNameLen = sizeof m_addrLocal;
  getsockname(m_socket, reinterpret_cast<sockaddr*>(&m_addrLocal), &nNameLen);
  return TRUE;
}

// The fields the server mode opens with, read as the open of the other modes reads all of them:
// the destination port edit, empty in this mode, is left out.
BOOL CSocketTestDlg::ReadServerFields()
{
  CDataExchange dx(this, TRUE);
  DDX_Control(&dx, IDC_DEST_IP, m_ctlDestIP);
  DDX_Text(&dx, IDC_LOCAL_PORT, m_nLocalPort);
  DDX_Text(&dx, IDC_SENT_COUNT, m_nSentBytes);
  DDX_Text(&dx, IDC_RECV_COUNT, m_nRecvBytes);
  return TRUE;
}

// "Lanspry-1.0.0.12 - 监听 127.0.0.1:5020, 3 个客户端", and where sends go when one client is chosen.
void CSocketTestDlg::ShowServerTitle()
{
  CString strTitle;
  strTitle.Format("%s - 监听 %s:%u, %d 个客户端", static_cast<LPCTSTR>(m_strTitle),
                  static_cast<LPCTSTR>(DottedAddress(m_addrLocal)), ntohs(m_addrLocal.sin_port), m_clients.GetCount());
  if (const CClient* pTarget = m_clients.GetTarget()) {
    CString strTarget;
    strTarget.Format("%s, 发送到 %s", static_cast<LPCTSTR>(strTitle),
                     static_cast<LPCTSTR>(TrafficEndpointText(pTarget->peer)));
    strTitle = strTarget;
  }
  SetWindowText(strTitle);
}

// The server mode's fields say what they hold: the address listened on and its port.
void CSocketTestDlg::ShowFieldLabels(BOOL bServer)
{
  for (CWnd* pChild = GetWindow(GW_CHILD); pChild; pChild = pChild->GetWindow(GW_HWNDNEXT)) {
    CString strText;
    pChild->GetWindowText(strText);
    if (pChild->GetDlgCtrlID() != IDC_STATIC || !(strText == kDestLabel || strText == kListenLabel))
      continue;
    pChild->SetWindowText(bServer ? kListenLabel : kDestLabel);
    WidenTo(*pChild, *GetDlgItem(IDC_DEST_IP), *this);
  }
  GetDlgItem(IDC_USE_LOCAL_PORT)->SetWindowText(bServer ? kListenPortLabel : kLocalPortLabel);
}

void CSocketTestDlg::UpdateClientMenus()
{
  const UINT nGrayed = GetMode() == MODE_TCP_SERVER ? 0 : MF_GRAYED;
  if (CMenu* pSysMenu = GetSystemMenu(FALSE))
    pSysMenu->EnableMenuItem(IDM_CLIENTS, nGrayed);
  SetRecvMenu();
}

void CSocketTestDlg::OnClientList()
{
  if (GetMode() == MODE_TCP_SERVER)
    m_pTools->ShowClientList();
}

LRESULT CSocketTestDlg::OnClientTarget(WPARAM wParam, LPARAM)
{
  const CClient* pClient = m_clients.Find(static_cast<SOCKET>(wParam));
  m_clients.hTarget = pClient ? pClient->hSocket : INVALID_SOCKET;
  if (m_socket != INVALID_SOCKET && GetMode() == MODE_TCP_SERVER)
    ShowServerTitle();
  return 0;
}

// 断开: the client goes, the others stay; the record says it was closed from here.
LRESULT CSocketTestDlg::OnClientDrop(WPARAM wParam, LPARAM)
{
  CClient* pClient = m_clients.Find(static_cast<SOCKET>(wParam));
  if (!pClient)
    return 0;
  DropWaiting(pClient->out, pClient->local, pClient->peer);
  m_record.AddEvent(TRAFFIC_CLIENT_DROPPED, TRAFFIC_TCP, pClient->local, pClient->peer);
  m_clients.Close(pClient->hSocket);
  ShowServerTitle();
  return 0;
}

void CSocketTestDlg::CloseServer()
{
  KillTimer(ID_TIMER_ACCEPT_RETRY);
  m_clients.bAcceptWaiting = FALSE;
  m_clients.bAcceptStarved = FALSE;
  ReleaseSocket();
  SetWindowText(m_strTitle);
}

// Choosing the server mode asks for the listen port, and leaving it gives the check box back as
// the user had it, so a client does not bind the old listen port by surprise; the destination port
// has no use in the server mode.
void CSocketTestDlg::ShowModeFields(int nMode)
{
  const BOOL bServer = nMode == MODE_TCP_SERVER;
  CWnd* pUseLocalPort = GetDlgItem(IDC_USE_LOCAL_PORT);
  if (bServer && !m_fields.bServer) {
    m_fields.bUseLocalPortOutside = IsChecked(IDC_USE_LOCAL_PORT);
    pUseLocalPort->SendMessage(BM_SETCHECK, BST_CHECKED);
  } else if (!bServer && m_fields.bServer) {
    pUseLocalPort->SendMessage(BM_SETCHECK, m_fields.bUseLocalPortOutside ? BST_CHECKED : BST_UNCHECKED);
  }
  if (bServer && !m_fields.bServer) {
    GetDlgItem(IDC_DEST_PORT)->GetWindowText(m_fields.strDestPort);
    GetDlgItem(IDC_DEST_PORT)->SetWindowText("");
  } else if (!bServer && m_fields.bServer) {
    GetDlgItem(IDC_DEST_PORT)->SetWindowText(m_fields.strDestPort);
  }
  if (bServer != m_fields.bServer)
    ShowFieldLabels(bServer);
  m_fields.bServer = bServer;
  EnableIfChecked(IDC_LOCAL_PORT, IDC_USE_LOCAL_PORT);
  GetDlgItem(IDC_DEST_PORT)->EnableWindow(!bServer);
}

void CSocketTestDlg::CloseClient(CClient& client)
{
  DropWaiting(client.out, client.local, client.peer);
  m_record.AddEvent(TRAFFIC_CLIENT_CLOSED, TRAFFIC_TCP, client.local, client.peer);
  m_clients.Close(client.hSocket);
}

// The newest first.
void CSocketTestDlg::CloseClients()
{
  while (m_clients.GetCount() > 0)
    CloseClient(m_clients.GetAt(m_clients.GetCount() - 1));
}

// Out of descriptors, a pending connection would be announced again at once and fail again: the
// listener waits a while instead, and the record says connections wait (once, until one is taken).
void CSocketTestDlg::WaitToAccept(int nError)
{
  if (nError != WSAEMFILE && nError != WSAENOBUFS)
    return;
  if (!m_clients.bAcceptStarved) {
    m_clients.bAcceptStarved = TRUE;
    m_record.AddEvent(TRAFFIC_ACCEPT_WAITING, TRAFFIC_TCP, m_ends.local, {}, nError);
  }
  m_clients.bAcceptWaiting = TRUE;
  SetTimer(ID_TIMER_ACCEPT_RETRY, ACCEPT_RETRY_MS, nullptr);
}

void CSocketTestDlg::RetryAccept()
{
  KillTimer(ID_TIMER_ACCEPT_RETRY);
  m_clients.bAcceptWaiting = FALSE;
  if (m_socket != INVALID_SOCKET && GetMode() == MODE_TCP_SERVER)
    OnSocketAccept();
}

// One connection per notification; past the limit it is closed at once, so it does not wait in
// the backlog for a place that may never come.
void CSocketTestDlg::OnSocketAccept()
{
  sockaddr_in addrPeer{};
  int nPeerLen = sizeof addrPeer;
  if (m_clients.bAcceptWaiting)
    return;
  const SOCKET client = accept(m_socket, reinterpret_cast<sockaddr*>(&addrPeer), &nPeerLen);
  if (client == INVALID_SOCKET) {
    WaitToAccept(WSAGetLastError());
    return;
  }
  sockaddr_in addrLocal{};
  int nLocalLen = sizeof addrLocal;
  getsockname(client, reinterpret_cast<sockaddr*>(&addrLocal), &nLocalLen);
  const TRAFFIC_ENDPOINT local = EndpointOf(addrLocal);
  const TRAFFIC_ENDPOINT peer = EndpointOf(addrPeer);
  m_clients.bAcceptStarved = FALSE;
  if (!m_clients.Add(client, local, peer, platform::WallClockMicros())) {
    closesocket(client);
    m_record.AddEvent(TRAFFIC_CLIENT_REFUSED, TRAFFIC_TCP, local, peer);
    return;
  }
  m_record.AddEvent(TRAFFIC_CLIENT_CONNECTED, TRAFFIC_TCP, local, peer);
  ShowServerTitle();
}
