// The POSIX socket layer behind the Windows Sockets names.
#include "platform/internal/socket_descriptor.h"
#include "tests/support.h"

#include <QElapsedTimer>

#include <time.h>
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

namespace {

using test::Ip;

constexpr UINT kNotify = WM_USER + 1;

// A window that hands the socket notifications posted to it to onNotify.
class NotifyWindow : public CDialog {
public:
  NotifyWindow() : CDialog(IDD_ABOUTBOX) { createIndirect(); }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
  {
    if (message != kNotify)
      return CDialog::WindowProc(message, wParam, lParam);
    onNotify(static_cast<ws::SOCKET>(wParam), ws::WSAGETSELECTEVENT(lParam), ws::WSAGETSELECTERROR(lParam));
    return 0;
  }

protected:
  virtual void onNotify(ws::SOCKET s, WORD event, WORD error) = 0;
};

// Records the notifications.
class Sink : public NotifyWindow {
public:
  struct Event {
    WORD event;
    WORD error;
    WPARAM socket;
  };
  std::vector<Event> events;

protected:
  void onNotify(ws::SOCKET s, WORD event, WORD error) override { events.push_back({event, error, s}); }
};

// Answers every FD_READ with one read, as the dialog does, and keeps what it read.
class ReadingSink : public NotifyWindow {
public:
  int notifications = 0;
  int readDelayUs = 0;  // a handler this slow makes every burst end on its time limit
  std::vector<std::string> datagrams;

protected:
  void onNotify(ws::SOCKET s, WORD event, WORD) override
  {
    if (event != ws::FD_READ)
      return;
    ++notifications;
    if (readDelayUs > 0)
      std::this_thread::sleep_for(std::chrono::microseconds(readDelayUs));
    char buf[2048];
    const int n = ws::recvfrom(s, buf, sizeof buf, 0, nullptr, nullptr);
    if (n > 0)
      datagrams.emplace_back(buf, static_cast<std::size_t>(n));
  }
};

double ThreadCpuMs()
{
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

unsigned long long ReadAndWaitCalls()
{
  const platform::SocketCalls c = platform::SocketSystemCalls();
  return c.reads + c.batches + c.ioctls + c.peeks + c.waits;
}

class SocketLayer : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(ws::WSAStartup(0x0202, &m_data), 0); }
  void TearDown() override { ws::WSACleanup(); }
  ws::sockaddr_in Loopback(int port)
  {
    ws::sockaddr_in a{};
    a.sin_family = ws::AF_INET;
    a.sin_port = ws::htons(static_cast<WORD>(port));
    a.sin_addr.s_addr = ws::htonl(Ip(127, 0, 0, 1));
    return a;
  }
  // A datagram socket on a loopback port of its own, notifying the sink of reads and closes.
  ws::SOCKET WatchedUdp(CWnd& sink)
  {
    const ws::SOCKET s = ws::socket(ws::AF_INET, ws::SOCK_DGRAM, ws::IPPROTO_UDP);
    const ws::sockaddr_in any = Loopback(0);
    if (ws::bind(s, reinterpret_cast<const ws::sockaddr*>(&any), 16) != 0 ||
        ws::WSAAsyncSelect(s, &sink, kNotify, ws::FD_READ | ws::FD_CLOSE) != 0)
      return ws::INVALID_SOCKET;
    return s;
  }
  ws::SOCKET ConnectedTcp(test::Fd* pPeer)
  {
    int port = 0;
    test::Fd listener = test::TcpListener(&port);
    const ws::SOCKET s = ws::socket(ws::AF_INET, ws::SOCK_STREAM, ws::IPPROTO_TCP);
    const ws::sockaddr_in to = Loopback(port);
    EXPECT_EQ(ws::connect(s, reinterpret_cast<const ws::sockaddr*>(&to), 16), 0);
    *pPeer = test::Accept(listener);
    return s;
  }
  ws::WSADATA m_data{};
};

TEST_F(SocketLayer, StartupCountsAndGuardsEveryCall)
{
  EXPECT_EQ(m_data.wVersion, 0x0202);
  ws::WSADATA old{};
  ASSERT_EQ(ws::WSAStartup(0x0101, &old), 0);
  EXPECT_EQ(old.wVersion, 0x0101);
  EXPECT_EQ(ws::WSACleanup(), 0);
  EXPECT_EQ(ws::WSACleanup(), 0);
  // Count at zero: every call fails with WSANOTINITIALISED.
  EXPECT_EQ(ws::socket(ws::AF_INET, ws::SOCK_DGRAM, ws::IPPROTO_UDP), ws::INVALID_SOCKET);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSANOTINITIALISED);
  EXPECT_EQ(ws::WSACleanup(), ws::SOCKET_ERROR);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSANOTINITIALISED);
  ASSERT_EQ(ws::WSAStartup(0x0202, &m_data), 0);
}

