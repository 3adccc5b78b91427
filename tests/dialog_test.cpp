// The main dialog as built from its template, its small handlers and its window chrome.
#include "app/SocketTestApp.h"
#include "dialog/AboutDlg.h"
#include "platform/cmenu.h"
#include "platform/internal/dialog_units.h"
#include "platform/qt/receive_view.h"
#include "res/resources.h"
#include "tests/support.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

namespace {

using test::DialogTest;
using test::Ip;
using test::TestDlg;

class MainDialog : public DialogTest {};

TEST_F(MainDialog, StartsClosedWithTheTemplateControls)
{
  auto dlg = NewDialog();
  const int ids[] = {IDC_CONNECT,      IDC_DEST_PORT,      IDC_LOCAL_PORT, IDC_SEND_TEXT,
                     IDC_HEX_SEND,     IDC_SEND,           IDC_RECV_TEXT,  IDC_HEX_RECV,
                     IDC_CLEAR_SEND,   IDC_CLEAR_RECV,     IDC_SENT_COUNT, IDC_RECV_COUNT,
                     IDC_CLEAR_COUNTS, IDC_USE_LOCAL_PORT, IDC_MODE,       IDC_DEST_IP};
  for (int id : ids)
    ASSERT_NE(dlg->GetDlgItem(id), nullptr) << id;
  EXPECT_EQ(dlg->widget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 27);
  EXPECT_FALSE(dlg->Enabled(IDC_SEND));
  EXPECT_FALSE(dlg->Enabled(IDC_LOCAL_PORT));
  EXPECT_EQ(dlg->Text(IDC_SEND), "发 送");
  EXPECT_EQ(dlg->Text(IDC_HEX_SEND), "16进制发送");
  EXPECT_EQ(dlg->Text(IDC_CLEAR_COUNTS), "清空计数");
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), "0");
  auto* combo = qobject_cast<QComboBox*>(dlg->W(IDC_MODE));
  ASSERT_EQ(combo->count(), 4);
  EXPECT_EQ(combo->itemText(0), QStringLiteral("TCP"));
  EXPECT_EQ(combo->itemText(1), QStringLiteral("UDP"));
  EXPECT_EQ(combo->itemText(2), QStringLiteral("UDP(组播模式)"));
  EXPECT_EQ(combo->itemText(3), QStringLiteral("TCP服务器"));
  EXPECT_EQ(dlg->widget()->palette().color(QPalette::Window), QColor(221, 233, 255));
  // Labels and group boxes carry their texts, and the group boxes sit under the controls.
  QStringList groups;
  for (auto* g : dlg->widget()->findChildren<QGroupBox*>())
    groups << g->title();
  groups.sort();
  EXPECT_EQ(groups, (QStringList{QStringLiteral("发送"), QStringLiteral("接收"), QStringLiteral("计数"),
                                 QStringLiteral("连接参数")}));
  QWidget* atButton = dlg->widget()->childAt(dlg->W(IDC_CONNECT)->geometry().center());
  EXPECT_EQ(atButton, dlg->W(IDC_CONNECT));
}

