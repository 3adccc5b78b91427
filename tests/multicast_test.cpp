// Multicast channels, only inside the private network namespace that in_netns.sh makes.
#include "tests/support.h"

#include <QFile>

#include <cstdlib>

namespace {

using test::DialogTest;
using test::Ip;

constexpr DWORD kGroup = Ip(239, 1, 2, 3);

// True only in a namespace of our own: the wrapper says so and loopback is the only interface.
bool InPrivateNamespace()
{
  if (qEnvironmentVariable("LANSPRY_NETNS") != QStringLiteral("1"))
    return false;
  QFile dev(QStringLiteral("/proc/net/dev"));
  if (!dev.open(QIODevice::ReadOnly))
    return false;
  const QList<QByteArray> lines = dev.readAll().trimmed().split('\n');
  return lines.size() == 3 && lines[2].trimmed().startsWith("lo:");
}

bool Joined(DWORD group)
{
  QFile igmp(QStringLiteral("/proc/net/igmp"));
  if (!igmp.open(QIODevice::ReadOnly))
    return false;
  const QByteArray hex = QByteArray::number(ws::htonl(group), 16).toUpper().rightJustified(8, '0');
  return igmp.readAll().contains(hex);
}

class Multicast : public DialogTest {
protected:
  void SetUp() override
  {
    if (!InPrivateNamespace())
      GTEST_SKIP() << "needs the private network namespace of tests/in_netns.sh";
    DialogTest::SetUp();
  }
};

TEST_F(Multicast, JoinsLoopsBackAndLeaves)
{
  test::RecordingSocketLayer layer;
  const int port = test::FreeUdpPort();
  auto dlg = NewDialog();
  dlg->SelectMode(MODE_MULTICAST);
  dlg->SetDest(kGroup, port);
  dlg->Click(IDC_USE_LOCAL_PORT);
  dlg->SetText(IDC_LOCAL_PORT, std::to_string(port).c_str());
  dlg->Click(IDC_CONNECT);
  ASSERT_TRUE(dlg->IsOpen()) << (m_boxes.empty() ? "" : m_boxes.front());
  EXPECT_EQ(dlg->Text(IDC_CONNECT), "关 闭");
  EXPECT_TRUE(Joined(kGroup));
  EXPECT_EQ(test::MulticastTtl(dlg->m_socket), 6);
  EXPECT_EQ(test::MulticastLoop(dlg->m_socket), 1);
  EXPECT_EQ(test::ReceiveTimeoutMs(dlg->m_socket), 1000);
  const std::vector<std::string> order(layer.Calls().begin(), layer.Calls().end());
  const std::vector<std::string> options{"setsockopt:4", "setsockopt:3", "setsockopt:5"};
  EXPECT_NE(std::search(order.begin(), order.end(), options.begin(), options.end()), order.end());

  // Sent to the group, the datagram comes back on loop-back and is shown.
  dlg->SetText(IDC_SEND_TEXT, "to the group");
  dlg->Click(IDC_SEND);
  EXPECT_TRUE(test::WaitFor([&] { return dlg->Text(IDC_RECV_TEXT) == "to the group"; }));

  dlg->Click(IDC_CONNECT);
  EXPECT_FALSE(Joined(kGroup));
  EXPECT_EQ(layer.Count("setsockopt:6"), 1);
  EXPECT_EQ(layer.Count("shutdown"), 1);
  EXPECT_EQ(layer.Count("closesocket"), 1);
  EXPECT_EQ(dlg->Text(IDC_CONNECT), "创 建");
  EXPECT_TRUE(m_boxes.empty());
}

TEST_F(Multicast, UnicastDestinationIsPlainUdp)
{
  test::RecordingSocketLayer layer;
  auto dlg = NewDialog();
  dlg->OpenChannel(MODE_MULTICAST, Ip(127, 0, 0, 1), 9);
  ASSERT_TRUE(dlg->IsOpen());
  dlg->Click(IDC_CONNECT);
  for (const char* call : {"setsockopt:3", "setsockopt:4", "setsockopt:5", "setsockopt:6", "shutdown"})
    EXPECT_EQ(layer.Count(call), 0) << call;
  EXPECT_EQ(layer.Count("closesocket"), 1);
}

TEST_F(Multicast, LeaveFailureIsReportedAndClosingGoesOn)
{
  test::RecordingSocketLayer layer;
  layer.FailOn("setsockopt:6", ws::WSAEADDRNOTAVAIL);
  auto dlg = NewDialog();
  dlg->OpenChannel(MODE_MULTICAST, kGroup, test::FreeUdpPort());
  ASSERT_TRUE(dlg->IsOpen());
  dlg->Click(IDC_CONNECT);
  EXPECT_EQ(m_boxes, std::vector<std::string>{"退出组播组出错[10049]:WSAEADDRNOTAVAIL.\n"});
  EXPECT_FALSE(dlg->IsOpen());
  EXPECT_EQ(layer.Count("shutdown"), 1);
  EXPECT_EQ(layer.Count("WSACleanup"), 1);
}

TEST_F(Multicast, JoinWithoutARouteIsReported)
{
  ASSERT_EQ(std::system("ip route del 224.0.0.0/4 dev lo"), 0);
  auto dlg = NewDialog();
  dlg->OpenChannel(MODE_MULTICAST, kGroup, 9);
  EXPECT_EQ(std::system("ip route add 224.0.0.0/4 dev lo src 127.0.0.1"), 0);
  EXPECT_EQ(m_boxes, std::vector<std::string>{"加入组播组出错[10051]:WSAENETUNREACH.\n"});
  EXPECT_FALSE(dlg->IsOpen());
}

}  // namespace

// An automatic reply goes to the member that wrote to the group, not to the group.
TEST_F(Multicast, AnAutomaticReplyAnswersTheSender)
{
  const int port = test::FreeUdpPort();
  auto dlg = NewDialog();
  REPLY_RULE rule;
  rule.strMatch = "PING";
  rule.strReply = "PONG";
  CString why;
  ASSERT_TRUE(dlg->AutoReply().Rules().Insert(0, rule, SEND_OPTIONS{}, why)) << why.str();
  dlg->AutoReply().SetEnabled(TRUE);
  dlg->SelectMode(MODE_MULTICAST);
  dlg->SetDest(kGroup, port);
  dlg->Click(IDC_USE_LOCAL_PORT);
  dlg->SetText(IDC_LOCAL_PORT, std::to_string(port).c_str());
  dlg->Click(IDC_CONNECT);
  ASSERT_TRUE(dlg->IsOpen()) << (m_boxes.empty() ? "" : m_boxes.front());
  int peerPort = 0;
  test::Fd peer = test::UdpSocket(&peerPort);
  test::SendDatagram(peer, "PING", port, "239.1.2.3");
  bool bGot = false;
  EXPECT_EQ(test::ReceiveDatagram(peer, &bGot), "PONG");
  EXPECT_EQ(dlg->AutoReply().GetReplies(), 1u);
  dlg->Click(IDC_CONNECT);
}
