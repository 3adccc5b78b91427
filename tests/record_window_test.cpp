// The traffic record in the running dialog: what each mode records, the record window, the
// receive display's menu, the log file with a failing write, the capture and the saved receive
// buffer; real sockets on loopback, the recording layer for a send the kernel would not refuse.
#include "dialog/ListRows.h"
#include "dialog/TrafficDlg.h"
#include "dialog/TrafficText.h"
#include "platform/cfiledialog.h"
#include "platform/commctrl.h"
#include "tests/harness/files.h"
#include "tests/support.h"

#include <QAbstractItemModel>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QMenu>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <string>
#include <vector>

namespace {

using test::DialogTest;
using test::Ip;

std::string Endpoint(const TRAFFIC_ENDPOINT& e)
{
  return TrafficEndpointText(e).str();
}

// The record as lines "event peer length", payloads beside them.
struct Seen {
  std::vector<std::string> events;
  std::vector<std::string> payloads;
};

Seen Events(const CTrafficRecord& record)
{
  Seen seen;
  for (int i = 0; i < record.GetCount(); ++i) {
    const TRAFFIC_EVENT& e = record.GetEvent(i);
    const CString name = TrafficColumnText(e, nullptr, 0, TRAFFIC_COL_EVENT);
    seen.events.push_back(name.str() + " " + Endpoint(e.peer) + " " + std::to_string(e.nLength));
    std::string payload(static_cast<std::size_t>(e.nLength), '\0');
    payload.resize(static_cast<std::size_t>(record.CopyPayload(e, reinterpret_cast<BYTE*>(payload.data()), e.nLength)));
    seen.payloads.push_back(payload);
  }
  return seen;
}

class Record : public DialogTest {
protected:
  // A dialog with a UDP channel open to a peer socket made here.
  std::unique_ptr<test::TestDlg> UdpDialog(test::Fd* pPeer, int* pPeerPort, int* pLocalPort)
  {
    *pPeer = test::UdpSocket(pPeerPort);
    auto dlg = NewDialog();
    dlg->OpenChannel(MODE_UDP, Ip(127, 0, 0, 1), *pPeerPort);
    EXPECT_TRUE(dlg->IsOpen());
    *pLocalPort = dlg->IsOpen() ? test::LocalPort(dlg->m_socket) : 0;
    return dlg;
  }
  static QTableView* List(test::TestDlg& dlg)
  {
    return qobject_cast<QTableView*>(dlg.m_pTrafficDlg->GetDlgItem(IDC_TRAFFIC_LIST)->widget());
  }
  static std::string Cell(QTableView* list, int row, int column)
  {
    return list->model()->index(row, column).data().toString().toStdString();
  }
};

TEST_F(Record, AUdpChannelRecordsItsEndsEverySenderAndItsClose)
{
  int peerPort = 0;
  test::Fd peer = test::UdpSocket(&peerPort);
  int otherPort = 0;
  test::Fd other = test::UdpSocket(&otherPort, "127.0.0.2");
  auto dlg = NewDialog();
  dlg->OpenChannel(MODE_UDP, Ip(127, 0, 0, 1), peerPort);
  ASSERT_TRUE(dlg->IsOpen());
  const int localPort = test::LocalPort(dlg->m_socket);
  test::SendDatagram(peer, "one", localPort);
  test::SendDatagram(other, std::string("two\0", 4), localPort);
  ASSERT_TRUE(test::WaitFor([&] { return dlg->m_nRecvBytes == 7; }));
  dlg->SetText(IDC_SEND_TEXT, "back");
  dlg->Click(IDC_SEND);
  dlg->Click(IDC_CONNECT);

  const std::string p = "127.0.0.1:" + std::to_string(peerPort);
  const std::string o = "127.0.0.2:" + std::to_string(otherPort);
  const Seen seen = Events(dlg->m_record);
  EXPECT_EQ(seen.events, (std::vector<std::string>{"打开 " + p + " 0", "收 " + p + " 3", "收 " + o + " 4",
                                                   "发 " + p + " 4", "关闭 " + p + " 0"}));
  EXPECT_EQ(seen.payloads[2], std::string("two\0", 4));
  for (int i = 0; i < dlg->m_record.GetCount(); ++i) {
    EXPECT_EQ(Endpoint(dlg->m_record.GetEvent(i).local), "127.0.0.1:" + std::to_string(localPort)) << i;
    EXPECT_EQ(dlg->m_record.GetEvent(i).protocol, TRAFFIC_UDP);
  }
  EXPECT_TRUE(m_boxes.empty());
}

TEST_F(Record, AnEmptyDatagramIsRecordedAndCountedAsNothing)
{
  int peerPort = 0;
  int localPort = 0;
  test::Fd peer;
  auto dlg = UdpDialog(&peer, &peerPort, &localPort);
  test::SendDatagram(peer, "", localPort);
  test::SendDatagram(peer, "after", localPort);
  ASSERT_TRUE(test::WaitFor([&] { return dlg->m_nRecvBytes == 5; }));
  const Seen seen = Events(dlg->m_record);
  const std::string from = "127.0.0.1:" + std::to_string(peerPort);
  EXPECT_EQ(seen.events, (std::vector<std::string>{"打开 127.0.0.1:" + std::to_string(peerPort) + " 0",
                                                   "收 " + from + " 0", "收 " + from + " 5"}));
  EXPECT_TRUE(test::WaitFor([&] { return dlg->Text(IDC_RECV_COUNT) == "5"; }));
  dlg->Click(IDC_CONNECT);
}

TEST_F(Record, ATcpChannelRecordsBothDirectionsAndThePeersClose)
{
  int port = 0;
  test::Fd listener = test::TcpListener(&port);
  auto dlg = NewDialog();
  dlg->OpenChannel(MODE_TCP, Ip(127, 0, 0, 1), port);
  test::Fd peer = test::Accept(listener);
  ASSERT_TRUE(peer);
  dlg->SetText(IDC_SEND_TEXT, "request");
  dlg->Click(IDC_SEND);
  EXPECT_EQ(test::ReceiveExactly(peer, 7), "request");
  ASSERT_TRUE(test::SendAll(peer, "response"));
  ASSERT_TRUE(test::WaitFor([&] { return dlg->m_nRecvBytes == 8; }));
  peer = test::Fd();
  ASSERT_TRUE(test::WaitFor([&] { return !dlg->IsOpen(); }));

  const std::string p = "127.0.0.1:" + std::to_string(port);
  const Seen seen = Events(dlg->m_record);
  EXPECT_EQ(seen.events,
            (std::vector<std::string>{"打开 " + p + " 0", "发 " + p + " 7", "收 " + p + " 8", "关闭 " + p + " 0"}));
  EXPECT_EQ(seen.payloads[2], "response");
  EXPECT_NE(dlg->m_record.GetEvent(0).local.wPort, 0);
  EXPECT_EQ(dlg->m_record.GetEvent(0).local.dwAddress, Ip(127, 0, 0, 1));
}

// The dialog stays silent on a failed send, as it always has; the record says what failed.
TEST_F(Record, AFailedSendIsRecordedWithItsError)
{
  int peerPort = 0;
  test::Fd peer = test::UdpSocket(&peerPort);
  test::RecordingSocketLayer layer;
  auto dlg = NewDialog();
  dlg->OpenChannel(MODE_UDP, Ip(127, 0, 0, 1), peerPort);
  layer.FailOn("sendto", ws::WSAENETUNREACH);
  dlg->SetText(IDC_SEND_TEXT, "lost");
  dlg->Click(IDC_SEND);
  EXPECT_TRUE(m_boxes.empty());
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), "0");
  const TRAFFIC_EVENT& e = dlg->m_record.GetEvent(dlg->m_record.GetCount() - 1);
  EXPECT_EQ(e.kind, TRAFFIC_SEND_FAILED);
  EXPECT_EQ(TrafficColumnText(e, nullptr, 0, TRAFFIC_COL_TEXT).str(), "[10051]WSAENETUNREACH, 4 字节未发出");
}

