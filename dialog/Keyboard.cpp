// Keyboard: Enter and Escape never end the dialog, hex sending takes only hex digits, and the
// send box answers the clipboard shortcuts.
#include "dialog/SocketTestDlg.h"

namespace {

bool IsHexKeyChar(WPARAM ch)
{
  return (ch >= 0x30 && ch <= 0x39) || (ch >= 0x41 && ch <= 0x46) || (ch >= 0x61 && ch <= 0x66) || ch == 8 || ch == 32;
}

struct CtrlShortcut {
  WPARAM nKey;
  UINT nMessage;
  WPARAM wParam;
  LPARAM lParam;
};

constexpr CtrlShortcut kSendBoxShortcuts[] = {
    {'A', EM_SETSEL, 0, -1}, {'C', WM_COPY, 0, 0}, {'X', WM_CUT, 0, 0}, {'V', WM_PASTE, 0, 0}, {'Z', EM_UNDO, 0, 0},
};

}  // namespace

BOOL CSocketTestDlg::PreTranslateMessage(MSG* pMsg)
{
  CWnd* pFocus = GetFocus();
  const bool bInSendBox = pFocus && pFocus->GetDlgCtrlID() == IDC_SEND_TEXT;

  if (pMsg->message == WM_CHAR && bInSendBox && IsChecked(IDC_HEX_SEND))
    return IsHexKeyChar(pMsg->wParam) ? CDialog::PreTranslateMessage(pMsg) : TRUE;

  if (pMsg->message == WM_KEYDOWN) {
    if (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_ESCAPE)
      return TRUE;
    if (bInSendBox && HIBYTE(static_cast<WORD>(GetKeyState(VK_CONTROL))) == 0xFF) {
      CWnd* pSendBox = GetDlgItem(IDC_SEND_TEXT);
      for (const CtrlShortcut& s : kSendBoxShortcuts) {
        if (s.nKey != pMsg->wParam)
          continue;
        pSendBox->SendMessage(s.nMessage, s.wParam, s.lParam);
        if (s.nKey == 'A')
          pSendBox->SendMessage(EM_SCROLLCARET);
        return TRUE;
      }
    }
  }
  return CDialog::PreTranslateMessage(pMsg);
}