TEST_F(SocketLayer, MapsOptionsToLinux)
{
  const ws::SOCKET s = ws::socket(ws::AF_INET, ws::SOCK_DGRAM, ws::IPPROTO_UDP);
  const int ttl = 6;
  const int loop = 1;
  const int timeout = 1500;
  EXPECT_EQ(ws::setsockopt(s, ws::IPPROTO_IP, ws::IP_MULTICAST_TTL, reinterpret_cast<const char*>(&ttl), 4), 0);
  EXPECT_EQ(ws::setsockopt(s, ws::IPPROTO_IP, ws::IP_MULTICAST_LOOP, reinterpret_cast<const char*>(&loop), 4), 0);
  EXPECT_EQ(ws::setsockopt(s, ws::SOL_SOCKET, ws::SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), 4), 0);
  EXPECT_EQ(test::MulticastTtl(s), 6);
  EXPECT_EQ(test::MulticastLoop(s), 1);
  EXPECT_EQ(test::ReceiveTimeoutMs(s), 1500);
  EXPECT_EQ(ws::setsockopt(s, ws::IPPROTO_IP, 99, reinterpret_cast<const char*>(&ttl), 4), ws::SOCKET_ERROR);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSAENOPROTOOPT);
  ws::closesocket(s);
}

TEST_F(SocketLayer, RefusedConnectAndClosedSocketCodes)
{
  const ws::SOCKET s = ws::socket(ws::AF_INET, ws::SOCK_STREAM, ws::IPPROTO_TCP);
  const ws::sockaddr_in to = Loopback(test::FreeTcpPort());
  EXPECT_EQ(ws::connect(s, reinterpret_cast<const ws::sockaddr*>(&to), 16), ws::SOCKET_ERROR);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSAECONNREFUSED);
  ws::closesocket(s);
  char c = 0;
  EXPECT_EQ(ws::recv(s, &c, 1, 0), ws::SOCKET_ERROR);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSAENOTSOCK);
}

// A handle names one socket for the life of the process, though descriptors come round again.
TEST_F(SocketLayer, HandlesAreNeverHandedOutTwice)
{
  std::set<ws::SOCKET> handles;
  std::set<int> descriptors;
  for (int i = 0; i < 50; ++i) {
    const ws::SOCKET s = ws::socket(ws::AF_INET, ws::SOCK_DGRAM, ws::IPPROTO_UDP);
    ASSERT_NE(s, ws::INVALID_SOCKET);
    handles.insert(s);
    descriptors.insert(platform::SocketDescriptor(s));
    EXPECT_EQ(ws::closesocket(s), 0);
    EXPECT_EQ(platform::SocketDescriptor(s), -1);
    EXPECT_EQ(ws::closesocket(s), ws::SOCKET_ERROR);
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAENOTSOCK);
  }
  EXPECT_EQ(handles.size(), 50u);
  EXPECT_LT(descriptors.size(), 5u);
  EXPECT_EQ(handles.count(ws::INVALID_SOCKET), 0u);
  const int one = 1;
  EXPECT_EQ(
      ws::setsockopt(ws::INVALID_SOCKET, ws::IPPROTO_IP, ws::IP_MULTICAST_LOOP, reinterpret_cast<const char*>(&one), 4),
      ws::SOCKET_ERROR);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSAENOTSOCK);
}

// Takes about 21 seconds: a listener whose queue is full drops the SYN, so only the time limit ends
// the wait.
TEST_F(SocketLayer, BlockingConnectGivesUpAsWindowsDoes)
{
  int port = 0;
  test::Fd listener = test::TcpListener(&port, "127.0.0.1", 0);
  test::Fd queued = test::TcpConnect(port);
  const ws::SOCKET s = ws::socket(ws::AF_INET, ws::SOCK_STREAM, ws::IPPROTO_TCP);
  const ws::sockaddr_in to = Loopback(port);
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(ws::connect(s, reinterpret_cast<const ws::sockaddr*>(&to), 16), ws::SOCKET_ERROR);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSAETIMEDOUT);
  EXPECT_GE(clock.elapsed(), 20000);
  EXPECT_LE(clock.elapsed(), 23000);
  ws::closesocket(s);
}

