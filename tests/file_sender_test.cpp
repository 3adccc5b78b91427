// The file sender: a socket that takes a little at a time and one that refuses, against a channel
// that writes down each send; then whole files over real TCP and UDP channels on loopback.
#include "dialog/FileSender.h"
#include "tests/fake_channel.h"
#include "tests/harness/files.h"
#include "tests/support.h"

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <fstream>
#include <random>
#include <thread>

namespace {

using test::DialogTest;
using test::Ip;

// FNV-1a over a stream, so a large transfer is compared without holding it.
struct Digest {
  std::uint64_t value = 14695981039346656037ull;
  void Add(const char* p, std::size_t n)
  {
    for (std::size_t i = 0; i < n; ++i)
      value = (value ^ static_cast<unsigned char>(p[i])) * 1099511628211ull;
  }
};

std::string RandomBytes(std::size_t n, unsigned seed)
{
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s)
    c = static_cast<char>(gen());
  return s;
}

class FileSenderAlone : public DialogTest {
protected:
  std::string File(const std::string& content)
  {
    const std::string path = Path("file.bin");
    test::WriteBytes(path, content);
    return path;
  }
  test::FakeChannel m_channel;
};

TEST_F(FileSenderAlone, WhatTheSocketDoesNotTakeGoesWhenItIsWritableInOrder)
{
  const std::string content = RandomBytes(100000, 3);
  CFileSender sender(m_channel);
  m_channel.m_nTake = 777;
  ASSERT_TRUE(sender.Start(File(content).c_str(), 0, 0));
  EXPECT_TRUE(m_channel.m_bWatched);
  int turns = 0;
  while (sender.IsSending() && turns < 1000) {
    m_channel.Writable();
    ++turns;
  }
  EXPECT_FALSE(sender.IsSending());
  EXPECT_EQ(sender.GetError(), "");
  EXPECT_EQ(m_channel.AllSent(), content);
  EXPECT_EQ(sender.GetSent(), content.size());
  EXPECT_FALSE(m_channel.m_bWatched);
  // Every send asks for what the socket takes now, and the counter's text waits for the turn's end.
  for (const auto& sent : m_channel.m_sent)
    EXPECT_EQ(sent.nFlags, static_cast<UINT>(SEND_PARTIAL));
  EXPECT_EQ(m_channel.m_nHolds, 0);
}

TEST_F(FileSenderAlone, ADatagramRefusedForWantOfBuffersGoesAgainAfterAPause)
{
  const std::string content = RandomBytes(5000, 4);
  m_channel.m_bStream = FALSE;
  m_channel.m_nTake = 1000;
  m_channel.m_nRefusal = ws::WSAENOBUFS;
  CFileSender sender(m_channel);
  ASSERT_TRUE(sender.Start(File(content).c_str(), 1000, 0));
  m_channel.Writable();
  // Refused: the sender waits a millisecond, not for FD_WRITE.
  m_channel.m_nTake = -1;
  m_channel.m_bBlocked = false;
  ASSERT_TRUE(test::WaitFor([&] { return !sender.IsSending(); }));
  EXPECT_EQ(m_channel.AllSent(), content);
  for (const auto& sent : m_channel.m_sent)
    EXPECT_LE(sent.bytes.size(), 1000u);
}

TEST_F(FileSenderAlone, AnotherErrorEndsTheSendAndSaysWhich)
{
  CFileSender sender(m_channel);
  m_channel.m_nTake = 10;
  m_channel.m_nRefusal = ws::WSAECONNRESET;
  ASSERT_TRUE(sender.Start(File(RandomBytes(100, 5)).c_str(), 0, 0));
  m_channel.Writable();
  m_channel.m_bBlocked = true;
  m_channel.Writable();
  EXPECT_FALSE(sender.IsSending());
  EXPECT_EQ(sender.GetError(), "发送失败[10054]:WSAECONNRESET");
  EXPECT_EQ(sender.GetSent(), 10u);
}

TEST_F(FileSenderAlone, InTheServerModeItNeedsOneClient)
{
  m_channel.m_defaultPeer = CHANNEL_PEER::AllClients();
  CFileSender sender(m_channel);
  EXPECT_FALSE(sender.Start(File("abc").c_str(), 0, 0));
  EXPECT_EQ(m_boxes, std::vector<std::string>{"请先在客户端列表中选择一个客户端作为发送目标."});
}

TEST_F(FileSenderAlone, TheChannelClosingEndsTheSend)
{
  CFileSender sender(m_channel);
  m_channel.m_nTake = 1;
  ASSERT_TRUE(sender.Start(File(RandomBytes(1000, 6)).c_str(), 0, 0));
  m_channel.Writable();
  m_channel.Close();
  EXPECT_FALSE(sender.IsSending());
  EXPECT_EQ(sender.GetError(), "通道已关闭");
}