TEST_F(Record, TheServerRecordsEachClientByItsAddress)
{
  const int port = test::FreeTcpPort();
  auto dlg = NewDialog();
  dlg->Listen(Ip(127, 0, 0, 1), port);
  std::vector<test::Fd> clients;
  for (int i = 0; i < MAX_CLIENTS + 1; ++i)
    clients.push_back(test::TcpConnect(port));
  ASSERT_TRUE(test::WaitFor([&] {
    int refused = 0;
    for (int i = 0; i < dlg->m_record.GetCount(); ++i)
      refused += dlg->m_record.GetEvent(i).kind == TRAFFIC_CLIENT_REFUSED;
    return dlg->ClientCount() == MAX_CLIENTS && refused == 1;
  }));
  ASSERT_TRUE(test::SendAll(clients[0], "from zero"));
  ASSERT_TRUE(test::WaitFor([&] { return dlg->m_nRecvBytes == 9; }));
  dlg->Click(IDC_CONNECT);

  int connected = 0;
  int closed = 0;
  std::string fromZero;
  for (int i = 0; i < dlg->m_record.GetCount(); ++i) {
    const TRAFFIC_EVENT& e = dlg->m_record.GetEvent(i);
    connected += e.kind == TRAFFIC_CLIENT_CONNECTED;
    closed += e.kind == TRAFFIC_CLIENT_CLOSED;
    if (e.kind == TRAFFIC_RECEIVED) {
      EXPECT_EQ(Endpoint(e.local), "127.0.0.1:" + std::to_string(port));
      fromZero = Endpoint(e.peer);
    }
  }
  EXPECT_EQ(connected, MAX_CLIENTS);
  EXPECT_EQ(closed, MAX_CLIENTS);
  sockaddr_in name{};
  socklen_t len = sizeof name;
  ::getsockname(clients[0].get(), reinterpret_cast<sockaddr*>(&name), &len);
  EXPECT_EQ(fromZero, "127.0.0.1:" + std::to_string(ntohs(name.sin_port)));
  EXPECT_EQ(dlg->m_record.GetEvent(dlg->m_record.GetCount() - 1).kind, TRAFFIC_CLOSED);
}

