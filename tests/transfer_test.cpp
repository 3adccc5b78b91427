// Sending and receiving over real loopback sockets with peers written here.
#include "platform/qt/receive_view.h"
#include "platform/winapi.h"
#include "tests/support.h"

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

namespace {

using test::DialogTest;
using test::Ip;

class Transfer : public DialogTest {
protected:
  // A TCP channel to a listener written here; returns the accepted peer.
  test::Fd OpenTcp(test::TestDlg& dlg)
  {
    int port = 0;
    test::Fd listener = test::TcpListener(&port);
    dlg.OpenChannel(MODE_TCP, Ip(127, 0, 0, 1), port);
    EXPECT_TRUE(dlg.IsOpen());
    return test::Accept(listener);
  }
  // A UDP channel to a peer socket written here; *pDialogPort is the dialog's own port.
  test::Fd OpenUdp(test::TestDlg& dlg, int* pDialogPort)
  {
    int port = 0;
    test::Fd peer = test::UdpSocket(&port);
    *pDialogPort = test::FreeUdpPort();
    dlg.SelectMode(MODE_UDP);
    dlg.SetDest(Ip(127, 0, 0, 1), port);
    dlg.SetCheck(IDC_USE_LOCAL_PORT, true);
    dlg.SetText(IDC_LOCAL_PORT, std::to_string(*pDialogPort).c_str());
    dlg.Click(IDC_CONNECT);
    EXPECT_TRUE(dlg.IsOpen());
    return peer;
  }
  // The display follows the counter within a frame.
  std::string Shown(test::TestDlg& dlg)
  {
    test::WaitFor([&] { return !dlg.RedrawPending(); }, 1000);
    return dlg.Text(IDC_RECV_TEXT);
  }
  bool CountIs(test::TestDlg& dlg, int n, int timeoutMs = 5000)
  {
    return test::WaitFor([&] { return dlg.Text(IDC_RECV_COUNT) == std::to_string(n); }, timeoutMs);
  }
};

TEST_F(Transfer, TcpChunksAccumulateAsTextOrHex)
{
  auto dlg = NewDialog();
  test::Fd peer = OpenTcp(*dlg);
  const int cues = platform::PlayedSoundCount();
  test::SendAll(peer, "ab");
  ASSERT_TRUE(CountIs(*dlg, 2));
  test::SendAll(peer, "cd");
  ASSERT_TRUE(CountIs(*dlg, 4));
  EXPECT_EQ(Shown(*dlg), "abcd");
  EXPECT_GE(platform::PlayedSoundCount(), cues + 2);
  dlg->Click(IDC_HEX_RECV);
  EXPECT_EQ(Shown(*dlg), "61 62 63 64 ");
  dlg->Click(IDC_CONNECT);
}

TEST_F(Transfer, TcpSendsTextAndHex)
{
  auto dlg = NewDialog();
  test::Fd peer = OpenTcp(*dlg);
  dlg->SetText(IDC_SEND_TEXT, "abc");
  dlg->Click(IDC_SEND);
  EXPECT_EQ(test::ReceiveExactly(peer, 3), "abc");
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), "3");

  dlg->Click(IDC_HEX_SEND);
  dlg->SetText(IDC_SEND_TEXT, "  01 02 ff  ");
  dlg->Click(IDC_SEND);
  EXPECT_EQ(dlg->Text(IDC_SEND_TEXT), "01 02 ff");
  EXPECT_EQ(test::ReceiveExactly(peer, 3), std::string("\x01\x02\xff", 3));
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), "6");

  dlg->SetText(IDC_SEND_TEXT, "zz");
  dlg->Click(IDC_SEND);
  EXPECT_EQ(test::ReceiveSome(peer, 200), "");
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), "6");
  EXPECT_TRUE(m_boxes.empty());
  dlg->Click(IDC_CONNECT);
}

