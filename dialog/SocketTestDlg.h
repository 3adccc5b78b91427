// The main dialog: the channel's owner (its socket, addresses, ports, counters and receive buffer)
// and its handlers, and the seam through which the tools hear and send on the channel.
#pragma once

#include "dialog/Channel.h"
#include "dialog/ClientTable.h"
#include "dialog/RecvDisplay.h"
#include "dialog/SendOptions.h"
#include "dialog/SocketErrors.h"
#include "dialog/TrafficLog.h"
#include "dialog/TrafficRecord.h"
#include "platform/cdialog.h"
#include "platform/ipaddressctrl.h"
#include "platform/winsock.h"
#include "res/resource.h"

#include <memory>
#include <vector>

class CTrafficDlg;
class CToolBox;

#define WM_SOCKET_CLOSED (WM_USER + 102)
#define WM_SOCKET_RECEIVE (WM_USER + 103)
#define WM_SOCKET_NOTIFY (WM_USER + 105)
#define WM_TRAFFIC_LOG_FAILED (WM_USER + 106)

enum { MODE_TCP = 0, MODE_UDP = 1, MODE_MULTICAST = 2, MODE_TCP_SERVER = 3 };
// The server mode's item, after the template's three so that a stored mode keeps its meaning.
inline constexpr const char* MODE_TCP_SERVER_ITEM = "TCP服务器";

// The toggle's captions carry the channel's state: closed, then open, for TCP and the datagram modes.
inline constexpr const char* CAPTION_CONNECT = "连 接";
inline constexpr const char* CAPTION_CREATE = "创 建";
inline constexpr const char* CAPTION_DISCONNECT = "断开连接";
inline constexpr const char* CAPTION_CLOSE = "关 闭";
inline constexpr const char* CAPTION_LISTEN = "监 听";
inline constexpr const char* CAPTION_STOP_LISTENING = "停止监听";

// The profile section and entries that a successful open writes and start-up reads back.
inline constexpr const char* PROFILE_SECTION = "ClientParams";
inline constexpr const char* PROFILE_DEST_PORT = "LastDestPort";
inline constexpr const char* PROFILE_LOCAL_PORT = "LastLocalPort";
inline constexpr const char* PROFILE_TYPE = "LastType";
inline constexpr const char* PROFILE_DEST_IP = "LastdwIPADDRESS";

inline constexpr int RECV_BUFFER_SIZE = 65536;
inline constexpr int SEND_BUFFER_SIZE = PAYLOAD_LIMIT;
// About one display frame.
inline constexpr unsigned RECV_REDRAW_INTERVAL_MS = 16;
inline constexpr UINT_PTR ID_TIMER_RECV_REDRAW = 1;
// A socket that had no buffers for a send is tried again this soon.
inline constexpr UINT_PTR ID_TIMER_SEND_RETRY = 3;
// With no descriptor left for a connection, the server tries again this much later.
inline constexpr UINT_PTR ID_TIMER_ACCEPT_RETRY = 4;
inline constexpr UINT ACCEPT_RETRY_MS = 100;
// A log file takes what waits at least once a second.
inline constexpr UINT_PTR ID_TIMER_LOG_FLUSH = 2;
inline constexpr UINT LOG_FLUSH_INTERVAL_MS = 1000;

// Counters wrap past 2^31 - 1 as 32-bit integers do, without undefined behaviour.
inline int WrappingAdd(int a, int b)
{
  return static_cast<int>(static_cast<unsigned>(a) + static_cast<unsigned>(b));
}

inline bool IsMulticastGroup(DWORD dwHostOrderIP)
{
  return (dwHostOrderIP >> 28) == 0xE;
}

// An IPv4 socket address from a host-order address and the low 16 bits of a port.
ws::sockaddr_in MakeAddress(DWORD dwHostOrderIP, int nPort);

// The channel's ends as the record gives them: received datagrams of a group were sent to it.
struct CHANNEL_ENDS {
  TRAFFIC_PROTOCOL protocol = TRAFFIC_UDP;
  TRAFFIC_ENDPOINT local{};
  TRAFFIC_ENDPOINT recvLocal{};
  TRAFFIC_ENDPOINT peer{};
  BOOL bRecorded = FALSE;
};

// Where one socket call of a send goes: a client, or the channel's socket (to a datagram's
// destination, or on the stream); its queue, and the ends the record names.
struct SEND_TARGET {
  CClient* pClient;
  COutbound& out;
  const ws::sockaddr_in* pTo;
  TRAFFIC_ENDPOINT local;
  TRAFFIC_ENDPOINT peer;
};

// The fields show the server mode's; the local port check box and the destination port as they
// were before they did.
struct MODE_FIELDS {
  BOOL bServer = FALSE;
  BOOL bUseLocalPortOutside = FALSE;
  CString strDestPort;
};

class CSocketTestDlg : public CDialog, public CChannel {
public:
  explicit CSocketTestDlg(CWnd* pParent = nullptr);
  ~CSocketTestDlg() override;

  enum { IDD = IDD_SOCKETTEST_DIALOG };

  CIPAddressCtrl m_ctlDestIP;
  CString m_strSend;
  BOOL m_bHexRecv;
  BOOL m_bHexSend;
  int m_nLocalPort;
  int m_nDestPort;
  int m_nSentBytes;
  int m_nRecvBytes;

  BOOL PreTranslateMessage(MSG* pMsg) override;

