// The send box's tools on real loopback sockets: the send options, sending on a timer, sending a
// file over TCP and UDP, and a broadcast on loopback.
#include "dialog/SendFileDlg.h"
#include "dialog/TimedSendDlg.h"
#include "tests/harness/files.h"
#include "tests/support.h"

#include <QAbstractScrollArea>
#include <QMenu>
#include <QTimer>

#include <netinet/in.h>
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

class SendTools : public DialogTest {
protected:
  test::Fd OpenUdp(test::TestDlg& dlg, int* pDialogPort, DWORD dwDest = Ip(127, 0, 0, 1), int nDestPort = 0)
  {
    int port = nDestPort;
    test::Fd peer;
    if (nDestPort == 0)
      peer = test::UdpSocket(&port);
    dlg.SelectMode(MODE_UDP);
    dlg.SetDest(dwDest, port);
    dlg.Click(IDC_CONNECT);
    EXPECT_TRUE(dlg.IsOpen());
    *pDialogPort = dlg.IsOpen() ? test::LocalPort(dlg.m_socket) : 0;
    return peer;
  }
  std::string Path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)).toStdString(); }
  // Sends the send box as a click does and returns the datagram the peer got.
  static std::string SentDatagram(test::TestDlg& dlg, const test::Fd& peer, const char* text, bool hex = false)
  {
    dlg.SetCheck(IDC_HEX_SEND, hex);
    dlg.SetText(IDC_SEND_TEXT, text);
    dlg.Click(IDC_SEND);
    bool got = false;
    const std::string d = test::ReceiveDatagram(peer, &got, 1000);
    return got ? d : "(nothing)";
  }
};

TEST_F(SendTools, AtTheirDefaultsTheOptionsSendWhatIsTyped)
{
  auto dlg = NewDialog();
  int port = 0;
  test::Fd peer = OpenUdp(*dlg, &port);
  EXPECT_EQ(SentDatagram(*dlg, peer, R"(a\r\n\x41)"), R"(a\r\n\x41)");
  EXPECT_EQ(SentDatagram(*dlg, peer, "01 02", true), "\x01\x02");
  EXPECT_EQ(test::ReadBytes(ProfilePath()).find("SendOptions"), std::string::npos);
}

TEST_F(SendTools, EscapesLineEndingAndChecksumShapeThePayload)
{
  auto dlg = NewDialog();
  int port = 0;
  test::Fd peer = OpenUdp(*dlg, &port);
  struct Row {
    CSendOptions options;
    const char* typed;
    bool hex;
    std::string sent;
  } rows[] = {
      {{TRUE, LINE_ENDING_NONE, CHECKSUM_NONE}, R"(a\tb\x00c)", false, std::string("a\tb\0c", 5)},
      {{FALSE, LINE_ENDING_CRLF, CHECKSUM_NONE}, "AT", false, "AT\r\n"},
      {{TRUE, LINE_ENDING_LF, CHECKSUM_NONE}, R"(x\r)", false, "x\r\n"},
      // Hex mode takes neither escapes nor a line ending, only the checksum.
      {{TRUE, LINE_ENDING_CRLF, CHECKSUM_CRC16_MODBUS},
       "01 03 00 00 00 02",
       true,
       std::string("\x01\x03\x00\x00\x00\x02\xC4\x0B", 8)},
      {{FALSE, LINE_ENDING_NONE, CHECKSUM_SUM8}, "123456789", false, "123456789\xDD"},
      {{FALSE, LINE_ENDING_CR, CHECKSUM_XOR8}, "123456789", false, "123456789\r\x3C"},
      {{FALSE, LINE_ENDING_NONE, CHECKSUM_CRC32}, "123456789", false, "123456789\xCB\xF4\x39\x26"},
  };
  for (const Row& row : rows) {
    dlg->m_sendOptions = row.options;
    EXPECT_EQ(SentDatagram(*dlg, peer, row.typed, row.hex), row.sent) << row.typed;
  }
  EXPECT_TRUE(m_boxes.empty());
}

