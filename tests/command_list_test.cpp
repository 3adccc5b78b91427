// The command list over loopback: a run against an echo peer and a silent one, answers gathered
// over reads and judged, answers from the wrong client, a device simulated by a second dialog's
// automatic replies, the channel closing under a run, the settings and files it reads and writes.
#include "tests/harness/files.h"
#include "tests/support.h"

#include <QApplication>
#include <QTest>

#include <sys/stat.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using test::DialogTest;
using test::Ip;

COMMAND Command(const char* pszName, const char* pszPayload, int nExpect = EXPECT_NONE, const char* pszExpect = "",
                int nTimeoutMs = 1000, int nPauseMs = 0)
{
  COMMAND command;
  command.strName = pszName;
  command.strPayload = pszPayload;
  command.nExpect = nExpect;
  command.strExpect = pszExpect;
  command.nTimeoutMs = nTimeoutMs;
  command.nPauseMs = nPauseMs;
  return command;
}

class CommandList : public DialogTest {
protected:
  static void Add(test::TestDlg& dlg, std::initializer_list<COMMAND> commands)
  {
    for (const COMMAND& command : commands) {
      CString why;
      ASSERT_TRUE(dlg.Commands().Insert(dlg.Commands().GetCount(), command, why)) << why.str();
    }
  }
  static std::vector<int> Results(test::TestDlg& dlg)
  {
    std::vector<int> results;
    for (int i = 0; i < dlg.Commands().GetCount(); ++i)
      results.push_back(dlg.Commands().GetAt(i).nResult);
    return results;
  }
  static bool RunToEnd(test::TestDlg& dlg, int nTimes = 1, int timeoutMs = 5000)
  {
    return dlg.Commands().Run({}, nTimes) && test::WaitFor([&] { return !dlg.Commands().IsRunning(); }, timeoutMs);
  }
  // The dialog's TCP channel to a peer of ours, accepted.
  test::Fd Connect(test::TestDlg& dlg)
  {
    int port = 0;
    test::Fd listener = test::TcpListener(&port);
    dlg.OpenChannel(MODE_TCP, Ip(127, 0, 0, 1), port);
    return test::Accept(listener);
  }
};

// A peer that writes back what it reads until the other end closes.
class Echo {
public:
  explicit Echo(test::Fd fd)
      : m_fd(std::move(fd)), m_thread([this] {
          for (std::string got; !(got = test::ReceiveSome(m_fd, 200)).empty() || !m_bStop;)
            test::SendAll(m_fd, got);
        })
  {
  }
  ~Echo()
  {
    m_bStop = true;
    m_thread.join();
  }

private:
  test::Fd m_fd;
  std::atomic<bool> m_bStop{false};
  std::thread m_thread;
};

TEST_F(CommandList, ARunAgainstAnEchoPeerPassesWithRoundTripTimes)
{
  auto dlg = NewDialog();
  Add(*dlg, {Command("one", "PING 1\\r\\n", MATCH_EXACT, "PING 1\\r\\n"), Command("two", "50 49", MATCH_HEX, "50 49"),
             Command("three", "V=42", MATCH_REGEX, "^V=\\d+$")});
  CString why;
  COMMAND hex = dlg->Commands().GetAt(1).command;
  hex.nKind = REPLY_HEX;
  ASSERT_TRUE(dlg->Commands().Replace(1, hex, why)) << why.str();
  Echo echo(Connect(*dlg));
  ASSERT_TRUE(RunToEnd(*dlg, 3));
  EXPECT_EQ(Results(*dlg), (std::vector<int>{RESULT_PASS, RESULT_PASS, RESULT_PASS}));
  EXPECT_EQ(dlg->Commands().GetPassed(), 9);
  EXPECT_EQ(dlg->Commands().GetFailed(), 0);
  EXPECT_GT(dlg->Commands().GetRttMin(), 0);
  EXPECT_LE(dlg->Commands().GetRttMin(), dlg->Commands().GetRttAverage());
  EXPECT_LE(dlg->Commands().GetRttAverage(), dlg->Commands().GetRttMax());
  EXPECT_EQ(dlg->Commands().GetResults().size(), 9u);
  EXPECT_TRUE(test::WaitFor([&] { return dlg->Text(IDC_SENT_COUNT) == std::to_string(3 * (8 + 2 + 4)); }));
}

