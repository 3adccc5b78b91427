// The server's clients one at a time, on real loopback connections: the client list window's rows,
// sends to the chosen client only, back to every client when it leaves, 断开, the fields' labels,
// a file sent to the chosen client, and per-client byte counts that agree with the record.
#include "dialog/ClientListDlg.h"
#include "dialog/ToolBox.h"
#include "platform/commctrl.h"
#include "tests/harness/files.h"
#include "tests/support.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>

#include <map>
#include <thread>

namespace {

using test::DialogTest;
using test::Ip;

class ClientList : public DialogTest {
protected:
  std::unique_ptr<test::TestDlg> Listening(int* pPort)
  {
    *pPort = test::FreeTcpPort();
    auto dlg = NewDialog();
    dlg->Listen(Ip(127, 0, 0, 1), *pPort);
    EXPECT_TRUE(dlg->IsOpen());
    return dlg;
  }
  static std::vector<test::Fd> Connect(test::TestDlg& dlg, int port, int n)
  {
    std::vector<test::Fd> clients;
    for (int i = 0; i < n; ++i) {
      clients.push_back(test::TcpConnect(port));
      EXPECT_TRUE(test::WaitFor([&] { return dlg.ClientCount() == i + 1; }));
    }
    return clients;
  }
  static CClientListDlg* Window(test::TestDlg& dlg)
  {
    dlg.SendMessage(WM_COMMAND, ID_CLIENT_LIST);
    CClientListDlg* pWindow = dlg.ClientListDlg();
    if (pWindow)
      pWindow->Refresh();
    return pWindow;
  }
  static QAbstractItemView* List(CClientListDlg& window)
  {
    return qobject_cast<QAbstractItemView*>(window.GetDlgItem(IDC_CLIENT_LIST)->widget());
  }
  static std::string Cell(CClientListDlg& window, int row, int column)
  {
    return List(window)->model()->index(row, column).data().toString().toStdString();
  }
  static void Choose(CClientListDlg& window, int row)
  {
    LVITEM item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    window.GetDlgItem(IDC_CLIENT_LIST)
        ->SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    // As a screen reader does: toggled, not clicked.
    qobject_cast<QAbstractButton*>(window.GetDlgItem(IDC_CLIENT_ONE)->widget())->toggle();
  }
  static std::string Listening(test::TestDlg& dlg, int port, int clients)
  {
    return dlg.m_strTitle.str() + " - 监听 127.0.0.1:" + std::to_string(port) + ", " + std::to_string(clients) +
           " 个客户端";
  }
};

TEST_F(ClientList, OneChosenClientAloneReceivesUntilItLeaves)
{
  int port = 0;
  auto dlg = Listening(&port);
  std::vector<test::Fd> clients = Connect(*dlg, port, 3);
  CClientListDlg* window = Window(*dlg);
  ASSERT_TRUE(window);
  EXPECT_EQ(window->widget()->windowTitle().toStdString(), "客户端列表");
  ASSERT_EQ(List(*window)->model()->rowCount(), 3);
  const std::string second = Cell(*window, 1, 0);
  EXPECT_EQ(second, "127.0.0.1:" + std::to_string(dlg->m_clients.GetAt(1).peer.wPort));
  EXPECT_EQ(Cell(*window, 1, 1).size(), 8u) << "HH:MM:SS";

  Choose(*window, 1);
  EXPECT_EQ(dlg->Title(), Listening(*dlg, port, 3) + ", 发送到 " + second);
  dlg->SetText(IDC_SEND_TEXT, "only you");
  dlg->Click(IDC_SEND);
  EXPECT_EQ(test::ReceiveExactly(clients[1], 8), "only you");
  EXPECT_EQ(test::ReceiveSome(clients[0], 100), "");
  EXPECT_EQ(test::ReceiveSome(clients[2], 100), "");
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), "8");
  window->Refresh();
  EXPECT_EQ(Cell(*window, 1, 3), "8");
  EXPECT_EQ(Cell(*window, 0, 3), "0");

  // The chosen one leaves: sends go to every client again, and the title says no more.
  clients[1] = test::Fd();
  ASSERT_TRUE(test::WaitFor([&] { return dlg->ClientCount() == 2; }));
  EXPECT_EQ(dlg->Title(), Listening(*dlg, port, 2));
  window->Refresh();
  EXPECT_TRUE(window->GetDlgItem(IDC_CLIENT_ALL)->SendMessage(BM_GETCHECK));
  dlg->SetText(IDC_SEND_TEXT, "all");
  dlg->Click(IDC_SEND);
  EXPECT_EQ(test::ReceiveExactly(clients[0], 3), "all");
  EXPECT_EQ(test::ReceiveExactly(clients[2], 3), "all");
  EXPECT_TRUE(m_boxes.empty());

  // With nobody left, a send says so as it always did.
  clients.clear();
  ASSERT_TRUE(test::WaitFor([&] { return dlg->ClientCount() == 0; }));
  dlg->Click(IDC_SEND);
  EXPECT_EQ(m_boxes, std::vector<std::string>{"没有已连接的客户端!"});
}