TEST_F(Record, TheWindowShowsTheRowsFollowsTheEndAndKeepsItsHistoryWhenClosed)
{
  int peerPort = 0;
  int localPort = 0;
  test::Fd peer;
  auto dlg = UdpDialog(&peer, &peerPort, &localPort);
  dlg->SendMessage(WM_SYSCOMMAND, IDM_TRAFFIC);
  ASSERT_TRUE(dlg->m_pTrafficDlg);
  QTableView* list = List(*dlg);
  ASSERT_TRUE(list && list->isVisible());
  EXPECT_EQ(dlg->m_pTrafficDlg->widget()->windowTitle().toStdString(), "通信记录");
  EXPECT_EQ(list->model()->rowCount(), 1);
  EXPECT_EQ(Cell(list, 0, TRAFFIC_COL_EVENT), "打开");

  for (int i = 0; i < 200; ++i)
    test::SendDatagram(peer, "datagram " + std::to_string(i), localPort);
  ASSERT_TRUE(test::WaitFor([&] { return list->model()->rowCount() == 201; }));
  EXPECT_EQ(Cell(list, 200, TRAFFIC_COL_TEXT), "datagram 199");
  EXPECT_EQ(Cell(list, 200, TRAFFIC_COL_PEER), "127.0.0.1:" + std::to_string(peerPort));
  QScrollBar* bar = list->verticalScrollBar();
  EXPECT_TRUE(test::WaitFor([&] { return bar->value() == bar->maximum(); })) << "the view follows the end";

  // Scrolled away from the end, it stays where the user put it.
  bar->setValue(0);
  test::SendDatagram(peer, "later", localPort);
  ASSERT_TRUE(test::WaitFor([&] { return list->model()->rowCount() == 202; }));
  EXPECT_EQ(bar->value(), 0);

  // Escape closes it; the record goes on and the same window comes back with every row.
  QWidget* window = dlg->m_pTrafficDlg->widget();
  QTest::keyClick(list, Qt::Key_Escape);
  EXPECT_FALSE(window->isVisible());
  test::SendDatagram(peer, "while closed", localPort);
  ASSERT_TRUE(test::WaitFor([&] { return dlg->m_record.GetCount() == 203; }));
  dlg->SendMessage(WM_SYSCOMMAND, IDM_TRAFFIC);
  EXPECT_EQ(dlg->m_pTrafficDlg->widget(), window);
  EXPECT_TRUE(window->isVisible());
  ASSERT_TRUE(test::WaitFor([&] { return list->model()->rowCount() == 203; }));
  EXPECT_EQ(Cell(list, 202, TRAFFIC_COL_TEXT), "while closed");
  EXPECT_TRUE(test::WaitFor([&] { return bar->value() == bar->maximum(); })) << "opened again, the end shows";

  // Copying rows gives their columns; 清空 empties the record, not the receive display.
  list->selectRow(202);
  dlg->m_pTrafficDlg->GetDlgItem(IDC_TRAFFIC_LIST)->SendMessage(WM_COPY);
  const std::string copied = QApplication::clipboard()->text().toStdString();
  EXPECT_NE(copied.find("\t收\t127.0.0.1:" + std::to_string(peerPort) + "\t12\t"), std::string::npos) << copied;
  EXPECT_EQ(copied.substr(copied.size() - 13), "while closed\n");
  dlg->m_pTrafficDlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_TRAFFIC_CLEAR, BN_CLICKED));
  EXPECT_EQ(list->model()->rowCount(), 0);
  EXPECT_EQ(dlg->m_record.GetCount(), 0);
  EXPECT_NE(dlg->Text(IDC_RECV_TEXT).find("while closed"), std::string::npos);
  dlg->Click(IDC_CONNECT);
}