class FileSenderOnLoopback : public DialogTest {};

TEST_F(FileSenderOnLoopback, AFileOverTcpArrivesWholeWhileTheEchoIsCounted)
{
  constexpr std::size_t kSize = 64u << 20;
  const std::string path = Path("big.bin");
  const std::string content = RandomBytes(kSize, 7);
  test::WriteBytes(path, content);
  Digest expected;
  expected.Add(content.data(), content.size());

  int port = 0;
  test::Fd listener = test::TcpListener(&port);
  auto dlg = NewDialog();
  dlg->OpenChannel(MODE_TCP, Ip(127, 0, 0, 1), port);
  test::Fd peer = test::Accept(listener);
  ASSERT_TRUE(peer);
  // An echo peer that also digests what it got; it echoes the first 1 MiB only, so the
  // dialog's reads are exercised without doubling the traffic.
  std::atomic<std::uint64_t> received{0};
  Digest got;
  std::thread echo([&] {
    std::vector<char> buf(1 << 16);
    while (received < kSize) {
      const ssize_t n = ::recv(peer.get(), buf.data(), buf.size(), 0);
      if (n <= 0)
        break;
      got.Add(buf.data(), static_cast<std::size_t>(n));
      if (received < (1u << 20))
        ::send(peer.get(), buf.data(), static_cast<std::size_t>(n), MSG_NOSIGNAL);
      received += static_cast<std::uint64_t>(n);
    }
  });
  ASSERT_TRUE(dlg->FileSender().Start(path.c_str(), 0, 0));
  EXPECT_TRUE(test::WaitFor([&] { return !dlg->FileSender().IsSending(); }, 60000));
  echo.join();
  EXPECT_EQ(dlg->FileSender().GetError(), "");
  EXPECT_EQ(dlg->FileSender().GetSent(), kSize);
  EXPECT_EQ(received.load(), kSize);
  EXPECT_EQ(got.value, expected.value);
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), std::to_string(kSize));
  EXPECT_TRUE(test::WaitFor([&] { return dlg->m_nRecvBytes >= (1 << 20); }));
  EXPECT_TRUE(dlg->IsOpen());
  EXPECT_TRUE(m_boxes.empty());
}

TEST_F(FileSenderOnLoopback, AFileOverUdpArrivesWholeAndInOrder)
{
  const std::string path = Path("datagrams.bin");
  const std::string content = RandomBytes(300 * 1000 + 17, 11);
  test::WriteBytes(path, content);
  auto dlg = NewDialog();
  int port = 0;
  test::Fd peer = OpenUdp(*dlg, &port);
  std::string got;
  std::thread reader([&] {
    std::vector<char> buf(65536);
    bool ok = true;
    while (got.size() < content.size()) {
      const std::string d = test::ReceiveDatagram(peer, &ok, 5000);
      if (!ok)
        break;
      EXPECT_LE(d.size(), 1000u);
      got += d;
    }
  });
  ASSERT_TRUE(dlg->FileSender().Start(path.c_str(), 1000, 1));
  EXPECT_TRUE(test::WaitFor([&] { return !dlg->FileSender().IsSending(); }, 30000));
  reader.join();
  EXPECT_EQ(dlg->FileSender().GetError(), "");
  EXPECT_TRUE(got == content) << got.size() << " of " << content.size() << " bytes";
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), std::to_string(content.size()));
}

TEST_F(FileSenderOnLoopback, AFileThatCannotBeReadSaysWhyAndAHugeOneIsMeasuredWhole)
{
  auto dlg = NewDialog();
  int port = 0;
  test::Fd peer = OpenUdp(*dlg, &port);
  EXPECT_FALSE(dlg->FileSender().Start(Path("missing.bin").c_str(), 1024, 0));
  ASSERT_EQ(m_boxes.size(), 1u);
  EXPECT_EQ(m_boxes[0], "无法读取文件 " + Path("missing.bin") + "[2]:No such file or directory.");

  // Past 4 GiB, without the disk: a sparse file, cancelled once it is under way.
  const std::string huge = Path("huge.bin");
  {
    std::ofstream f(huge, std::ios::binary);
  }
  constexpr std::uint64_t kHuge = (5ull << 30) + 3;
  ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(kHuge)), 0);
  ASSERT_TRUE(dlg->FileSender().Start(huge.c_str(), 1024, 0));
  EXPECT_EQ(dlg->FileSender().GetSize(), kHuge);
  ASSERT_TRUE(test::WaitFor([&] { return dlg->FileSender().GetSent() > 0; }));
  dlg->FileSender().Stop();
  EXPECT_FALSE(dlg->FileSender().IsSending());
  EXPECT_EQ(dlg->FileSender().GetError(), "已取消");
  dlg->Click(IDC_CONNECT);
}

}  // namespace