TEST_F(ClientList, DropClosesTheSelectedClientAloneAndTheRecordSaysSo)
{
  int port = 0;
  auto dlg = Listening(&port);
  std::vector<test::Fd> clients = Connect(*dlg, port, 3);
  CClientListDlg* window = Window(*dlg);
  ASSERT_TRUE(window);
  const WORD dropped = dlg->m_clients.GetAt(0).peer.wPort;
  Choose(*window, 0);
  window->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CLIENT_DROP, BN_CLICKED));
  EXPECT_TRUE(test::ClosedByPeer(clients[0]));
  EXPECT_FALSE(test::ClosedByPeer(clients[1], 50));
  EXPECT_EQ(dlg->ClientCount(), 2);
  EXPECT_EQ(dlg->Title(), Listening(*dlg, port, 2));
  EXPECT_EQ(List(*window)->model()->rowCount(), 2);
  const TRAFFIC_EVENT& last = dlg->m_record.GetEvent(dlg->m_record.GetCount() - 1);
  EXPECT_EQ(last.kind, TRAFFIC_CLIENT_DROPPED);
  EXPECT_EQ(last.peer.wPort, dropped);
}

TEST_F(ClientList, TheFieldsSayWhatTheServerModeUsesThemForAndGiveTheirValuesBack)
{
  auto dlg = NewDialog();
  dlg->SetDest(Ip(127, 0, 0, 1), 7001);
  const auto labels = [&] {
    std::vector<std::string> seen;
    for (CWnd* p = dlg->GetWindow(GW_CHILD); p; p = p->GetWindow(GW_HWNDNEXT)) {
      CString text;
      p->GetWindowText(text);
      seen.push_back(text.str());
    }
    return seen;
  };
  const auto has = [](const std::vector<std::string>& v, const char* s) { return std::count(v.begin(), v.end(), s); };
  dlg->SelectMode(MODE_TCP_SERVER);
  EXPECT_EQ(has(labels(), "监听地址:"), 1);
  EXPECT_EQ(has(labels(), "目标IP:"), 0);
  EXPECT_EQ(dlg->Text(IDC_USE_LOCAL_PORT), "监听端口:");
  EXPECT_EQ(dlg->Text(IDC_DEST_PORT), "");
  EXPECT_EQ(dlg->W(IDC_DEST_IP)->accessibleName(), QStringLiteral("监听地址:"))
      << "a screen reader hears the new label";
  for (QLabel* label : dlg->widget()->findChildren<QLabel*>()) {
    if (label->text() == QStringLiteral("监听地址:")) {
      EXPECT_GE(label->width(), label->sizeHint().width()) << "the whole label shows";
    }
  }
  EXPECT_EQ(dlg->W(IDC_LOCAL_PORT)->accessibleName(), QStringLiteral("监听端口:"));
  // Opening reads no destination port: an empty edit raises no prompt.
  dlg->SetText(IDC_LOCAL_PORT, std::to_string(test::FreeTcpPort()).c_str());
  dlg->Click(IDC_CONNECT);
  EXPECT_TRUE(dlg->IsOpen());
  EXPECT_TRUE(m_boxes.empty()) << m_boxes.front();
  dlg->Click(IDC_CONNECT);
  dlg->SelectMode(MODE_UDP);
  EXPECT_EQ(has(labels(), "目标IP:"), 1);
  EXPECT_EQ(has(labels(), "监听地址:"), 0);
  EXPECT_EQ(dlg->Text(IDC_USE_LOCAL_PORT), "指定本地端口:");
  EXPECT_EQ(dlg->Text(IDC_DEST_PORT), "7001");
  EXPECT_EQ(dlg->W(IDC_LOCAL_PORT)->accessibleName(), QStringLiteral("指定本地端口:"));
  // A box toggled by assistive technology is a click to the dialog.
  auto* pUseLocalPort = qobject_cast<QAbstractButton*>(dlg->W(IDC_USE_LOCAL_PORT));
  const bool bWasChecked = pUseLocalPort->isChecked();
  pUseLocalPort->toggle();
  EXPECT_EQ(dlg->W(IDC_LOCAL_PORT)->isEnabled(), !bWasChecked);
}

