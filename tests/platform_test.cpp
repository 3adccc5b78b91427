// The stand-in's own behaviour: dialog units, data exchange, the IP address control, keyboard
// routing, message boxes, the receive display, the profile store and version information.
#include "platform/dialog_units.h"
#include "platform/ipaddress_widget.h"
#include "platform/receive_view.h"
#include "platform/winapi.h"
#include "tests/support.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using test::DialogTest;
using test::Ip;

TEST(DialogUnits, ConvertAsTheDialogManagerDoes)
{
  // 8 pt SimSun-like metrics: alphabet 312 px wide, 12 px high -> base units 6 x 12.
  const DialogBaseUnits units = BaseUnitsFromMetrics(312, 12);
  EXPECT_EQ(units.cx, 6);
  EXPECT_EQ(units.cy, 12);
  // The toggle button at 24,144 47x15: x 24*6/4 = 36, y 144*12/8 = 216, right 71*6/4 = 106.5 -> 107.
  const RECT r = MapDialogRect({24, 144, 24 + 47, 144 + 15}, units);
  EXPECT_EQ(r.left, 36);
  EXPECT_EQ(r.top, 216);
  EXPECT_EQ(r.right, 107);
  EXPECT_EQ(r.bottom, 239);  // 159 * 12 / 8 = 238.5 -> 239
  EXPECT_EQ(MulDiv(-3, 3, 2), -5);
  EXPECT_EQ(MulDiv(7, 1, 0), -1);
}

TEST(CStringBytes, TrimsAsciiSpaceOnlyAndComparesBytes)
{
  CString s(" \t\r\n 连 接 \n");
  s.TrimLeft();
  s.TrimRight();
  EXPECT_EQ(s.str(), "连 接");
  EXPECT_TRUE(s == "连 接");
  EXPECT_FALSE(s == "连接");
  EXPECT_EQ(s.GetLength(), 7);  // bytes, not characters
  CString f;
  f.Format("[%d]:%s.", 10061, "WSAECONNREFUSED");
  EXPECT_EQ(f.str(), "[10061]:WSAECONNREFUSED.");
}

class IpAddressControl : public DialogTest {};

TEST_F(IpAddressControl, GetSetAndBlank)
{
  auto dlg = NewDialog();
  CWnd* ip = dlg->GetDlgItem(IDC_DEST_IP);
  auto* w = dynamic_cast<platform::IpAddressWidget*>(ip->widget());
  ASSERT_NE(w, nullptr);
  ip->SendMessage(IPM_CLEARADDRESS);
  EXPECT_TRUE(ip->SendMessage(IPM_ISBLANK));
  DWORD a = 0xDEAD;
  EXPECT_EQ(ip->SendMessage(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&a)), 0);
  EXPECT_EQ(a, 0u);
  ip->SendMessage(IPM_SETADDRESS, 0, static_cast<LPARAM>(Ip(192, 0, 2, 200)));
  EXPECT_FALSE(ip->SendMessage(IPM_ISBLANK));
  EXPECT_EQ(ip->SendMessage(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&a)), 4);
  EXPECT_EQ(a, Ip(192, 0, 2, 200));
  // Blank fields count as 0; the control is blank only when all four are.
  w->field(1)->clear();
  w->field(3)->clear();
  EXPECT_EQ(ip->SendMessage(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&a)), 2);
  EXPECT_EQ(a, Ip(192, 0, 2, 0) & 0xFF00FF00);
  EXPECT_FALSE(ip->SendMessage(IPM_ISBLANK));
}

