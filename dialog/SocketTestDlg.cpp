// Channel state, data exchange, message map and the small handlers.
#include "dialog/SocketTestDlg.h"

#include "dialog/ClientListDlg.h"
#include "dialog/ToolBox.h"
#include "dialog/TrafficDlg.h"
#include "platform/cwinapp.h"
#include "platform/ddx.h"

#include <cstdio>

using namespace ws;

CSocketTestDlg::CSocketTestDlg(CWnd* pParent)
    : CDialog(CSocketTestDlg::IDD, pParent),
      m_strSend(""),
      m_bHexRecv(FALSE),
      m_bHexSend(FALSE),
      m_nLocalPort(0),
      m_nDestPort(0),
      m_nSentBytes(0),
      m_nRecvBytes(0),
      m_hIcon(AfxGetApp() ? AfxGetApp()->LoadIcon(IDR_MAINFRAME) : nullptr),
      m_socket(INVALID_SOCKET),
      m_pTools(std::make_unique<CToolBox>(*this, m_clients, this))
{
  // A failed write is told from the message loop, not from inside the read that logged it.
  m_log.SetFailureHandler([](void* p) { static_cast<CSocketTestDlg*>(p)->PostMessage(WM_TRAFFIC_LOG_FAILED); }, this);
}

CSocketTestDlg::~CSocketTestDlg()
{
  ReleaseSocket();
  m_pTools.reset();
  m_pTrafficDlg.reset();
  // The log's last lines are written now; if that fails there is no dialog left to say so.
  const BOOL bFailedBefore = m_log.HasFailed();
  m_log.Stop();
  if (!bFailedBefore && m_log.HasFailed())
    std::fprintf(stderr, "lanspry: writing the log file %s failed at exit ([%d] %s): %llu lines lost\n",
                 static_cast<LPCTSTR>(m_log.GetPath()), m_log.GetLastError(),
                 static_cast<LPCTSTR>(CFile::ErrorText(m_log.GetLastError())),
                 static_cast<unsigned long long>(m_log.GetLostLines()));
  m_record.SetSink(nullptr);
}

void CSocketTestDlg::DoDataExchange(CDataExchange* pDX)
{
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_DEST_IP, m_ctlDestIP);
  DDX_Text(pDX, IDC_SEND_TEXT, m_strSend);
  DDX_Check(pDX, IDC_HEX_RECV, m_bHexRecv);
  DDX_Check(pDX, IDC_HEX_SEND, m_bHexSend);
  DDX_Text(pDX, IDC_LOCAL_PORT, m_nLocalPort);
  DDX_Text(pDX, IDC_DEST_PORT, m_nDestPort);
  DDX_Text(pDX, IDC_SENT_COUNT, m_nSentBytes);
  DDX_Text(pDX, IDC_RECV_COUNT, m_nRecvBytes);
}

BEGIN_MESSAGE_MAP(CSocketTestDlg, CDialog)
  ON_WM_SYSCOMMAND()
  ON_WM_PAINT()
  // Asked for by a window manager that drags minimised windows; none here does, tests do.
  ON_WM_QUERYDRAGICON()
  ON_BN_CLICKED(IDC_CONNECT, OnConnect)
  ON_BN_CLICKED(IDC_CLEAR_SEND, OnClearSend)
  ON_BN_CLICKED(IDC_CLEAR_RECV, OnClearRecv)
  ON_BN_CLICKED(IDC_SEND, OnSend)
  ON_BN_CLICKED(IDC_HEX_RECV, OnHexRecv)
  ON_BN_CLICKED(IDC_CLEAR_COUNTS, OnClearCounts)
  ON_BN_CLICKED(IDC_USE_LOCAL_PORT, OnUseLocalPort)
  ON_CBN_SELCHANGE(IDC_MODE, OnSelchangeMode)
  // The program itself sends neither of these two: they are kept for other programs that post them.
  ON_MESSAGE(WM_SOCKET_RECEIVE, OnSocketReceive)
  ON_MESSAGE(WM_SOCKET_CLOSED, OnSocketClosed)
  // Every socket notification, sent by the notification engine.
  ON_MESSAGE(WM_SOCKET_NOTIFY, OnSocketNotify)
  ON_WM_TIMER()
  ON_COMMAND(ID_TRAFFIC_SHOW, OnTrafficShow)
  ON_COMMAND(ID_TRAFFIC_LOG, OnTrafficLog)
  ON_COMMAND(ID_TRAFFIC_PCAPNG, OnTrafficCapture)
  ON_COMMAND(ID_RECV_SAVE, OnRecvSave)
  ON_MESSAGE(WM_TRAFFIC_LOG_FAILED, OnTrafficLogFailed)
  ON_COMMAND(ID_TIMED_SEND, OnTimedSend)
  ON_COMMAND(ID_SEND_FILE, OnSendFile)
  ON_COMMAND(ID_SEND_OPTIONS, OnSendOptions)
  ON_COMMAND(ID_RECV_OPTIONS, OnRecvOptions)
  ON_COMMAND(ID_RECV_PAUSE, OnRecvPause)
  ON_COMMAND(ID_CLIENT_LIST, OnClientList)
  ON_COMMAND(ID_AUTO_REPLY, OnAutoReply)
  ON_COMMAND(ID_COMMAND_LIST, OnCommandList)
  ON_MESSAGE(WM_CLIENT_TARGET, OnClientTarget)
  ON_MESSAGE(WM_CLIENT_DROP, OnClientDrop)
END_MESSAGE_MAP()

int CSocketTestDlg::GetMode()
{
  return static_cast<int>(GetDlgItem(IDC_MODE)->SendMessage(CB_GETCURSEL));
}

BOOL CSocketTestDlg::IsChecked(int nID)
{
  return GetDlgItem(nID)->SendMessage(BM_GETCHECK) != 0;
}

void CSocketTestDlg::EnableIfChecked(int nIDCtrl, int nIDCheck)
{
  GetDlgItem(nIDCtrl)->EnableWindow(IsChecked(nIDCheck) ? TRUE : FALSE);
}

void CSocketTestDlg::SetClosedCaption(int nMode)
{
  if (nMode == MODE_TCP_SERVER) {
    GetDlgItem(IDC_CONNECT)->SetWindowText(CAPTION_LISTEN);
    return;
  }
  GetDlgItem(IDC_CONNECT)->SetWindowText(nMode == MODE_TCP ? CAPTION_CONNECT : CAPTION_CREATE);
}

void CSocketTestDlg::OnSelchangeMode()
{
  SetClosedCaption(GetMode());
  ShowModeFields(GetMode());
  UpdateClientMenus();
}

void CSocketTestDlg::OnUseLocalPort()
{
  EnableIfChecked(IDC_LOCAL_PORT, IDC_USE_LOCAL_PORT);
}

void CSocketTestDlg::OnClearCounts()
{
  m_nSentBytes = 0;
  m_nRecvBytes = 0;
  GetDlgItem(IDC_RECV_COUNT)->SetWindowText("0");
  GetDlgItem(IDC_SENT_COUNT)->SetWindowText("0");
}