TEST_F(CommandList, ASilentPeerTimesEachOutWhileTheDialogGoesOn)
{
  auto dlg = NewDialog();
  Add(*dlg, {Command("a", "A?", MATCH_CONTAINS, "OK", 150), Command("b", "B?", MATCH_CONTAINS, "OK", 150)});
  test::Fd peer = Connect(*dlg);
  ASSERT_TRUE(dlg->Commands().Run({}, 1));
  EXPECT_EQ(test::ReceiveExactly(peer, 2), "A?");
  dlg->SetText(IDC_SEND_TEXT, "typed");
  dlg->Click(IDC_SEND);
  EXPECT_EQ(test::ReceiveExactly(peer, 5), "typed") << "a click's send goes while a command waits";
  ASSERT_TRUE(test::WaitFor([&] { return !dlg->Commands().IsRunning(); }));
  EXPECT_EQ(test::ReceiveExactly(peer, 2), "B?");
  EXPECT_EQ(Results(*dlg), (std::vector<int>{RESULT_TIMEOUT, RESULT_TIMEOUT}));
  EXPECT_EQ(dlg->Commands().GetFailed(), 2);
}

// What the peer does after each request, and what the command makes of it.
TEST_F(CommandList, AnswersAreGatheredOverReadsAndJudgedWhole)
{
  struct Row {
    const char* what;
    COMMAND command;
    std::vector<std::string> writes;  // the peer's writes, 60 ms apart
    int result;
    std::string answer;
  } rows[] = {
      {"an answer split over reads",
       Command("split", "Q", MATCH_EXACT, "OK\\r\\n", 2000),
       {"O", "K\r", "\n"},
       RESULT_PASS,
       "OK\r\n"},
      {"the wrong answer, judged at the time-out",
       Command("wrong", "Q", MATCH_PREFIX, "OK", 300),
       {"ERR 5"},
       RESULT_MISMATCH,
       "ERR 5"},
      {"an answer after the time-out",
       Command("late", "Q", MATCH_CONTAINS, "OK", 100),
       {"", "", "", "OK"},
       RESULT_TIMEOUT,
       ""},
      {"no answer expected", Command("none", "Q"), {}, RESULT_SENT, ""},
  };
  for (const Row& row : rows) {
    auto dlg = NewDialog();
    Add(*dlg, {row.command});
    test::Fd peer = Connect(*dlg);
    ASSERT_TRUE(dlg->Commands().Run({}, 1)) << row.what;
    EXPECT_EQ(test::ReceiveExactly(peer, 1), "Q");
    for (const std::string& write : row.writes) {
      test::WaitFor([] { return false; }, 60);
      if (!write.empty())
        test::SendAll(peer, write);
    }
    ASSERT_TRUE(test::WaitFor([&] { return !dlg->Commands().IsRunning(); })) << row.what;
    const COMMAND_ENTRY& entry = dlg->Commands().GetAt(0);
    EXPECT_EQ(entry.nResult, row.result) << row.what;
    EXPECT_EQ(std::string(entry.answer.begin(), entry.answer.end()), row.answer) << row.what;
  }
}