TEST_F(IpAddressControl, TypesLikeTheWindowsControl)
{
  auto dlg = NewDialog();
  CWnd* ip = dlg->GetDlgItem(IDC_DEST_IP);
  auto* w = dynamic_cast<platform::IpAddressWidget*>(ip->widget());
  ip->SendMessage(IPM_CLEARADDRESS);
  w->field(0)->setFocus();
  // Letters are refused, a third digit moves on, '.' and space move on, >255 becomes 255.
  QTest::keyClicks(QApplication::focusWidget(), "x127");
  QTest::keyClicks(QApplication::focusWidget(), "0.");
  QTest::keyClicks(QApplication::focusWidget(), "999");
  QTest::keyClicks(QApplication::focusWidget(), "5");
  DWORD a = 0;
  EXPECT_EQ(ip->SendMessage(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&a)), 4);
  EXPECT_EQ(a, Ip(127, 0, 255, 5));
  // Backspace at the start of a field goes back to the previous one.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
  EXPECT_TRUE(w->field(3)->text().isEmpty());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
  EXPECT_EQ(QApplication::focusWidget(), w->field(2));
  // A pasted dotted address fills all four fields.
  QApplication::clipboard()->setText(QStringLiteral(" 127.0.0.9 "));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
  ip->SendMessage(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&a));
  EXPECT_EQ(a, Ip(127, 0, 0, 9));
}

class DataExchange : public DialogTest {};

TEST_F(DataExchange, NonIntegerShowsThePromptAndStopsThere)
{
  auto dlg = NewDialog();
  dlg->m_nSentBytes = 11;
  dlg->m_nRecvBytes = 22;
  dlg->SetText(IDC_LOCAL_PORT, " 901 ");
  dlg->SetText(IDC_DEST_PORT, "80x");
  dlg->SetText(IDC_SENT_COUNT, "5");
  dlg->SetText(IDC_RECV_COUNT, "6");
  EXPECT_FALSE(dlg->UpdateData(TRUE));
  EXPECT_EQ(m_boxes, std::vector<std::string>{"请输入一个整数。"});
  EXPECT_EQ(dlg->m_nLocalPort, 901);
  EXPECT_EQ(dlg->m_nSentBytes, 11);  // after the failing one: untouched
  EXPECT_EQ(dlg->m_nRecvBytes, 22);
  EXPECT_EQ(dlg->widget()->focusWidget(), dlg->W(IDC_DEST_PORT));
  dlg->SetText(IDC_DEST_PORT, "-2147483648");
  EXPECT_TRUE(dlg->UpdateData(TRUE));
  EXPECT_EQ(dlg->m_nDestPort, INT32_MIN);
  EXPECT_EQ(dlg->m_nSentBytes, 5);
  dlg->SetText(IDC_DEST_PORT, "2147483648");
  EXPECT_FALSE(dlg->UpdateData(TRUE));
}

class KeyboardRouting : public DialogTest {};

TEST_F(KeyboardRouting, ConsumedCharactersNeverReachTheEdit)
{
  auto dlg = NewDialog();
  dlg->SetCheck(IDC_HEX_SEND, true);
  auto* edit = qobject_cast<QPlainTextEdit*>(dlg->W(IDC_SEND_TEXT));
  edit->setFocus();
  QTest::keyClicks(edit, "0aG,f 1");
  EXPECT_EQ(edit->toPlainText(), QStringLiteral("0af 1"));
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(edit->toPlainText(), QStringLiteral("0af "));
  // An input method's committed text is filtered character by character.
  QInputMethodEvent im;
  im.setCommitString(QStringLiteral("汉ab字"));
  QApplication::sendEvent(edit, &im);
  EXPECT_EQ(edit->toPlainText(), QStringLiteral("0af ab"));
  // Enter and Escape are taken before the edit and the dialog manager see them.
  QTest::keyClick(edit, Qt::Key_Return);
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_EQ(edit->toPlainText(), QStringLiteral("0af ab"));
  EXPECT_TRUE(dlg->W(IDC_SEND_TEXT)->window()->isVisible());
}