  // The seam (dialog/Channel.cpp).
  BOOL CanSend(BOOL bTell) override;
  BOOL IsStream() override;
  CHANNEL_PEER DefaultPeer() override;
  SEND_RESULT Send(const CHANNEL_PEER& to, const BYTE* pData, int nLength, UINT nFlags = 0) override;
  BOOL BuildSendBoxPayload(std::vector<BYTE>& payload) override;
  SEND_OPTIONS GetSendOptions() override { return m_sendOptions; }
  void HoldSentCount(BOOL bHold) override;
  void AddListener(CChannelListener* pListener) override;
  void RemoveListener(CChannelListener* pListener) override;
  BOOL WatchWritable(const CHANNEL_PEER& peer, BOOL bWatch) override;

protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;

  HICON m_hIcon;
  ws::SOCKET m_socket;
  ws::sockaddr_in m_addrLocal{};
  ws::sockaddr_in m_addrDest{};
  int m_nRecvLen = 0;
  BYTE m_byLastType = 0;
  DWORD m_dwDestIP = 0;
  BYTE m_recvBuf[RECV_BUFFER_SIZE] = {};
  CString m_strTitle;
  // The display's staging, pace, options, chunks and pause.
  CRecvDisplay m_display{RECV_BUFFER_SIZE};
  MODE_FIELDS m_fields;
  CSendOptions m_sendOptions;
  // The traffic record runs from start-up; its window is made when first asked for.
  CTrafficRecord m_record;
  CTrafficLog m_log;
  std::unique_ptr<CTrafficDlg> m_pTrafficDlg;
  CHANNEL_ENDS m_ends;
  // In the server mode m_socket listens and these are the connected clients.
  CClientTable m_clients;
  std::vector<CChannelListener*> m_listeners;
  // What the channel's own socket has still to send.
  COutbound m_outbound;
  std::unique_ptr<CToolBox> m_pTools;

  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint();
  HICON OnQueryDragIcon();
  void OnConnect();
  void OnClearSend();
  void OnClearRecv();
  void OnSend();
  void OnHexRecv();
  void OnClearCounts();
  void OnUseLocalPort();
  void OnSelchangeMode();
  LRESULT OnSocketReceive(WPARAM wParam, LPARAM lParam);
  LRESULT OnSocketClosed(WPARAM wParam, LPARAM lParam);
  LRESULT OnSocketNotify(WPARAM wParam, LPARAM lParam);
  void OnSocketAccept();
  void WaitToAccept(int nError);
  void RetryAccept();
  void OnClientNotify(ws::SOCKET s, WORD wEvent);
  void OnTimer(UINT_PTR nIDEvent);
  void OnTrafficShow();
  void OnTrafficLog();
  void OnTrafficCapture();
  void OnRecvSave();
  LRESULT OnTrafficLogFailed(WPARAM wParam, LPARAM lParam);
  void OnTimedSend();
  void OnSendFile();
  void OnSendOptions();
  void OnRecvOptions();
  void OnRecvPause();
  void OnClientList();
  void OnAutoReply();
  void OnCommandList();
  LRESULT OnClientTarget(WPARAM wParam, LPARAM lParam);
  LRESULT OnClientDrop(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

  void LoadVersionTitle();
  void SetWorkingDirToModule();

private:
  int GetMode();
  void EnableIfChecked(int nIDCtrl, int nIDCheck);
  void SetClosedCaption(int nMode);
  void RestoreSettingsControls();
  void ReportSocketError(const char* pszFormat);
  void ReleaseSocket();
  BOOL CreateChannelSocket(BOOL bStream);
  void EnterOpenState(int nMode);
  void ShowModeFields(int nMode);
  BOOL OpenServer();
  void CloseServer();
  void CloseClient(CClient& client);
  void CloseClients();
  void ShowServerTitle();
  void ShowFieldLabels(BOOL bServer);
  void UpdateClientMenus();
  BOOL ReadServerFields();
  void ReceiveChunk(ws::SOCKET s, BOOL bStream, CClient* pClient = nullptr);
  void OfferChunk(CHANNEL_CHUNK& chunk);
  void OnSocketWritable(const CHANNEL_PEER& peer);
  void RecordOpened(int nMode);
  void RecordClosed();
  void RecordSend(int nSent, const BYTE* pData, int nLength, const TRAFFIC_ENDPOINT& local,
                  const TRAFFIC_ENDPOINT& peer, int nError);
  int RawSend(const SEND_TARGET& target, const BYTE* pData, int nLength);
  void SendTo(const SEND_TARGET& target, const BYTE* pData, int nLength, UINT nFlags, SEND_RESULT& result);
  void Hold(const SEND_TARGET& target, const BYTE* pData, int nLength, SEND_RESULT& result);
  int Flush(const SEND_TARGET& target);
  void AskWrite(const SEND_TARGET& target, int nError);
  void UpdateWriteEvents(const SEND_TARGET& target, BOOL bForce = FALSE);
  SEND_TARGET ChannelTarget(const ws::sockaddr_in* pTo, const TRAFFIC_ENDPOINT& peer);
  SEND_TARGET ClientTarget(CClient& client);
  COutbound* QueueOf(const CHANNEL_PEER& peer, CClient** ppClient);
  void RetrySends();
  void DropWaiting(COutbound& out, const TRAFFIC_ENDPOINT& local, const TRAFFIC_ENDPOINT& peer);
  void TellRefused(const SEND_RESULT& result);
  void SetRecvMenu();
  BOOL ServerHasClients();
  BOOL ChannelIsOpen();
  void AddSent(int nBytes);
  void SetSendMenu();
  void UpdateTrafficWindow();
  void RedrawReceiveDisplay();
  void ShowReceived();
  void ScheduleRedraw();
  void ShowSentChunk(const CHANNEL_PEER& to, const BYTE* pData, int nLength, int nTargets);
  CWnd* CaptionedGroup(const char* pszCaption);
  void ShowSendOptionsSign();
  BOOL IsChecked(int nID);

  // Sends made while the sent counter's text is held, and whether any changed the number.
  int m_nSentCountHolds = 0;
};
