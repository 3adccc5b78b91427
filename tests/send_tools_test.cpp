// The send box's tools on real loopback sockets: the send options, the menu that opens the tools,
// and a broadcast on loopback. The timed and file senders have tests of their own.
#include "tests/harness/files.h"
#include "tests/support.h"

#include <QAbstractScrollArea>
#include <QGroupBox>
#include <QMenu>
#include <QTimer>

namespace {

using test::DialogTest;
using test::Ip;

class SendTools : public DialogTest {
protected:
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

// The send group's caption, as the group box shows it.
std::string SendCaption(test::TestDlg& dlg)
{
  for (QGroupBox* group : dlg.widget()->findChildren<QGroupBox*>()) {
    if (group->title().startsWith(QStringLiteral("发送")))
      return group->title().toStdString();
  }
  return {};
}

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
    EXPECT_EQ(SendCaption(*dlg), "发送");
    EXPECT_EQ(dlg->W(IDC_SEND_TEXT)->toolTip(), QString());
    dlg->SendMessage(WM_COMMAND, ID_SEND_OPTIONS);
    EXPECT_TRUE(dlg->m_sendOptions.bEscapes);
    EXPECT_EQ(SendCaption(*dlg), "发送 (CRC-32, CR LF, 转义)") << "options that change every send are named";
    EXPECT_EQ(dlg->W(IDC_SEND_TEXT)->toolTip(), QStringLiteral("每次发送都按发送设置: CRC-32, CR LF, 转义"));
  }
  const std::string after = test::ReadBytes(ProfilePath());
  EXPECT_EQ(after.rfind(before, 0), 0u) << after;
  EXPECT_NE(after.find("[SendOptions]\nEscapes=1\nLineEnding=3\nChecksum=4\n"), std::string::npos) << after;
  auto again = NewDialog();
  EXPECT_TRUE(again->m_sendOptions.bEscapes);
  EXPECT_EQ(again->m_sendOptions.nLineEnding, LINE_ENDING_CRLF);
  EXPECT_EQ(again->m_sendOptions.nChecksum, CHECKSUM_CRC32);
  EXPECT_EQ(SendCaption(*again), "发送 (CRC-32, CR LF, 转义)") << "named from the start";
}

TEST_F(SendTools, TheSendBoxMenuOpensTheToolsByShiftF10)
{
  auto dlg = NewDialog();
  QWidget* box = dlg->W(IDC_SEND_TEXT);
  box->setFocus();
  const QStringList seen = test::PopupEntries([&] { QTest::keyClick(box, Qt::Key_F10, Qt::ShiftModifier); }, 9);
  ASSERT_GE(seen.size(), 12);
  EXPECT_EQ(seen.mid(8),
            (QStringList{QStringLiteral("-"), QStringLiteral("定时发送(&T)..."), QStringLiteral("发送文件(&F)..."),
                         QStringLiteral("命令列表(&L)..."), QStringLiteral("发送设置(&O)...")}));
  ASSERT_TRUE(test::WaitFor([&] { return dlg->TimedDlg() && dlg->TimedDlg()->widget()->isVisible(); }));
  EXPECT_EQ(dlg->TimedDlg()->widget()->windowTitle().toStdString(), "定时发送");
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