TEST_F(SocketLayer, ReadNotificationWaitsForARead)
{
  Sink sink;
  int port = 0;
  test::Fd peer = test::UdpSocket(&port);
  const ws::SOCKET s = WatchedUdp(sink);
  ASSERT_NE(s, ws::INVALID_SOCKET);
  const int me = test::LocalPort(s);
  for (int i = 0; i < 3; ++i)
    test::SendDatagram(peer, "x", me);
  ASSERT_TRUE(test::WaitFor([&] { return !sink.events.empty(); }));
  // Data waits, but with no read since the notification the loop has nothing to do: it sleeps.
  const double cpu = ThreadCpuMs();
  QTest::qWait(200);
  EXPECT_LT(ThreadCpuMs() - cpu, 100.0);
  EXPECT_EQ(sink.events.size(), 1u);  // no second FD_READ before a read
  EXPECT_EQ(sink.events[0].event, ws::FD_READ);
  EXPECT_EQ(sink.events[0].socket, s);
  char buf[8];
  EXPECT_EQ(ws::recvfrom(s, buf, sizeof buf, 0, nullptr, nullptr), 1);
  ASSERT_TRUE(test::WaitFor([&] { return sink.events.size() == 2; }));
  // A datagram bigger than the buffer fails as on Windows.
  EXPECT_EQ(ws::recvfrom(s, buf, sizeof buf, 0, nullptr, nullptr), 1);
  test::SendDatagram(peer, std::string(100, 'y'), me);
  EXPECT_EQ(ws::recvfrom(s, buf, 1, 0, nullptr, nullptr), 1);
  ASSERT_TRUE(test::WaitFor([&] { return sink.events.size() >= 3; }));
  EXPECT_EQ(ws::recvfrom(s, buf, sizeof buf, 0, nullptr, nullptr), ws::SOCKET_ERROR);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSAEMSGSIZE);
  // Nothing new arrives for a closed socket.
  ws::closesocket(s);
  const std::size_t seen = sink.events.size();
  test::SendDatagram(peer, "late", me);
  QTest::qWait(50);
  EXPECT_EQ(sink.events.size(), seen);
}

// A read that leaves data brings FD_READ again; one that takes the last datagram waits for new data.
TEST_F(SocketLayer, ReadNotificationComesAgainOnlyWhileDataIsLeft)
{
  Sink sink;
  int port = 0;
  test::Fd peer = test::UdpSocket(&port);
  const ws::SOCKET s = WatchedUdp(sink);
  ASSERT_NE(s, ws::INVALID_SOCKET);
  const int me = test::LocalPort(s);
  test::SendDatagram(peer, "1", me);
  test::SendDatagram(peer, "2", me);
  ASSERT_TRUE(test::WaitFor([&] { return sink.events.size() == 1; }));
  char buf[8];
  EXPECT_EQ(ws::recvfrom(s, buf, sizeof buf, 0, nullptr, nullptr), 1);
  ASSERT_TRUE(test::WaitFor([&] { return sink.events.size() == 2; }));
  EXPECT_EQ(ws::recvfrom(s, buf, sizeof buf, 0, nullptr, nullptr), 1);
  QTest::qWait(50);
  EXPECT_EQ(sink.events.size(), 2u);
  test::SendDatagram(peer, "3", me);
  ASSERT_TRUE(test::WaitFor([&] { return sink.events.size() == 3; }));
  EXPECT_EQ(sink.events[2].event, ws::FD_READ);
  ws::closesocket(s);
}