TEST_F(SendTools, APayloadWhoseChecksumWouldNotFitIsRefused)
{
  auto dlg = NewDialog();
  int port = 0;
  test::Fd peer = OpenUdp(*dlg, &port);
  dlg->m_sendOptions = {FALSE, LINE_ENDING_NONE, CHECKSUM_CRC16_MODBUS};
  const std::string fits(SEND_BUFFER_SIZE - 2, 'f');
  EXPECT_EQ(SentDatagram(*dlg, peer, fits.c_str()).size(), static_cast<std::size_t>(SEND_BUFFER_SIZE));
  const std::string over(SEND_BUFFER_SIZE - 1, 'o');
  EXPECT_EQ(SentDatagram(*dlg, peer, over.c_str()), "(nothing)");
  ASSERT_EQ(m_boxes.size(), 1u);
  EXPECT_EQ(m_boxes[0], "加上校验码后发送数据超过32768字节!");
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), std::to_string(SEND_BUFFER_SIZE));

  // A line ending past the buffer is refused as too long text is.
  dlg->m_sendOptions = {FALSE, LINE_ENDING_CRLF, CHECKSUM_NONE};
  EXPECT_EQ(SentDatagram(*dlg, peer, over.c_str()), "(nothing)");
  ASSERT_EQ(m_boxes.size(), 2u);
  EXPECT_EQ(m_boxes[1], "发送数据不能超过32768字节!");
}

TEST_F(SendTools, TheOptionsDialogKeepsItsChoiceInASectionOfItsOwn)
{
  const std::string before = "[ClientParams]\nLastType=1\n";
  test::WriteBytes(ProfilePath(), before);
  {
    auto dlg = NewDialog();
    QTimer::singleShot(0, [&] {
      QWidget* window = QApplication::activeModalWidget();
      ASSERT_TRUE(window);
      CWnd* pDlg = CWnd::fromWidget(window);
      ASSERT_EQ(window->windowTitle().toStdString(), "发送设置");
      pDlg->GetDlgItem(IDC_OPT_ESCAPES)->SendMessage(BM_SETCHECK, BST_CHECKED);
      pDlg->GetDlgItem(IDC_OPT_LINE_ENDING)->SendMessage(CB_SETCURSEL, LINE_ENDING_CRLF);
      pDlg->GetDlgItem(IDC_OPT_CHECKSUM)->SendMessage(CB_SETCURSEL, CHECKSUM_CRC32);
      pDlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED));
    });
    dlg->SendMessage(WM_COMMAND, ID_SEND_OPTIONS);
    EXPECT_TRUE(dlg->m_sendOptions.bEscapes);
  }
  const std::string after = test::ReadBytes(ProfilePath());
  EXPECT_EQ(after.rfind(before, 0), 0u) << after;
  EXPECT_NE(after.find("[SendOptions]\nEscapes=1\nLineEnding=3\nChecksum=4\n"), std::string::npos) << after;
  auto again = NewDialog();
  EXPECT_TRUE(again->m_sendOptions.bEscapes);
  EXPECT_EQ(again->m_sendOptions.nLineEnding, LINE_ENDING_CRLF);
  EXPECT_EQ(again->m_sendOptions.nChecksum, CHECKSUM_CRC32);
}

TEST_F(SendTools, TheSendBoxMenuOpensTheToolsByShiftF10)
{
  auto dlg = NewDialog();
  QWidget* box = dlg->W(IDC_SEND_TEXT);
  box->setFocus();
  const QStringList seen = test::PopupEntries([&] { QTest::keyClick(box, Qt::Key_F10, Qt::ShiftModifier); }, 9);
  ASSERT_GE(seen.size(), 12);
  EXPECT_EQ(seen.mid(8), (QStringList{QStringLiteral("-"), QStringLiteral("定时发送(&T)..."),
                                      QStringLiteral("发送文件(&F)..."), QStringLiteral("发送设置(&O)...")}));
  ASSERT_TRUE(test::WaitFor([&] { return dlg->m_pTimedDlg && dlg->m_pTimedDlg->widget()->isVisible(); }));
  EXPECT_EQ(dlg->m_pTimedDlg->widget()->windowTitle().toStdString(), "定时发送");
}

TEST_F(SendTools, ATimedSendMakesItsCountAndStopsWhenTheChannelCloses)
{
  auto dlg = NewDialog();
  int port = 0;
  test::Fd peer = OpenUdp(*dlg, &port);
  dlg->SetText(IDC_SEND_TEXT, "tick");
  ASSERT_TRUE(dlg->StartTimedSend(5, 20));
  ASSERT_TRUE(test::WaitFor([&] { return !dlg->IsTimedSending(); }));
  EXPECT_EQ(dlg->GetTimedSends(), 20);
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
  ASSERT_TRUE(dlg->StartTimedSend(2, 0));
  ASSERT_TRUE(test::WaitFor([&] { return dlg->GetTimedSends() >= 5; }));
  tcpPeer = test::Fd();
  ASSERT_TRUE(test::WaitFor([&] { return !dlg->IsOpen(); }));
  EXPECT_FALSE(dlg->IsTimedSending());
  const int sends = dlg->GetTimedSends();
  QTest::qWait(50);
  EXPECT_EQ(dlg->GetTimedSends(), sends);
  EXPECT_TRUE(m_boxes.empty());
}

