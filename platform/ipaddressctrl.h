// CIPAddressCtrl: the program's handle on an IP address control, speaking its IPM_ messages;
// the fields and their typing rules are the control's own.
#pragma once

#include "platform/cwnd.h"

constexpr LPARAM MAKEIPADDRESS(unsigned b1, unsigned b2, unsigned b3, unsigned b4)
{
  return static_cast<LPARAM>(((b1 & 0xFF) << 24) | ((b2 & 0xFF) << 16) | ((b3 & 0xFF) << 8) | (b4 & 0xFF));
}

class CIPAddressCtrl : public CWnd {
public:
  int GetAddress(DWORD& dwAddress) { return static_cast<int>(SendMessage(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&dwAddress))); }
  void SetAddress(DWORD dwAddress) { SendMessage(IPM_SETADDRESS, 0, static_cast<LPARAM>(dwAddress)); }
  BOOL IsBlank() { return static_cast<BOOL>(SendMessage(IPM_ISBLANK)); }
  void ClearAddress() { SendMessage(IPM_CLEARADDRESS); }
};