TEST_F(Transfer, EmptyAndOversizedSendBoxes)
{
  auto dlg = NewDialog();
  test::Fd peer = OpenTcp(*dlg);
  dlg->SetText(IDC_SEND_TEXT, "");
  dlg->Click(IDC_SEND);
  dlg->Click(IDC_HEX_SEND);
  dlg->SetText(IDC_SEND_TEXT, " \r\n ");
  dlg->Click(IDC_SEND);
  EXPECT_EQ(m_boxes, (std::vector<std::string>{"请输入数据!", "请输入数据!"}));
  m_boxes.clear();
  // Only spaces go out as spaces in text mode.
  dlg->Click(IDC_HEX_SEND);
  dlg->SetText(IDC_SEND_TEXT, "   ");
  dlg->Click(IDC_SEND);
  EXPECT_EQ(test::ReceiveExactly(peer, 3), "   ");
  // More than the send buffer holds is refused whole.
  dlg->SetText(IDC_SEND_TEXT, std::string(32769, 'x').c_str());
  dlg->Click(IDC_SEND);
  dlg->SetText(IDC_SEND_TEXT, std::string(32768, 'y').c_str());
  dlg->Click(IDC_SEND);
  dlg->Click(IDC_HEX_SEND);
  std::string hex;
  for (int i = 0; i < 32769; ++i)
    hex += "7a ";
  dlg->SetText(IDC_SEND_TEXT, hex.c_str());
  dlg->Click(IDC_SEND);
  EXPECT_EQ(m_boxes, (std::vector<std::string>{"发送数据不能超过32768字节!", "发送数据不能超过32768字节!"}));
  EXPECT_EQ(test::ReceiveExactly(peer, 32768), std::string(32768, 'y'));
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), std::to_string(3 + 32768));
  // Line breaks in the send box go out as CR LF pairs.
  dlg->Click(IDC_HEX_SEND);
  dlg->SetText(IDC_SEND_TEXT, "a\r\nb");
  dlg->Click(IDC_SEND);
  EXPECT_EQ(test::ReceiveExactly(peer, 4), "a\r\nb");
  dlg->Click(IDC_CONNECT);
}

TEST_F(Transfer, UdpDatagramsBothWays)
{
  auto dlg = NewDialog();
  int dialogPort = 0;
  test::Fd peer = OpenUdp(*dlg, &dialogPort);
  dlg->SetText(IDC_SEND_TEXT, "one");
  dlg->Click(IDC_SEND);
  dlg->Click(IDC_SEND);
  bool got = false;
  EXPECT_EQ(test::ReceiveDatagram(peer, &got), "one");
  EXPECT_EQ(test::ReceiveDatagram(peer, &got), "one");
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), "6");
  // An empty payload still leaves as an empty datagram.
  dlg->Click(IDC_HEX_SEND);
  dlg->SetText(IDC_SEND_TEXT, "zz");
  dlg->Click(IDC_SEND);
  EXPECT_EQ(test::ReceiveDatagram(peer, &got), "");
  EXPECT_TRUE(got);
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), "6");
  // A reply from another socket and port is shown.
  int otherPort = 0;
  test::Fd other = test::UdpSocket(&otherPort);
  test::SendDatagram(other, "reply", dialogPort);
  ASSERT_TRUE(CountIs(*dlg, 5));
  EXPECT_EQ(Shown(*dlg), "reply");
  dlg->Click(IDC_CONNECT);
}

