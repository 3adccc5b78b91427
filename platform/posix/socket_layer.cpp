#include "platform/winsock.h"

// Winsock's numbers, captured before the POSIX headers below define macros of the same names.
namespace winsock {
constexpr int kSolSocket = ws::SOL_SOCKET;
constexpr int kSoRcvTimeo = ws::SO_RCVTIMEO;
constexpr int kSoExclusiveAddrUse = ws::SO_EXCLUSIVEADDRUSE;
constexpr int kSoBroadcast = ws::SO_BROADCAST;
constexpr int kIpProtoIp = ws::IPPROTO_IP;
constexpr int kIpMulticastTtl = ws::IP_MULTICAST_TTL;
constexpr int kIpMulticastLoop = ws::IP_MULTICAST_LOOP;
constexpr int kIpAddMembership = ws::IP_ADD_MEMBERSHIP;
constexpr int kIpDropMembership = ws::IP_DROP_MEMBERSHIP;
constexpr int kSdReceive = ws::SD_RECEIVE;
constexpr int kSdSend = ws::SD_SEND;
constexpr int kSdBoth = ws::SD_BOTH;
}  // namespace winsock

#include "platform/internal/async_select.h"
#include "platform/internal/socket_descriptor.h"
#include "platform/posix/datagram_batch.h"
#include "platform/posix/socket_errors.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <unordered_map>

namespace {

using ws::SOCKET;

// How long a blocking connect may wait: Windows gives up after about 21 seconds.
constexpr int kConnectTimeoutMs = 21000;
constexpr WORD kHighestVersion = 0x0202;
// Handles are small multiples of four, as on Windows, and never handed out twice: a notification
// still queued for a closed socket can never be taken for a later socket's.
constexpr SOCKET kFirstHandle = 0x100;
constexpr SOCKET kHandleStep = 4;
using Kind = platform::AsyncSelect::Kind;

class PosixSocketLayer final : public ws::SocketLayer, private platform::SocketProbe {
public:
  int startup(WORD wVersionRequested, ws::WSADATA* lpWSAData) override
  {
    if (!lpWSAData)
      return ws::WSAEFAULT;
    if (LOBYTE(wVersionRequested) == 0)
      return ws::WSAVERNOTSUPPORTED;
    const bool above =
        LOBYTE(wVersionRequested) > 2 || (LOBYTE(wVersionRequested) == 2 && HIBYTE(wVersionRequested) > 2);
    *lpWSAData = {};
    lpWSAData->wVersion = above ? kHighestVersion : wVersionRequested;
    lpWSAData->wHighVersion = kHighestVersion;
    std::strcpy(lpWSAData->szDescription, "POSIX sockets");
    std::strcpy(lpWSAData->szSystemStatus, "Running");
    ++m_startups;
    return 0;
  }

  int cleanup() override
  {
    if (!ready())
      return ws::SOCKET_ERROR;
    --m_startups;
    return 0;
  }

  SOCKET createSocket(int af, int type, int protocol) override
  {
    if (!ready())
      return ws::INVALID_SOCKET;
    const int fd = ::socket(af, type | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
      fail();
      return ws::INVALID_SOCKET;
    }
    return adopt(fd, type == SOCK_DGRAM ? Kind::Datagram : Kind::Stream);
  }

  int bindSocket(SOCKET s, const ws::sockaddr* name, int namelen) override
  {
    int fd = -1;
    ::sockaddr_in addr{};
    if (!resolve(s, name, namelen, fd, addr))
      return ws::SOCKET_ERROR;
    return check(::bind(fd, reinterpret_cast<const ::sockaddr*>(&addr), sizeof addr));
  }

  int connectSocket(SOCKET s, const ws::sockaddr* name, int namelen) override
  {
    int fd = -1;
    ::sockaddr_in addr{};
    if (!resolve(s, name, namelen, fd, addr))
      return ws::SOCKET_ERROR;
    const int flags = setNonBlocking(fd);
    if (flags < 0)
      return fail();
    int rc = ::connect(fd, reinterpret_cast<const ::sockaddr*>(&addr), sizeof addr);
    if (rc < 0 && errno == EINPROGRESS)
      rc = waitForConnect(fd);
    const int saved = errno;
    // Back to blocking, as the socket was; a failure here would only leave it non-blocking.
    ::fcntl(fd, F_SETFL, flags);
    errno = saved;
    return check(rc);
  }

