// The POSIX descriptor behind a socket handle of the real layer, for tests and benchmarks that read
// a socket's state with the system's own calls; the program itself only ever holds handles.
#pragma once

#include "platform/internal/inside.h"

#include "platform/winsock.h"

namespace platform {
// -1 for a handle that names no open socket.
int SocketDescriptor(ws::SOCKET s);

// The system calls the real layer has made to read, and to wait for reads, since the program started.
struct SocketCalls {
  unsigned long long reads = 0;    // recv and recvfrom
  unsigned long long batches = 0;  // recvmmsg, each taking several datagrams
  unsigned long long ioctls = 0;   // FIONREAD, asking whether data is left
  unsigned long long peeks = 0;    // telling a stream's data from its end
  unsigned long long waits = 0;    // pauses that let a flood's datagrams gather before a batch
};
SocketCalls SocketSystemCalls();
}  // namespace platform