// Once the record holds all it can, each new event pushes the oldest out: rows leave from the top
// and the rest keep their events, their selection and their place in the view.
TEST_F(Record, RowsAndSelectionStayOnTheirEventsAsTheRingTurns)
{
  auto dlg = NewDialog();
  const auto add = [&](int from, int to) {
    for (int i = from; i < to; ++i) {
      const std::string text = "event " + std::to_string(i);
      dlg->m_record.AddData(TRAFFIC_RECEIVED, TRAFFIC_UDP, {0x7F000001, 1}, {0x7F000001, 2},
                            reinterpret_cast<const BYTE*>(text.data()), static_cast<int>(text.size()));
    }
  };
  add(0, TRAFFIC_RECORD_LIMIT);
  dlg->SendMessage(WM_SYSCOMMAND, IDM_TRAFFIC);
  QTableView* list = List(*dlg);
  ASSERT_TRUE(test::WaitFor([&] { return list->model()->rowCount() == TRAFFIC_RECORD_LIMIT; }));
  list->verticalScrollBar()->setValue(90);
  EXPECT_EQ(Cell(list, list->rowAt(0), TRAFFIC_COL_TEXT), "event 90");
  const auto select = [&](int first, int last) {
    list->selectionModel()->select(QItemSelection(list->model()->index(first, 0), list->model()->index(last, 0)),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
  };
  select(40, 41);    // both give way
  select(45, 55);    // half gives way
  select(100, 102);  // stays whole

  add(TRAFFIC_RECORD_LIMIT, TRAFFIC_RECORD_LIMIT + 50);
  dlg->m_pTrafficDlg->Refresh();
  EXPECT_EQ(list->model()->rowCount(), TRAFFIC_RECORD_LIMIT);
  EXPECT_EQ(Cell(list, 0, TRAFFIC_COL_TEXT), "event 50");
  EXPECT_EQ(Cell(list, list->rowAt(0), TRAFFIC_COL_TEXT), "event 90") << "the view stays on its rows";
  dlg->m_pTrafficDlg->GetDlgItem(IDC_TRAFFIC_LIST)->SendMessage(WM_COPY);
  std::vector<std::string> copied;
  for (const QString& line : QApplication::clipboard()->text().split(u'\n', Qt::SkipEmptyParts))
    copied.push_back(line.split(u'\t').last().toStdString());
  EXPECT_EQ(copied, (std::vector<std::string>{"event 50", "event 51", "event 52", "event 53", "event 54", "event 55",
                                              "event 100", "event 101", "event 102"}));
  EXPECT_EQ(Cell(list, TRAFFIC_RECORD_LIMIT - 1, TRAFFIC_COL_TEXT), "event 100049");
}

TEST_F(Record, TheReceiveDisplaysMenuReadsInChineseAndOpensTheWindow)
{
  auto dlg = NewDialog();
  const QStringList seen = test::PopupEntries([&] { test::ContextClick(dlg->W(IDC_RECV_TEXT)); }, 4);
  EXPECT_EQ(seen,
            (QStringList{QStringLiteral("复制(&C)"), QStringLiteral("-"), QStringLiteral("全选(&A)"),
                         QStringLiteral("-"), QStringLiteral("通信记录(&R)..."), QStringLiteral("记录到文件(&L)..."),
                         QStringLiteral("保存接收数据(&S)..."), QStringLiteral("客户端列表(&K)..."),
                         QStringLiteral("自动应答(&Y)..."), QStringLiteral("-"), QStringLiteral("接收设置(&O)..."),
                         QStringLiteral("暂停显示(&P)")}));
  ASSERT_TRUE(test::WaitFor([&] { return dlg->m_pTrafficDlg && dlg->m_pTrafficDlg->widget()->isVisible(); }));
}

TEST_F(Record, TheLogFileIsWrittenWithinASecondAndAFailedWriteStopsItWithTheError)
{
  int peerPort = 0;
  int localPort = 0;
  test::Fd peer;
  auto dlg = UdpDialog(&peer, &peerPort, &localPort);
  const std::string path = Path("traffic.log");
  AnswerFileDialogs(path);
  dlg->SendMessage(WM_COMMAND, ID_TRAFFIC_LOG);
  ASSERT_TRUE(dlg->m_log.IsLogging());
  test::SendDatagram(peer, "logged", localPort);
  // Nothing more happens, yet the line reaches the file: the flush runs once a second.
  ASSERT_TRUE(test::WaitFor([&] { return test::ReadBytes(path).find("\tlogged\n") != std::string::npos; }, 3000));

  // The file may not grow past what it holds now; the next flush fails.
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  const rlimit limited{static_cast<rlim_t>(test::ReadBytes(path).size()), old.rlim_max};
  ::setrlimit(RLIMIT_FSIZE, &limited);
  test::SendDatagram(peer, "not logged", localPort);
  const bool told = test::WaitFor([&] { return !m_boxes.empty(); }, 3000);
  ::setrlimit(RLIMIT_FSIZE, &old);
  ASSERT_TRUE(told);
  EXPECT_EQ(m_boxes.front(), "写入记录文件 " + path + " 失败[27]:File too large, 已停止记录.");
  EXPECT_FALSE(dlg->m_log.IsLogging());
  EXPECT_TRUE(dlg->IsOpen());
  test::SendDatagram(peer, "after", localPort);
  ASSERT_TRUE(test::WaitFor([&] { return dlg->m_nRecvBytes == 21; }));
  EXPECT_EQ(test::ReadBytes(path).find("not logged"), std::string::npos);
  dlg->Click(IDC_CONNECT);
}

// The lines that wait when the program ends are written then; if that fails, standard error says
// how many were lost, as no dialog is left to.
TEST_F(Record, ALogThatCannotBeWrittenAtTheEndSaysSoOnStandardError)
{
  const std::string path = Path("traffic.log");
  auto dlg = NewDialog();
  AnswerFileDialogs(path);
  dlg->SendMessage(WM_COMMAND, ID_TRAFFIC_LOG);
  ASSERT_TRUE(dlg->m_log.IsLogging());
  const std::string text(100, 't');
  for (int i = 0; i < 200; ++i)
    dlg->m_record.AddData(TRAFFIC_RECEIVED, TRAFFIC_UDP, {0x7F000001, 1}, {0x7F000001, 2},
                          reinterpret_cast<const BYTE*>(text.data()), 100);
  dlg->m_log.Flush();
  const std::size_t size = test::ReadBytes(path).size();
  for (int i = 0; i < 7; ++i)
    dlg->m_record.AddData(TRAFFIC_RECEIVED, TRAFFIC_UDP, {0x7F000001, 1}, {0x7F000001, 2},
                          reinterpret_cast<const BYTE*>(text.data()), 100);
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  const rlimit limited{static_cast<rlim_t>(size), old.rlim_max};
  ::setrlimit(RLIMIT_FSIZE, &limited);
  testing::internal::CaptureStderr();
  dlg.reset();
  const std::string said = testing::internal::GetCapturedStderr();
  ::setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(said, "lanspry: writing the log file " + path + " failed at exit ([27] File too large): 7 lines lost\n");
  EXPECT_EQ(test::ReadBytes(path).size(), size);
}

TEST_F(Record, TheReceiveBufferIsSavedRawOrAsShownAndTheCaptureAsPcapng)
{
  int peerPort = 0;
  int localPort = 0;
  test::Fd peer;
  auto dlg = UdpDialog(&peer, &peerPort, &localPort);
  const std::string bytes("A\x00\xFF\r\n", 5);
  test::SendDatagram(peer, bytes, localPort);
  ASSERT_TRUE(test::WaitFor([&] { return dlg->m_nRecvBytes == 5; }));

  AnswerFileDialogs(Path("raw.bin"), 1);
  dlg->SendMessage(WM_COMMAND, ID_RECV_SAVE);
  EXPECT_EQ(test::ReadBytes(Path("raw.bin")), bytes);
  dlg->Click(IDC_HEX_RECV);
  AnswerFileDialogs(Path("shown.txt"), 2);
  dlg->SendMessage(WM_COMMAND, ID_RECV_SAVE);
  EXPECT_EQ(test::ReadBytes(Path("shown.txt")), dlg->Text(IDC_RECV_TEXT));
  EXPECT_EQ(test::ReadBytes(Path("shown.txt")).substr(0, 14), "41 00 FF 0D 0A");

  AnswerFileDialogs(Path("capture.pcapng"));
  dlg->SendMessage(WM_COMMAND, ID_TRAFFIC_PCAPNG);
  EXPECT_EQ(test::ReadBytes(Path("capture.pcapng")).substr(0, 4), std::string("\x0A\x0D\x0D\x0A", 4));

  AnswerFileDialogs(Path("no such folder/x.bin"));
  dlg->SendMessage(WM_COMMAND, ID_RECV_SAVE);
  ASSERT_EQ(m_boxes.size(), 1u);
  EXPECT_EQ(m_boxes[0], "保存 " + Path("no such folder/x.bin") + " 失败[2]:No such file or directory.");
  dlg->Click(IDC_CONNECT);
}

// Each kind of file is chosen where the last of its kind was; the first time in the home folder,
// never in the program's own.
TEST_F(Record, FileDialogsStartWhereTheirKindWasLastChosen)
{
  auto dlg = NewDialog();
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(Path("saved"))));
  std::vector<std::string> startedIn;
  const auto answer = [&](const std::string& path) {
    platform::SetFileDialogHook([&startedIn, path](const CString&, CString* pPath, DWORD*) -> INT_PTR {
      startedIn.push_back(pPath->str());
      *pPath = path.c_str();
      return IDOK;
    });
  };
  answer(Path("saved/received.bin"));
  dlg->SendMessage(WM_COMMAND, ID_RECV_SAVE);
  dlg->SendMessage(WM_COMMAND, ID_RECV_SAVE);
  answer(Path("capture.pcapng"));
  dlg->SendMessage(WM_COMMAND, ID_TRAFFIC_PCAPNG);
  platform::SetFileDialogHook({});
  EXPECT_EQ(startedIn,
            (std::vector<std::string>{QDir::homePath().toStdString(), Path("saved"), QDir::homePath().toStdString()}));
  EXPECT_NE(test::ReadBytes(ProfilePath()).find("[FileFolders]\nReceived=" + Path("saved") + "\nCapture="),
            std::string::npos)
      << test::ReadBytes(ProfilePath());
}