  int setOption(SOCKET s, int level, int optname, const char* optval, int optlen) override
  {
    const int fd = descriptor(s);
    if (fd < 0)
      return ws::SOCKET_ERROR;
    if (!optval || optlen < 0)
      return failWith(ws::WSAEFAULT);
    if (level == winsock::kSolSocket && optname == winsock::kSoRcvTimeo) {
      if (optlen < 4)
        return failWith(ws::WSAEFAULT);
      int ms = 0;
      std::memcpy(&ms, optval, sizeof ms);
      ::timeval tv{ms / 1000, (ms % 1000) * 1000};
      return check(::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv));
    }
    if (level == winsock::kSolSocket && (optname == winsock::kSoExclusiveAddrUse || optname == winsock::kSoBroadcast))
      return setFlag(fd, optname == winsock::kSoBroadcast ? SO_BROADCAST : SO_REUSEADDR, optval, optlen);
    if (level != winsock::kIpProtoIp)
      return failWith(ws::WSAENOPROTOOPT);
    const int name = linuxIpOption(optname);
    if (name < 0)
      return failWith(ws::WSAENOPROTOOPT);
    const bool membership = name == IP_ADD_MEMBERSHIP || name == IP_DROP_MEMBERSHIP;
    if (optlen < (membership ? 8 : 1))
      return failWith(ws::WSAEFAULT);
    if (membership)
      return check(::setsockopt(fd, IPPROTO_IP, name, optval, sizeof(::ip_mreq)));
    int value = 0;
    std::memcpy(&value, optval, static_cast<std::size_t>(std::min(optlen, 4)));
    return check(::setsockopt(fd, IPPROTO_IP, name, &value, sizeof value));
  }

  int shutdownSocket(SOCKET s, int how) override
  {
    const int fd = descriptor(s);
    if (fd < 0)
      return ws::SOCKET_ERROR;
    const int posixHow = how == winsock::kSdReceive ? SHUT_RD : how == winsock::kSdSend ? SHUT_WR : SHUT_RDWR;
    if (how != winsock::kSdReceive && how != winsock::kSdSend && how != winsock::kSdBoth)
      return failWith(ws::WSAEINVAL);
    return check(::shutdown(fd, posixHow));
  }

  // The handle is gone for good; its notifier goes with it, so nothing more is posted for it.
  int closeSocket(SOCKET s) override
  {
    const int fd = descriptor(s);
    if (fd < 0)
      return ws::SOCKET_ERROR;
    m_select.forget(s);
    m_sockets.erase(s);
    return check(::close(fd));
  }

  int listenSocket(SOCKET s, int backlog) override
  {
    Socket* sock = find(s);
    if (!sock)
      return ws::SOCKET_ERROR;
    if (sock->kind == Kind::Datagram)
      return failWith(ws::WSAEOPNOTSUPP);
    if (::listen(sock->fd, std::max(backlog, 1)) < 0)
      return fail();
    sock->kind = Kind::Listener;
    return 0;
  }

  // The accepted socket inherits the listener's notifications, as in Winsock.
  SOCKET acceptSocket(SOCKET s, ws::sockaddr* addr, int* addrlen) override
  {
    Socket* sock = find(s);
    if (!sock)
      return ws::INVALID_SOCKET;
    if (sock->kind != Kind::Listener) {
      failWith(ws::WSAEINVAL);
      return ws::INVALID_SOCKET;
    }
    ::sockaddr_in peer{};
    ::socklen_t peerlen = sizeof peer;
    const int fd = ::accept4(sock->fd, reinterpret_cast<::sockaddr*>(&peer), &peerlen, SOCK_CLOEXEC);
    const int error = errno;
    m_select.acceptDone(s);
    if (fd < 0) {
      errno = error;
      fail();
      return ws::INVALID_SOCKET;
    }
    copyAddress(peer, addr, addrlen);
    const SOCKET handle = adopt(fd, Kind::Stream);
    if (m_select.watched(s) && setNonBlocking(fd) >= 0) {
      m_sockets[handle].notified = true;
      m_select.inherit(s, handle, fd);
    }
    return handle;
  }

  int socketName(SOCKET s, ws::sockaddr* name, int* namelen) override
  {
    const int fd = descriptor(s);
    if (fd < 0)
      return ws::SOCKET_ERROR;
    if (!name || !namelen || *namelen < 16)
      return failWith(ws::WSAEFAULT);
    ::sockaddr_in addr{};
    ::socklen_t len = sizeof addr;
    if (::getsockname(fd, reinterpret_cast<::sockaddr*>(&addr), &len) < 0)
      return fail();
    copyAddress(addr, name, namelen);
    return 0;
  }

  int asyncSelect(SOCKET s, HWND hWnd, UINT wMsg, long lEvent) override
  {
    Socket* sock = find(s);
    if (!sock)
      return ws::SOCKET_ERROR;
    if (lEvent == 0) {
      m_select.forget(s);
      sock->notified = false;
      return 0;
    }
    if (!hWnd)
      return failWith(ws::WSAEINVAL);
    if (setNonBlocking(sock->fd) < 0)
      return fail();
    sock->notified = true;
    m_select.select(s, sock->fd, sock->kind, hWnd, wMsg, lEvent);
    return 0;
  }

