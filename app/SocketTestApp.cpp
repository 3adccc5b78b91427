#include "app/SocketTestApp.h"

#include "dialog/SocketTestDlg.h"
#include "res/resources.h"

BEGIN_MESSAGE_MAP(CSocketTestApp, CWinApp)
  ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CSocketTestApp::CSocketTestApp() : CWinApp("Lanspry")
{
  AfxSetResourceTable(&LanspryResources());
}

BOOL CSocketTestApp::InitInstance()
{
  if (!AfxSocketInit()) {
    AfxMessageBox(IDP_SOCKETS_INIT_FAILED, MB_OK, IDP_SOCKETS_INIT_FAILED);
    return FALSE;
  }
  AfxEnableControlContainer();
  Enable3dControls();
  SetDialogBkColor(DIALOG_BK_COLOR, DIALOG_TEXT_COLOR);

  CSocketTestDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}
