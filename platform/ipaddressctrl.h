// CIPAddressCtrl: the program's handle on an IP address control, which it speaks to with the IPM_
// messages; the fields and their typing rules are the control's own.
#pragma once

#include "platform/cwnd.h"

class CIPAddressCtrl : public CWnd {};