TEST_F(MainDialog, TabOrderFollowsTheTemplate)
{
  auto dlg = NewDialog();
  const int expected[] = {IDC_CONNECT,      IDC_DEST_PORT,      IDC_SEND_TEXT,  IDC_HEX_SEND,   IDC_RECV_TEXT,
                          IDC_HEX_RECV,     IDC_CLEAR_SEND,     IDC_CLEAR_RECV, IDC_SENT_COUNT, IDC_RECV_COUNT,
                          IDC_CLEAR_COUNTS, IDC_USE_LOCAL_PORT, IDC_MODE,       IDC_DEST_IP,    IDC_CONNECT};
  dlg->W(IDC_CONNECT)->setFocus();
  for (int id : expected) {
    CWnd* focus = CWnd::GetFocus();
    ASSERT_NE(focus, nullptr);
    EXPECT_EQ(focus->GetDlgCtrlID(), id);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
}

TEST_F(MainDialog, CaptionFollowsTheMode)
{
  auto dlg = NewDialog();
  dlg->SelectMode(1);
  EXPECT_EQ(dlg->Text(IDC_CONNECT), "创 建");
  dlg->SelectMode(0);
  EXPECT_EQ(dlg->Text(IDC_CONNECT), "连 接");
  dlg->SelectMode(2);
  EXPECT_EQ(dlg->Text(IDC_CONNECT), "创 建");
}

TEST_F(MainDialog, LocalPortCheckAndClearCounts)
{
  auto dlg = NewDialog();
  dlg->SetText(IDC_LOCAL_PORT, "901");
  dlg->Click(IDC_USE_LOCAL_PORT);
  EXPECT_TRUE(dlg->Enabled(IDC_LOCAL_PORT));
  dlg->Click(IDC_USE_LOCAL_PORT);
  EXPECT_FALSE(dlg->Enabled(IDC_LOCAL_PORT));
  EXPECT_EQ(dlg->Text(IDC_LOCAL_PORT), "901");
  dlg->m_nSentBytes = 3;
  dlg->m_nRecvBytes = 4;
  dlg->SetText(IDC_SENT_COUNT, "3");
  dlg->SetText(IDC_RECV_COUNT, "4");
  dlg->Click(IDC_CLEAR_COUNTS);
  EXPECT_EQ(dlg->m_nSentBytes, 0);
  EXPECT_EQ(dlg->m_nRecvBytes, 0);
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), "0");
  EXPECT_EQ(dlg->Text(IDC_RECV_COUNT), "0");
}

TEST_F(MainDialog, EndingWithoutAChannelReleasesNothing)
{
  test::RecordingSocketLayer layer;
  {
    auto dlg = NewDialog();
  }
  EXPECT_EQ(layer.Count("closesocket"), 0);
  EXPECT_EQ(layer.Count("WSACleanup"), 0);
}

class ApplicationStart : public DialogTest {};

TEST_F(ApplicationStart, SocketSupportFailureShowsTheMessageAndEnds)
{
  test::RecordingSocketLayer layer;
  layer.FailOn("WSAStartup", ws::WSASYSNOTREADY);
  CSocketTestApp app;
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(m_boxes, std::vector<std::string>{"Windows 通信端口初始化失败。"});
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  EXPECT_EQ(layer.Count("socket"), 0);
}

// F1 in the dialog is the application's help command, which its message map handles.
TEST_F(ApplicationStart, HelpIsTheApplicationsCommand)
{
  CSocketTestApp app;
  EXPECT_TRUE(app.OnCmdMsg(ID_HELP, 0));
  EXPECT_FALSE(app.OnCmdMsg(IDOK, 0));
  auto dlg = NewDialog();
  dlg->W(IDC_SEND_TEXT)->setFocus();
  QTest::keyClick(dlg->W(IDC_SEND_TEXT), Qt::Key_F1);
  EXPECT_EQ(dlg->Text(IDC_SEND_TEXT), "");
  EXPECT_TRUE(dlg->widget()->isVisible());
}

class WindowChrome : public DialogTest {};

TEST_F(WindowChrome, SystemMenuEndsWithAbout)
{
  auto dlg = NewDialog();
  const auto& items = dlg->GetSystemMenu(FALSE)->items();
  ASSERT_GE(items.size(), 2u);
  EXPECT_EQ(items[items.size() - 2].nFlags, MF_SEPARATOR);
  EXPECT_EQ(items.back().nID, static_cast<UINT>(IDM_ABOUTBOX));
  EXPECT_EQ(items.back().text.str(), "关于 Quorvin(&A)...");
  ASSERT_NE(dlg->GetIcon(TRUE), nullptr);
  EXPECT_EQ(dlg->GetIcon(TRUE), dlg->GetIcon(FALSE));
  EXPECT_FALSE(dlg->widget()->windowIcon().isNull());
  EXPECT_EQ(dlg->widget()->windowIcon().availableSizes().value(0), QSize(32, 32));
}

