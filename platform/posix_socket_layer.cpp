#include "platform/cwnd.h"
#include "platform/winsock.h"

// Winsock's numbers, captured before the POSIX headers below define macros of the same names.
namespace winsock {
constexpr int kSolSocket = ws::SOL_SOCKET;
constexpr int kSoRcvTimeo = ws::SO_RCVTIMEO;
constexpr int kIpProtoIp = ws::IPPROTO_IP;
constexpr int kIpMulticastTtl = ws::IP_MULTICAST_TTL;
constexpr int kIpMulticastLoop = ws::IP_MULTICAST_LOOP;
constexpr int kIpAddMembership = ws::IP_ADD_MEMBERSHIP;
constexpr int kIpDropMembership = ws::IP_DROP_MEMBERSHIP;
constexpr int kSdReceive = ws::SD_RECEIVE;
constexpr int kSdSend = ws::SD_SEND;
constexpr int kSdBoth = ws::SD_BOTH;
constexpr long kFdRead = ws::FD_READ;
constexpr long kFdClose = ws::FD_CLOSE;
}  // namespace winsock

#include "platform/socket_errors.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <unordered_map>

namespace {

using ws::SOCKET;

// How long a blocking connect may wait: Windows gives up after about 21 seconds.
constexpr int kConnectTimeoutMs = 21000;
constexpr WORD kHighestVersion = 0x0202;

int fdOf(SOCKET s)
{
  return s > static_cast<SOCKET>(INT32_MAX) ? -1 : static_cast<int>(s);
}

class PosixSocketLayer final : public ws::SocketLayer {
public:
  int startup(WORD wVersionRequested, ws::WSADATA* lpWSAData) override
  {
    if (!lpWSAData)
      return ws::WSAEFAULT;
    if (LOBYTE(wVersionRequested) == 0)
      return ws::WSAVERNOTSUPPORTED;
    const bool above = LOBYTE(wVersionRequested) > 2 || (LOBYTE(wVersionRequested) == 2 && HIBYTE(wVersionRequested) > 2);
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
    m_datagram[fd] = type == SOCK_DGRAM;
    return static_cast<SOCKET>(fd);
  }

  int bindSocket(SOCKET s, const ws::sockaddr* name, int namelen) override
  {
    if (!ready())
      return ws::SOCKET_ERROR;
    ::sockaddr_in addr{};
    if (!toPosix(name, namelen, addr))
      return ws::SOCKET_ERROR;
    return check(::bind(fdOf(s), reinterpret_cast<const ::sockaddr*>(&addr), sizeof addr));
  }

  int connectSocket(SOCKET s, const ws::sockaddr* name, int namelen) override
  {
    if (!ready())
      return ws::SOCKET_ERROR;
    ::sockaddr_in addr{};
    if (!toPosix(name, namelen, addr))
      return ws::SOCKET_ERROR;
    const int fd = fdOf(s);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0)
      return fail();
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int rc = ::connect(fd, reinterpret_cast<const ::sockaddr*>(&addr), sizeof addr);
    if (rc < 0 && errno == EINPROGRESS)
      rc = waitForConnect(fd);
    const int saved = errno;
    ::fcntl(fd, F_SETFL, flags);
    errno = saved;
    return check(rc);
  }

