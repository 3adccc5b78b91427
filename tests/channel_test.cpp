// Opening and closing the channel: real sockets on loopback, and a recording layer for the
// failures loopback cannot produce.
#include "platform/internal/socket_descriptor.h"
#include "platform/posix/socket_errors.h"
#include "tests/support.h"

#include <QFile>
#include <QSettings>

#include <algorithm>
#include <chrono>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

using test::DialogTest;
using test::Ip;

class Channel : public DialogTest {
protected:
  std::map<std::string, int> Saved()
  {
    QSettings ini(QString::fromStdString(ProfilePath()), QSettings::IniFormat);
    std::map<std::string, int> out;
    for (const char* key : {"LastDestPort", "LastLocalPort", "LastType", "LastdwIPADDRESS"}) {
      const QVariant v = ini.value(QStringLiteral("ClientParams/") + QLatin1String(key));
      if (v.isValid())
        out[key] = v.toInt();
    }
    return out;
  }
  bool SettingsEnabled(test::TestDlg& dlg)
  {
    return dlg.Enabled(IDC_DEST_IP) && dlg.Enabled(IDC_DEST_PORT) && dlg.Enabled(IDC_USE_LOCAL_PORT) &&
           dlg.Enabled(IDC_MODE);
  }
};

TEST_F(Channel, TcpOpensAndCloses)
{
  int port = 0;
  test::Fd listener = test::TcpListener(&port);
  auto dlg = NewDialog();
  dlg->SelectMode(MODE_TCP);
  dlg->SetDest(Ip(127, 0, 0, 1), port);
  dlg->SetText(IDC_LOCAL_PORT, "4321");
  dlg->Click(IDC_CONNECT);
  EXPECT_TRUE(m_boxes.empty());
  ASSERT_TRUE(dlg->IsOpen());
  test::Fd peer = test::Accept(listener);
  EXPECT_TRUE(peer);
  EXPECT_EQ(dlg->Text(IDC_CONNECT), "断开连接");
  EXPECT_FALSE(dlg->Enabled(IDC_DEST_IP));
  EXPECT_FALSE(dlg->Enabled(IDC_MODE));
  EXPECT_FALSE(dlg->Enabled(IDC_USE_LOCAL_PORT));
  EXPECT_TRUE(dlg->Enabled(IDC_SEND));
  const std::map<std::string, int> expected{{"LastDestPort", port},
                                            {"LastLocalPort", 4321},
                                            {"LastType", 0},
                                            {"LastdwIPADDRESS", static_cast<int>(Ip(127, 0, 0, 1))}};
  EXPECT_EQ(Saved(), expected);

  dlg->Click(IDC_CONNECT);
  EXPECT_FALSE(dlg->IsOpen());
  EXPECT_EQ(dlg->Text(IDC_CONNECT), "连 接");
  EXPECT_TRUE(SettingsEnabled(*dlg));
  EXPECT_FALSE(dlg->Enabled(IDC_SEND));
  EXPECT_EQ(test::ReceiveSome(peer, 2000), "");  // the peer sees the close
}

TEST_F(Channel, RefusedConnectReportsTheCode)
{
  const int port = test::FreeTcpPort();
  auto dlg = NewDialog();
  dlg->OpenChannel(MODE_TCP, Ip(127, 0, 0, 1), port);
  EXPECT_EQ(m_boxes, std::vector<std::string>{"连接服务器失败[10061]:WSAECONNREFUSED.\n"});
  EXPECT_FALSE(dlg->IsOpen());
  EXPECT_EQ(dlg->Text(IDC_CONNECT), "连 接");
  EXPECT_TRUE(SettingsEnabled(*dlg));
  EXPECT_FALSE(dlg->Enabled(IDC_SEND));
  EXPECT_TRUE(Saved().empty());  // a failed open writes nothing
}