TEST_F(ClientList, AFileGoesToTheChosenClient)
{
  int port = 0;
  auto dlg = Listening(&port);
  std::vector<test::Fd> clients = Connect(*dlg, port, 2);
  const std::string path = Path("to one.bin");
  const std::string content(300000, 'f');
  test::WriteBytes(path, content);
  EXPECT_FALSE(dlg->FileSender().Start(path.c_str(), 0, 0));
  EXPECT_EQ(m_boxes, std::vector<std::string>{"请先在客户端列表中选择一个客户端作为发送目标."});
  CClientListDlg* window = Window(*dlg);
  Choose(*window, 1);
  std::string got;
  std::thread reader([&] { got = test::ReceiveExactly(clients[1], content.size(), 10000); });
  ASSERT_TRUE(dlg->FileSender().Start(path.c_str(), 0, 0));
  ASSERT_TRUE(test::WaitFor([&] { return !dlg->FileSender().IsSending(); }, 20000));
  reader.join();
  EXPECT_EQ(dlg->FileSender().GetError(), "");
  EXPECT_TRUE(got == content) << got.size();
  EXPECT_EQ(test::ReceiveSome(clients[0], 50), "");
}

// Sixteen clients writing at once: each row's count is what that client sent, as the record has it.
TEST_F(ClientList, EachClientsBytesAreItsOwnAndAgreeWithTheRecord)
{
  int port = 0;
  auto dlg = Listening(&port);
  std::vector<test::Fd> clients = Connect(*dlg, port, 16);
  std::vector<std::thread> writers;
  for (std::size_t i = 0; i < clients.size(); ++i)
    writers.emplace_back([&, i] { test::SendAll(clients[i], std::string(1000 * (i + 1), 'c')); });
  for (std::thread& t : writers)
    t.join();
  const int total = 1000 * 16 * 17 / 2;
  ASSERT_TRUE(test::WaitFor([&] { return dlg->m_nRecvBytes == total; }, 10000));
  CClientListDlg* window = Window(*dlg);
  for (int i = 0; i < dlg->ClientCount(); ++i) {
    const CClient& client = dlg->m_clients.GetAt(i);
    std::uint64_t recorded = 0;
    for (int e = 0; e < dlg->m_record.GetCount(); ++e) {
      const TRAFFIC_EVENT& event = dlg->m_record.GetEvent(e);
      if (event.kind == TRAFFIC_RECEIVED && event.peer.wPort == client.peer.wPort)
        recorded += static_cast<std::uint64_t>(event.nLength);
    }
    EXPECT_EQ(client.nRecvBytes, recorded);
    EXPECT_EQ(Cell(*window, i, 2), std::to_string(recorded));
    EXPECT_EQ(client.nRecvBytes % 1000, 0u);
  }
}

}  // namespace

// Made larger, the list takes the room; whatever sits below it keeps its place at the bottom.
TEST_F(ClientList, TheWindowSizesWithTheListAndKeepsItsBottomRowTogether)
{
  int port = 0;
  auto dlg = Listening(&port);
  CClientListDlg* window = Window(*dlg);
  ASSERT_TRUE(window);
  QWidget* w = window->widget();
  const QRect list = List(*window)->geometry();
  std::map<QWidget*, QRect> before;
  for (QWidget* child : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    before[child] = child->geometry();
  w->resize(w->width() + 300, w->height() + 200);
  QApplication::processEvents();
  EXPECT_EQ(List(*window)->geometry().size(), list.size() + QSize(300, 200));
  for (const auto& [child, rect] : before) {
    if (rect.top() > list.bottom()) {
      EXPECT_EQ(child->geometry().top(), rect.top() + 200) << child->accessibleName().toStdString();
    }
  }
}