TEST_F(CommandList, InTheServerModeOnlyTheTargetsAnswerCounts)
{
  const int port = test::FreeTcpPort();
  auto dlg = NewDialog();
  Add(*dlg, {Command("poll", "Q", MATCH_CONTAINS, "OK", 400)});
  dlg->Listen(Ip(127, 0, 0, 1), port);
  test::Fd target = test::TcpConnect(port);
  ASSERT_TRUE(test::WaitFor([&] { return dlg->ClientCount() == 1; }));
  test::Fd other = test::TcpConnect(port);
  ASSERT_TRUE(test::WaitFor([&] { return dlg->ClientCount() == 2; }));
  dlg->m_clients.hTarget = dlg->m_clients.GetAt(0).hSocket;
  ASSERT_TRUE(dlg->Commands().Run({}, 1));
  EXPECT_EQ(test::ReceiveExactly(target, 1), "Q");
  test::SendAll(other, "OK from another");
  ASSERT_TRUE(test::WaitFor([&] { return !dlg->Commands().IsRunning(); }));
  EXPECT_EQ(dlg->Commands().GetAt(0).nResult, RESULT_TIMEOUT);

  ASSERT_TRUE(dlg->Commands().Run({}, 1));
  EXPECT_EQ(test::ReceiveExactly(target, 1), "Q");
  test::SendAll(target, "OK");
  ASSERT_TRUE(test::WaitFor([&] { return !dlg->Commands().IsRunning(); }));
  EXPECT_EQ(dlg->Commands().GetAt(0).nResult, RESULT_PASS);
}

// A device simulated by a second dialog's automatic replies answers a list the first one runs.
TEST_F(CommandList, ASecondDialogsAutomaticRepliesAnswerTheList)
{
  auto device = NewDialog();
  CString why;
  REPLY_RULE rule;
  rule.nMatch = MATCH_PREFIX;
  rule.strMatch = "T?";
  rule.strReply = "T=21.5\\r\\n";
  ASSERT_TRUE(device->AutoReply().Rules().Insert(0, rule, SEND_OPTIONS{}, why)) << why.str();
  device->AutoReply().SetEnabled(TRUE);
  const int devicePort = test::FreeUdpPort();
  device->SetCheck(IDC_USE_LOCAL_PORT, true);
  device->SetText(IDC_LOCAL_PORT, std::to_string(devicePort).c_str());
  device->OpenChannel(MODE_UDP, Ip(127, 0, 0, 1), 9);
  ASSERT_TRUE(device->IsOpen());

  auto tester = NewDialog();
  Add(*tester, {Command("temperature", "T?", MATCH_REGEX, "^T=\\d+\\.\\d\\r\\n$", 1000)});
  tester->OpenChannel(MODE_UDP, Ip(127, 0, 0, 1), devicePort);
  ASSERT_TRUE(tester->IsOpen());
  ASSERT_TRUE(RunToEnd(*tester, 5));
  EXPECT_EQ(tester->Commands().GetPassed(), 5);
  EXPECT_EQ(device->AutoReply().GetReplies(), 5u);
}

TEST_F(CommandList, TheChannelClosingEndsARunAndSaysWhy)
{
  auto dlg = NewDialog();
  Add(*dlg, {Command("wait", "Q", MATCH_CONTAINS, "OK", 5000)});
  test::Fd peer = Connect(*dlg);
  ASSERT_TRUE(dlg->Commands().Run({}, 0));
  EXPECT_EQ(test::ReceiveExactly(peer, 1), "Q");
  dlg->Click(IDC_CONNECT);
  EXPECT_FALSE(dlg->Commands().IsRunning());
  EXPECT_EQ(dlg->Commands().GetStopReason().str(), "通道已关闭, 运行停止");
}

TEST_F(CommandList, BadInputIsRefusedAndNothingIsKept)
{
  auto dlg = NewDialog();
  CString why;
  EXPECT_FALSE(dlg->Commands().Insert(0, Command("re", "Q", MATCH_REGEX, "a[b", 100), why));
  EXPECT_NE(why.str().find("正则表达式在第 4 个字符处"), std::string::npos) << why.str();
  EXPECT_EQ(dlg->Commands().GetCount(), 0);
  EXPECT_FALSE(dlg->Commands().Run({}, 1)) << "nothing to run";
  EXPECT_EQ(m_boxes, std::vector<std::string>{"没有可以运行的命令."});
}

