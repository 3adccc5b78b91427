// The application object: starts socket support, sets the dialog colours and runs the dialog.
#pragma once

#include "platform/cwinapp.h"

// The look of every dialog and message box of the program: light blue, black text.
inline constexpr COLORREF DIALOG_BK_COLOR = RGB(221, 233, 255);
inline constexpr COLORREF DIALOG_TEXT_COLOR = RGB(0, 0, 0);

class CSocketTestApp : public CWinApp {
public:
  CSocketTestApp();
  BOOL InitInstance() override;

  DECLARE_MESSAGE_MAP()
};