// However many the layer takes from the kernel at once, each read hands out one datagram, in order,
// with its own sender; one too long for the buffer fails and is gone; a drained socket would block.
TEST_F(SocketLayer, DatagramsComeOneARead)
{
  Sink sink;
  int portA = 0;
  int portB = 0;
  test::Fd a = test::UdpSocket(&portA);
  test::Fd b = test::UdpSocket(&portB, "127.0.0.2");
  const ws::SOCKET s = WatchedUdp(sink);
  ASSERT_NE(s, ws::INVALID_SOCKET);
  const int me = test::LocalPort(s);
  constexpr int kCount = 40;  // more than one batch
  for (int i = 0; i < kCount; ++i)
    test::SendDatagram(i % 2 ? b : a, std::string(static_cast<std::size_t>(i + 1), static_cast<char>('a' + i % 26)),
                       me);
  test::SendDatagram(a, std::string(100, 'L'), me);
  test::SendDatagram(a, "end", me);
  ASSERT_TRUE(test::WaitFor([&] { return !sink.events.empty(); }));
  QTest::qWait(20);  // all of them in the socket
  char buf[64];
  for (int i = 0; i < kCount; ++i) {
    ws::sockaddr_in from{};
    int fromLen = sizeof from;
    const int n = ws::recvfrom(s, buf, sizeof buf, 0, reinterpret_cast<ws::sockaddr*>(&from), &fromLen);
    ASSERT_EQ(n, i + 1) << i;
    EXPECT_EQ(std::string(buf, static_cast<std::size_t>(n)),
              std::string(static_cast<std::size_t>(i + 1), static_cast<char>('a' + i % 26)));
    EXPECT_EQ(ws::ntohs(from.sin_port), i % 2 ? portB : portA) << i;
    EXPECT_EQ(ws::ntohl(from.sin_addr.s_addr), i % 2 ? Ip(127, 0, 0, 2) : Ip(127, 0, 0, 1)) << i;
  }
  EXPECT_EQ(ws::recvfrom(s, buf, 10, 0, nullptr, nullptr), ws::SOCKET_ERROR);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSAEMSGSIZE);
  EXPECT_EQ(ws::recvfrom(s, buf, sizeof buf, 0, nullptr, nullptr), 3);
  EXPECT_EQ(std::string(buf, 3), "end");
  EXPECT_EQ(ws::recvfrom(s, buf, sizeof buf, 0, nullptr, nullptr), ws::SOCKET_ERROR);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSAEWOULDBLOCK);
  ws::closesocket(s);
}

// Datagrams sent back to back reach a reader of one datagram per notification whole and in order,
// the last of them too when nothing follows, taken from the kernel many at a time.
TEST_F(SocketLayer, FloodArrivesWholeInOrderAndInBatches)
{
  ReadingSink sink;
  const ws::SOCKET s = WatchedUdp(sink);
  ASSERT_NE(s, ws::INVALID_SOCKET);
  const int me = test::LocalPort(s);
  constexpr int kCount = 20000;
  // Never more in flight than the socket's buffer holds, so that none is dropped.
  constexpr int kInFlight = 100;
  std::atomic<int> read{0};
  std::thread sender([&] {
    int port = 0;
    const test::Fd peer = test::UdpSocket(&port);
    for (int i = 0; i < kCount; ++i) {
      while (i - read.load() >= kInFlight)
        std::this_thread::yield();
      test::SendDatagram(peer, std::to_string(i), me);
    }
  });
  const unsigned long long calls = ReadAndWaitCalls();
  const bool all = test::WaitFor(
      [&] {
        read = static_cast<int>(sink.datagrams.size());
        return read == kCount;
      },
      30000);
  sender.join();
  ASSERT_TRUE(all) << sink.datagrams.size();
  for (int i = 0; i < kCount; ++i)
    ASSERT_EQ(sink.datagrams[static_cast<std::size_t>(i)], std::to_string(i));
  // A readiness the loop saw before a batch took its datagram may bring a notification whose read
  // finds nothing, as Winsock allows; rarely.
  EXPECT_GE(sink.notifications, kCount);
  EXPECT_LE(sink.notifications, kCount + kCount / 100);
  EXPECT_LT(ReadAndWaitCalls() - calls, static_cast<unsigned long long>(kCount / 2));
  ws::closesocket(s);
}

// A burst that ends on its time limit with datagrams taken from the kernel but not yet read goes
// on from the event loop, though the kernel has nothing new to announce.
TEST_F(SocketLayer, DatagramsHeldWhenABurstEndsAreStillDelivered)
{
  ReadingSink sink;
  sink.readDelayUs = 300;
  int port = 0;
  const test::Fd peer = test::UdpSocket(&port);
  const ws::SOCKET s = WatchedUdp(sink);
  ASSERT_NE(s, ws::INVALID_SOCKET);
  const int me = test::LocalPort(s);
  constexpr int kCount = 40;
  for (int i = 0; i < kCount; ++i)
    test::SendDatagram(peer, std::to_string(i), me);
  ASSERT_TRUE(test::WaitFor([&] { return sink.datagrams.size() == kCount; }, 10000)) << sink.datagrams.size();
  for (int i = 0; i < kCount; ++i)
    EXPECT_EQ(sink.datagrams[static_cast<std::size_t>(i)], std::to_string(i));
  ws::closesocket(s);
}

