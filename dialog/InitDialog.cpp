// Start-up: restored settings, the closed state, the versioned title and the working directory.
#include "dialog/SocketTestDlg.h"

#include "dialog/AutoReply.h"
#include "dialog/CommandList.h"
#include "dialog/ToolBox.h"

#include "platform/cmenu.h"
#include "platform/cwinapp.h"
#include "platform/winapi.h"

#include <cstring>

BOOL CSocketTestDlg::OnInitDialog()
{
  CDialog::OnInitDialog();

  CMenu* pSysMenu = GetSystemMenu(FALSE);
  if (pSysMenu) {
    CString strAboutMenu;
    strAboutMenu.LoadString(IDS_ABOUTBOX);
    CString strTrafficMenu;
    strTrafficMenu.LoadString(IDS_TRAFFIC);
    if (!strTrafficMenu.IsEmpty())
      pSysMenu->AppendMenu(MF_STRING, IDM_TRAFFIC, strTrafficMenu);
    CString strClientsMenu;
    strClientsMenu.LoadString(IDS_CLIENTS);
    if (!strClientsMenu.IsEmpty())
      pSysMenu->AppendMenu(MF_STRING, IDM_CLIENTS, strClientsMenu);
    CString strAutoReplyMenu;
    strAutoReplyMenu.LoadString(IDS_AUTO_REPLY);
    if (!strAutoReplyMenu.IsEmpty())
      pSysMenu->AppendMenu(MF_STRING, IDM_AUTO_REPLY, strAutoReplyMenu);
    CString strCommandsMenu;
    strCommandsMenu.LoadString(IDS_COMMANDS);
    if (!strCommandsMenu.IsEmpty())
      pSysMenu->AppendMenu(MF_STRING, IDM_COMMANDS, strCommandsMenu);
    if (!strAboutMenu.IsEmpty()) {
      pSysMenu->AppendMenu(MF_SEPARATOR);
      pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
    }
  }
  SetRecvMenu();
  SetSendMenu();
  m_sendOptions.Load();
  ShowSendOptionsSign();
  m_pTools->AutoReply().Load();
  m_pTools->Commands().Load();
  CRecvOptions recvOptions;
  recvOptions.Load();
  m_display.SetOptions(recvOptions, m_recvBuf, 0);
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);

  m_nRecvLen = 0;
  m_display.staging.Clear();
  std::memset(m_recvBuf, 0, sizeof m_recvBuf);

  CWinApp* pApp = AfxGetApp();
  m_nDestPort = static_cast<int>(pApp->GetProfileInt(PROFILE_SECTION, PROFILE_DEST_PORT, 0));
  m_nLocalPort = static_cast<int>(pApp->GetProfileInt(PROFILE_SECTION, PROFILE_LOCAL_PORT, 0));
  m_byLastType = LOBYTE(pApp->GetProfileInt(PROFILE_SECTION, PROFILE_TYPE, 0));
  m_dwDestIP = pApp->GetProfileInt(PROFILE_SECTION, PROFILE_DEST_IP, 0);

  m_ctlDestIP.SendMessage(IPM_SETADDRESS, 0, static_cast<LPARAM>(m_dwDestIP));
  EnableIfChecked(IDC_LOCAL_PORT, IDC_USE_LOCAL_PORT);
  GetDlgItem(IDC_MODE)->SendMessage(CB_INSERTSTRING, MODE_TCP_SERVER, reinterpret_cast<LPARAM>(MODE_TCP_SERVER_ITEM));
  GetDlgItem(IDC_MODE)->SendMessage(CB_SETCURSEL, m_byLastType);
  SetClosedCaption(GetMode());
  UpdateData(FALSE);
  ShowModeFields(GetMode());
  UpdateClientMenus();

  LoadVersionTitle();
  SetWindowText(m_strTitle);
  SetWorkingDirToModule();
  return FALSE;
}

void CSocketTestDlg::LoadVersionTitle()
{
  char szPath[MAX_PATH] = {};
  GetModuleFileName(nullptr, szPath, MAX_PATH);
  DWORD dwHandle = 0;
  const DWORD dwSize = GetFileVersionInfoSize(szPath, &dwHandle);
  if (dwSize == 0)
    return;
  HGLOBAL hMem = GlobalAlloc(GMEM_MOVEABLE, dwSize);
  void* pBlock = GlobalLock(hMem);
  GetFileVersionInfo(szPath, dwHandle, dwSize, pBlock);
  VS_FIXEDFILEINFO* pInfo = nullptr;
  UINT uLen = 0;
  if (VerQueryValue(pBlock, "\\", reinterpret_cast<void**>(&pInfo), &uLen) && pInfo) {
    m_strTitle.Format("Lanspry-%d.%d.%d.%d", HIWORD(pInfo->dwProductVersionMS), LOWORD(pInfo->dwProductVersionMS),
                      HIWORD(pInfo->dwProductVersionLS), LOWORD(pInfo->dwProductVersionLS));
  }
  GlobalUnlock(hMem);
  GlobalFree(hMem);
}

void CSocketTestDlg::SetWorkingDirToModule()
{
  char szPath[MAX_PATH] = {};
  GetModuleFileName(nullptr, szPath, MAX_PATH);
  char* pSlash = std::strrchr(szPath, '/');
  if (pSlash)
    pSlash[1] = '\0';
  SetCurrentDirectory(szPath);
}
