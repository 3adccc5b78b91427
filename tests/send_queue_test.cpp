// Nothing asked to be sent is torn or dropped: what a socket does not take waits, in order, for it
// to take more; a peer that stops reading holds back at most its limit; on real loopback sockets
// whose windows are made small.
#include "dialog/Outbound.h"
#include "platform/internal/socket_descriptor.h"
#include "tests/support.h"

#include <sys/socket.h>

#include <atomic>
#include <thread>

namespace {

using test::DialogTest;
using test::Ip;

// The front of what waits, as text.
std::string FrontOf(const COutbound& out, const ws::sockaddr_in** ppTo)
{
  int n = 0;
  const BYTE* p = out.Front(&n, ppTo);
  return std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n));
}

TEST(Outbound, KeepsBytesInOrderAndDatagramsWhole)
{
  COutbound out;
  EXPECT_TRUE(out.IsEmpty());
  const std::string a = "hello ", b = "world";
  out.Keep(reinterpret_cast<const BYTE*>(a.data()), 6, nullptr);
  out.Keep(reinterpret_cast<const BYTE*>(b.data()), 5, nullptr);
  EXPECT_EQ(out.GetWaiting(), 11u);
  const ws::sockaddr_in* pTo = nullptr;
  EXPECT_EQ(FrontOf(out, &pTo), "hello ");
  EXPECT_EQ(pTo, nullptr);
  out.Consume(4);
  EXPECT_EQ(FrontOf(out, &pTo), "o ");
  out.Consume(2);
  EXPECT_EQ(FrontOf(out, &pTo), "world");
  EXPECT_EQ(out.GetWaiting(), 5u);
  // A datagram goes whole whatever a send reports.
  const ws::sockaddr_in to = MakeAddress(Ip(127, 0, 0, 1), 9);
  out.Keep(reinterpret_cast<const BYTE*>(a.data()), 6, &to);
  out.Consume(5);
  EXPECT_EQ(FrontOf(out, &pTo), "hello ");
  EXPECT_EQ(pTo->sin_port, to.sin_port);
  out.Consume(1);
  EXPECT_TRUE(out.IsEmpty());
  EXPECT_EQ(out.GetWaiting(), 0u);
  EXPECT_TRUE(out.HasRoom(static_cast<int>(OUTBOUND_LIMIT)));
  EXPECT_FALSE(out.HasRoom(static_cast<int>(OUTBOUND_LIMIT) + 1));
  out.Keep(reinterpret_cast<const BYTE*>(b.data()), 5, nullptr);
  EXPECT_EQ(out.Clear(), 5u);
}