TEST_F(WindowChrome, RightClickAltSpaceAndF10OpenTheSystemMenu)
{
  auto dlg = NewDialog();
  const QStringList expected{QStringLiteral("最小化(&N)"),
                             QStringLiteral("关闭(&C)\tAlt+F4"),
                             QStringLiteral("通信记录(&R)..."),
                             QStringLiteral("客户端列表(&K)..."),
                             QStringLiteral("自动应答(&Y)..."),
                             QStringLiteral("命令列表(&L)..."),
                             QStringLiteral("-"),
                             QStringLiteral("关于 Quorvin(&A)...")};
  enum { RIGHT_CLICK, ALT_SPACE, F10 };
  for (int how : {RIGHT_CLICK, ALT_SPACE, F10}) {
    const QStringList seen = test::PopupEntries([&] {
      if (how == RIGHT_CLICK) {
        test::ContextClick(dlg->widget());
        return;
      }
      dlg->W(IDC_CONNECT)->setFocus();
      if (how == ALT_SPACE)
        QTest::keyClick(dlg->W(IDC_CONNECT), Qt::Key_Space, Qt::AltModifier);
      else
        QTest::keyClick(dlg->W(IDC_CONNECT), Qt::Key_F10);
    });
    EXPECT_EQ(seen, expected) << (how == RIGHT_CLICK ? "right click" : how == ALT_SPACE ? "Alt+Space" : "F10");
  }
  EXPECT_TRUE(dlg->widget()->isVisible());
}

TEST_F(WindowChrome, NoAboutEntryWithAnEmptyString)
{
  const ResourceTable& real = LanspryResources();
  std::vector<StringResource> strings(real.strings.begin(), real.strings.end());
  for (StringResource& s : strings) {
    if (s.id == IDS_ABOUTBOX)
      s.text = "";
  }
  const ResourceTable altered{real.dialogs, strings, real.binaries};
  AfxSetResourceTable(&altered);
  auto dlg = NewDialog();
  const auto& items = dlg->GetSystemMenu(FALSE)->items();
  AfxSetResourceTable(&real);
  ASSERT_EQ(items.size(), 6u);  // minimise, close and the four tools only
  EXPECT_NE(items.back().nFlags, MF_SEPARATOR);
}

TEST_F(WindowChrome, AboutIsModalWhileTheChannelRuns)
{
  auto dlg = NewDialog();
  int peerPort = 0;
  test::Fd peer = test::UdpSocket(&peerPort);
  dlg->OpenChannel(MODE_UDP, Ip(127, 0, 0, 1), peerPort);
  ASSERT_TRUE(dlg->IsOpen());
  // Find our own port by sending to the peer once.
  dlg->SetText(IDC_SEND_TEXT, "hi");
  dlg->Click(IDC_SEND);
  bool got = false;
  int dialogPort = 0;
  test::ReceiveDatagram(peer, &got, 3000, &dialogPort);
  ASSERT_TRUE(got);

  bool sawAbout = false;
  bool countedMeanwhile = false;
  QTimer::singleShot(0, [&] {
    QWidget* about = QApplication::activeModalWidget();
    sawAbout = about && about->windowTitle() == QStringLiteral("关于 Quorvin");
    test::SendDatagram(peer, "during about", dialogPort);
    countedMeanwhile = test::WaitFor([&] { return dlg->Text(IDC_RECV_COUNT) == "12"; });
    auto buttons = about ? about->findChildren<QPushButton*>() : QList<QPushButton*>();
    if (!buttons.isEmpty())
      buttons.first()->click();  // the OK button ends it
  });
  dlg->SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  EXPECT_TRUE(sawAbout);
  EXPECT_TRUE(countedMeanwhile);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  dlg->Click(IDC_CONNECT);
}

