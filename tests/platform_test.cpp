// The stand-in's own behaviour: dialog units, data exchange, the IP address control, keyboard
// routing, message boxes, the receive display, the profile store and version information.
#include "platform/dialog_units.h"
#include "platform/qt/ipaddress_widget.h"
#include "platform/qt/receive_view.h"
#include "platform/winapi.h"
#include "tests/support.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include <cstring>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

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

// Typing into the control as users' fingers know it from the platform control.
struct IpTypingRow {
  const char* name;
  bool blank;  // start with all fields blank instead of `shown`
  DWORD shown;
  int field;         // where the caret starts
  int caret;         // its position there, or -1 for the field's text selected
  const char* keys;  // <BS>, <L> and <R> stand for Backspace, Left and Right
  bool shift;
  int filled;  // what IPM_GETADDRESS returns
  DWORD address;
};

constexpr int kSelectAll = -1;

// The addresses are only typed into the control; nothing is sent to any of them.
const IpTypingRow kIpTyping[] = {
    {"OverZerosSelected", false, 0, 0, kSelectAll, "192.168.1.20", false, 4, Ip(192, 168, 1, 20)},
    {"ShortFieldsOverZeros", false, 0, 0, kSelectAll, "127.1.2.3", false, 4, Ip(127, 1, 2, 3)},
    {"LoopbackOverZeros", false, 0, 0, kSelectAll, "127.0.0.1", false, 4, Ip(127, 0, 0, 1)},
    {"IntoABlankControl", true, 0, 0, 0, "127.0.0.5", false, 4, Ip(127, 0, 0, 5)},
    {"PartlyTyped", true, 0, 0, 0, "1.2", false, 2, Ip(1, 2, 0, 0)},
    {"OverAllOnes", false, Ip(255, 255, 255, 255), 0, kSelectAll, "127.0.0.1", false, 4, Ip(127, 0, 0, 1)},
    {"DotAfterAFullField", false, Ip(255, 255, 255, 255), 0, 3, ".7", false, 4, Ip(255, 7, 255, 255)},
    {"SeparatorsAtAFieldsStartAreIgnored", true, 0, 0, 0, ". 12", false, 1, Ip(12, 0, 0, 0)},
    {"SeparatorOverASelectionIsIgnored", false, Ip(1, 2, 3, 4), 1, kSelectAll, ".9", false, 4, Ip(1, 9, 3, 4)},
    {"ValueAbove255IsHeldWhenLeft", true, 0, 0, 0, "300.", false, 1, Ip(255, 0, 0, 0)},
    {"BackspaceAtAStartGoesBack", false, Ip(127, 0, 0, 1), 3, 0, "<BS><BS>9", false, 4, Ip(127, 0, 9, 1)},
    {"LeftAtAStartGoesBack", false, Ip(1, 2, 3, 4), 1, 0, "<L>5", false, 4, Ip(15, 2, 3, 4)},
    {"RightAtAnEndGoesOn", false, Ip(1, 2, 3, 4), 0, 1, "<R>7", false, 4, Ip(1, 72, 3, 4)},
    {"LettersAreRefused", true, 0, 0, 0, "x1y2", false, 1, Ip(12, 0, 0, 0)},
    {"DigitsWithShiftHeld", true, 0, 0, 0, "127.0.0.1", true, 4, Ip(127, 0, 0, 1)},
    {"ShiftedSymbolsAreRefused", true, 0, 0, 0, "!@#>", true, 0, 0},
};

void TypeKeys(const char* keys, Qt::KeyboardModifiers mods)
{
  static const std::pair<const char*, Qt::Key> kNamed[] = {
      {"<BS>", Qt::Key_Backspace}, {"<L>", Qt::Key_Left}, {"<R>", Qt::Key_Right}};
  for (std::string_view rest(keys); !rest.empty();) {
    bool named = false;
    for (const auto& [token, key] : kNamed) {
      if (rest.starts_with(token)) {
        QTest::keyClick(QApplication::focusWidget(), key, mods);
        rest.remove_prefix(std::strlen(token));
        named = true;
      }
    }
    if (named)
      continue;
    QTest::keyClick(QApplication::focusWidget(), rest.front(), mods);
    rest.remove_prefix(1);
  }
}

TEST_F(IpAddressControl, TypesLikeThePlatformControl)
{
  auto dlg = NewDialog();
  CWnd* ip = dlg->GetDlgItem(IDC_DEST_IP);
  auto* w = dynamic_cast<platform::IpAddressWidget*>(ip->widget());
  for (const IpTypingRow& row : kIpTyping) {
    SCOPED_TRACE(row.name);
    if (row.blank)
      ip->SendMessage(IPM_CLEARADDRESS);
    else
      ip->SendMessage(IPM_SETADDRESS, 0, static_cast<LPARAM>(row.shown));
    QLineEdit* start = w->field(row.field);
    start->setFocus();
    if (row.caret == kSelectAll)
      start->selectAll();
    else
      start->setCursorPosition(row.caret);
    TypeKeys(row.keys, row.shift ? Qt::ShiftModifier : Qt::NoModifier);
    w->field(0)->setFocus();  // leave the field typed last
    DWORD a = 0xDEADBEEF;
    EXPECT_EQ(ip->SendMessage(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&a)), row.filled);
    EXPECT_EQ(a, row.address);
    EXPECT_EQ(ip->SendMessage(IPM_ISBLANK) != 0, row.filled == 0);
  }
}

