// The receive display's options on real UDP and TCP channels over loopback: each chunk with its
// time and sender, the sent ones too, every byte visible, GBK, a pause; the options window and the
// settings file's section of its own.
#include "dialog/TrafficDlg.h"
#include "tests/harness/files.h"
#include "tests/support.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>

namespace {

using test::DialogTest;
using test::Ip;

std::string Held(const CRecvJournal& journal, int i)
{
  const JOURNAL_CHUNK& chunk = journal.GetAt(i);
  return std::string(reinterpret_cast<const char*>(journal.BytesOf(chunk)), static_cast<std::size_t>(chunk.nLength));
}

// The display's chunks: whole ones within its budget, older ones giving way, and a chunk longer
// than the budget keeping its last bytes.
TEST(RecvJournal, KeepsTheNewestWholeChunksWithinItsBudget)
{
  CRecvJournal journal(10);
  const auto add = [&](const std::string& bytes) {
    journal.Add({1, {}, 0, false, false, false, 0, static_cast<int>(bytes.size())},
                reinterpret_cast<const BYTE*>(bytes.data()));
  };
  add("abcd");
  add("efgh");
  EXPECT_EQ(journal.GetCount(), 2);
  add("ij");
  EXPECT_EQ(journal.GetCount(), 3);
  add("klm");  // 13 bytes: the oldest gives way
  ASSERT_EQ(journal.GetCount(), 3);
  EXPECT_EQ(Held(journal, 0), "efgh");
  EXPECT_EQ(Held(journal, 2), "klm");
  for (int i = 0; i < 50; ++i)  // many times round: the bytes move to the front and stay whole
    add(std::to_string(i % 10) + "xy");
  EXPECT_EQ(journal.GetCount(), 3);
  EXPECT_EQ(Held(journal, 2), "9xy");
  add("0123456789ABCDEF");
  ASSERT_EQ(journal.GetCount(), 1);
  EXPECT_EQ(Held(journal, 0), "6789ABCDEF");
  EXPECT_TRUE(journal.GetAt(0).bCut);
  journal.Clear();
  EXPECT_EQ(journal.GetCount(), 0);
}

class RecvDisplay : public DialogTest {
protected:
  void SetOptions(test::TestDlg& dlg, const CRecvOptions& options)
  {
    dlg.m_display.staging.MergeInto(dlg.m_recvBuf, RECV_BUFFER_SIZE, &dlg.m_nRecvLen);
    dlg.m_display.SetOptions(options, dlg.m_recvBuf, dlg.m_nRecvLen);
  }
  // The display's text once it shows what came, lines apart and the time of day made "T".
  static std::vector<std::string> Lines(test::TestDlg& dlg)
  {
    QString text = QString::fromStdString(dlg.Text(IDC_RECV_TEXT));
    text.replace(QRegularExpression(QStringLiteral("\\[\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\\]")), QStringLiteral("[T]"));
    std::vector<std::string> lines;
    for (const QString& line : text.split(QStringLiteral("\r\n")))
      lines.push_back(line.toStdString());
    return lines;
  }
  static bool EndsWith(const std::string& s, const std::string& end)
  {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
  }
  static bool Shows(test::TestDlg& dlg, const std::string& part)
  {
    return test::WaitFor([&] { return dlg.Text(IDC_RECV_TEXT).find(part) != std::string::npos; });
  }
};

TEST_F(RecvDisplay, EachChunkOnItsLineWithTimeAndSenderAndEveryByteShown)
{
  auto dlg = NewDialog();
  int localPort = 0;
  test::Fd device = OpenUdp(*dlg, &localPort);
  int secondPort = 0;
  test::Fd second = test::UdpSocket(&secondPort, "127.0.0.2");
  CRecvOptions options;
  options.bShowPeer = TRUE;
  options.bShowSent = TRUE;
  options.bBreakPerChunk = TRUE;
  options.nControls = CONTROLS_DOT;
  SetOptions(*dlg, options);
  test::SendDatagram(device, std::string("\x01\x03\x02\x00\x64", 5), localPort);
  ASSERT_TRUE(Shows(*dlg, "....d"));
  test::SendDatagram(second, "from a second sender", localPort);
  ASSERT_TRUE(Shows(*dlg, "second sender"));
  dlg->SetText(IDC_SEND_TEXT, "reply");
  dlg->Click(IDC_SEND);
  ASSERT_TRUE(Shows(*dlg, "reply"));
  const std::vector<std::string> lines = Lines(*dlg);
  ASSERT_EQ(lines.size(), 4u) << dlg->Text(IDC_RECV_TEXT);
  EXPECT_EQ(lines[0].rfind("[T] 127.0.0.1:", 0), 0u) << lines[0];
  EXPECT_TRUE(EndsWith(lines[0], " 收: ....d")) << lines[0];
  EXPECT_EQ(lines[1].rfind("[T] 127.0.0.2:", 0), 0u) << lines[1];
  EXPECT_TRUE(EndsWith(lines[1], " 收: from a second sender")) << lines[1];
  EXPECT_EQ(lines[2].rfind("[T] 127.0.0.1:", 0), 0u) << lines[2];
  EXPECT_TRUE(EndsWith(lines[2], " 发: reply")) << lines[2];
  EXPECT_EQ(lines[3], "");
  // Hex shows each chunk on its line too; the counter and the buffer are as always.
  dlg->SetCheck(IDC_HEX_RECV, true);
  EXPECT_TRUE(EndsWith(Lines(*dlg)[0], " 收: 01 03 02 00 64 ")) << Lines(*dlg)[0];
  EXPECT_EQ(dlg->Text(IDC_RECV_COUNT), "25");
  EXPECT_EQ(dlg->m_nRecvLen, 25);
}

TEST_F(RecvDisplay, AtTheDefaultsTheDisplayIsWhatItAlwaysWasAndAZeroStillEndsTheText)
{
  auto dlg = NewDialog();
  int localPort = 0;
  test::Fd device = OpenUdp(*dlg, &localPort);
  test::SendDatagram(device, std::string("ab\0cd", 5), localPort);
  ASSERT_TRUE(test::WaitFor([&] { return dlg->Text(IDC_RECV_COUNT) == "5"; }));
  EXPECT_EQ(dlg->Text(IDC_RECV_TEXT), "ab");
  CRecvOptions options;
  options.nControls = CONTROLS_ESCAPED;
  SetOptions(*dlg, options);
  dlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_HEX_RECV, BN_CLICKED));
  EXPECT_EQ(dlg->Text(IDC_RECV_TEXT), "ab\\x00cd");
}