TEST_F(WindowChrome, AboutBoxFollowsItsTemplate)
{
  auto dlg = NewDialog();
  CAboutDlg about;
  ASSERT_TRUE(about.createIndirect());
  QStringList texts;
  for (auto* label : about.widget()->findChildren<QLabel*>())
    texts << (label->pixmap().isNull() ? label->text() : QStringLiteral("<icon>"));
  EXPECT_TRUE(texts.contains(QStringLiteral("<icon>")));
  EXPECT_TRUE(texts.contains(QStringLiteral("Quorvin 1.0 版")));
  EXPECT_EQ(about.widget()->windowTitle(), QStringLiteral("关于 Quorvin"));
  EXPECT_EQ(about.GetDlgItem(IDOK)->widget()->property("text").toString(), QStringLiteral("确定"));
}

TEST_F(WindowChrome, CloseGoesThroughTheSystemCommand)
{
  auto dlg = NewDialog();
  dlg->SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(dlg->widget()->isVisible());
  EXPECT_EQ(reinterpret_cast<HICON>(dlg->SendMessage(WM_QUERYDRAGICON)), dlg->GetIcon(TRUE));
}

}  // namespace

// Every way a person ends the program's dialog, with and without a channel, through DoModal: no
// window, member control or wrapper may reach a widget after the dialog has destroyed it.
class DialogEnd : public DialogTest {};

struct EndingRow {
  const char* name;
  std::function<void(CWnd&)> end;
};

const EndingRow kEndings[] = {
    {"SystemMenuClose", [](CWnd& dlg) { dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0); }},
    {"WmClose", [](CWnd& dlg) { dlg.SendMessage(WM_CLOSE); }},
    {"WindowManagerCloseEvent", [](CWnd& dlg) { dlg.widget()->close(); }},
};

TEST_F(DialogEnd, EveryWayOfClosingEndsSafely)
{
  int port = 0;
  test::Fd peer = test::UdpSocket(&port);
  for (const EndingRow& row : kEndings) {
    for (const bool withChannel : {false, true}) {
      SCOPED_TRACE(std::string(row.name) + (withChannel ? " with a channel" : " without a channel"));
      test::RecordingSocketLayer layer;
      auto dlg = std::make_unique<TestDlg>();
      test::App().m_pMainWnd = dlg.get();
      QTimer::singleShot(0, [&] {
        if (withChannel)
          dlg->OpenChannel(MODE_UDP, Ip(127, 0, 0, 1), port);
        row.end(*dlg);
      });
      dlg->DoModal();
      EXPECT_EQ(dlg->GetSafeHwnd(), nullptr);
      EXPECT_EQ(dlg->m_ctlDestIP.widget(), nullptr);
      EXPECT_EQ(dlg->m_ctlDestIP.SendMessage(IPM_ISBLANK), 0);
      EXPECT_EQ(dlg->GetDlgItem(IDC_DEST_IP), nullptr);
      EXPECT_EQ(dlg->IsOpen(), withChannel);
      dlg.reset();
      test::App().m_pMainWnd = nullptr;
      EXPECT_EQ(layer.Count("closesocket"), withChannel ? 1 : 0);
      EXPECT_EQ(layer.Count("WSACleanup"), layer.Count("WSAStartup"));
    }
  }
}

TEST_F(DialogEnd, AWrapperOutlivingItsWidgetLetsGo)
{
  auto dlg = NewDialog();
  CWnd wrapper;
  ASSERT_TRUE(wrapper.SubclassDlgItem(IDC_SEND_TEXT, dlg.get()));
  wrapper.SetTimer(7, 1000, nullptr);
  dlg->SetTimer(8, 1000, nullptr);
  dlg->destroyWindow();
  EXPECT_EQ(wrapper.widget(), nullptr);
  EXPECT_EQ(wrapper.GetSafeHwnd(), nullptr);
  EXPECT_FALSE(wrapper.KillTimer(7));
  EXPECT_FALSE(wrapper.PostMessage(WM_USER));
  CString text;
  wrapper.GetWindowText(text);
  EXPECT_TRUE(text.IsEmpty());
}