  int setOption(SOCKET s, int level, int optname, const char* optval, int optlen) override
  {
    if (!ready())
      return ws::SOCKET_ERROR;
    if (!optval || optlen < 0)
      return failWith(ws::WSAEFAULT);
    const int fd = fdOf(s);
    if (level == winsock::kSolSocket && optname == winsock::kSoRcvTimeo) {
      if (optlen < 4)
        return failWith(ws::WSAEFAULT);
      int ms = 0;
      std::memcpy(&ms, optval, sizeof ms);
      ::timeval tv{ms / 1000, (ms % 1000) * 1000};
      return check(::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv));
    }
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
    if (!ready())
      return ws::SOCKET_ERROR;
    const int posixHow = how == winsock::kSdReceive ? SHUT_RD : how == winsock::kSdSend ? SHUT_WR : SHUT_RDWR;
    if (how != winsock::kSdReceive && how != winsock::kSdSend && how != winsock::kSdBoth)
      return failWith(ws::WSAEINVAL);
    return check(::shutdown(fdOf(s), posixHow));
  }

  int closeSocket(SOCKET s) override
  {
    if (!ready())
      return ws::SOCKET_ERROR;
    const int fd = fdOf(s);
    m_watches.erase(fd);
    m_datagram.erase(fd);
    return check(::close(fd));
  }

  int asyncSelect(SOCKET s, HWND hWnd, UINT wMsg, long lEvent) override
  {
    if (!ready())
      return ws::SOCKET_ERROR;
    const int fd = fdOf(s);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0)
      return fail();
    m_watches.erase(fd);
    if (lEvent == 0)
      return 0;
    if (!hWnd)
      return failWith(ws::WSAEINVAL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    Watch& w = m_watches[fd];
    w.hwnd = hWnd;
    w.message = wMsg;
    w.events = lEvent;
    w.notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(w.notifier.get(), &QSocketNotifier::activated, [this, fd] { onReadable(fd); });
    return 0;
  }

  int lastError() override { return m_lastError; }

  int sendData(SOCKET s, const char* buf, int len, int flags) override
  {
    if (!ready())
      return ws::SOCKET_ERROR;
    return checkCount(::send(fdOf(s), buf, static_cast<std::size_t>(std::max(len, 0)), flags | MSG_NOSIGNAL));
  }

  int sendDataTo(SOCKET s, const char* buf, int len, int flags, const ws::sockaddr* to, int tolen) override
  {
    if (!ready())
      return ws::SOCKET_ERROR;
    ::sockaddr_in addr{};
    if (!toPosix(to, tolen, addr))
      return ws::SOCKET_ERROR;
    return checkCount(::sendto(fdOf(s), buf, static_cast<std::size_t>(std::max(len, 0)), flags | MSG_NOSIGNAL,
                               reinterpret_cast<const ::sockaddr*>(&addr), sizeof addr));
  }

  int receive(SOCKET s, char* buf, int len, int flags) override
  {
    return receiveFrom(s, buf, len, flags, nullptr, nullptr);
  }

  int receiveFrom(SOCKET s, char* buf, int len, int flags, ws::sockaddr* from, int* fromlen) override
  {
    if (!ready())
      return ws::SOCKET_ERROR;
    const int fd = fdOf(s);
    rearm(fd);
    const auto size = static_cast<std::size_t>(std::max(len, 0));
    // A datagram longer than the buffer fails as on Windows instead of arriving cut short.
    const bool datagram = isDatagram(fd);
    ::sockaddr_in addr{};
    ::socklen_t addrlen = sizeof addr;
    const ssize_t n = ::recvfrom(fd, buf, size, flags | (datagram ? MSG_TRUNC : 0), reinterpret_cast<::sockaddr*>(&addr), &addrlen);
    if (n < 0)
      return fail();
    if (from && fromlen && *fromlen >= 16 && addrlen >= sizeof addr) {
      std::memcpy(from, &addr, 16);
      *fromlen = 16;
    }
    if (datagram && static_cast<std::size_t>(n) > size)
      return failWith(ws::WSAEMSGSIZE);
    return static_cast<int>(n);
  }

private:
  struct Watch {
    std::unique_ptr<QSocketNotifier> notifier;
    HWND hwnd = nullptr;
    UINT message = 0;
    long events = 0;
  };

  bool isDatagram(int fd) const
  {
    auto it = m_datagram.find(fd);
    return it != m_datagram.end() && it->second;
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
      ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
      errno = err;
      return err ? -1 : 0;
    }
  }

  // Winsock's re-enabling rule: after FD_READ is posted, the next one waits for a read call.
  void rearm(int fd)
  {
    auto it = m_watches.find(fd);
    if (it != m_watches.end() && it->second.notifier)
      it->second.notifier->setEnabled(true);
  }

  void post(const Watch& w, int fd, long event, int error)
  {
    w.hwnd->PostMessage(w.message, static_cast<WPARAM>(fd), ws::WSAMAKESELECTREPLY(static_cast<unsigned>(event), static_cast<unsigned>(error)));
  }

  void onReadable(int fd)
  {
    auto it = m_watches.find(fd);
    if (it == m_watches.end())
      return;
    Watch& w = it->second;
    w.notifier->setEnabled(false);
    if (isDatagram(fd)) {
      if (w.events & winsock::kFdRead)
        post(w, fd, winsock::kFdRead, 0);
      return;
    }
    char c = 0;
    const ssize_t n = ::recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
      w.notifier->setEnabled(true);
      return;
    }
    if (n > 0) {
      if (w.events & winsock::kFdRead)
        post(w, fd, winsock::kFdRead, 0);
      return;
    }
    // The peer is gone: FD_CLOSE once, and the notifier stays off for good.
    const int error = n == 0 ? 0 : platform::WinsockErrorFromErrno(errno);
    if (w.events & winsock::kFdClose)
      post(w, fd, winsock::kFdClose, error);
    w.notifier.reset();
  }

  int m_startups = 0;
  int m_lastError = 0;
  std::unordered_map<int, Watch> m_watches;
  std::unordered_map<int, bool> m_datagram;
};

ws::SocketLayer* g_pCurrent = nullptr;

}  // namespace

namespace ws {

SocketLayer& PosixSocketLayer()
{
  static ::PosixSocketLayer layer;
  return layer;
}

SocketLayer& CurrentSocketLayer()
{
  return g_pCurrent ? *g_pCurrent : PosixSocketLayer();
}

void SetSocketLayer(SocketLayer* pLayer)
{
  g_pCurrent = pLayer;
}

}  // namespace ws