TEST_F(KeyboardRouting, MessageBoxLoopKeepsDeliveringPostedMessages)
{
  auto dlg = NewDialog();
  dlg->SetText(IDC_SENT_COUNT, "5");
  bool handledWhileShown = false;
  platform::SetMessageBoxHook([&](const CString&) {
    dlg->PostMessage(WM_COMMAND, MAKEWPARAM(IDC_CLEAR_COUNTS, BN_CLICKED), 0);
    handledWhileShown = test::WaitFor([&] { return dlg->Text(IDC_SENT_COUNT) == "0"; }, 2000);
  });
  AfxMessageBox("x");
  EXPECT_TRUE(handledWhileShown);
}

TEST_F(KeyboardRouting, MessageBoxesWearTheDialogColours)
{
  auto dlg = NewDialog();
  QString caption;
  QColor background;
  QString button;
  platform::SetMessageBoxHook([&](const CString&) {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box)
      return;
    caption = box->windowTitle();
    background = box->palette().color(QPalette::Window);
    button = box->buttons().value(0) ? box->buttons().value(0)->text() : QString();
  });
  AfxMessageBox("连接服务器失败[10061]:WSAECONNREFUSED.\n");
  EXPECT_EQ(caption, QStringLiteral("Lanspry"));
  EXPECT_EQ(background, QColor(221, 233, 255));
  EXPECT_EQ(button, QStringLiteral("确定"));
}

TEST(ReceiveView, TextInIsTextOut)
{
  platform::ReceiveView view(nullptr);
  view.resize(300, 200);
  const QString text = QStringLiteral("abc\r\n中文\x01 \xFFFD end");
  view.setText(text);
  EXPECT_EQ(view.text(), text);
}

TEST(ReceiveView, WrapsHexAtGroupsAndScrollsByLines)
{
  platform::ReceiveView view(nullptr);
  view.resize(240, 120);
  view.show();
  QString hex;
  for (int i = 0; i < 3000; ++i)
    hex += QStringLiteral("%1 ").arg(i % 256, 2, 16, QLatin1Char('0')).toUpper();
  view.setText(hex);
  const int lines = static_cast<int>(view.windowProc(EM_GETLINECOUNT, 0, 0));
  ASSERT_GT(lines, 10);
  int total = 0;
  for (int i = 0; i < lines; ++i) {
    const QString line = view.lineText(i);
    EXPECT_EQ(line.size() % 3 == 0 || i == lines - 1 || line.endsWith(u' '), true);
    total += static_cast<int>(line.size());
  }
  EXPECT_EQ(total, hex.size());  // nothing lost, nothing doubled
  EXPECT_TRUE(view.lineText(0).startsWith(QStringLiteral("00 01 ")));
  view.windowProc(EM_LINESCROLL, 0, lines);
  EXPECT_EQ(view.firstVisibleLine() + view.visibleLineCount(), lines);
  EXPECT_TRUE(view.lineText(lines - 1).endsWith(QStringLiteral("B7 ")));  // 2999 % 256 = 0xB7
}

TEST(ReceiveView, WrapsChineseAndVeryLongWords)
{
  platform::ReceiveView view(nullptr);
  view.resize(200, 100);
  view.show();
  const QString chinese = QString(200, QChar(0x4E2D));
  view.setText(chinese);
  const int lines = view.lineCount();
  EXPECT_GT(lines, 5);
  QString joined;
  for (int i = 0; i < lines; ++i)
    joined += view.lineText(i);
  EXPECT_EQ(joined, chinese);
  const QString word(5000, u'x');
  view.setText(word + QStringLiteral("\nnext"));
  EXPECT_GT(view.lineCount(), 10);
  EXPECT_EQ(view.lineText(view.lineCount() - 1), QStringLiteral("next"));
}

TEST(ReceiveView, SelectsAndCopies)
{
  platform::ReceiveView view(nullptr);
  view.resize(300, 100);
  view.show();
  view.setText(QStringLiteral("hello 世界"));
  view.windowProc(EM_SETSEL, 6, -1);
  EXPECT_EQ(view.selectedText(), QStringLiteral("世界"));
  view.windowProc(WM_COPY, 0, 0);
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("世界"));
  view.setFocus();
  QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("hello 世界"));
  // A drag with the mouse selects what it passes over.
  QTest::mousePress(view.viewport(), Qt::LeftButton, {}, QPoint(1, 5));
  QTest::mouseMove(view.viewport(), QPoint(290, 5));
  QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, QPoint(290, 5));
  EXPECT_EQ(view.selectedText(), QStringLiteral("hello 世界"));
}