TEST_F(SendTools, ATimedSendOfNothingSaysSoOnceAndDoesNotStart)
{
  auto dlg = NewDialog();
  int port = 0;
  test::Fd peer = OpenUdp(*dlg, &port);
  dlg->SetText(IDC_SEND_TEXT, "");
  EXPECT_FALSE(dlg->StartTimedSend(1, 0));
  QTest::qWait(20);
  EXPECT_EQ(m_boxes, std::vector<std::string>{"请输入数据!"});
  EXPECT_FALSE(dlg->IsTimedSending());
  EXPECT_EQ(dlg->GetTimedSends(), 0);
}

TEST_F(SendTools, AFileOverTcpArrivesWholeWhileTheEchoIsCounted)
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
  ASSERT_TRUE(dlg->StartSendFile(path.c_str(), 0, 0));
  EXPECT_TRUE(test::WaitFor([&] { return !dlg->IsSendingFile(); }, 60000));
  echo.join();
  EXPECT_EQ(dlg->GetFileError(), "");
  EXPECT_EQ(dlg->GetFileSent(), kSize);
  EXPECT_EQ(received.load(), kSize);
  EXPECT_EQ(got.value, expected.value);
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), std::to_string(kSize));
  EXPECT_TRUE(test::WaitFor([&] { return dlg->m_nRecvBytes >= (1 << 20); }));
  EXPECT_TRUE(dlg->IsOpen());
  EXPECT_TRUE(m_boxes.empty());
}

TEST_F(SendTools, AFileOverUdpArrivesWholeAndInOrder)
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
  ASSERT_TRUE(dlg->StartSendFile(path.c_str(), 1000, 1));
  EXPECT_TRUE(test::WaitFor([&] { return !dlg->IsSendingFile(); }, 30000));
  reader.join();
  EXPECT_EQ(dlg->GetFileError(), "");
  EXPECT_TRUE(got == content) << got.size() << " of " << content.size() << " bytes";
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), std::to_string(content.size()));
}

TEST_F(SendTools, AFileThatCannotBeReadSaysWhyAndAHugeOneIsMeasuredWhole)
{
  auto dlg = NewDialog();
  int port = 0;
  test::Fd peer = OpenUdp(*dlg, &port);
  EXPECT_FALSE(dlg->StartSendFile(Path("missing.bin").c_str(), 1024, 0));
  ASSERT_EQ(m_boxes.size(), 1u);
  EXPECT_EQ(m_boxes[0], "无法读取文件 " + Path("missing.bin") + "[2]:No such file or directory.");

  // Past 4 GiB, without the disk: a sparse file, cancelled once it is under way.
  const std::string huge = Path("huge.bin");
  {
    std::ofstream f(huge, std::ios::binary);
  }
  constexpr std::uint64_t kHuge = (5ull << 30) + 3;
  ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(kHuge)), 0);
  ASSERT_TRUE(dlg->StartSendFile(huge.c_str(), 1024, 0));
  EXPECT_EQ(dlg->GetFileSize(), kHuge);
  ASSERT_TRUE(test::WaitFor([&] { return dlg->GetFileSent() > 0; }));
  dlg->StopSendFile();
  EXPECT_FALSE(dlg->IsSendingFile());
  EXPECT_EQ(dlg->GetFileError(), "已取消");
  dlg->Click(IDC_CONNECT);
}

// Loopback's own broadcast address: no packet leaves the host.
TEST_F(SendTools, ABroadcastOnLoopbackReachesAListenerBoundToIt)
{
  int port = 0;
  test::Fd listener = test::UdpSocket(&port, "127.255.255.255");
  ASSERT_TRUE(listener);
  auto dlg = NewDialog();
  int dialogPort = 0;
  OpenUdp(*dlg, &dialogPort, Ip(127, 255, 255, 255), port);
  dlg->SetText(IDC_SEND_TEXT, "to everyone");
  dlg->Click(IDC_SEND);
  bool got = false;
  EXPECT_EQ(test::ReceiveDatagram(listener, &got, 2000), "to everyone");
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), "11");
}

}  // namespace