TEST_F(RecvDisplay, GbkTextReadsInTheDisplayAndTheRecordWindow)
{
  auto dlg = NewDialog();
  int localPort = 0;
  test::Fd device = OpenUdp(*dlg, &localPort);
  CRecvOptions options;
  options.nEncoding = ENCODING_GB18030;
  SetOptions(*dlg, options);
  test::SendDatagram(device, "\xC9\xE8\xB1\xB8\xD5\xFD\xB3\xA3", localPort);
  ASSERT_TRUE(Shows(*dlg, "设备正常"));
  dlg->SendMessage(WM_SYSCOMMAND, IDM_TRAFFIC);
  dlg->m_pTrafficDlg->SetTextEncoding(ENCODING_GB18030);
  auto* list = dlg->m_pTrafficDlg->GetDlgItem(IDC_TRAFFIC_LIST)->widget();
  ASSERT_TRUE(list);
  const int rows = dlg->m_record.GetCount();
  const QString cell = qobject_cast<QAbstractItemView*>(list)->model()->index(rows - 1, 5).data().toString();
  EXPECT_EQ(cell.toStdString(), "设备正常");
}

TEST_F(RecvDisplay, PausedTheDisplayStaysAndSaysSoWhileCountingGoesOn)
{
  auto dlg = NewDialog();
  int localPort = 0;
  test::Fd device = OpenUdp(*dlg, &localPort);
  test::SendDatagram(device, "before ", localPort);
  ASSERT_TRUE(Shows(*dlg, "before "));
  const QStringList menu = test::PopupEntries([&] { test::ContextClick(dlg->W(IDC_RECV_TEXT)); }, 11);
  EXPECT_EQ(menu.mid(10), (QStringList{QStringLiteral("接收设置(&O)..."), QStringLiteral("暂停显示(&P)")}));
  QApplication::processEvents();
  EXPECT_TRUE(dlg->m_display.bPaused);
  test::SendDatagram(device, "during", localPort);
  ASSERT_TRUE(test::WaitFor([&] { return dlg->Text(IDC_RECV_COUNT) == "13"; }));
  EXPECT_EQ(dlg->Text(IDC_RECV_TEXT), "before ");
  const auto captions = [&] {
    std::vector<std::string> seen;
    for (CWnd* p = dlg->GetWindow(GW_CHILD); p; p = p->GetWindow(GW_HWNDNEXT)) {
      CString text;
      p->GetWindowText(text);
      seen.push_back(text.str());
    }
    return seen;
  };
  const std::vector<std::string> paused = captions();
  EXPECT_NE(std::find(paused.begin(), paused.end(), "接收 (已暂停)"), paused.end());
  dlg->SendMessage(WM_COMMAND, ID_RECV_PAUSE);
  EXPECT_EQ(dlg->Text(IDC_RECV_TEXT), "before during");
  const std::vector<std::string> going = captions();
  EXPECT_NE(std::find(going.begin(), going.end(), "接收"), going.end());
  EXPECT_EQ(std::find(going.begin(), going.end(), "接收 (已暂停)"), going.end());
}

