#include "tests/harness/peers.h"

#include "platform/internal/socket_descriptor.h"
#include "tests/harness/dialog_driver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>

namespace test {

Fd& Fd::operator=(Fd&& o) noexcept
{
  if (this != &o) {
    if (m_fd >= 0)
      ::close(m_fd);
    m_fd = o.m_fd;
    o.m_fd = -1;
  }
  return *this;
}

Fd::~Fd()
{
  if (m_fd >= 0)
    ::close(m_fd);
}

namespace {

sockaddr_in Address(const char* address, int port)
{
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  ::inet_pton(AF_INET, address, &a.sin_addr);
  return a;
}

int BoundPort(int fd)
{
  sockaddr_in a{};
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  return ntohs(a.sin_port);
}

bool Readable(int fd, int timeoutMs)
{
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, timeoutMs) > 0;
}

}  // namespace

Fd TcpListener(int* pPort, const char* address, int backlog)
{
  Fd s(::socket(AF_INET, SOCK_STREAM, 0));
  const int one = 1;
  ::setsockopt(s.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a = Address(address, *pPort);
  if (::bind(s.get(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(s.get(), backlog) != 0)
    return Fd();
  *pPort = BoundPort(s.get());
  return s;
}

Fd TcpConnect(int port)
{
  Fd s(::socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in a = Address("127.0.0.1", port);
  ::connect(s.get(), reinterpret_cast<sockaddr*>(&a), sizeof a);
  return s;
}

Fd TcpConnectWhenListening(int port, int timeoutMs)
{
  const sockaddr_in a = Address("127.0.0.1", port);
  for (int waited = 0; waited <= timeoutMs; waited += 10) {
    Fd s(::socket(AF_INET, SOCK_STREAM, 0));
    if (::connect(s.get(), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0)
      return s;
    ::usleep(10000);
  }
  return Fd();
}

Fd Accept(const Fd& listener, int timeoutMs)
{
  if (!WaitFor([&] { return Readable(listener.get(), 0); }, timeoutMs))
    return Fd();
  return Fd(::accept(listener.get(), nullptr, nullptr));
}

Fd UdpSocket(int* pPort, const char* address)
{
  Fd s(::socket(AF_INET, SOCK_DGRAM, 0));
  sockaddr_in a = Address(address, *pPort);
  if (::bind(s.get(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
    return Fd();
  *pPort = BoundPort(s.get());
  return s;
}

namespace {
int FreePort(int type)
{
  Fd s(::socket(AF_INET, type, 0));
  sockaddr_in a = Address("127.0.0.1", 0);
  ::bind(s.get(), reinterpret_cast<sockaddr*>(&a), sizeof a);
  return BoundPort(s.get());
}

int IntOption(ws::SOCKET s, int level, int name)
{
  int value = 0;
  socklen_t len = sizeof value;
  ::getsockopt(platform::SocketDescriptor(s), level, name, &value, &len);
  return value;
}
}  // namespace

int FreeTcpPort()
{
  return FreePort(SOCK_STREAM);
}

int FreeUdpPort()
{
  return FreePort(SOCK_DGRAM);
}

// Binding without SO_REUSEADDR fails while another socket listens there; nothing is connected.
bool PortListening(int port)
{
  const Fd s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return ::bind(s.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 && errno == EADDRINUSE;
}

int MulticastTtl(ws::SOCKET s)
{
  return IntOption(s, IPPROTO_IP, IP_MULTICAST_TTL);
}

int MulticastLoop(ws::SOCKET s)
{
  return IntOption(s, IPPROTO_IP, IP_MULTICAST_LOOP);
}

int ReceiveTimeoutMs(ws::SOCKET s)
{
  timeval tv{};
  socklen_t len = sizeof tv;
  ::getsockopt(platform::SocketDescriptor(s), SOL_SOCKET, SO_RCVTIMEO, &tv, &len);
  return static_cast<int>(tv.tv_sec * 1000 + tv.tv_usec / 1000);
}

int LocalPort(ws::SOCKET s)
{
  return BoundPort(platform::SocketDescriptor(s));
}

std::size_t TrySend(const Fd& s, const std::string& data)
{
  const ssize_t n = ::send(s.get(), data.data(), data.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

bool SendAll(const Fd& s, const std::string& data)
{
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::send(s.get(), data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string ReceiveSome(const Fd& s, int timeoutMs)
{
  if (!WaitFor([&] { return Readable(s.get(), 0); }, timeoutMs))
    return {};
  char buf[65536];
  const ssize_t n = ::recv(s.get(), buf, sizeof buf, MSG_DONTWAIT);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

std::string ReceiveExactly(const Fd& s, std::size_t n, int timeoutMs)
{
  std::string out;
  WaitFor(
      [&] {
        while (Readable(s.get(), 0)) {
          const std::string part = ReceiveSome(s, 0);
          if (part.empty())
            return true;
          out += part;
        }
        return out.size() >= n;
      },
      timeoutMs);
  return out;
}

std::string ReceiveDatagram(const Fd& s, bool* pGot, int timeoutMs, int* pFromPort)
{
  *pGot = false;
  if (!WaitFor([&] { return Readable(s.get(), 0); }, timeoutMs))
    return {};
  char buf[65536];
  sockaddr_in from{};
  socklen_t len = sizeof from;
  const ssize_t n = ::recvfrom(s.get(), buf, sizeof buf, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &len);
  if (n < 0)
    return {};
  *pGot = true;
  if (pFromPort)
    *pFromPort = ntohs(from.sin_port);
  return std::string(buf, static_cast<std::size_t>(n));
}

void SendDatagram(const Fd& s, const std::string& data, int port, const char* address)
{
  sockaddr_in a = Address(address, port);
  ::sendto(s.get(), data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
}

void ResetConnection(Fd& s)
{
  linger l{1, 0};
  ::setsockopt(s.get(), SOL_SOCKET, SO_LINGER, &l, sizeof l);
  s = Fd();
}

bool PeerClosed(const Fd& s)
{
  char c = 0;
  const ssize_t n = ::recv(s.get(), &c, 1, MSG_DONTWAIT | MSG_PEEK);
  return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

}  // namespace test
