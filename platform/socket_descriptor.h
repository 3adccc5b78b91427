// The POSIX descriptor behind a socket handle of the real layer, for tests and benchmarks that read
// a socket's state with the system's own calls; the program itself only ever holds handles.
#pragma once

#include "platform/winsock.h"

namespace platform {
// -1 for a handle that names no open socket.
int SocketDescriptor(ws::SOCKET s);
}  // namespace platform
