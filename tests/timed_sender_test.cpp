// The timed sender: its pace and count against a channel that writes down each send, then on a
// real UDP and TCP channel over loopback.
#include "dialog/TimedSender.h"
#include "tests/fake_channel.h"
#include "tests/support.h"

#include <chrono>
#include <thread>

namespace {

using test::DialogTest;
using test::Ip;

class TimedSenderAlone : public DialogTest {
protected:
  test::FakeChannel m_channel;
};

TEST_F(TimedSenderAlone, SendsAtOnceThenEveryIntervalUpToItsCount)
{
  CTimedSender sender(m_channel);
  int changes = 0;
  sender.SetChangeHandler([&] { ++changes; });
  ASSERT_TRUE(sender.Start(2, 5));
  EXPECT_EQ(m_channel.m_sent.size(), 1u);
  EXPECT_EQ(m_channel.m_sent[0].bytes, "tick");
  EXPECT_EQ(m_channel.m_sent[0].to.kind, CHANNEL_PEER::PEER_CHANNEL);
  ASSERT_TRUE(test::WaitFor([&] { return !sender.IsRunning(); }));
  EXPECT_EQ(sender.GetSends(), 5);
  EXPECT_EQ(m_channel.m_sent.size(), 5u);
  EXPECT_EQ(changes, 1);
}

TEST_F(TimedSenderAlone, ALateTickCatchesUpAtMostAHundredAtOnce)
{
  CTimedSender sender(m_channel);
  ASSERT_TRUE(sender.Start(1, 0));
  // The loop held for a quarter of a second: some 250 sends fell due meanwhile.
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  QCoreApplication::processEvents();
  EXPECT_EQ(m_channel.m_sent.size(), 1u + TIMED_SEND_CATCH_UP);
  ASSERT_TRUE(test::WaitFor([&] { return sender.GetSends() >= 250; }));
  sender.Stop();
  EXPECT_FALSE(sender.IsRunning());
}

TEST_F(TimedSenderAlone, NothingStartsWithoutAPayloadOrAChannel)
{
  CTimedSender sender(m_channel);
  m_channel.m_payload.clear();
  EXPECT_FALSE(sender.Start(1, 0));
  m_channel.m_payload = "x";
  m_channel.m_bOpen = FALSE;
  EXPECT_FALSE(sender.Start(1, 0));
  EXPECT_FALSE(sender.IsRunning());
  EXPECT_TRUE(m_channel.m_sent.empty());
}

TEST_F(TimedSenderAlone, TheChannelClosingStopsTheRunAndTheSenderGoingLeavesTheChannel)
{
  {
    CTimedSender sender(m_channel);
    ASSERT_TRUE(sender.Start(1, 0));
    m_channel.Close();
    EXPECT_FALSE(sender.IsRunning());
    const std::size_t sent = m_channel.m_sent.size();
    QTest::qWait(20);
    EXPECT_EQ(m_channel.m_sent.size(), sent);
    EXPECT_EQ(m_channel.m_listeners.size(), 1u);
  }
  EXPECT_TRUE(m_channel.m_listeners.empty());
}

class TimedSenderOnLoopback : public DialogTest {};

TEST_F(TimedSenderOnLoopback, ATimedSendMakesItsCountAndStopsWhenTheChannelCloses)
{
  auto dlg = NewDialog();
  int port = 0;
  test::Fd peer = OpenUdp(*dlg, &port);
  dlg->SetText(IDC_SEND_TEXT, "tick");
  ASSERT_TRUE(dlg->TimedSender().Start(5, 20));
  ASSERT_TRUE(test::WaitFor([&] { return !dlg->TimedSender().IsRunning(); }));
  EXPECT_EQ(dlg->TimedSender().GetSends(), 20);
  int got = 0;
  for (bool ok = true; ok; ++got)
    test::ReceiveDatagram(peer, &ok, 200);
  EXPECT_EQ(got - 1, 20);
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), "80");

  // Until stopped: the channel's close stops it, whichever way it closes.
  int listenPort = 0;
  test::Fd listener = test::TcpListener(&listenPort);
  dlg->Click(IDC_CONNECT);
  dlg->OpenChannel(MODE_TCP, Ip(127, 0, 0, 1), listenPort);
  test::Fd tcpPeer = test::Accept(listener);
  ASSERT_TRUE(dlg->TimedSender().Start(2, 0));
  ASSERT_TRUE(test::WaitFor([&] { return dlg->TimedSender().GetSends() >= 5; }));
  tcpPeer = test::Fd();
  ASSERT_TRUE(test::WaitFor([&] { return !dlg->IsOpen(); }));
  EXPECT_FALSE(dlg->TimedSender().IsRunning());
  const int sends = dlg->TimedSender().GetSends();
  QTest::qWait(50);
  EXPECT_EQ(dlg->TimedSender().GetSends(), sends);
  EXPECT_TRUE(m_boxes.empty());
}

TEST_F(TimedSenderOnLoopback, ATimedSendOfNothingSaysSoOnceAndDoesNotStart)
{
  auto dlg = NewDialog();
  int port = 0;
  test::Fd peer = OpenUdp(*dlg, &port);
  dlg->SetText(IDC_SEND_TEXT, "");
  EXPECT_FALSE(dlg->TimedSender().Start(1, 0));
  QTest::qWait(20);
  EXPECT_EQ(m_boxes, std::vector<std::string>{"请输入数据!"});
  EXPECT_FALSE(dlg->TimedSender().IsRunning());
  EXPECT_EQ(dlg->TimedSender().GetSends(), 0);
}

}  // namespace
