// The TCP server mode: listening, clients coming and going, sending to all, stopping and
// restarting, refusals past the limit; real sockets on loopback, a recording layer for listen.
#include "platform/internal/socket_descriptor.h"
#include "tests/support.h"

#include <dirent.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace {

using test::DialogTest;
using test::Ip;

// Descriptors this process holds.
int OpenDescriptors()
{
  int n = 0;
  DIR* dir = ::opendir("/proc/self/fd");
  while (dir && ::readdir(dir))
    ++n;
  if (dir)
    ::closedir(dir);
  return n;
}

using test::ClosedByPeer;

class Server : public DialogTest {
protected:
  std::unique_ptr<test::TestDlg> Listening(int* pPort, DWORD dwIP = Ip(127, 0, 0, 1))
  {
    *pPort = test::FreeTcpPort();
    auto dlg = NewDialog();
    dlg->Listen(dwIP, *pPort);
    EXPECT_TRUE(m_boxes.empty()) << (m_boxes.empty() ? "" : m_boxes.front());
    EXPECT_EQ(dlg->Text(IDC_CONNECT), "停止监听");
    return dlg;
  }
  static bool Clients(test::TestDlg& dlg, int n)
  {
    return test::WaitFor([&] { return dlg.ClientCount() == n; });
  }
  // n clients connected, and held by the dialog.
  static std::vector<test::Fd> Connect(test::TestDlg& dlg, int port, int n)
  {
    std::vector<test::Fd> clients;
    for (int i = 0; i < n; ++i)
      clients.push_back(test::TcpConnect(port));
    EXPECT_TRUE(Clients(dlg, n));
    return clients;
  }
};

TEST_F(Server, ChoosingTheModeAsksForTheListenPort)
{
  auto dlg = NewDialog();
  dlg->SelectMode(MODE_TCP_SERVER);
  EXPECT_EQ(dlg->Text(IDC_CONNECT), "监 听");
  EXPECT_TRUE(dlg->GetDlgItem(IDC_USE_LOCAL_PORT)->SendMessage(BM_GETCHECK));
  EXPECT_TRUE(dlg->Enabled(IDC_LOCAL_PORT));
  EXPECT_FALSE(dlg->Enabled(IDC_DEST_PORT));
  dlg->SelectMode(MODE_UDP);
  EXPECT_EQ(dlg->Text(IDC_CONNECT), "创 建");
  EXPECT_TRUE(dlg->Enabled(IDC_DEST_PORT));
  // Leaving the mode gives the check box back as it was: a client binds no old listen port.
  EXPECT_FALSE(dlg->GetDlgItem(IDC_USE_LOCAL_PORT)->SendMessage(BM_GETCHECK));
  EXPECT_FALSE(dlg->Enabled(IDC_LOCAL_PORT));
  dlg->SetCheck(IDC_USE_LOCAL_PORT, true);
  dlg->SelectMode(MODE_TCP_SERVER);
  dlg->SelectMode(MODE_TCP);
  EXPECT_TRUE(dlg->GetDlgItem(IDC_USE_LOCAL_PORT)->SendMessage(BM_GETCHECK));
}

TEST_F(Server, AcceptsClientsCountsThemAndSendsToEach)
{
  int port = 0;
  auto dlg = Listening(&port);
  std::vector<test::Fd> clients = Connect(*dlg, port, 3);
  ASSERT_EQ(dlg->ClientCount(), 3);
  EXPECT_EQ(dlg->Title(), dlg->m_strTitle.str() + " - 监听 127.0.0.1:" + std::to_string(port) + ", 3 个客户端");
  EXPECT_TRUE(test::SendAll(clients[0], "one "));
  EXPECT_TRUE(test::SendAll(clients[1], "two "));
  EXPECT_TRUE(test::SendAll(clients[2], "three"));
  ASSERT_TRUE(test::WaitFor([&] { return dlg->Text(IDC_RECV_COUNT) == "13"; }));
  const std::string shown = dlg->Text(IDC_RECV_TEXT);
  for (const char* part : {"one ", "two ", "three"})
    EXPECT_NE(shown.find(part), std::string::npos) << shown;

  dlg->SetText(IDC_SEND_TEXT, "hi");
  dlg->Click(IDC_SEND);
  for (const test::Fd& c : clients)
    EXPECT_EQ(test::ReceiveExactly(c, 2), "hi");
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), "6");

  // One leaves; the others and the listener stay.
  clients.erase(clients.begin());
  ASSERT_TRUE(Clients(*dlg, 2));
  EXPECT_EQ(dlg->Title(), dlg->m_strTitle.str() + " - 监听 127.0.0.1:" + std::to_string(port) + ", 2 个客户端");
  dlg->Click(IDC_SEND);
  for (const test::Fd& c : clients)
    EXPECT_EQ(test::ReceiveExactly(c, 2), "hi");
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), "10");
  test::Fd late = test::TcpConnect(port);
  EXPECT_TRUE(Clients(*dlg, 3));
  EXPECT_TRUE(m_boxes.empty());
}