// The application as main() runs it: the dialog closed by the user, then the exit-time release.
TEST_F(DialogEnd, ApplicationReleasesItsSocketSupportAtExit)
{
  test::RecordingSocketLayer layer;
  CSocketTestApp app;
  QTimer::singleShot(0, [] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->isVisible())
        w->close();
    }
  });
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  EXPECT_EQ(layer.Count("WSAStartup"), 1);
  EXPECT_EQ(layer.Count("WSACleanup"), 0);
  AfxSocketTerm();
  AfxSocketTerm();
  EXPECT_EQ(layer.Count("WSACleanup"), 1);
}

// What a screen reader finds: every control named, the receive display readable as text.
class Accessibility : public DialogTest {
protected:
  static QAccessibleInterface* Iface(QWidget* w) { return QAccessible::queryAccessibleInterface(w); }
};

TEST_F(Accessibility, EveryControlIsNamed)
{
  struct Row {
    int id;
    const char* name;
  };
  const Row rows[] = {
      {IDC_DEST_IP, "目标IP:"},
      {IDC_DEST_PORT, "目标端口:"},
      {IDC_LOCAL_PORT, "指定本地端口:"},
      {IDC_MODE, "类型:"},
      {IDC_SENT_COUNT, "发送:"},
      {IDC_RECV_COUNT, "接收:"},
      {IDC_SEND_TEXT, "发送"},
      {IDC_RECV_TEXT, "接收"},
      {IDC_CONNECT, "连 接"},
      {IDC_HEX_SEND, "16进制发送"},
      {IDC_SEND, "发 送"},
      {IDC_HEX_RECV, "16进制接收"},
      {IDC_CLEAR_SEND, "清 空"},
      {IDC_CLEAR_RECV, "清 空"},
      {IDC_USE_LOCAL_PORT, "指定本地端口:"},
      {IDC_CLEAR_COUNTS, "清空计数"},
  };
  auto dlg = NewDialog();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    EXPECT_EQ(Iface(dlg->W(row.id))->text(QAccessible::Name), QString::fromUtf8(row.name));
  }
  EXPECT_EQ(Iface(dlg->widget())->role(), QAccessible::Dialog);
  QAccessibleInterface* combo = Iface(dlg->W(IDC_MODE));
  EXPECT_EQ(combo->role(), QAccessible::ComboBox);
  EXPECT_EQ(combo->text(QAccessible::Value), QStringLiteral("TCP"));
}

TEST_F(Accessibility, AddressControlReadsAsItsAddress)
{
  auto dlg = NewDialog();
  dlg->SetDest(Ip(127, 0, 0, 5), 1);
  QAccessibleInterface* ip = Iface(dlg->W(IDC_DEST_IP));
  ASSERT_NE(ip->textInterface(), nullptr);
  EXPECT_EQ(ip->textInterface()->text(0, ip->textInterface()->characterCount()), QStringLiteral("127.0.0.5"));
  EXPECT_EQ(ip->text(QAccessible::Value), QStringLiteral("127.0.0.5"));
  int fields = 0;
  for (int i = 0; i < ip->childCount(); ++i)
    fields += ip->child(i)->role() == QAccessible::EditableText ? 1 : 0;
  EXPECT_EQ(fields, 4);
  dlg->GetDlgItem(IDC_DEST_IP)->SendMessage(IPM_CLEARADDRESS);
  EXPECT_EQ(ip->text(QAccessible::Value), QString());
}

