// The server's client table on real loopback connections: each client keeps its identity while
// others come and go, sends are counted per client, closing one closes its connection.
#include "dialog/ClientTable.h"
#include "tests/support.h"

namespace {

// Connections accepted through the socket layer, as the server mode makes them.
class ClientTableTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    ws::WSADATA data{};
    ASSERT_EQ(ws::WSAStartup(0x0202, &data), 0);
    m_listener = ws::socket(ws::AF_INET, ws::SOCK_STREAM, ws::IPPROTO_TCP);
    const ws::sockaddr_in addr = MakeLoopback(0);
    ASSERT_EQ(ws::bind(m_listener, reinterpret_cast<const ws::sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(ws::listen(m_listener, 16), 0);
    m_port = test::LocalPort(m_listener);
  }
  void TearDown() override
  {
    m_table.CloseAll();
    ws::closesocket(m_listener);
    ws::WSACleanup();
  }
  static ws::sockaddr_in MakeLoopback(int port)
  {
    ws::sockaddr_in addr{};
    addr.sin_family = ws::AF_INET;
    addr.sin_port = ws::htons(static_cast<WORD>(port));
    addr.sin_addr.s_addr = ws::htonl(0x7F000001);
    return addr;
  }
  // A peer connected, and the client the table took for it.
  CClient* Connect(test::Fd& peer, std::int64_t nWhen)
  {
    peer = test::TcpConnect(m_port);
    ws::sockaddr_in from{};
    int len = sizeof from;
    const ws::SOCKET s = ws::accept(m_listener, reinterpret_cast<ws::sockaddr*>(&from), &len);
    EXPECT_NE(s, ws::INVALID_SOCKET);
    CClient* client = m_table.Add(s, {0x7F000001, static_cast<WORD>(m_port)}, EndpointOf(from), nWhen);
    if (!client)
      ws::closesocket(s);
    return client;
  }

  ws::SOCKET m_listener = ws::INVALID_SOCKET;
  int m_port = 0;
  CClientTable m_table;
};

TEST_F(ClientTableTest, AClientKeepsItsIdentityWhileOthersComeAndGo)
{
  test::Fd peers[3];
  CClient* clients[3];
  for (int i = 0; i < 3; ++i)
    clients[i] = Connect(peers[i], 1000 + i);
  const std::uint64_t serial = m_table.GetSerial();
  const ws::SOCKET second = clients[1]->hSocket;
  const TRAFFIC_ENDPOINT secondPeer = clients[1]->peer;

  m_table.Close(clients[0]->hSocket);
  EXPECT_TRUE(test::ClosedByPeer(peers[0]));
  EXPECT_EQ(m_table.GetCount(), 2);
  EXPECT_GT(m_table.GetSerial(), serial);
  // What a caller holds of the others is as it was.
  EXPECT_EQ(m_table.Find(second), clients[1]);
  EXPECT_EQ(clients[1]->hSocket, second);
  EXPECT_EQ(clients[1]->peer.wPort, secondPeer.wPort);
  EXPECT_EQ(clients[1]->nConnectedMicros, 1001);
  EXPECT_EQ(&m_table.GetAt(0), clients[1]);
  EXPECT_EQ(&m_table.GetAt(1), clients[2]);
  // A handle that has gone finds nothing and closes nothing more.
  EXPECT_EQ(m_table.Find(ws::INVALID_SOCKET), nullptr);
  m_table.Close(ws::INVALID_SOCKET);
  EXPECT_EQ(m_table.GetCount(), 2);
}

TEST_F(ClientTableTest, SendsReachOneClientAndAreCountedForIt)
{
  test::Fd peers[2];
  CClient* a = Connect(peers[0], 0);
  CClient* b = Connect(peers[1], 0);
  const std::string hello = "hello";
  EXPECT_EQ(CClientTable::Send(*b, reinterpret_cast<const BYTE*>(hello.data()), 5), 5);
  EXPECT_EQ(test::ReceiveExactly(peers[1], 5), "hello");
  EXPECT_EQ(b->nSentBytes, 5u);
  EXPECT_EQ(a->nSentBytes, 0u);
  EXPECT_EQ(test::ReceiveSome(peers[0], 50), "");
  // A client whose peer reset: the send fails and counts nothing.
  test::ResetConnection(peers[0]);
  int result = 0;
  test::WaitFor([&] { return (result = CClientTable::Send(*a, reinterpret_cast<const BYTE*>("x"), 1)) < 0; });
  EXPECT_EQ(result, ws::SOCKET_ERROR);
  EXPECT_EQ(a->nSentBytes, 0u);
}

TEST_F(ClientTableTest, TheTableHoldsSixtyFourAndClosesAllOnRequest)
{
  std::vector<test::Fd> peers(MAX_CLIENTS);
  for (test::Fd& peer : peers)
    ASSERT_NE(Connect(peer, 0), nullptr);
  EXPECT_TRUE(m_table.IsFull());
  test::Fd extra;
  EXPECT_EQ(Connect(extra, 0), nullptr);
  m_table.CloseAll();
  EXPECT_EQ(m_table.GetCount(), 0);
  for (const test::Fd& peer : peers)
    EXPECT_TRUE(test::ClosedByPeer(peer));
}

}  // namespace