TEST_F(CommandList, TheListIsKeptImportedExportedAndItsResultsSaved)
{
  {
    std::ofstream(ProfilePath(), std::ios::binary)
        << "[Commands]\nCount=2\nCmd1=ping\ttext\tPING\tcontains\tPONG\t500\t10\nCmd2=broken line\n[Other]\nx=1\n";
  }
  auto dlg = NewDialog();
  ASSERT_EQ(dlg->Commands().GetCount(), 2);
  EXPECT_TRUE(dlg->Commands().GetAt(0).bUsable);
  EXPECT_FALSE(dlg->Commands().GetAt(1).bUsable);
  ASSERT_EQ(dlg->Commands().GetLoadProblems().size(), 1u);
  EXPECT_NE(dlg->Commands().GetLoadProblems()[0].str().find("Cmd2:"), std::string::npos);

  dlg->SendMessage(WM_SYSCOMMAND, IDM_COMMANDS);
  CCommandListDlg* window = dlg->CommandListDlg();
  ASSERT_TRUE(window);
  EXPECT_EQ(dlg->CommandListDlg()->GetDlgItem(IDC_CMD_TIMES)->widget()->property("text").toString(),
            QStringLiteral("1"))
      << "an edit starts with its template's text";
  EXPECT_EQ(dlg->CommandListDlg()->GetDlgItem(IDC_CMD_TIMES)->widget()->accessibleName(), QStringLiteral("次数:"))
      << "named by the label to its left";
  CString message;
  const std::string path = Path("commands.txt");
  ASSERT_TRUE(window->ExportFile(path.c_str(), message)) << message.str();
  ASSERT_TRUE(window->ImportFile(path.c_str(), message)) << message.str();
  EXPECT_NE(message.str().find("导入了 1 条命令, 1 行无法使用 (第 2 行:"), std::string::npos) << message.str();
  EXPECT_EQ(dlg->Commands().GetCount(), 4);
  const std::string fifo = Path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(window->ImportFile(fifo.c_str(), message));
  EXPECT_NE(message.str().find("FIFO"), std::string::npos) << message.str();

  dlg->Commands().Remove(3);
  dlg->Commands().Remove(1);
  dlg->Commands().Save();
  std::ifstream in(ProfilePath(), std::ios::binary);
  std::stringstream saved;
  saved << in.rdbuf();
  EXPECT_EQ(saved.str(),
            "[Commands]\nCount=2\nCmd1=ping\ttext\tPING\tcontains\tPONG\t500\t10\n"
            "Cmd2=ping\ttext\tPING\tcontains\tPONG\t500\t10\n[Other]\nx=1\n");

  Echo echo(Connect(*dlg));
  ASSERT_TRUE(RunToEnd(*dlg, 1));
  const std::string csvPath = Path("results.csv");
  ASSERT_TRUE(window->SaveResults(csvPath.c_str(), message)) << message.str();
  std::ifstream csv(csvPath, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(csv, line);)
    lines.push_back(line);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "\xEF\xBB\xBFtime,name,sent,result,rtt_ms,received\r");
  EXPECT_NE(lines[1].find(",ping,50 49 4E 47,不符,,50 49 4E 47\r"), std::string::npos) << lines[1];
}

TEST_F(CommandList, EnterOnARowSendsItNow)
{
  auto dlg = NewDialog();
  Add(*dlg, {Command("first", "ONE"), Command("second", "TWO")});
  test::Fd peer = Connect(*dlg);
  dlg->SendMessage(WM_SYSCOMMAND, IDM_COMMANDS);
  CCommandListDlg* window = dlg->CommandListDlg();
  ASSERT_TRUE(window);
  window->Select(1);
  QWidget* list = window->GetDlgItem(IDC_CMD_LIST)->widget();
  QApplication::setActiveWindow(window->widget());
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_EQ(test::ReceiveExactly(peer, 3), "TWO");
  EXPECT_EQ(dlg->Commands().GetAt(1).nResult, RESULT_SENT);
  EXPECT_TRUE(window->IsWindowVisible()) << "Enter is no close";
}

}  // namespace