TEST_F(RecvDisplay, TheOptionsWindowKeepsItsChoiceInASectionOfItsOwnAndBadValuesReadAsDefaults)
{
  const std::string before = "[ClientParams]\nLastType=1\n[RecvOptions]\nControls=7\nEncoding=-1\n";
  test::WriteBytes(ProfilePath(), before);
  {
    auto dlg = NewDialog();
    EXPECT_TRUE(dlg->m_display.Options().IsDefault());
    QTimer::singleShot(0, [&] {
      QWidget* window = QApplication::activeModalWidget();
      ASSERT_TRUE(window);
      ASSERT_EQ(window->windowTitle().toStdString(), "接收设置");
      CWnd* pDlg = CWnd::fromWidget(window);
      EXPECT_FALSE(pDlg->GetDlgItem(IDC_RECV_SHOW_SENT)->IsWindowEnabled());
      pDlg->GetDlgItem(IDC_RECV_SHOW_PEER)->SendMessage(BM_SETCHECK, BST_CHECKED);
      pDlg->GetDlgItem(IDC_RECV_BREAK)->SendMessage(BM_SETCHECK, BST_CHECKED);
      pDlg->GetDlgItem(IDC_RECV_CONTROLS)->SendMessage(CB_SETCURSEL, CONTROLS_ESCAPED);
      pDlg->GetDlgItem(IDC_RECV_ENCODING)->SendMessage(CB_SETCURSEL, ENCODING_GB18030);
      pDlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED));
    });
    dlg->SendMessage(WM_COMMAND, ID_RECV_OPTIONS);
    EXPECT_TRUE(dlg->m_display.Options().bShowPeer);
  }
  const std::string after = test::ReadBytes(ProfilePath());
  EXPECT_EQ(after,
            "[ClientParams]\nLastType=1\n[RecvOptions]\nControls=2\nEncoding=1\nShowPeer=1\nShowSent=0\n"
            "BreakPerChunk=1\n");
  auto again = NewDialog();
  EXPECT_TRUE(again->m_display.Options().bShowPeer);
  EXPECT_EQ(again->m_display.Options().nControls, CONTROLS_ESCAPED);
  EXPECT_EQ(again->m_display.Options().nEncoding, ENCODING_GB18030);
}

}  // namespace