TEST_F(Channel, LocalPortInUseReportsTheCode)
{
  int busy = 0;
  test::Fd holder = test::UdpSocket(&busy, "0.0.0.0");
  auto dlg = NewDialog();
  dlg->SelectMode(MODE_UDP);
  dlg->SetDest(Ip(127, 0, 0, 1), 9);
  dlg->Click(IDC_USE_LOCAL_PORT);
  dlg->SetText(IDC_LOCAL_PORT, std::to_string(busy).c_str());
  dlg->Click(IDC_CONNECT);
  EXPECT_EQ(m_boxes, std::vector<std::string>{"绑定本地端口失败[10048]:WSAEADDRINUSE.\n"});
  EXPECT_FALSE(dlg->IsOpen());
  EXPECT_TRUE(dlg->Enabled(IDC_LOCAL_PORT));
}

TEST_F(Channel, BlankOrZeroAddressIsRefused)
{
  test::RecordingSocketLayer layer;
  auto dlg = NewDialog();
  dlg->GetDlgItem(IDC_DEST_IP)->SendMessage(IPM_CLEARADDRESS);
  dlg->Click(IDC_CONNECT);
  dlg->SetDest(0, 80);
  dlg->Click(IDC_CONNECT);
  EXPECT_EQ(m_boxes, (std::vector<std::string>{"请输入正确的目标地址.", "请输入正确的目标地址."}));
  EXPECT_EQ(layer.Count("WSAStartup"), 0);
  EXPECT_EQ(layer.Count("socket"), 0);
}

TEST_F(Channel, PortAbove65535KeepsItsLow16Bits)
{
  int port = 0;
  test::Fd listener = test::TcpListener(&port);
  auto dlg = NewDialog();
  dlg->OpenChannel(MODE_TCP, Ip(127, 0, 0, 1), 65536 + port);
  ASSERT_TRUE(dlg->IsOpen()) << (m_boxes.empty() ? "" : m_boxes.front());
  EXPECT_TRUE(test::Accept(listener));
  EXPECT_EQ(Saved()["LastDestPort"], 65536 + port);
  dlg->Click(IDC_CONNECT);
}

TEST_F(Channel, UncheckedLocalPortBindsAnyPortButIsSaved)
{
  int peerPort = 0;
  test::Fd peer = test::UdpSocket(&peerPort);
  const int unused = test::FreeUdpPort();
  auto dlg = NewDialog();
  dlg->SelectMode(MODE_UDP);
  dlg->SetDest(Ip(127, 0, 0, 1), peerPort);
  dlg->SetText(IDC_LOCAL_PORT, std::to_string(unused).c_str());
  dlg->Click(IDC_CONNECT);
  ASSERT_TRUE(dlg->IsOpen());
  EXPECT_EQ(dlg->Text(IDC_CONNECT), "关 闭");
  dlg->SetText(IDC_SEND_TEXT, "x");
  dlg->Click(IDC_SEND);
  bool got = false;
  int from = 0;
  test::ReceiveDatagram(peer, &got, 3000, &from);
  ASSERT_TRUE(got);
  EXPECT_NE(from, unused);
  EXPECT_EQ(Saved()["LastLocalPort"], unused);
  EXPECT_EQ(Saved()["LastType"], 1);
  dlg->Click(IDC_CONNECT);
  EXPECT_EQ(dlg->Text(IDC_CONNECT), "创 建");
}

TEST_F(Channel, PeerCloseAndResetReturnToClosed)
{
  for (bool reset : {false, true}) {
    int port = 0;
    test::Fd listener = test::TcpListener(&port);
    auto dlg = NewDialog();
    dlg->OpenChannel(MODE_TCP, Ip(127, 0, 0, 1), port);
    ASSERT_TRUE(dlg->IsOpen());
    test::Fd peer = test::Accept(listener);
    if (reset)
      test::ResetConnection(peer);
    else
      peer = test::Fd();
    EXPECT_TRUE(test::WaitFor([&] { return !dlg->IsOpen(); })) << (reset ? "reset" : "close");
    EXPECT_EQ(dlg->Text(IDC_CONNECT), "连 接");
    EXPECT_FALSE(dlg->Enabled(IDC_SEND));
    EXPECT_TRUE(SettingsEnabled(*dlg));
    EXPECT_TRUE(m_boxes.empty());
  }
}