// Datagrams that come one at a time are read as they come: one batch read each, no waiting.
// The dialog asks for FD_WRITE and gives it up again while datagrams arrive: registering a socket
// anew loses none that the layer holds, and each ask for FD_WRITE brings one.
TEST_F(SocketLayer, RegisteringAgainKeepsTheReadsAndBringsFdWrite)
{
  class Reregistering : public ReadingSink {
  public:
    int writes = 0;

  protected:
    void onNotify(ws::SOCKET s, WORD event, WORD error) override
    {
      if (event == ws::FD_WRITE) {
        ++writes;
        return;
      }
      ReadingSink::onNotify(s, event, error);
      const long write = notifications % 2 ? long{ws::FD_WRITE} : 0L;
      ws::WSAAsyncSelect(s, this, kNotify, ws::FD_READ | ws::FD_CLOSE | write);
    }
  } sink;
  int port = 0;
  const test::Fd peer = test::UdpSocket(&port);
  const ws::SOCKET s = WatchedUdp(sink);
  ASSERT_NE(s, ws::INVALID_SOCKET);
  const int me = test::LocalPort(s);
  constexpr int kCount = 200;
  for (int i = 0; i < kCount; ++i)
    test::SendDatagram(peer, std::to_string(i), me);
  ASSERT_TRUE(test::WaitFor([&] { return sink.datagrams.size() == kCount; }, 10000)) << sink.datagrams.size();
  for (int i = 0; i < kCount; ++i)
    EXPECT_EQ(sink.datagrams[static_cast<std::size_t>(i)], std::to_string(i));
  const int writes = sink.writes;
  ASSERT_EQ(ws::WSAAsyncSelect(s, &sink, kNotify, ws::FD_READ | ws::FD_WRITE), 0);
  EXPECT_TRUE(test::WaitFor([&] { return sink.writes == writes + 1; }));
  ws::closesocket(s);
}

TEST_F(SocketLayer, SparseDatagramsAreReadAsTheyCome)
{
  ReadingSink sink;
  int port = 0;
  const test::Fd peer = test::UdpSocket(&port);
  const ws::SOCKET s = WatchedUdp(sink);
  ASSERT_NE(s, ws::INVALID_SOCKET);
  const int me = test::LocalPort(s);
  const platform::SocketCalls before = platform::SocketSystemCalls();
  for (int i = 0; i < 5; ++i) {
    test::SendDatagram(peer, std::to_string(i), me);
    ASSERT_TRUE(test::WaitFor([&] { return sink.datagrams.size() == static_cast<std::size_t>(i + 1); }));
    QTest::qWait(20);
  }
  const platform::SocketCalls after = platform::SocketSystemCalls();
  EXPECT_EQ(after.batches - before.batches, 5u);
  EXPECT_EQ(after.waits - before.waits, 0u);
  EXPECT_EQ(sink.notifications, 5);
  ws::closesocket(s);
}

TEST_F(SocketLayer, PeerCloseIsPostedOnceAfterTheData)
{
  Sink sink;
  test::Fd peer;
  const ws::SOCKET s = ConnectedTcp(&peer);
  ASSERT_EQ(ws::WSAAsyncSelect(s, &sink, kNotify, ws::FD_READ | ws::FD_CLOSE), 0);
  test::SendAll(peer, "tail");
  peer = test::Fd();
  ASSERT_TRUE(test::WaitFor([&] { return !sink.events.empty(); }));
  EXPECT_EQ(sink.events[0].event, ws::FD_READ);
  char buf[16];
  EXPECT_EQ(ws::recv(s, buf, sizeof buf, 0), 4);
  ASSERT_TRUE(test::WaitFor([&] { return sink.events.size() == 2; }));
  EXPECT_EQ(sink.events[1].event, ws::FD_CLOSE);
  EXPECT_EQ(sink.events[1].error, 0);
  QTest::qWait(50);
  EXPECT_EQ(sink.events.size(), 2u);
  ws::closesocket(s);
}

TEST_F(SocketLayer, ResetIsPostedAsCloseWithTheError)
{
  Sink sink;
  test::Fd peer;
  const ws::SOCKET s = ConnectedTcp(&peer);
  ASSERT_EQ(ws::WSAAsyncSelect(s, &sink, kNotify, ws::FD_READ | ws::FD_CLOSE), 0);
  test::ResetConnection(peer);
  ASSERT_TRUE(test::WaitFor([&] { return !sink.events.empty(); }));
  EXPECT_EQ(sink.events[0].event, ws::FD_CLOSE);
  EXPECT_EQ(sink.events[0].error, ws::WSAECONNRESET);
  ws::closesocket(s);
}

}  // namespace
