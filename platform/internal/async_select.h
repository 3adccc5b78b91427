// WSAAsyncSelect's notification engine: watches registered sockets and posts Winsock's notifications
// to their windows by Winsock's rules; the system calls stay with the socket layer, asked through
// SocketProbe.
#pragma once

#include "platform/internal/inside.h"

#include "platform/winsock.h"

#include <chrono>
#include <memory>

namespace platform {

// What the engine must know of a descriptor, answered by the socket layer.
class SocketProbe {
public:
  enum class Peek { Data, Nothing, Closed };
  // For a connected stream: data waits, nothing yet, or the peer is gone (error 0 for a close).
  virtual Peek peek(int fd, int& error) = 0;
  // For a notified datagram socket whose reads took all there was: waits `wait` for datagrams to
  // gather and takes them from the kernel; true when the next read has one (or an error) to give.
  virtual bool gather(ws::SOCKET s, std::chrono::microseconds wait) = 0;

protected:
  ~SocketProbe() = default;
};

class AsyncSelect {
public:
  enum class Kind { Stream, Datagram, Listener };

  explicit AsyncSelect(SocketProbe& probe);
  ~AsyncSelect();

  // The events of lEvent for socket s (descriptor fd), posted to hWnd as wMsg; replaces what s had.
  void select(ws::SOCKET s, int fd, Kind kind, HWND hWnd, UINT wMsg, long lEvent);
  void forget(ws::SOCKET s);
  bool watched(ws::SOCKET s) const;
  // The accepted socket `to` (descriptor fd) gets the listener's events but FD_ACCEPT, as in Winsock.
  void inherit(ws::SOCKET listener, ws::SOCKET to, int fd);
  // A read on s returned; consumed: it took data (or an empty datagram); more: data may be left.
  void readDone(ws::SOCKET s, bool consumed, bool more);
  // An accept on the listener s returned: the next pending connection may be announced.
  void acceptDone(ws::SOCKET s);
  // A send on s would have blocked: FD_WRITE follows once it can go on.
  void sendBlocked(ws::SOCKET s);

private:
  struct Impl;
  std::unique_ptr<Impl> d;
};

}  // namespace platform
