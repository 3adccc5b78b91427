// The main dialog: owner of the channel, its socket, counters and receive buffer.
#pragma once

#include "dialog/SendOptions.h"
#include "dialog/TrafficLog.h"
#include "dialog/TrafficRecord.h"
#include "platform/cdialog.h"
#include "platform/cfile.h"
#include "platform/ipaddressctrl.h"
#include "platform/winsock.h"
#include "res/resource.h"

#include <memory>
#include <vector>

class CTrafficDlg;
class CTimedSendDlg;
class CSendFileDlg;

#define WM_SOCKET_CLOSED (WM_USER + 102)
#define WM_SOCKET_RECEIVE (WM_USER + 103)
#define WM_SOCKET_NOTIFY (WM_USER + 105)
#define WM_TRAFFIC_LOG_FAILED (WM_USER + 106)
#define WM_SEND_FILE_CONTINUE (WM_USER + 107)

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
inline constexpr int SEND_BUFFER_SIZE = 32768;
// Large enough for any IPv4 datagram, so none is lost for want of room.
inline constexpr int READ_BUFFER_SIZE = 65536;
// Room for the newest RECV_BUFFER_SIZE bytes and several reads after them.
inline constexpr int RECV_STAGING_SIZE = 8 * READ_BUFFER_SIZE;
// About one display frame.
inline constexpr unsigned RECV_REDRAW_INTERVAL_MS = 16;
inline constexpr UINT_PTR ID_TIMER_RECV_REDRAW = 1;
// A log file takes what waits at least once a second.
inline constexpr UINT_PTR ID_TIMER_LOG_FLUSH = 2;
inline constexpr UINT LOG_FLUSH_INTERVAL_MS = 1000;
inline constexpr UINT_PTR ID_TIMER_TIMED_SEND = 3;
inline constexpr UINT_PTR ID_TIMER_FILE_PAUSE = 4;
// A timed send's interval in milliseconds, and what one late tick may catch up at once.
inline constexpr int TIMED_SEND_MIN_MS = 1;
inline constexpr int TIMED_SEND_MAX_MS = 3600000;
inline constexpr int TIMED_SEND_CATCH_UP = 100;
// A file over TCP is read and sent this much at a time; over UDP a datagram at a time.
inline constexpr int SEND_FILE_BLOCK = 256 * 1024;
inline constexpr int SEND_FILE_DEFAULT_DATAGRAM = 1024;
inline constexpr int SEND_FILE_MAX_DATAGRAM = 65507;
// How long one turn of a file send may hold the loop before other work gets its turn.
inline constexpr std::uint64_t SEND_FILE_TURN_MICROS = 1000;
// Clients a listening dialog holds at once; one more is accepted and closed at once.
inline constexpr int MAX_CLIENTS = 64;

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

struct SocketErrorName {
  int nCode;
  char szName[32];
};
extern const SocketErrorName g_socketErrorNames[48];
// The name of the first row with this code, or nullptr.
const char* GetSocketErrorName(int nCode);

class CSocketTestDlg : public CDialog {
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

  // Sending on a timer: the payload is built as a click builds it, then sent once a tick.
  BOOL StartTimedSend(int nIntervalMs, int nCount);
  void StopTimedSend();
  BOOL IsTimedSending() const { return m_bTimedSending; }
  int GetTimedSends() const { return m_nTimedDone; }