TEST_F(Server, StopClosesEveryoneAndARestartBindsAtOnce)
{
  test::RecordingSocketLayer layer;
  int port = 0;
  auto dlg = Listening(&port);
  std::vector<test::Fd> clients = Connect(*dlg, port, 3);
  ASSERT_EQ(dlg->ClientCount(), 3);
  const ws::SOCKET gone = dlg->m_clients.GetAt(0).hSocket;
  dlg->Click(IDC_CONNECT);
  EXPECT_EQ(dlg->Text(IDC_CONNECT), "监 听");
  EXPECT_EQ(dlg->Title(), dlg->m_strTitle.str());
  EXPECT_FALSE(dlg->IsOpen());
  EXPECT_EQ(dlg->ClientCount(), 0);
  EXPECT_TRUE(dlg->Enabled(IDC_MODE));
  EXPECT_FALSE(dlg->Enabled(IDC_DEST_PORT));
  EXPECT_FALSE(dlg->Enabled(IDC_SEND));
  for (const test::Fd& c : clients)
    EXPECT_TRUE(ClosedByPeer(c));
  EXPECT_EQ(layer.Count("closesocket"), 4);
  EXPECT_EQ(layer.Count("WSACleanup"), 1);
  // A notification still queued for a closed client acts on nothing.
  dlg->PostMessage(WM_SOCKET_NOTIFY, gone, ws::WSAMAKESELECTREPLY(ws::FD_CLOSE, 0));
  dlg->PostMessage(WM_SOCKET_NOTIFY, gone, ws::WSAMAKESELECTREPLY(ws::FD_READ, 0));
  QTest::qWait(30);
  EXPECT_EQ(layer.Count("closesocket"), 4);

  // The server closed first, so its side of each connection waits in TIME_WAIT.
  dlg->Click(IDC_CONNECT);
  EXPECT_TRUE(m_boxes.empty()) << (m_boxes.empty() ? "" : m_boxes.front());
  EXPECT_TRUE(dlg->IsOpen());
  test::Fd again = test::TcpConnect(port);
  EXPECT_TRUE(Clients(*dlg, 1));
  dlg->Click(IDC_CONNECT);
  EXPECT_EQ(layer.Count("WSACleanup"), layer.Count("WSAStartup"));
}

TEST_F(Server, APortInUseOrAForeignAddressIsRefused)
{
  int port = 0;
  test::Fd other = test::TcpListener(&port);
  auto dlg = NewDialog();
  dlg->Listen(Ip(127, 0, 0, 1), port);
  dlg->Listen(Ip(192, 0, 2, 1), test::FreeTcpPort());  // a documentation address, never this machine's
  EXPECT_EQ(m_boxes, (std::vector<std::string>{"绑定本地端口失败[10048]:WSAEADDRINUSE.\n",
                                               "绑定本地端口失败[10049]:WSAEADDRNOTAVAIL.\n"}));
  EXPECT_FALSE(dlg->IsOpen());
  EXPECT_EQ(dlg->Text(IDC_CONNECT), "监 听");
}

TEST_F(Server, AFailedListenIsReportedAndReleased)
{
  test::RecordingSocketLayer layer;
  layer.FailOn("listen", ws::WSAEMFILE);
  auto dlg = NewDialog();
  dlg->Listen(0, test::FreeTcpPort());
  EXPECT_EQ(m_boxes, (std::vector<std::string>{"监听失败[10024]:WSAEMFILE.\n"}));
  EXPECT_EQ(layer.Count("closesocket"), 1);
  EXPECT_EQ(layer.Count("WSACleanup"), layer.Count("WSAStartup"));
  EXPECT_FALSE(dlg->IsOpen());
  EXPECT_TRUE(dlg->Enabled(IDC_MODE));
}