  int lastError() override { return m_lastError; }

  int sendData(SOCKET s, const char* buf, int len, int flags) override
  {
    const int fd = descriptor(s);
    if (fd < 0)
      return ws::SOCKET_ERROR;
    return sent(s, ::send(fd, buf, static_cast<std::size_t>(std::max(len, 0)), flags | MSG_NOSIGNAL));
  }

  int sendDataTo(SOCKET s, const char* buf, int len, int flags, const ws::sockaddr* to, int tolen) override
  {
    int fd = -1;
    ::sockaddr_in addr{};
    if (!resolve(s, to, tolen, fd, addr))
      return ws::SOCKET_ERROR;
    return sent(s, ::sendto(fd, buf, static_cast<std::size_t>(std::max(len, 0)), flags | MSG_NOSIGNAL,
                            reinterpret_cast<const ::sockaddr*>(&addr), sizeof addr));
  }

  int receive(SOCKET s, char* buf, int len, int flags) override
  {
    return receiveFrom(s, buf, len, flags, nullptr, nullptr);
  }

  int receiveFrom(SOCKET s, char* buf, int len, int flags, ws::sockaddr* from, int* fromlen) override
  {
    Socket* sock = find(s);
    if (!sock)
      return ws::SOCKET_ERROR;
    const auto size = static_cast<std::size_t>(std::max(len, 0));
    // A datagram longer than the buffer fails as on Windows instead of arriving cut short.
    const bool datagram = sock->kind == Kind::Datagram;
    ::sockaddr_in addr{};
    ::socklen_t addrlen = sizeof addr;
    ssize_t n = 0;
    bool more = false;
    if (datagram && flags == 0 && sock->notified) {
      n = takeDatagram(*sock, buf, size, addr, more);
    } else {
      ++m_calls.reads;
      n = ::recvfrom(sock->fd, buf, size, flags | (datagram ? MSG_TRUNC : 0), reinterpret_cast<::sockaddr*>(&addr),
                     &addrlen);
      // A stream read that did not fill the buffer took all there was.
      more = datagram ? n >= 0 && dataWaiting(sock->fd) : static_cast<std::size_t>(n) == size && n > 0;
    }
    const int error = errno;
    m_select.readDone(s, n > 0 || (datagram && n == 0), more);
    if (n < 0) {
      errno = error;
      return fail();
    }
    if (addrlen >= sizeof addr)
      copyAddress(addr, from, fromlen);
    if (datagram && static_cast<std::size_t>(n) > size)
      return failWith(ws::WSAEMSGSIZE);
    return static_cast<int>(n);
  }

  platform::SocketCalls calls() const { return m_calls; }

  int descriptorOf(SOCKET s) const
  {
    auto it = m_sockets.find(s);
    return it == m_sockets.end() ? -1 : it->second.fd;
  }

private:
  struct Socket {
    int fd = -1;
    Kind kind = Kind::Stream;
    bool notified = false;  // registered with WSAAsyncSelect, and so non-blocking
    platform::DatagramBatch batch;
  };

  SOCKET adopt(int fd, Kind kind)
  {
    const SOCKET handle = m_nextHandle;
    m_nextHandle += kHandleStep;
    Socket& sock = m_sockets[handle];
    sock.fd = fd;
    sock.kind = kind;
    sock.batch.countReadsIn(m_calls.batches);
    return handle;
  }

  // Notified sockets are non-blocking: their datagrams come in batches, and a read knows from the
  // batch whether data is left.
  ssize_t takeDatagram(Socket& sock, char* buf, std::size_t size, ::sockaddr_in& from, bool& more)
  {
    const ssize_t n = sock.batch.take(sock.fd, buf, size, from);
    const int error = errno;
    more = n >= 0 && sock.batch.more(sock.fd);
    errno = error;
    return n;
  }

  // The descriptor's flags as they were, or -1.
  static int setNonBlocking(int fd)
  {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0 ? flags : -1;
  }

  int setFlag(int fd, int name, const char* optval, int optlen)
  {
    if (optlen < 1)
      return failWith(ws::WSAEFAULT);
    int value = 0;
    std::memcpy(&value, optval, static_cast<std::size_t>(std::min(optlen, 4)));
    value = value != 0;
    return check(::setsockopt(fd, SOL_SOCKET, name, &value, sizeof value));
  }