TEST_F(IpAddressControl, PastingADottedAddressFillsEveryField)
{
  auto dlg = NewDialog();
  CWnd* ip = dlg->GetDlgItem(IDC_DEST_IP);
  auto* w = dynamic_cast<platform::IpAddressWidget*>(ip->widget());
  ip->SendMessage(IPM_CLEARADDRESS);
  w->field(1)->setFocus();
  QApplication::clipboard()->setText(QStringLiteral(" 127.0.0.9 "));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
  DWORD a = 0;
  EXPECT_EQ(ip->SendMessage(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&a)), 4);
  EXPECT_EQ(a, Ip(127, 0, 0, 9));
  EXPECT_EQ(QApplication::focusWidget(), w->field(3));
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
      {"[ClientParams]\nLastDestPort=abc\n", 0},
      {"[ClientParams]\nLastDestPort= 12abc\n", 12},
      {"[ClientParams]\nLastDestPort=1,2\n", 1},
      {"[ClientParams]\nLastDestPort=99999999999\n", INT32_MAX},
      {"[ClientParams]\nLastDestPort=\n", 0},
      {"\x01\x02garbage[[[\n=\n", 0},
      {"[ClientParams\nLastDestPort=5\n", 5},
      {"[ClientParams]\nLastDestPort=\"12\"\n", 12},
      {"[clientparams]\r\n  lastdestport = -7 \r\n", -7},
  };
  for (const Case& c : cases) {
    QFile f(QString::fromStdString(ProfilePath()));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(c.content);
    f.close();
    EXPECT_EQ(static_cast<int>(test::App().GetProfileInt("ClientParams", "LastDestPort", 0)), c.expected) << c.content;
  }
}

// What a successful open writes, in its order, into files a person has written by hand: the keys'
// lines change or are added, and every other byte stays.
struct ProfileEditRow {
  const char* name;
  std::string before;  // "-" for no file at all
  std::string after;
};

using namespace std::string_literals;

const ProfileEditRow kProfileEdits[] = {
    {"NoFile", "-", "[ClientParams]\nLastDestPort=7001\nLastLocalPort=7002\nLastType=1\nLastdwIPADDRESS=2130706437\n"},
    {"EmptyFile", "",
     "[ClientParams]\nLastDestPort=7001\nLastLocalPort=7002\nLastType=1\nLastdwIPADDRESS=2130706437\n"},
    {"NotesAndOtherSections",
     "; my notes\n[Other]\nmy key = some value\n列=值\nlist=a,b\n\n[ClientParams]\nLastType = 0\n; "
     "keep\n\n[Z]\nb=2\na=1\n",
     "; my notes\n[Other]\nmy key = some value\n列=值\nlist=a,b\n\n[ClientParams]\nLastType = 1\nLastDestPort=7001\n"
     "LastLocalPort=7002\nLastdwIPADDRESS=2130706437\n; keep\n\n[Z]\nb=2\na=1\n"},
    {"CrLfEndings", "[ClientParams]\r\nLastDestPort=1\r\n[Other]\r\nx=1\r\n",
     "[ClientParams]\r\nLastDestPort=7001\r\nLastLocalPort=7002\r\nLastType=1\r\nLastdwIPADDRESS=2130706437\r\n[Other]"
     "\r\nx=1\r\n"},
    {"Utf8BomAndOtherSpelling", "\xEF\xBB\xBF[ClientParams]\nlasttype=2\n",
     "\xEF\xBB\xBF[ClientParams]\nlasttype=1\nLastDestPort=7001\nLastLocalPort=7002\nLastdwIPADDRESS=2130706437\n"},
    {"NoFinalNewline", "[Other]\nx=1",
     "[Other]\nx=1\n[ClientParams]\nLastDestPort=7001\nLastLocalPort=7002\nLastType=1\nLastdwIPADDRESS=2130706437"},
    {"DuplicateSections", "[ClientParams]\nLastType=0\n[clientparams]\nLastDestPort=5\n",
     "[ClientParams]\nLastType=1\nLastLocalPort=7002\nLastdwIPADDRESS=2130706437\n[clientparams]\nLastDestPort=7001\n"},
    {"BlanksAroundNamesAndValues", "[ ClientParams ]\n  LastDestPort  =  9  \n",
     "[ ClientParams ]\n  LastDestPort  =  7001\nLastLocalPort=7002\nLastType=1\nLastdwIPADDRESS=2130706437\n"},
    {"BinaryFile",
     "\x00\x01\xff\xfe[\x00]\n\x7f"
     "ELF"s,
     "\x00\x01\xff\xfe[\x00]\n\x7f"
     "ELF\n[ClientParams]\nLastDestPort=7001\nLastLocalPort=7002\nLastType=1\nLastdwIPADDRESS=2130706437"s},
};

