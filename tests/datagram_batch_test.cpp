// Datagrams taken from the kernel in batches, on real loopback sockets.
#include "platform/posix/datagram_batch.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

namespace {

// A UDP socket on a loopback port of its own, closed with the test.
class Udp {
public:
  Udp() : m_fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0))
  {
    ::sockaddr_in a = loopback(0);
    ::socklen_t len = sizeof a;
    ::bind(m_fd, reinterpret_cast<const ::sockaddr*>(&a), sizeof a);
    ::getsockname(m_fd, reinterpret_cast<::sockaddr*>(&a), &len);
    m_port = ntohs(a.sin_port);
  }
  ~Udp() { ::close(m_fd); }
  Udp(const Udp&) = delete;
  Udp& operator=(const Udp&) = delete;

  static ::sockaddr_in loopback(int port)
  {
    ::sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
  }
  void sendTo(const std::string& data, int port) const
  {
    const ::sockaddr_in to = loopback(port);
    ::sendto(m_fd, data.data(), data.size(), 0, reinterpret_cast<const ::sockaddr*>(&to), sizeof to);
  }
  int fd() const { return m_fd; }
  int port() const { return m_port; }

private:
  int m_fd;
  int m_port = 0;
};

std::string Take(platform::DatagramBatch& batch, const Udp& in, int* pFromPort = nullptr)
{
  char buf[64];
  ::sockaddr_in from{};
  const ssize_t n = batch.take(in.fd(), buf, sizeof buf, from);
  if (pFromPort)
    *pFromPort = ntohs(from.sin_port);
  return n < 0 ? std::string("error ") + std::to_string(errno) : std::string(buf, static_cast<std::size_t>(n));
}

// What the layer takes from the kernel ahead of a read comes out one datagram per take, in order,
// each with its sender.
TEST(DatagramBatch, ReadAheadHandsOutOneDatagramPerTake)
{
  Udp in;
  Udp out;
  for (const char* payload : {"one", "two", "three"})
    out.sendTo(payload, in.port());
  platform::DatagramBatch batch;
  ASSERT_TRUE(batch.readAhead(in.fd()));
  EXPECT_TRUE(batch.holding());
  for (const char* payload : {"one", "two", "three"}) {
    int from = 0;
    EXPECT_EQ(Take(batch, in, &from), payload);
    EXPECT_EQ(from, out.port());
  }
  EXPECT_FALSE(batch.holding());
  EXPECT_FALSE(batch.readAhead(in.fd()));
  EXPECT_EQ(Take(batch, in), "error " + std::to_string(EAGAIN));
}

// An error the socket reports while the layer reads ahead is kept for the next take, not lost.
TEST(DatagramBatch, AnErrorMetReadingAheadGoesToTheNextTake)
{
  int closedPort = 0;
  {
    const Udp gone;  // closed at once: nobody listens on its port
    closedPort = gone.port();
  }
  Udp out;
  const ::sockaddr_in to = Udp::loopback(closedPort);
  ASSERT_EQ(::connect(out.fd(), reinterpret_cast<const ::sockaddr*>(&to), sizeof to), 0);
  ASSERT_EQ(::send(out.fd(), "x", 1, 0), 1);
  ::pollfd p{out.fd(), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 3000), 1);
  ASSERT_TRUE(p.revents & POLLERR);
  platform::DatagramBatch batch;
  ASSERT_TRUE(batch.readAhead(out.fd()));
  EXPECT_TRUE(batch.holding());
  EXPECT_EQ(Take(batch, out), "error " + std::to_string(ECONNREFUSED));
  EXPECT_FALSE(batch.holding());
  EXPECT_EQ(Take(batch, out), "error " + std::to_string(EAGAIN));
}

}  // namespace