TEST_F(Channel, LateCloseNotificationIsIgnored)
{
  test::RecordingSocketLayer layer;
  int port = 0;
  test::Fd listener = test::TcpListener(&port);
  auto dlg = NewDialog();
  dlg->OpenChannel(MODE_TCP, Ip(127, 0, 0, 1), port);
  const ws::SOCKET old = dlg->m_socket;
  dlg->Click(IDC_CONNECT);
  dlg->PostMessage(WM_SOCKET_NOTIFY, old, ws::WSAMAKESELECTREPLY(ws::FD_CLOSE, 0));
  dlg->PostMessage(WM_SOCKET_CLOSED, old, 0);
  QTest::qWait(50);
  EXPECT_EQ(layer.Count("closesocket"), 1);
  EXPECT_EQ(layer.Count("WSACleanup"), layer.Count("WSAStartup"));
}

// The next channel usually gets the old channel's descriptor; its handle is new, so a notification
// still queued for the old channel never acts on the new one.
TEST_F(Channel, StaleCloseNeverClosesTheNextChannel)
{
  test::RecordingSocketLayer layer;
  int port = 0;
  test::Fd peer = test::UdpSocket(&port);
  auto dlg = NewDialog();
  dlg->OpenChannel(MODE_UDP, Ip(127, 0, 0, 1), port);
  const ws::SOCKET a = dlg->m_socket;
  const int descriptorA = platform::SocketDescriptor(a);
  dlg->PostMessage(WM_SOCKET_NOTIFY, a, ws::WSAMAKESELECTREPLY(ws::FD_CLOSE, 0));
  dlg->Click(IDC_CONNECT);
  dlg->Click(IDC_CONNECT);
  ASSERT_TRUE(dlg->IsOpen());
  const ws::SOCKET b = dlg->m_socket;
  EXPECT_EQ(platform::SocketDescriptor(b), descriptorA);
  EXPECT_NE(b, a);
  QTest::qWait(50);
  EXPECT_TRUE(dlg->IsOpen());
  EXPECT_EQ(dlg->m_socket, b);
  EXPECT_EQ(dlg->Text(IDC_CONNECT), "关 闭");
  dlg->Click(IDC_CONNECT);
  EXPECT_EQ(layer.Count("socket"), layer.Count("closesocket"));
  EXPECT_EQ(layer.Count("WSACleanup"), layer.Count("WSAStartup"));
}

// The same stale close delivered inside the next open's refused-connect message box.
TEST_F(Channel, StaleCloseInsideARefusedConnectsMessageBox)
{
  test::RecordingSocketLayer layer;
  int port = 0;
  test::Fd listener = test::TcpListener(&port);
  auto dlg = NewDialog();
  dlg->OpenChannel(MODE_TCP, Ip(127, 0, 0, 1), port);
  ASSERT_TRUE(dlg->IsOpen());
  const ws::SOCKET a = dlg->m_socket;
  const int descriptorA = platform::SocketDescriptor(a);
  int descriptorB = -1;
  platform::SetMessageBoxHook([&](const CString& text) {
    m_boxes.push_back(text.str());
    descriptorB = platform::SocketDescriptor(dlg->m_socket);
    QTest::qWait(20);  // the box's own loop delivers what was queued
    EXPECT_NE(dlg->m_socket, ws::INVALID_SOCKET);
  });
  dlg->PostMessage(WM_SOCKET_NOTIFY, a, ws::WSAMAKESELECTREPLY(ws::FD_CLOSE, 0));
  dlg->Click(IDC_CONNECT);
  dlg->SetDest(Ip(127, 0, 0, 1), test::FreeTcpPort());
  dlg->Click(IDC_CONNECT);
  ASSERT_EQ(m_boxes.size(), 1u);
  EXPECT_EQ(m_boxes[0], "连接服务器失败[10061]:WSAECONNREFUSED.\n");
  EXPECT_EQ(descriptorB, descriptorA);
  EXPECT_FALSE(dlg->IsOpen());
  EXPECT_EQ(layer.Count("socket"), 2);
  EXPECT_EQ(layer.Count("closesocket"), 2);
  EXPECT_EQ(layer.Count("WSACleanup"), layer.Count("WSAStartup"));
  // The program's own start-up count is untouched: a socket can still be made.
  ws::WSADATA data{};
  ASSERT_EQ(ws::WSAStartup(0x0202, &data), 0);
  EXPECT_EQ(ws::WSACleanup(), 0);
}

