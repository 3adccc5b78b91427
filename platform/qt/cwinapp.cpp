// The application object: the one instance, the main window, and the program's socket support.
#include "platform/cwinapp.h"

#include "platform/winsock.h"

namespace {
CWinApp* g_pApp = nullptr;
bool g_bSocketsStarted = false;
}  // namespace

CWinApp::CWinApp(LPCTSTR lpszAppName) : m_pszAppName(lpszAppName ? lpszAppName : "Lanspry")
{
  if (!g_pApp)
    g_pApp = this;
}

CWinApp::~CWinApp()
{
  if (g_pApp == this)
    g_pApp = nullptr;
}

BOOL CWinApp::InitInstance()
{
  return TRUE;
}

int CWinApp::ExitInstance()
{
  return 0;
}

CWinApp* AfxGetApp()
{
  return g_pApp;
}

CWnd* AfxGetMainWnd()
{
  return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}

void AfxEnableControlContainer() {}

BOOL AfxSocketInit(void* lpwsaData)
{
  ws::WSADATA data{};
  auto* out = lpwsaData ? static_cast<ws::WSADATA*>(lpwsaData) : &data;
  if (g_bSocketsStarted)
    return TRUE;
  if (ws::WSAStartup(MAKEWORD(1, 1), out) != 0)
    return FALSE;
  g_bSocketsStarted = true;
  return TRUE;
}

void AfxSocketTerm()
{
  if (!g_bSocketsStarted)
    return;
  g_bSocketsStarted = false;
  ws::WSACleanup();
}
