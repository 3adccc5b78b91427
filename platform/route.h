// Which of this host's addresses the system would send from to reach a destination: the route is
// asked, nothing is sent, and the channel's own socket is left alone.
#pragma once

#include "platform/windef.h"

namespace platform {

// Host order in and out; 0 when no route is known.
DWORD SourceAddressToward(DWORD dwHostOrderDest);

}  // namespace platform
