// The application object: starts socket support, sets the dialog colours and runs the dialog.
#pragma once

#include "platform/cwinapp.h"

class CSocketTestApp : public CWinApp {
public:
  CSocketTestApp();
  BOOL InitInstance() override;

  DECLARE_MESSAGE_MAP()
};