TEST_F(Server, EveryInterfaceAndAPortTheSystemPicks)
{
  auto dlg = NewDialog();
  dlg->SelectMode(MODE_TCP_SERVER);
  dlg->GetDlgItem(IDC_DEST_IP)->SendMessage(IPM_CLEARADDRESS);
  dlg->SetCheck(IDC_USE_LOCAL_PORT, false);
  dlg->Click(IDC_CONNECT);
  ASSERT_TRUE(m_boxes.empty()) << m_boxes.front();
  const int port = std::stoi(dlg->Text(IDC_LOCAL_PORT));
  EXPECT_EQ(port, test::LocalPort(dlg->m_socket));
  EXPECT_EQ(dlg->Title(), dlg->m_strTitle.str() + " - 监听 0.0.0.0:" + std::to_string(port) + ", 0 个客户端");
  test::Fd client = test::TcpConnect(port);
  EXPECT_TRUE(Clients(*dlg, 1));
}

TEST_F(Server, AZeroPortShowsThePortPicked)
{
  auto dlg = NewDialog();
  dlg->Listen(Ip(127, 0, 0, 1), 0);
  ASSERT_TRUE(m_boxes.empty()) << m_boxes.front();
  EXPECT_EQ(std::stoi(dlg->Text(IDC_LOCAL_PORT)), test::LocalPort(dlg->m_socket));
  EXPECT_NE(dlg->Text(IDC_LOCAL_PORT), "0");
}

TEST_F(Server, SendingWithNoClientSaysSo)
{
  int port = 0;
  auto dlg = Listening(&port);
  dlg->SetCheck(IDC_HEX_SEND, true);
  dlg->SetText(IDC_SEND_TEXT, "  01 02  ");
  dlg->Click(IDC_SEND);
  EXPECT_EQ(m_boxes, (std::vector<std::string>{"没有已连接的客户端!"}));
  EXPECT_EQ(dlg->Text(IDC_SEND_TEXT), "  01 02  ");
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), "0");
}

TEST_F(Server, AClientThatSendsAndResetsIsCountedAndForgotten)
{
  int port = 0;
  auto dlg = Listening(&port);
  test::Fd client = test::TcpConnect(port);
  ASSERT_TRUE(Clients(*dlg, 1));
  ASSERT_TRUE(test::SendAll(client, "bye"));
  test::ResetConnection(client);
  EXPECT_TRUE(test::WaitFor([&] { return dlg->Text(IDC_RECV_COUNT) == "3"; }));
  EXPECT_TRUE(Clients(*dlg, 0));
  EXPECT_TRUE(m_boxes.empty());
  EXPECT_TRUE(dlg->IsOpen());
}

TEST_F(Server, TheSixtyFifthIsClosedAtOnce)
{
  int port = 0;
  auto dlg = Listening(&port);
  std::vector<test::Fd> clients = Connect(*dlg, port, MAX_CLIENTS);
  ASSERT_EQ(dlg->ClientCount(), MAX_CLIENTS);
  test::Fd extra = test::TcpConnect(port);
  EXPECT_TRUE(ClosedByPeer(extra));
  EXPECT_EQ(dlg->ClientCount(), MAX_CLIENTS);
  for (int i = 0; i < 4; ++i)
    EXPECT_FALSE(ClosedByPeer(clients[static_cast<std::size_t>(i)], 0));
  // A place that frees up is taken by the next one.
  clients.pop_back();
  ASSERT_TRUE(Clients(*dlg, MAX_CLIENTS - 1));
  test::Fd next = test::TcpConnect(port);
  EXPECT_TRUE(Clients(*dlg, MAX_CLIENTS));
  EXPECT_FALSE(ClosedByPeer(next, 50));
}

TEST_F(Server, ClientsComingAndGoingLeaveNothingBehind)
{
  int port = 0;
  auto dlg = Listening(&port);
  const auto comeAndGo = [&](int times) {
    for (int i = 0; i < times; ++i) {
      test::Fd client = test::TcpConnect(port);
      ASSERT_TRUE(Clients(*dlg, 1)) << i;
      client = test::Fd();
      ASSERT_TRUE(Clients(*dlg, 0)) << i;
    }
  };
  // The first rounds may open what the event loop keeps for good; count from after them.
  comeAndGo(10);
  const int before = OpenDescriptors();
  comeAndGo(1000);
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_TRUE(m_boxes.empty());
}