TEST_F(Transfer, BufferAndCountersOutliveChannels)
{
  auto dlg = NewDialog();
  int dialogPort = 0;
  {
    test::Fd peer = OpenUdp(*dlg, &dialogPort);
    test::SendDatagram(peer, "first", dialogPort);
    ASSERT_TRUE(CountIs(*dlg, 5));
    dlg->Click(IDC_CONNECT);
  }
  // Hex redraw with no channel open uses the old buffer.
  dlg->Click(IDC_HEX_RECV);
  EXPECT_EQ(Shown(*dlg), "66 69 72 73 74 ");
  dlg->Click(IDC_HEX_RECV);
  test::Fd peer = OpenUdp(*dlg, &dialogPort);
  test::SendDatagram(peer, "+second", dialogPort);
  ASSERT_TRUE(CountIs(*dlg, 12));
  EXPECT_EQ(Shown(*dlg), "first+second");
  // Clearing keeps the counter; new data starts at the buffer's start.
  dlg->Click(IDC_CLEAR_RECV);
  EXPECT_EQ(Shown(*dlg), "");
  EXPECT_EQ(dlg->m_nRecvLen, 0);
  test::SendDatagram(peer, "new", dialogPort);
  ASSERT_TRUE(CountIs(*dlg, 15));
  EXPECT_EQ(Shown(*dlg), "new");
  // Clearing counters mid-channel counts from 0.
  dlg->Click(IDC_CLEAR_COUNTS);
  test::SendDatagram(peer, "xy", dialogPort);
  ASSERT_TRUE(CountIs(*dlg, 2));
  dlg->SetText(IDC_SEND_TEXT, "q");
  dlg->Click(IDC_SEND);
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), "1");
  dlg->Click(IDC_CONNECT);
}

TEST_F(Transfer, FullBufferKeepsTheNewestBytes)
{
  auto dlg = NewDialog();
  test::Fd peer = OpenTcp(*dlg);
  std::string stream(70000, '\0');
  for (std::size_t i = 0; i < stream.size(); ++i)
    stream[i] = static_cast<char>('a' + i % 26);
  test::SendAll(peer, stream);
  ASSERT_TRUE(CountIs(*dlg, 70000));
  EXPECT_EQ(dlg->m_nRecvLen, 65536);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(dlg->m_recvBuf), 65536), stream.substr(70000 - 65536));
  EXPECT_EQ(Shown(*dlg), stream.substr(70000 - 65536));
  dlg->Click(IDC_CONNECT);
}

TEST_F(Transfer, LargeDatagramArrivesWhole)
{
  auto dlg = NewDialog();
  int dialogPort = 0;
  test::Fd peer = OpenUdp(*dlg, &dialogPort);
  const int size = 40000;
  const int big = 65507;
  const std::string one(size, 'D');
  test::SendDatagram(peer, one, dialogPort);
  ASSERT_TRUE(CountIs(*dlg, size));
  test::SendDatagram(peer, std::string(big, 'E'), dialogPort);
  ASSERT_TRUE(CountIs(*dlg, size + big));
  EXPECT_EQ(dlg->m_nRecvLen, 65536);
  dlg->Click(IDC_CONNECT);
}

TEST_F(Transfer, TcpStreamIsCountedExactly)
{
  auto dlg = NewDialog();
  test::Fd peer = OpenTcp(*dlg);
  const std::size_t total = 10 * 1000 * 1000;
  const std::string block(64 * 1024, 'z');
  std::size_t sent = 0;
  // The peer writes while the dialog's loop reads: interleave bounded writes with waiting.
  while (sent < total) {
    const std::size_t n = std::min(block.size(), total - sent);
    const std::size_t w = test::TrySend(peer, block.substr(0, n));
    sent += w;
    if (w == 0)
      QTest::qWait(1);
  }
  EXPECT_TRUE(CountIs(*dlg, static_cast<int>(total), 30000)) << dlg->Text(IDC_RECV_COUNT);
  dlg->Click(IDC_CONNECT);
}

TEST_F(Transfer, DatagramBurstsAreCountedExactly)
{
  auto dlg = NewDialog();
  int dialogPort = 0;
  test::Fd peer = OpenUdp(*dlg, &dialogPort);
  const std::string payload(100, 'u');
  int expected = 0;
  for (int burst = 0; burst < 100; ++burst) {
    for (int i = 0; i < 100; ++i)
      test::SendDatagram(peer, payload, dialogPort);
    expected += 100 * 100;
    ASSERT_TRUE(CountIs(*dlg, expected, 10000)) << "burst " << burst << ": " << dlg->Text(IDC_RECV_COUNT);
  }
  dlg->Click(IDC_CONNECT);
}

