// Automatic replies over loopback: the right peer answered in each mode, delays on a timer, the
// rules matched in order, the record's mark, the settings file read and written with nothing else
// in it touched, rule files imported and exported, and two programs answering each other.
#include "dialog/TrafficText.h"
#include "tests/harness/files.h"
#include "tests/support.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

#include <sys/stat.h>

#include <fstream>
#include <sstream>

namespace {

using test::DialogTest;
using test::Ip;

REPLY_RULE Rule(int nMatch, const char* pszMatch, const char* pszReply, int nDelayMs = 0, int nReply = REPLY_TEXT)
{
  REPLY_RULE rule;
  rule.nMatch = nMatch;
  rule.strMatch = pszMatch;
  rule.nReply = nReply;
  rule.strReply = pszReply;
  rule.nDelayMs = nDelayMs;
  return rule;
}

class AutoReply : public DialogTest {
protected:
  // The dialog's replies switched on, with these rules.
  static void Answer(test::TestDlg& dlg, std::initializer_list<REPLY_RULE> rules)
  {
    CAutoReply& autoReply = dlg.AutoReply();
    for (const REPLY_RULE& rule : rules) {
      CString why;
      ASSERT_TRUE(autoReply.Rules().Insert(autoReply.Rules().GetCount(), rule, SEND_OPTIONS{}, why)) << why.str();
    }
    autoReply.SetEnabled(TRUE);
  }
  std::string ReadProfile() const
  {
    std::ifstream in(ProfilePath(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void WriteProfile(const std::string& text) const { std::ofstream(ProfilePath(), std::ios::binary) << text; }
};

TEST_F(AutoReply, ATcpPeerIsAnsweredAndTheRecordSaysItWasAnAutomaticReply)
{
  int port = 0;
  test::Fd listener = test::TcpListener(&port);
  auto dlg = NewDialog();
  Answer(*dlg, {Rule(MATCH_CONTAINS, "PING", "PONG\\r\\n")});
  dlg->OpenChannel(MODE_TCP, Ip(127, 0, 0, 1), port);
  test::Fd device = test::Accept(listener);
  ASSERT_TRUE(device);
  test::SendAll(device, "xxPINGxx");
  EXPECT_EQ(test::ReceiveExactly(device, 6), "PONG\r\n");
  EXPECT_TRUE(test::WaitFor([&] { return dlg->Text(IDC_SENT_COUNT) == "6"; }));
  const TRAFFIC_EVENT& last = dlg->m_record.GetEvent(dlg->m_record.GetCount() - 1);
  EXPECT_EQ(last.kind, TRAFFIC_SENT);
  EXPECT_TRUE(last.bAutoReply);
  EXPECT_EQ(TrafficColumnText(last, nullptr, 0, TRAFFIC_COL_EVENT, ENCODING_UTF8).str(), "应答");
  EXPECT_EQ(dlg->AutoReply().Rules().GetAt(0).nHits, 1u);
  EXPECT_EQ(dlg->AutoReply().GetReplies(), 1u);

  // Switched off, nothing answers; a click's send is no automatic reply.
  dlg->AutoReply().SetEnabled(FALSE);
  test::SendAll(device, "PING");
  EXPECT_TRUE(test::WaitFor([&] { return dlg->Text(IDC_RECV_COUNT) == "12"; }));
  dlg->SetText(IDC_SEND_TEXT, "typed");
  dlg->Click(IDC_SEND);
  EXPECT_EQ(test::ReceiveExactly(device, 5), "typed");
  EXPECT_FALSE(dlg->m_record.GetEvent(dlg->m_record.GetCount() - 1).bAutoReply);
}

TEST_F(AutoReply, EachUdpSenderIsAnsweredAtItsOwnAddressNotTheDestination)
{
  auto dlg = NewDialog();
  Answer(*dlg, {Rule(MATCH_EXACT, "PING", "PONG")});
  int localPort = 0;
  test::Fd destination = OpenUdp(*dlg, &localPort);
  int firstPort = 0;
  int secondPort = 0;
  test::Fd first = test::UdpSocket(&firstPort, "127.0.0.2");
  test::Fd second = test::UdpSocket(&secondPort, "127.0.0.3");
  test::SendDatagram(first, "PING", localPort);
  test::SendDatagram(second, "PING", localPort);
  test::SendDatagram(second, "PINGPING", localPort);  // not exactly PING: no answer
  bool bGot = false;
  EXPECT_EQ(test::ReceiveDatagram(first, &bGot), "PONG");
  EXPECT_EQ(test::ReceiveDatagram(second, &bGot), "PONG");
  test::ReceiveDatagram(second, &bGot, 200);
  EXPECT_FALSE(bGot) << "one answer per matching datagram";
  test::ReceiveDatagram(destination, &bGot, 100);
  EXPECT_FALSE(bGot) << "the fixed destination asked nothing";
}

TEST_F(AutoReply, AServerAnswersTheClientThatAskedAlone)
{
  const int port = test::FreeTcpPort();
  auto dlg = NewDialog();
  Answer(*dlg, {Rule(MATCH_HEX, "01 03", "01 03 02 00 64", 0, REPLY_HEX)});
  dlg->Listen(Ip(127, 0, 0, 1), port);
  std::vector<test::Fd> clients;
  for (int i = 0; i < 3; ++i) {
    clients.push_back(test::TcpConnect(port));
    ASSERT_TRUE(test::WaitFor([&] { return dlg->ClientCount() == i + 1; }));
  }
  test::SendAll(clients[1], std::string("\x01\x03\x00\x00\x00\x01", 6));
  EXPECT_EQ(test::ReceiveExactly(clients[1], 5), std::string("\x01\x03\x02\x00\x64", 5));
  EXPECT_EQ(test::ReceiveSome(clients[0], 100), "");
  EXPECT_EQ(test::ReceiveSome(clients[2], 100), "");
}

TEST_F(AutoReply, ADelayedReplyWaitsOnATimerAndOneTheChannelOutlivesIsCountedNotLost)
{
  auto dlg = NewDialog();
  Answer(*dlg, {Rule(MATCH_PREFIX, "slow", "late", 300), Rule(MATCH_PREFIX, "never", "gone", 60000)});
  int localPort = 0;
  test::Fd device = OpenUdp(*dlg, &localPort);
  test::SendDatagram(device, "slow please", localPort);
  ASSERT_TRUE(test::WaitFor([&] { return dlg->AutoReply().GetPending() == 1; }));
  bool bGot = false;
  test::ReceiveDatagram(device, &bGot, 100);
  EXPECT_FALSE(bGot) << "not before its delay";
  dlg->SetText(IDC_SEND_TEXT, "meanwhile");
  dlg->Click(IDC_SEND);
  EXPECT_EQ(test::ReceiveDatagram(device, &bGot), "meanwhile") << "the dialog works while a reply waits";
  std::string late;
  bGot = false;
  ASSERT_TRUE(test::WaitFor([&] {
    if (!bGot)
      late = test::ReceiveDatagram(device, &bGot, 10);
    return bGot;
  }));
  EXPECT_EQ(late, "late");
  test::SendDatagram(device, "never mind", localPort);
  ASSERT_TRUE(test::WaitFor([&] { return dlg->AutoReply().GetPending() == 1; }));
  dlg->Click(IDC_CONNECT);
  EXPECT_EQ(dlg->AutoReply().GetPending(), 0);
  EXPECT_EQ(dlg->AutoReply().GetNotSent(), 1u);
  EXPECT_EQ(dlg->AutoReply().GetReplies(), 1u);
}

TEST_F(AutoReply, TheFirstEnabledRuleThatMatchesAnswers)
{
  const std::string modbus("\x01\x03\x00\x00\x00\x01\x84\x0A", 8);
  struct Row {
    const char* what;
    std::string data;
    int expected;
  } rows[] = {
      {"nothing matches", "hello", -1},
      {"exact beats a later contains", "STATUS?", 0},
      {"a disabled rule is passed over", "RESET", 3},
      {"prefix", "GET /x", 4},
      {"hex bytes anywhere in the chunk", "\xFF" + modbus, 5},
      {"a regular expression on bytes, zero bytes included", std::string("T=42\0", 5), 6},
      {"a pattern's UTF-8 text matches its bytes", "温度 高", 7},
      {"contains", "...STATUS?...", 1},
  };
  CReplyRules rules;
  CString why;
  const REPLY_RULE table[] = {
      Rule(MATCH_EXACT, "STATUS?", "a"),       Rule(MATCH_CONTAINS, "STATUS", "b"),
      Rule(MATCH_CONTAINS, "RESET", "c"),      Rule(MATCH_CONTAINS, "RES", "d"),
      Rule(MATCH_PREFIX, "GET ", "e"),         Rule(MATCH_HEX, "01 03 00 00", "f"),
      Rule(MATCH_REGEX, "^T=\\d+\\x00$", "g"), Rule(MATCH_REGEX, "温度\\s+高", "h"),
  };
  for (const REPLY_RULE& rule : table)
    ASSERT_TRUE(rules.Insert(rules.GetCount(), rule, SEND_OPTIONS{}, why)) << why.str();
  rules.SetEnabled(2, FALSE);
  for (const Row& row : rows) {
    EXPECT_EQ(rules.Match(reinterpret_cast<const BYTE*>(row.data.data()), static_cast<int>(row.data.size())),
              row.expected)
        << row.what;
  }
}

TEST_F(AutoReply, ABadRegularExpressionIsRefusedWithWhereAndNothingChanges)
{
  CReplyRules rules;
  CString why;
  EXPECT_FALSE(rules.Insert(0, Rule(MATCH_REGEX, "温度(\\d+", "x"), SEND_OPTIONS{}, why));
  EXPECT_EQ(rules.GetCount(), 0);
  EXPECT_NE(why.str().find("正则表达式在第 7 个字符处"), std::string::npos) << why.str();
}

TEST_F(AutoReply, TheSettingsAreReadAndWrittenWithEveryOtherLineAsItWas)
{
  const std::string bad = "1\tsounds-like\tPING\ttext\tPONG\t0\t0";
  WriteProfile(
      "; kept comment\r\n[Other]\r\nx=1\r\n[AutoReply]\r\nEnabled=1\r\nCount=3\r\n"
      "Rule1=1\tcontains\tPING\ttext\tPONG\t0\t0\r\nRule2=" +
      bad + "\r\nRule3=0\tprefix\tA\thex\t41\t5\t1\r\nRule4=left alone\r\n[Last]\r\ny=2\r\n");
  {
    auto dlg = NewDialog();
    CAutoReply& autoReply = dlg->AutoReply();
    EXPECT_TRUE(autoReply.IsEnabled());
    ASSERT_EQ(autoReply.Rules().GetCount(), 3);
    EXPECT_FALSE(autoReply.Rules().GetAt(1).bUsable);
    ASSERT_EQ(autoReply.GetLoadProblems().size(), 1u);
    EXPECT_NE(autoReply.GetLoadProblems()[0].str().find("Rule2: 未知的匹配方式 \"sounds-like\""), std::string::npos);
    EXPECT_EQ(ReadProfile().find("Rule1=1\tcontains"), ReadProfile().find("Rule1=")) << "reading wrote nothing";
    autoReply.Rules().Remove(0);
    autoReply.Save();
  }
  EXPECT_EQ(ReadProfile(), "; kept comment\r\n[Other]\r\nx=1\r\n[AutoReply]\r\nEnabled=1\r\nCount=2\r\nRule1=" + bad +
                               "\r\nRule2=0\tprefix\tA\thex\t41\t5\t1\r\nRule4=left alone\r\n[Last]\r\ny=2\r\n");
  auto again = NewDialog();
  ASSERT_EQ(again->AutoReply().Rules().GetCount(), 2);
  EXPECT_EQ(again->AutoReply().Rules().GetAt(1).rule.nDelayMs, 5);
}

TEST_F(AutoReply, RuleFilesGoOutAndComeBackAndAFifoIsRefusedAtOnce)
{
  auto dlg = NewDialog();
  Answer(*dlg, {Rule(MATCH_CONTAINS, "PING", "PONG"), Rule(MATCH_REGEX, "^A", "B", 10)});
  dlg->SendMessage(WM_SYSCOMMAND, IDM_AUTO_REPLY);
  CAutoReplyDlg* window = dlg->AutoReplyDlg();
  ASSERT_TRUE(window);
  CString message;
  const std::string path = Path("rules.txt");
  ASSERT_TRUE(window->ExportFile(path.c_str(), message)) << message.str();
  std::ofstream(path, std::ios::app) << "# a comment\r\n\r\nnot a rule\r\n";
  ASSERT_TRUE(window->ImportFile(path.c_str(), message)) << message.str();
  EXPECT_NE(message.str().find("导入了 2 条规则, 1 行无法使用 (第 5 行:"), std::string::npos) << message.str();
  ASSERT_EQ(dlg->AutoReply().Rules().GetCount(), 5);
  EXPECT_EQ(dlg->AutoReply().Rules().GetAt(3).strLine.str(), dlg->AutoReply().Rules().GetAt(1).strLine.str());

  const std::string fifo = Path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(window->ImportFile(fifo.c_str(), message));
  EXPECT_NE(message.str().find("FIFO"), std::string::npos) << message.str();
  EXPECT_EQ(dlg->AutoReply().Rules().GetCount(), 5);
}

// Two programs with echo rules answering each other as fast as they can: each keeps its loop
// turning, and the user stops it by closing the channel.
TEST_F(AutoReply, TwoProgramsAnsweringEachOtherDoNotFreezeEitherDialog)
{
  auto left = NewDialog();
  auto right = NewDialog();
  Answer(*left, {Rule(MATCH_CONTAINS, "ball", "ball")});
  Answer(*right, {Rule(MATCH_CONTAINS, "ball", "ball")});
  const int leftPort = test::FreeUdpPort();
  const int rightPort = test::FreeUdpPort();
  left->SetCheck(IDC_USE_LOCAL_PORT, true);
  left->SetText(IDC_LOCAL_PORT, std::to_string(leftPort).c_str());
  left->OpenChannel(MODE_UDP, Ip(127, 0, 0, 1), rightPort);
  right->SetCheck(IDC_USE_LOCAL_PORT, true);
  right->SetText(IDC_LOCAL_PORT, std::to_string(rightPort).c_str());
  right->OpenChannel(MODE_UDP, Ip(127, 0, 0, 1), leftPort);
  ASSERT_TRUE(left->IsOpen() && right->IsOpen());
  left->SetText(IDC_SEND_TEXT, "ball");
  left->Click(IDC_SEND);
  ASSERT_TRUE(test::WaitFor([&] { return right->AutoReply().GetReplies() > 1000; }, 10000));
  bool bTicked = false;
  QTimer::singleShot(20, [&] { bTicked = true; });
  EXPECT_TRUE(test::WaitFor([&] { return bTicked; })) << "the loop runs its timers";
  left->Click(IDC_CONNECT);
  EXPECT_FALSE(left->IsOpen());
  const std::uint64_t nRightReplies = right->AutoReply().GetReplies();
  test::WaitFor([] { return false; }, 100);
  EXPECT_LE(right->AutoReply().GetReplies(), nRightReplies + 1) << "the rally ends with the channel";
  right->Click(IDC_CONNECT);
}

}  // namespace