// Whatever order the nested loop delivers things in, the channel is released once.
TEST_F(Channel, ReleaseRunsOnceWhenAPeerCloseComesFirst)
{
  test::RecordingSocketLayer layer;
  layer.FailOn("WSAAsyncSelect", ws::WSAENOBUFS);
  int port = 0;
  test::Fd listener = test::TcpListener(&port);
  auto dlg = NewDialog();
  platform::SetMessageBoxHook([&](const CString& text) {
    m_boxes.push_back(text.str());
    dlg->SendMessage(WM_SOCKET_CLOSED, 0, 0);
  });
  dlg->OpenChannel(MODE_TCP, Ip(127, 0, 0, 1), port);
  ASSERT_EQ(m_boxes.size(), 1u);
  EXPECT_FALSE(dlg->IsOpen());
  EXPECT_EQ(layer.Count("closesocket"), 1);
  EXPECT_EQ(layer.Count("WSACleanup"), layer.Count("WSAStartup"));
}

TEST_F(Channel, DestructorClosesAnOpenChannelOnce)
{
  test::RecordingSocketLayer layer;
  int port = 0;
  test::Fd peer = test::UdpSocket(&port);
  {
    auto dlg = NewDialog();
    dlg->OpenChannel(MODE_UDP, Ip(127, 0, 0, 1), port);
    ASSERT_TRUE(dlg->IsOpen());
  }
  EXPECT_EQ(layer.Count("closesocket"), 1);
  EXPECT_EQ(layer.Count("WSACleanup"), 1);
}

struct FailureRow {
  int mode;
  DWORD address;
  std::string call;
  int code;
  std::string message;  // empty: no message
  int closes;           // closesocket calls
};

void PrintTo(const FailureRow& row, std::ostream* os)
{
  *os << row.call << " fails with " << row.code << " in mode " << row.mode << ", then "
      << ::testing::PrintToString(row.message) << " and " << row.closes << " closesocket";
}

class FailureTable : public Channel, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(FailureTable, ReportsAndReleases)
{
  const FailureRow& row = GetParam();
  int port = 0;
  test::Fd listener = test::TcpListener(&port);
  test::RecordingSocketLayer layer;
  layer.FailOn(row.call, row.code);
  auto dlg = NewDialog();
  dlg->OpenChannel(row.mode, row.address, port);
  if (row.message.empty())
    EXPECT_TRUE(m_boxes.empty());
  else
    EXPECT_EQ(m_boxes, std::vector<std::string>{row.message});
  EXPECT_FALSE(dlg->IsOpen());
  EXPECT_EQ(layer.Count("closesocket"), row.closes);
  const int started = layer.Count("WSAStartup") - (row.call == "WSAStartup" ? 1 : 0);
  EXPECT_EQ(layer.Count("WSACleanup"), started);
  EXPECT_TRUE(SettingsEnabled(*dlg));
  EXPECT_FALSE(dlg->Enabled(IDC_SEND));
  EXPECT_EQ(dlg->Text(IDC_CONNECT), row.mode == MODE_TCP ? "连 接" : "创 建");
  EXPECT_TRUE(Saved().empty());
}

const DWORD kGroup = Ip(239, 1, 2, 3);
const DWORD kLoopback = Ip(127, 0, 0, 1);