  static void copyAddress(const ::sockaddr_in& addr, ws::sockaddr* out, int* outlen)
  {
    if (!out || !outlen || *outlen < 16)
      return;
    std::memcpy(out, &addr, 16);
    *outlen = 16;
  }

  // A send that would block asks for FD_WRITE, which says when to go on.
  int sent(SOCKET s, ssize_t n)
  {
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
      m_select.sendBlocked(s);
    return checkCount(n);
  }

  // The open socket a handle names, or nullptr with the call's error set.
  Socket* find(SOCKET s)
  {
    if (!ready())
      return nullptr;
    auto it = m_sockets.find(s);
    if (it != m_sockets.end())
      return &it->second;
    m_lastError = ws::WSAENOTSOCK;
    return nullptr;
  }

  int descriptor(SOCKET s)
  {
    Socket* sock = find(s);
    return sock ? sock->fd : -1;
  }

  bool ready()
  {
    if (m_startups > 0)
      return true;
    m_lastError = ws::WSANOTINITIALISED;
    return false;
  }
  int fail()
  {
    m_lastError = platform::WinsockErrorFromErrno(errno);
    return ws::SOCKET_ERROR;
  }
  int failWith(int code)
  {
    m_lastError = code;
    return ws::SOCKET_ERROR;
  }
  int check(int rc) { return rc < 0 ? fail() : 0; }
  int checkCount(ssize_t n) { return n < 0 ? fail() : static_cast<int>(n); }

  // The descriptor a call acts on and the address it names; false with the call's error set.
  bool resolve(SOCKET s, const ws::sockaddr* name, int namelen, int& fd, ::sockaddr_in& addr)
  {
    fd = descriptor(s);
    return fd >= 0 && toPosix(name, namelen, addr);
  }

  bool toPosix(const ws::sockaddr* name, int namelen, ::sockaddr_in& out)
  {
    if (!name || namelen < 16) {
      m_lastError = ws::WSAEFAULT;
      return false;
    }
    std::memcpy(&out, name, sizeof out);
    out.sin_family = AF_INET;
    return true;
  }

  static int linuxIpOption(int optname)
  {
    if (optname == winsock::kIpMulticastTtl)
      return IP_MULTICAST_TTL;
    if (optname == winsock::kIpMulticastLoop)
      return IP_MULTICAST_LOOP;
    if (optname == winsock::kIpAddMembership)
      return IP_ADD_MEMBERSHIP;
    if (optname == winsock::kIpDropMembership)
      return IP_DROP_MEMBERSHIP;
    return -1;
  }

  static int waitForConnect(int fd)
  {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kConnectTimeoutMs);
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) {
        errno = ETIMEDOUT;
        return -1;
      }
      ::pollfd p{fd, POLLOUT, 0};
      const int rc = ::poll(&p, 1, static_cast<int>(left));
      if (rc < 0 && errno == EINTR)
        continue;
      if (rc < 0)
        return -1;
      if (rc == 0)
        continue;
      int err = 0;
      ::socklen_t len = sizeof err;
      if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) < 0)
        return -1;
      errno = err;
      return err ? -1 : 0;
    }
  }

  Peek peek(int fd, int& error) override
  {
    ++m_calls.peeks;
    char c = 0;
    const ssize_t n = ::recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
      return Peek::Nothing;
    if (n > 0)
      return Peek::Data;
    error = n == 0 ? 0 : platform::WinsockErrorFromErrno(errno);
    return Peek::Closed;
  }

  bool gather(SOCKET s, std::chrono::microseconds wait) override
  {
    auto it = m_sockets.find(s);
    if (it == m_sockets.end() || it->second.kind != Kind::Datagram || !it->second.notified)
      return false;
    std::this_thread::sleep_for(wait);
    ++m_calls.waits;
    return it->second.batch.readAhead(it->second.fd);
  }

  bool dataWaiting(int fd)
  {
    ++m_calls.ioctls;
    int bytes = 0;
    return ::ioctl(fd, FIONREAD, &bytes) == 0 && bytes > 0;
  }

  platform::AsyncSelect m_select{*this};
  platform::SocketCalls m_calls;
  int m_startups = 0;
  int m_lastError = 0;
  SOCKET m_nextHandle = kFirstHandle;
  std::unordered_map<SOCKET, Socket> m_sockets;
};

}  // namespace

ws::SocketLayer& ws::PosixSocketLayer()
{
  static ::PosixSocketLayer layer;
  return layer;
}

platform::SocketCalls platform::SocketSystemCalls()
{
  return static_cast<::PosixSocketLayer&>(ws::PosixSocketLayer()).calls();
}

int platform::SocketDescriptor(ws::SOCKET s)
{
  return static_cast<::PosixSocketLayer&>(ws::PosixSocketLayer()).descriptorOf(s);
}