std::string ReadBytes(const std::string& path)
{
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::ReadOnly))
    return "-";
  return f.readAll().toStdString();
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
  QFile f(QString::fromStdString(path));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

void WriteTheFourKeys(CWinApp& app)
{
  EXPECT_TRUE(app.WriteProfileInt("ClientParams", "LastDestPort", 7001));
  EXPECT_TRUE(app.WriteProfileInt("ClientParams", "LastLocalPort", 7002));
  EXPECT_TRUE(app.WriteProfileInt("ClientParams", "LastType", 1));
  EXPECT_TRUE(app.WriteProfileInt("ClientParams", "LastdwIPADDRESS", static_cast<int>(Ip(127, 0, 0, 5))));
}

TEST_F(ProfileStore, WritingChangesOnlyTheKeysLines)
{
  CWinApp& app = test::App();
  for (const ProfileEditRow& row : kProfileEdits) {
    SCOPED_TRACE(row.name);
    QFile::remove(QString::fromStdString(ProfilePath()));
    if (row.before != "-")
      WriteBytes(ProfilePath(), row.before);
    WriteTheFourKeys(app);
    EXPECT_EQ(ReadBytes(ProfilePath()), row.after);
    EXPECT_EQ(static_cast<int>(app.GetProfileInt("ClientParams", "LastDestPort", 0)), 7001);
    EXPECT_EQ(static_cast<int>(app.GetProfileInt("ClientParams", "LastType", 0)), 1);
    EXPECT_EQ(app.GetProfileInt("ClientParams", "LastdwIPADDRESS", 0), Ip(127, 0, 0, 5));
  }
  // Writing what is already there leaves the file alone.
  const std::string before = ReadBytes(ProfilePath());
  WriteTheFourKeys(app);
  EXPECT_EQ(ReadBytes(ProfilePath()), before);
}

TEST_F(ProfileStore, ALinkedFileIsWrittenWhereTheLinkPoints)
{
  const QString target = m_dir.filePath(QStringLiteral("real.ini"));
  WriteBytes(target.toStdString(), "; mine\n");
  ASSERT_TRUE(QFile::link(target, QString::fromStdString(ProfilePath())));
  ASSERT_TRUE(test::App().WriteProfileInt("ClientParams", "LastType", 2));
  EXPECT_TRUE(QFileInfo(QString::fromStdString(ProfilePath())).isSymLink());
  EXPECT_EQ(ReadBytes(target.toStdString()), "; mine\n[ClientParams]\nLastType=2\n");
}

// The lock never holds the dialog: one held by another program is waited for a short while and
// then the write fails; lock files left behind by anyone, or a folder in their place, never block.
TEST_F(ProfileStore, LocksAreWaitedForBrieflyAndNeverStale)
{
  CWinApp& app = test::App();
  const std::string lockPath = ProfilePath() + ".lock";
  WriteBytes(ProfilePath(), "[ClientParams]\nLastType=0\n");

  WriteBytes(lockPath, "4194304\nlanspry\nanother-host\n");  // an old lock file of another host
  EXPECT_TRUE(app.WriteProfileInt("ClientParams", "LastType", 1));

  const int held = ::open(lockPath.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  EXPECT_FALSE(app.WriteProfileInt("ClientParams", "LastType", 2));
  ::close(held);
  EXPECT_EQ(ReadBytes(ProfilePath()), "[ClientParams]\nLastType=1\n");
  EXPECT_TRUE(app.WriteProfileInt("ClientParams", "LastType", 2));

  ASSERT_TRUE(QFile::remove(QString::fromStdString(lockPath)));
  ASSERT_TRUE(QDir().mkdir(QString::fromStdString(lockPath)));
  EXPECT_FALSE(app.WriteProfileInt("ClientParams", "LastType", 3));
  EXPECT_EQ(ReadBytes(ProfilePath()), "[ClientParams]\nLastType=2\n");
  EXPECT_EQ(static_cast<int>(app.GetProfileInt("ClientParams", "LastType", 0)), 2);
}

// A write that fails part way (the disk full, a size limit) leaves the old file whole and no
// half-written file beside it.
TEST_F(ProfileStore, AFailedWriteLeavesTheOldFileWhole)
{
  const std::string before = "[ClientParams]\nLastType=0\n; " + std::string(200, 'x') + "\n";
  WriteBytes(ProfilePath(), before);
  const pid_t pid = fork();
  if (pid == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64, 64};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    _exit(test::App().WriteProfileInt("ClientParams", "LastType", 1) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the write should have failed";
  EXPECT_EQ(ReadBytes(ProfilePath()), before);
  const QStringList left = QDir(m_dir.path()).entryList(QDir::Files);
  EXPECT_EQ(left, QStringList({QStringLiteral("lanspry.ini"), QStringLiteral("lanspry.ini.lock")}));
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
      EXPECT_EQ(
          static_cast<int>(app.GetProfileInt("ClientParams", (std::string(prefix) + std::to_string(i)).c_str(), -1)), i)
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