class ProfileStore : public DialogTest {};

TEST_F(ProfileStore, ValuesReadBackUnchangedAndOtherKeysStay)
{
  {
    QFile f(QString::fromStdString(ProfilePath()));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Other]\nKeep=yes\n\n[ClientParams]\nLastType=1\n");
  }
  CWinApp& app = test::App();
  for (int v : {0, 1, -1, 65535, INT32_MIN, INT32_MAX, static_cast<int>(Ip(239, 1, 2, 3))}) {
    ASSERT_TRUE(app.WriteProfileInt("ClientParams", "LastdwIPADDRESS", v));
    EXPECT_EQ(static_cast<int>(app.GetProfileInt("ClientParams", "LastdwIPADDRESS", 7)), v);
  }
  EXPECT_EQ(static_cast<int>(app.GetProfileInt("ClientParams", "LastType", 7)), 1);
  EXPECT_EQ(static_cast<int>(app.GetProfileInt("ClientParams", "Missing", 7)), 7);
  QFile f(QString::fromStdString(ProfilePath()));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.readAll().contains("Keep=yes"));
}

TEST_F(ProfileStore, DamagedFilesGiveSaneValues)
{
  struct Case {
    const char* content;
    int expected;
  };
  const Case cases[] = {
      {"[ClientParams]\nLastDestPort=abc\n", 0},        {"[ClientParams]\nLastDestPort= 12abc\n", 12},
      {"[ClientParams]\nLastDestPort=1,2\n", 0},        {"[ClientParams]\nLastDestPort=99999999999\n", INT32_MAX},
      {"[ClientParams]\nLastDestPort=\n", 0},           {"\x01\x02garbage[[[\n=\n", 0},
      {"[ClientParams\nLastDestPort=5\n", 5},
  };
  for (const Case& c : cases) {
    QFile f(QString::fromStdString(ProfilePath()));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(c.content);
    f.close();
    EXPECT_EQ(static_cast<int>(test::App().GetProfileInt("ClientParams", "LastDestPort", 0)), c.expected) << c.content;
  }
}

TEST_F(ProfileStore, TwoProgramsWritingAtOnceLoseNothing)
{
  CWinApp& app = test::App();
  app.WriteProfileInt("Other", "Keep", 1);
  constexpr int kWrites = 60;
  std::vector<pid_t> children;
  for (const char* prefix : {"A", "B"}) {
    const pid_t pid = fork();
    if (pid == 0) {
      for (int i = 0; i < kWrites; ++i)
        app.WriteProfileInt("ClientParams", (std::string(prefix) + std::to_string(i)).c_str(), i);
      _exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (const char* prefix : {"A", "B"}) {
    for (int i = 0; i < kWrites; ++i)
      EXPECT_EQ(static_cast<int>(app.GetProfileInt("ClientParams", (std::string(prefix) + std::to_string(i)).c_str(), -1)), i)
          << prefix << i;
  }
  EXPECT_EQ(static_cast<int>(app.GetProfileInt("Other", "Keep", 0)), 1);
}

TEST(VersionInfo, AFileWithoutItHasNone)
{
  DWORD handle = 1;
  EXPECT_EQ(GetFileVersionInfoSize("/bin/sh", &handle), 0u);
  EXPECT_EQ(handle, 0u);
  EXPECT_EQ(GetFileVersionInfoSize("/nonexistent/file", nullptr), 0u);
  EXPECT_EQ(GetFileVersionInfoSize("/etc/hostname", nullptr), 0u);
}

}  // namespace