class SendQueue : public DialogTest {
protected:
  // A TCP channel to a peer whose receive window is small and who does not read; the dialog's own
  // send buffer is made small too, so the socket refuses soon.
  test::Fd OpenToSlowPeer(test::TestDlg& dlg)
  {
    int port = 0;
    test::Fd listener = test::TcpListener(&port);
    const int small = 4096;
    ::setsockopt(listener.get(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    dlg.OpenChannel(MODE_TCP, Ip(127, 0, 0, 1), port);
    ShrinkSendBuffer(dlg.m_socket);
    return test::Accept(listener);
  }
  static void ShrinkSendBuffer(ws::SOCKET s)
  {
    const int small = 4096;
    ::setsockopt(platform::SocketDescriptor(s), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
  }
  // Everything the peer gets until the dialog's sent counter says all of it went.
  static std::string ReadAll(test::TestDlg& dlg, const test::Fd& peer)
  {
    std::string got;
    test::WaitFor(
        [&] {
          got += test::ReceiveSome(peer, 5);
          return dlg.Waiting() == 0 && got.size() == static_cast<std::size_t>(dlg.m_nSentBytes);
        },
        20000);
    return got;
  }
  // Every frame whole, none torn, in a stream of them.
  static bool WholeFrames(const std::string& stream, const std::string& frame)
  {
    if (stream.size() % frame.size() != 0)
      return false;
    for (std::size_t at = 0; at < stream.size(); at += frame.size()) {
      if (stream.compare(at, frame.size(), frame) != 0)
        return false;
    }
    return true;
  }
};

TEST_F(SendQueue, ATimedSendToAPeerThatDoesNotReadSkipsTicksAndTearsNoFrame)
{
  auto dlg = NewDialog();
  test::Fd peer = OpenToSlowPeer(*dlg);
  ASSERT_TRUE(peer);
  const std::string frame = "<" + std::string(998, 'f') + ">";
  dlg->SetText(IDC_SEND_TEXT, frame.c_str());
  ASSERT_TRUE(dlg->TimedSender().Start(1, 0));
  ASSERT_TRUE(test::WaitFor([&] { return dlg->TimedSender().GetSkipped() > 20; }, 10000));
  dlg->TimedSender().Stop();
  const std::string got = ReadAll(*dlg, peer);
  EXPECT_TRUE(WholeFrames(got, frame)) << got.size() << " bytes";
  EXPECT_EQ(got.size(), frame.size() * static_cast<std::size_t>(dlg->TimedSender().GetSends()));
  EXPECT_EQ(static_cast<std::size_t>(dlg->m_nSentBytes), got.size());
  EXPECT_TRUE(m_boxes.empty());
}

TEST_F(SendQueue, ClicksToAPeerThatDoesNotReadGoOutWholeAndInOrderOnceItReads)
{
  auto dlg = NewDialog();
  test::Fd peer = OpenToSlowPeer(*dlg);
  ASSERT_TRUE(peer);
  std::string expected;
  for (int i = 0; i < 40; ++i) {
    const std::string text = std::to_string(i) + ":" + std::string(3000, static_cast<char>('a' + i % 26)) + ";";
    dlg->SetText(IDC_SEND_TEXT, text.c_str());
    dlg->Click(IDC_SEND);
    expected += text;
  }
  // Most of it waits: the counter counts only what went.
  EXPECT_LT(static_cast<std::size_t>(dlg->m_nSentBytes), expected.size());
  EXPECT_EQ(ReadAll(*dlg, peer), expected);
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), std::to_string(expected.size()));
  EXPECT_TRUE(m_boxes.empty());
}

TEST_F(SendQueue, ASlowClientHoldsBackItsOwnBytesOnlyAndPastTheLimitTheSendIsRefusedByName)
{
  int port = test::FreeTcpPort();
  auto dlg = NewDialog();
  dlg->Listen(Ip(127, 0, 0, 1), port);
  test::Fd fast = test::TcpConnect(port);
  ASSERT_TRUE(test::WaitFor([&] { return dlg->ClientCount() == 1; }));
  test::Fd slow = test::TcpConnect(port);
  ASSERT_TRUE(test::WaitFor([&] { return dlg->ClientCount() == 2; }));
  CClient& slowClient = dlg->m_clients.GetAt(1);
  ShrinkSendBuffer(slowClient.hSocket);
  const int small = 4096;
  ::setsockopt(slow.get(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);

  // The fast client reads all the while.
  std::string fastGot;
  std::atomic<bool> done{false};
  std::thread reader([&] {
    while (!done)
      fastGot += test::ReceiveSome(fast, 10);
  });
  const std::string text(32000, 'q');
  dlg->SetText(IDC_SEND_TEXT, text.c_str());
  int clicks = 0;
  while (m_boxes.empty() && clicks < 400) {
    dlg->Click(IDC_SEND);
    ++clicks;
  }
  ASSERT_EQ(m_boxes.size(), 1u);
  const std::string slowName = "127.0.0.1:" + std::to_string(slowClient.peer.wPort);
  EXPECT_EQ(m_boxes[0], slowName + " 没有接收数据, 待发的 4194304 字节已满, 本次发送被拒绝.");
  EXPECT_GT(clicks, static_cast<int>(OUTBOUND_LIMIT / text.size()));
  EXPECT_LE(slowClient.out.GetWaiting(), OUTBOUND_LIMIT);
  test::WaitFor([&] { return fastGot.size() >= text.size() * static_cast<std::size_t>(clicks); }, 10000);
  done = true;
  reader.join();
  EXPECT_EQ(fastGot.size(), text.size() * static_cast<std::size_t>(clicks));
  // The record says what the slow one refused.
  int refused = 0;
  for (int i = 0; i < dlg->m_record.GetCount(); ++i) {
    const TRAFFIC_EVENT& e = dlg->m_record.GetEvent(i);
    if (e.kind == TRAFFIC_SEND_FAILED && e.nError == ws::WSAENOBUFS && e.peer.wPort == slowClient.peer.wPort)
      ++refused;
  }
  EXPECT_EQ(refused, 1);

  // Closing the client with bytes still waiting: the record says how many never left.
  const std::size_t waiting = slowClient.out.GetWaiting();
  dlg->Click(IDC_CONNECT);
  const TRAFFIC_EVENT* dropped = nullptr;
  for (int i = 0; i < dlg->m_record.GetCount(); ++i) {
    const TRAFFIC_EVENT& e = dlg->m_record.GetEvent(i);
    if (e.kind == TRAFFIC_SEND_FAILED && e.nError == ws::WSAESHUTDOWN)
      dropped = &e;
  }
  ASSERT_NE(dropped, nullptr);
  EXPECT_EQ(static_cast<std::size_t>(dropped->nLength), waiting);
}

}  // namespace