  // Sending a file: over TCP streamed as the socket takes it, over UDP cut into datagrams.
  BOOL StartSendFile(LPCTSTR lpszPath, int nDatagram, int nPauseMs);
  void StopSendFile(LPCTSTR lpszWhy = "已取消");
  BOOL IsSendingFile() const { return m_bSendingFile; }
  BOOL IsStreamChannel();
  std::uint64_t GetFileSize() const { return m_nFileSize; }
  std::uint64_t GetFileSent() const { return m_nFileSent; }
  std::uint64_t GetFileMicros() const;
  // Why the last file send ended early, or empty.
  const CString& GetFileError() const { return m_strFileError; }

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
  // When chunks come faster than the screen shows them, the display is redrawn once a frame.
  std::uint64_t m_nLastRedrawTick = 0;
  BOOL m_bRedrawPending = FALSE;
  // Chunks are read straight in here and join m_recvBuf when the display is next redrawn: under a
  // flood the buffer is full, and shifting all of it for every chunk would cost more than the read.
  // Only what reads wrote is ever looked at, so it is not cleared: half a megabyte less to touch at
  // start-up.
  BYTE m_recvStaging[RECV_STAGING_SIZE];
  int m_nStagedLen = 0;
  // In the server mode m_socket listens and these are the connected clients, m_nClients of them.
  ws::SOCKET m_clients[MAX_CLIENTS] = {};
  int m_nClients = 0;
  // The fields show the server mode's; the local port check box as it was before they did.
  BOOL m_bServerFields = FALSE;
  BOOL m_bUseLocalPortOutsideServer = FALSE;
  CSendOptions m_sendOptions;
  std::unique_ptr<CTimedSendDlg> m_pTimedDlg;
  std::vector<BYTE> m_timedPayload;
  BOOL m_bTimedSending = FALSE;
  int m_nTimedInterval = 0;
  int m_nTimedCount = 0;
  int m_nTimedDone = 0;
  std::uint64_t m_nTimedStart = 0;
  std::unique_ptr<CSendFileDlg> m_pFileDlg;
  CFile m_sendFile;
  BOOL m_bSendingFile = FALSE;
  std::uint64_t m_nFileSize = 0;
  std::uint64_t m_nFileSent = 0;
  std::uint64_t m_nFileStart = 0;
  std::uint64_t m_nFileEnd = 0;
  std::vector<BYTE> m_fileBlock;
  int m_nBlockLen = 0;
  int m_nBlockAt = 0;
  int m_nFileDatagram = SEND_FILE_DEFAULT_DATAGRAM;
  int m_nFilePause = 0;
  // What the file send waits for before its next turn.
  enum { FILE_WAIT_NONE, FILE_WAIT_WRITE, FILE_WAIT_TURN, FILE_WAIT_PAUSE } m_nFileWait = FILE_WAIT_NONE;
  std::uint64_t m_nFileRead = 0;
  CString m_strFileError;
  // The traffic record runs from start-up; its window is made when first asked for.
  CTrafficRecord m_record;
  CTrafficLog m_log;
  std::unique_ptr<CTrafficDlg> m_pTrafficDlg;
  // The channel's ends as the record gives them: received datagrams of a group were sent to it.
  TRAFFIC_PROTOCOL m_protocol = TRAFFIC_UDP;
  TRAFFIC_ENDPOINT m_localEnd{};
  TRAFFIC_ENDPOINT m_recvLocalEnd{};
  TRAFFIC_ENDPOINT m_peerEnd{};
  BOOL m_bChannelRecorded = FALSE;
  TRAFFIC_ENDPOINT m_clientLocal[MAX_CLIENTS] = {};
  TRAFFIC_ENDPOINT m_clientPeer[MAX_CLIENTS] = {};

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
  LRESULT OnSendFileContinue(WPARAM wParam, LPARAM lParam);
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
  int FindClient(ws::SOCKET s) const;
  void CloseClient(int nIndex);
  void CloseClients();
  void ShowServerTitle();
  int SendToClients(const char* pData, int nLength);
  void ReceiveChunk(ws::SOCKET s, BOOL bStream, int nClient = -1);
  void RecordOpened(int nMode);
  void RecordClosed();
  void RecordSend(int nSent, const char* pData, int nLength, const TRAFFIC_ENDPOINT& local,
                  const TRAFFIC_ENDPOINT& peer);
  void SetRecvMenu();
  BOOL ServerHasClients();
  BOOL ChannelIsOpen();
  BOOL BuildPayload(BYTE* sendBuf, int* pnLength);
  BOOL TypedBytes(BYTE* sendBuf, int* pnLength);
  int SendPayload(const BYTE* pPayload, int nLength);
  void AddSent(int nBytes);
  void SetSendMenu();
  void OnTimedTick();
  void ContinueSendFile();
  BOOL ReadFileBlock();
  void EndSendFile(const CString& strError);
  void UpdateTrafficWindow();
  BYTE* StagingSpace();
  void MergeStaged();
  void RedrawReceiveDisplay();
  void ShowReceived();
  BOOL IsChecked(int nID);
};