TEST_F(Server, AThousandAtOnceNeverHoldsMoreThanTheLimit)
{
  rlimit limit{};
  ::getrlimit(RLIMIT_NOFILE, &limit);
  limit.rlim_cur = std::max<rlim_t>(limit.rlim_cur, std::min<rlim_t>(limit.rlim_max, 4096));
  ::setrlimit(RLIMIT_NOFILE, &limit);
  if (limit.rlim_cur < 1200)
    GTEST_SKIP() << "needs 1200 descriptors, the limit is " << limit.rlim_cur;
  int port = 0;
  auto dlg = Listening(&port);
  std::vector<test::Fd> clients;
  for (int i = 0; i < 1000; ++i)
    clients.push_back(test::TcpConnect(port));
  int most = 0;
  int closed = 0;
  test::WaitFor(
      [&] {
        most = std::max(most, dlg->ClientCount());
        closed = static_cast<int>(std::count_if(clients.begin(), clients.end(), test::PeerClosed));
        return closed == 1000 - MAX_CLIENTS;
      },
      20000);
  EXPECT_EQ(most, MAX_CLIENTS);
  EXPECT_EQ(dlg->ClientCount(), MAX_CLIENTS);
  EXPECT_EQ(closed, 1000 - MAX_CLIENTS);
  // Each held client's byte is counted once.
  for (const test::Fd& c : clients)
    test::TrySend(c, "x");
  EXPECT_TRUE(test::WaitFor([&] { return dlg->Text(IDC_RECV_COUNT) == std::to_string(MAX_CLIENTS); }));
  QTest::qWait(50);
  EXPECT_EQ(dlg->Text(IDC_RECV_COUNT), std::to_string(MAX_CLIENTS));
}

// Out of descriptors, a pending connection cannot be taken: the listener tries again every 100 ms
// instead of at once, thousands of times a second, and the record says connections wait.
TEST_F(Server, WithNoDescriptorLeftConnectionsWaitWithoutSpinning)
{
  int port = 0;
  test::RecordingSocketLayer layer;
  auto dlg = Listening(&port);
  // Painting starts threads, which need descriptors: the window is out of sight meanwhile. One
  // client taken first has the sanitizer's type checks of the notifiers done while it still can.
  dlg->widget()->hide();
  std::vector<test::Fd> clients = Connect(*dlg, port, 1);
  QTest::qWait(100);
  for (int i = 0; i < 5; ++i)
    clients.push_back(test::TcpConnect(port));
  // The lowest free descriptor as the limit: every one below it is taken.
  const int lowest = ::dup(0);
  ::close(lowest);
  rlimit old{};
  ::getrlimit(RLIMIT_NOFILE, &old);
  const rlimit none{static_cast<rlim_t>(lowest), old.rlim_max};
  ::setrlimit(RLIMIT_NOFILE, &none);
  const int before = layer.Count("accept");
  QTest::qWait(500);
  const int tries = layer.Count("accept") - before;
  ::setrlimit(RLIMIT_NOFILE, &old);
  EXPECT_GE(tries, 2);
  EXPECT_LE(tries, 10) << "accept tried " << tries << " times in half a second";
  EXPECT_EQ(dlg->ClientCount(), 1);
  int waiting = 0;
  for (int i = 0; i < dlg->m_record.GetCount(); ++i)
    waiting += dlg->m_record.GetEvent(i).kind == TRAFFIC_ACCEPT_WAITING;
  EXPECT_EQ(waiting, 1);
  // Descriptors again: the connections that waited are taken.
  EXPECT_TRUE(Clients(*dlg, 6));
  EXPECT_TRUE(m_boxes.empty());
}

TEST_F(Server, TheDialogEndingWhileListeningClosesEveryone)
{
  int port = 0;
  auto dlg = Listening(&port);
  test::Fd client = test::TcpConnect(port);
  ASSERT_TRUE(Clients(*dlg, 1));
  dlg.reset();
  EXPECT_TRUE(ClosedByPeer(client));
  test::Fd refused = test::TcpConnect(port);
  EXPECT_TRUE(ClosedByPeer(refused));
}

TEST_F(Server, StartUpRestoresTheMode)
{
  int port = 0;
  {
    auto dlg = Listening(&port);
    dlg->Click(IDC_CONNECT);
  }
  auto dlg = NewDialog();
  EXPECT_EQ(dlg->Mode(), MODE_TCP_SERVER);
  EXPECT_EQ(dlg->Text(IDC_CONNECT), "监 听");
  EXPECT_TRUE(dlg->Enabled(IDC_LOCAL_PORT));
  EXPECT_FALSE(dlg->Enabled(IDC_DEST_PORT));
  EXPECT_EQ(dlg->Text(IDC_LOCAL_PORT), std::to_string(port));
}

}  // namespace