// Two senders, one filtered out by its address and port: the status counts what shows, the
// copy and the capture take the rows shown, the detail shows a row whole, F3 finds without
// narrowing, and clearing the fields shows everything again.
TEST_F(Record, TheFilterBarNarrowsTheRowsAndTheDetailShowsOneWhole)
{
  int peerPort = 0;
  int localPort = 0;
  test::Fd peer;
  auto dlg = UdpDialog(&peer, &peerPort, &localPort);
  int otherPort = 0;
  const test::Fd other = test::UdpSocket(&otherPort);
  const std::string longChunk = "READ ALL " + std::string(200, 'x') + "\xE6\xB8\xA9";
  for (int i = 0; i < 3; ++i) {
    test::SendDatagram(peer, "from the peer " + std::to_string(i), localPort);
    test::SendDatagram(other, i == 1 ? longChunk : "from the other " + std::to_string(i), localPort);
  }
  ASSERT_TRUE(test::WaitFor([&] { return dlg->m_record.GetCount() == 7; }));
  dlg->SendMessage(WM_SYSCOMMAND, IDM_TRAFFIC);
  CTrafficDlg& window = *dlg->m_pTrafficDlg;
  QTableView* list = List(*dlg);
  const auto status = [&] {
    CString str;
    window.GetDlgItem(IDC_TRAFFIC_STATUS)->GetWindowText(str);
    return str.str();
  };
  ASSERT_TRUE(test::WaitFor([&] { return list->model()->rowCount() == 7; }));
  EXPECT_EQ(status(), "共 7 条事件");

  // The peers seen are offered; one typed narrows the rows once typing pauses.
  auto* peerBox = qobject_cast<QComboBox*>(window.GetDlgItem(IDC_TRAFFIC_PEER)->widget());
  ASSERT_TRUE(peerBox && peerBox->isEditable());
  EXPECT_EQ(peerBox->count(), 2) << "the peer (the destination too) and the other sender";
  const std::string otherPeer = "127.0.0.1:" + std::to_string(otherPort);
  QTest::keyClicks(peerBox->lineEdit(), QString::fromStdString(otherPeer));
  ASSERT_TRUE(test::WaitFor([&] { return status() == "显示 3 / 7 条事件"; })) << status();
  for (int row = 0; row < 3; ++row)
    EXPECT_EQ(Cell(list, row, TRAFFIC_COL_PEER), otherPeer);
  EXPECT_EQ(peerBox->currentText().toStdString(), otherPeer) << "what is typed stays as peers join the list";

  // A cut cell carries the rest in its tooltip; the detail holds every byte.
  const QModelIndex hex = list->model()->index(1, TRAFFIC_COL_HEX);
  EXPECT_EQ(hex.data(Qt::ToolTipRole).toString(), hex.data().toString());
  EXPECT_FALSE(list->model()->index(1, TRAFFIC_COL_LENGTH).data(Qt::ToolTipRole).isValid());
  list->setFocus();
  list->selectRow(1);
  CString strDetail;
  window.GetDlgItem(IDC_TRAFFIC_DETAIL)->GetWindowText(strDetail);
  const std::string detail = strDetail.str();
  EXPECT_NE(detail.find("收  "), std::string::npos) << detail;
  EXPECT_NE(detail.find("对端 " + otherPeer + "  本地 127.0.0.1:" + std::to_string(localPort) + "  UDP  212 字节"),
            std::string::npos)
      << detail;
  EXPECT_NE(detail.find("00D0  78 E6 B8 A9"), std::string::npos) << "the last line of the dump: " << detail;
  EXPECT_NE(detail.find("x\xE6\xB8\xA9\r\n"), std::string::npos) << "its text decoded";

  // Copy and capture take the rows shown; the save dialog says so.
  window.GetDlgItem(IDC_TRAFFIC_LIST)->SendMessage(WM_COPY);
  EXPECT_EQ(QApplication::clipboard()->text().count(QString::fromStdString(otherPeer)), 1);
  std::string title;
  platform::SetFileDialogHook([&](const CString&, CString* pPath, DWORD*) -> INT_PTR {
    title = platform::FileDialogTitle().str();
    *pPath = Path("filtered.pcapng").c_str();
    return IDOK;
  });
  window.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_TRAFFIC_PCAPNG, BN_CLICKED));
  platform::SetFileDialogHook({});
  EXPECT_EQ(title, "保存为 pcapng: 只保存筛选出的 3 条事件 (共 7 条)");
  const std::string capture = test::ReadBytes(Path("filtered.pcapng"));
  EXPECT_NE(capture.find("from the other 0"), std::string::npos);
  EXPECT_EQ(capture.find("from the peer"), std::string::npos);

  // F3 finds the next chunk holding the content among the rows shown, without narrowing them.
  window.GetDlgItem(IDC_TRAFFIC_FILTER_CONTENT)->SendMessage(BM_SETCHECK, BST_UNCHECKED);
  window.GetDlgItem(IDC_TRAFFIC_CONTENT)->SetWindowText("other 2");
  list->setFocus();
  QTest::keyClick(list, Qt::Key_F3);
  EXPECT_EQ(GetSelectedRow(window.GetDlgItem(IDC_TRAFFIC_LIST)), 2);
  ASSERT_TRUE(test::WaitFor([&] { return status() == "显示 3 / 7 条事件"; })) << status();
  window.GetDlgItem(IDC_TRAFFIC_CONTENT)->SetWindowText("nowhere");
  QTest::keyClick(list, Qt::Key_F3);
  EXPECT_EQ(status(), "显示 3 / 7 条事件; 未找到");
  EXPECT_EQ(GetSelectedRow(window.GetDlgItem(IDC_TRAFFIC_LIST)), 2) << "the selection stays";

  // Received only, in hex: then the fields cleared show every event, the selected one in sight.
  window.GetDlgItem(IDC_TRAFFIC_FILTER_CONTENT)->SendMessage(BM_SETCHECK, BST_CHECKED);
  window.GetDlgItem(IDC_TRAFFIC_HEX)->SendMessage(BM_SETCHECK, BST_CHECKED);
  window.GetDlgItem(IDC_TRAFFIC_CONTENT)->SetWindowText("52 45 41 44");
  window.GetDlgItem(IDC_TRAFFIC_PEER)->SetWindowText("");
  window.GetDlgItem(IDC_TRAFFIC_DIRECTION)->SendMessage(CB_SETCURSEL, TRAFFIC_DIR_RECEIVED);
  window.ApplyFilter();
  EXPECT_EQ(status(), "显示 1 / 7 条事件");
  list->selectRow(0);
  window.GetDlgItem(IDC_TRAFFIC_CONTENT)->SetWindowText("5");
  window.ApplyFilter();
  EXPECT_EQ(status(), "显示 6 / 7 条事件; 十六进制内容应为成对的数字");
  window.GetDlgItem(IDC_TRAFFIC_CONTENT)->SetWindowText("");
  window.GetDlgItem(IDC_TRAFFIC_DIRECTION)->SendMessage(CB_SETCURSEL, TRAFFIC_DIR_ALL);
  window.ApplyFilter();
  EXPECT_EQ(status(), "共 7 条事件");
  EXPECT_EQ(list->model()->rowCount(), 7);
  EXPECT_EQ(Cell(list, GetSelectedRow(window.GetDlgItem(IDC_TRAFFIC_LIST)), TRAFFIC_COL_TEXT).substr(0, 12),
            "READ ALL xxx")
      << "the selected event stays selected";
}