TEST_F(Accessibility, ReceiveDisplayIsReadOnlyMultiLineText)
{
  auto dlg = NewDialog();
  dlg->SetText(IDC_RECV_TEXT, "first line\r\n第二行");
  QAccessibleInterface* view = Iface(dlg->W(IDC_RECV_TEXT));
  EXPECT_EQ(view->role(), QAccessible::EditableText);
  EXPECT_TRUE(view->state().readOnly);
  EXPECT_TRUE(view->state().multiLine);
  QAccessibleTextInterface* text = view->textInterface();
  ASSERT_NE(text, nullptr);
  const QString shown = QStringLiteral("first line\r\n第二行");
  EXPECT_EQ(text->characterCount(), shown.size());
  EXPECT_EQ(text->text(0, text->characterCount()), shown);
  EXPECT_EQ(text->selectionCount(), 0);
  dlg->GetDlgItem(IDC_RECV_TEXT)->SendMessage(EM_SETSEL, 0, -1);
  int from = -1;
  int to = -1;
  text->selection(0, &from, &to);
  EXPECT_EQ(std::make_pair(from, to), std::make_pair(0, static_cast<int>(shown.size())));
  EXPECT_EQ(text->cursorPosition(), shown.size());
  text->setSelection(0, 6, 10);
  EXPECT_EQ(dlg->Text(IDC_RECV_TEXT).substr(6, 4), "line");
  EXPECT_EQ(static_cast<platform::ReceiveView*>(dlg->W(IDC_RECV_TEXT))->selectedText(), QStringLiteral("line"));
  EXPECT_FALSE(text->characterRect(0).isEmpty());
}

// Toggling a check box through assistive technology is the click a person makes: the dialog hears
// BN_CLICKED and the receive display changes notation.
TEST_F(Accessibility, TogglingACheckBoxClicksIt)
{
  auto dlg = NewDialog();
  dlg->m_recvBuf[0] = 'A';
  dlg->m_nRecvLen = 1;
  QAccessibleInterface* box = Iface(dlg->W(IDC_HEX_RECV));
  EXPECT_EQ(box->role(), QAccessible::CheckBox);
  ASSERT_NE(box->actionInterface(), nullptr);
  box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
  EXPECT_TRUE(box->state().checked);
  EXPECT_EQ(dlg->Text(IDC_RECV_TEXT), "41 ");
  box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
  EXPECT_FALSE(box->state().checked);
  EXPECT_EQ(dlg->Text(IDC_RECV_TEXT), "A");
}

// With the dialog face's real metrics, every text fits the control the template gives it.
class Layout : public DialogTest {
protected:
  // How far a control's text reaches, ink included, beside the room the template gives it.
  static std::pair<int, int> NeedAndRoom(QWidget* c)
  {
    const QFontMetrics fm(c->font());
    const auto ink = [&fm](const QString& text) { return fm.tightBoundingRect(text).right() + 1; };
    if (auto* label = qobject_cast<QLabel*>(c); label && label->pixmap().isNull())
      return {ink(label->text()), label->width()};
    if (auto* check = qobject_cast<QCheckBox*>(c)) {
      const int box = c->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, c) +
                      c->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, c);
      return {box + ink(check->text()), check->width()};
    }
    if (auto* button = qobject_cast<QPushButton*>(c))
      return {fm.horizontalAdvance(button->text()) + 2, button->width()};
    if (auto* group = qobject_cast<QGroupBox*>(c))
      return {fm.horizontalAdvance(group->title()) + 2, group->width()};
    return {-1, 0};
  }
  static void ExpectNoTextClipped(QWidget* dialog)
  {
    for (QWidget* c : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      const auto [need, room] = NeedAndRoom(c);
      EXPECT_LE(need, room)
          << c->metaObject()->className() << " "
          << (c->property("text").isValid() ? c->property("text") : c->property("title")).toString().toStdString();
    }
  }
};

TEST_F(Layout, TheDialogsTakeSimSunsSizeAndClipNoText)
{
  auto dlg = NewDialog();
  const QFont face = dlg->widget()->font();
  EXPECT_EQ(QFontInfo(face).family(), QStringLiteral("AR PL UMing CN"));
  const QFontMetrics fm(face);
  const DialogBaseUnits units = BaseUnitsFromMetrics(
      fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")), fm.height());
  const RECT size = MapDialogRect({0, 0, 328, 277}, units);
  EXPECT_EQ(dlg->widget()->size(), QSize(size.right, size.bottom));
  ExpectNoTextClipped(dlg->widget());
  CAboutDlg about;
  ASSERT_TRUE(about.createIndirect());
  ExpectNoTextClipped(about.widget());
}