TEST_F(Transfer, TheLastChunkOfABurstIsOnScreen)
{
  auto dlg = NewDialog();
  int dialogPort = 0;
  test::Fd peer = OpenUdp(*dlg, &dialogPort);
  dlg->Click(IDC_HEX_RECV);
  for (int i = 0; i < 100; ++i)
    test::SendDatagram(peer, std::string(200, static_cast<char>(i + 200)), dialogPort);
  ASSERT_TRUE(CountIs(*dlg, 20000));
  auto* view = dynamic_cast<platform::ReceiveView*>(dlg->W(IDC_RECV_TEXT));
  ASSERT_NE(view, nullptr);
  QTest::qWait(40);
  EXPECT_EQ(view->firstVisibleLine() + view->visibleLineCount(), view->lineCount());
  EXPECT_TRUE(view->lineText(view->lineCount() - 1).endsWith(QStringLiteral("2B ")));  // 299 & 0xFF
  dlg->Click(IDC_CONNECT);
}

}  // namespace

namespace {

class SendBoxLimit : public test::DialogTest {
protected:
  QPlainTextEdit* Box(test::TestDlg& dlg)
  {
    auto* box = qobject_cast<QPlainTextEdit*>(dlg.W(IDC_SEND_TEXT));
    box->setFocus();
    return box;
  }
  static qsizetype Length(QPlainTextEdit* box) { return box->document()->characterCount() - 1; }
};

constexpr int kEditLimit = 32767;

TEST_F(SendBoxLimit, TypingStopsAndPastesAreCutAtTheLimit)
{
  auto dlg = NewDialog();
  QPlainTextEdit* box = Box(*dlg);
  dlg->SetText(IDC_SEND_TEXT, std::string(kEditLimit - 1, 'x').c_str());
  box->moveCursor(QTextCursor::End);
  QTest::keyClicks(box, "ab");
  EXPECT_EQ(Length(box), kEditLimit);
  EXPECT_TRUE(box->toPlainText().endsWith(QStringLiteral("xa")));

  // A paste fills what is left, counting what a selection gives back.
  box->clear();
  QApplication::clipboard()->setText(QString(40000, u'p'));
  QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Length(box), kEditLimit);
  QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
  QApplication::clipboard()->setText(QStringLiteral("line one\r\nline two"));
  QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(dlg->Text(IDC_SEND_TEXT), "line one\r\nline two");
  EXPECT_EQ(Length(box), 17);

  // The program's own text is not limited: the send refuses what is too long for its buffer.
  dlg->SetText(IDC_SEND_TEXT, std::string(kEditLimit + 2, 'y').c_str());
  EXPECT_EQ(Length(box), kEditLimit + 2);
}

// The hex rewrite of the box on Send puts back the whole trimmed text, zero characters and all.
TEST_F(SendBoxLimit, HexRewriteKeepsTheWholeText)
{
  auto dlg = NewDialog();
  int port = 0;
  test::Fd peer = test::UdpSocket(&port);
  dlg->OpenChannel(MODE_UDP, Ip(127, 0, 0, 1), port);
  ASSERT_TRUE(dlg->IsOpen());
  dlg->SetCheck(IDC_HEX_SEND, true);
  Box(*dlg)->setPlainText(QStringLiteral("  01") + QChar(0) + QStringLiteral("02 ff  "));
  dlg->Click(IDC_SEND);
  EXPECT_EQ(Box(*dlg)->toPlainText(), QStringLiteral("01") + QChar(0) + QStringLiteral("02 ff"));
  bool got = false;
  EXPECT_EQ(test::ReceiveDatagram(peer, &got), std::string("\x01\x02\xff"));
  EXPECT_TRUE(got);
  dlg->Click(IDC_CONNECT);
}

}  // namespace