// The window's size, place and column widths come back after the program starts again; a place
// on no screen comes back onto one.
TEST_F(Record, TheWindowComesBackAsItWasLeft)
{
  {
    auto dlg = NewDialog();
    dlg->SendMessage(WM_SYSCOMMAND, IDM_TRAFFIC);
    QWidget* window = dlg->m_pTrafficDlg->widget();
    const QSize least = window->minimumSize();
    EXPECT_EQ(window->size(), least) << "it opens at its template's size";
    QTableView* list = List(*dlg);
    const int listWidth = list->width();
    // (The offscreen screen is 800x600.)
    window->setGeometry(40, 50, least.width() + 100, least.height() + 50);
    list->setColumnWidth(TRAFFIC_COL_HEX, 333);
    QTest::qWait(10);
    EXPECT_EQ(list->width(), listWidth + 100) << "the table takes what the window gains";
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    const std::string ini = test::ReadBytes(ProfilePath());
    EXPECT_NE(ini.find("[TrafficWindow]\nLeft=40\nTop=50\nWidth=" + std::to_string(least.width() + 100)),
              std::string::npos)
        << ini;
    EXPECT_NE(ini.find("HexWidth=333"), std::string::npos) << ini;
  }
  auto dlg = NewDialog();
  dlg->SendMessage(WM_SYSCOMMAND, IDM_TRAFFIC);
  QWidget* window = dlg->m_pTrafficDlg->widget();
  EXPECT_EQ(window->geometry().topLeft(), QPoint(40, 50));
  EXPECT_EQ(window->width(), window->minimumWidth() + 100);
  EXPECT_EQ(List(*dlg)->columnWidth(TRAFFIC_COL_HEX), 333);
  dlg->m_pTrafficDlg.reset();

  // Moved off every screen (a monitor since unplugged), too large for the screen left.
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  test::WriteBytes(ProfilePath(), "[TrafficWindow]\nLeft=-30000\nTop=20000\nWidth=9000\nHeight=200\n");
  dlg->SendMessage(WM_SYSCOMMAND, IDM_TRAFFIC);
  window = dlg->m_pTrafficDlg->widget();
  EXPECT_TRUE(screen.contains(window->geometry().center())) << window->geometry().x();
  EXPECT_LE(window->width(), screen.width());
  EXPECT_EQ(window->height(), window->minimumHeight()) << "never below its template";
}

}  // namespace