INSTANTIATE_TEST_SUITE_P(
    Channel, FailureTable,
    ::testing::Values(
        FailureRow{MODE_TCP, kLoopback, "WSAStartup", ws::WSASYSNOTREADY, "Windows Sockets 库初始化失败.\n", 0},
        FailureRow{MODE_UDP, kLoopback, "socket", ws::WSAEMFILE, "创建socket失败.\n", 0},
        FailureRow{MODE_UDP, kLoopback, "bind", ws::WSAEACCES, "绑定本地端口失败[10013]:WSAEACCES.\n", 1},
        FailureRow{MODE_TCP, kLoopback, "connect", ws::WSAETIMEDOUT, "连接服务器失败[10060]:WSAETIMEDOUT.\n", 1},
        FailureRow{MODE_MULTICAST, kGroup, "setsockopt:4", ws::WSAENOPROTOOPT,
                   "设置socket的IP_MULTICAST_LOOP属性出错[10042]:WSAENOPROTOOPT.\n", 1},
        FailureRow{MODE_MULTICAST, kGroup, "setsockopt:3", ws::WSAEINVAL,
                   "设置socket的IP_MULTICAST_TTL属性出错[10022]:WSAEINVAL.\n", 1},
        FailureRow{MODE_MULTICAST, kGroup, "setsockopt:5", ws::WSAEADDRNOTAVAIL,
                   "加入组播组出错[10049]:WSAEADDRNOTAVAIL.\n", 1},
        FailureRow{MODE_UDP, kLoopback, "WSAAsyncSelect", ws::WSAENOTSOCK, "WSAAsyncSelect出错[10038]:WSAENOTSOCK.\n",
                   1},
        FailureRow{MODE_UDP, kLoopback, "bind", 12345, "绑定本地端口失败[12345]:未知错误.\n", 1}),
    [](const ::testing::TestParamInfo<FailureRow>& p) {
      std::string name = p.param.call + "_" + std::to_string(p.param.code);
      std::replace(name.begin(), name.end(), ':', '_');
      return name;
    });

TEST_F(Channel, VersionMismatchIsSilent)
{
  test::RecordingSocketLayer layer;
  layer.ReportVersion(0x0101);
  auto dlg = NewDialog();
  dlg->OpenChannel(MODE_UDP, kLoopback, 9);
  EXPECT_TRUE(m_boxes.empty());
  EXPECT_EQ(layer.Count("socket"), 0);
  EXPECT_EQ(layer.Count("WSACleanup"), 1);
  layer.ReportVersion(0x0302);
  dlg->Click(IDC_CONNECT);
  EXPECT_EQ(layer.Count("socket"), 0);
}

// Whatever error the socket layer reports, the message names it: only a failure Windows Sockets
// has no code for shows the unknown-error text.
TEST(SocketErrorNames, EveryCodeTheLayerGivesHasAName)
{
  for (int error = 0; error < 200; ++error) {
    const int code = platform::WinsockErrorFromErrno(error);
    if (code == ws::WSASYSCALLFAILURE)
      continue;
    EXPECT_NE(GetSocketErrorName(code), nullptr) << "errno " << error << " gives " << code;
  }
  for (int code : {ws::WSAENOTSOCK, ws::WSAEFAULT, ws::WSAEINVAL, ws::WSAENOPROTOOPT, ws::WSAEMSGSIZE,
                   ws::WSANOTINITIALISED, ws::WSAETIMEDOUT})
    EXPECT_NE(GetSocketErrorName(code), nullptr) << code;
  EXPECT_EQ(GetSocketErrorName(ws::WSASYSCALLFAILURE), nullptr);
  // One row per code, in ascending order, so the first match is the only one.
  for (std::size_t i = 1; i < std::size(g_socketErrorNames); ++i)
    EXPECT_LT(g_socketErrorNames[i - 1].nCode, g_socketErrorNames[i].nCode);
}

// Another program holding the settings lock stalls an open by one wait at most, and the open
// writes all of its settings or none.
TEST_F(Channel, AHeldSettingsLockStallsAnOpenOnce)
{
  int port = 0;
  test::Fd peer = test::UdpSocket(&port);
  auto dlg = NewDialog();
  const std::string lockPath = ProfilePath() + ".lock";
  const int held = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  const auto start = std::chrono::steady_clock::now();
  dlg->OpenChannel(MODE_UDP, Ip(127, 0, 0, 1), port);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
  ::close(held);
  EXPECT_TRUE(dlg->IsOpen());
  EXPECT_TRUE(m_boxes.empty());
  EXPECT_TRUE(Saved().empty());
}

}  // namespace
