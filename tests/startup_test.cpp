// Start-up with restored settings, the versioned title, the working directory and the keyboard.
#include "platform/winapi.h"
#include "tests/harness/files.h"
#include "tests/support.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>

namespace {

using test::DialogTest;
using test::Ip;

class Startup : public DialogTest {
protected:
  void WriteProfile(const char* content) { ASSERT_TRUE(test::WriteBytes(ProfilePath(), content)); }
  DWORD ShownAddress(test::TestDlg& dlg)
  {
    DWORD a = 0;
    dlg.GetDlgItem(IDC_DEST_IP)->SendMessage(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&a));
    return a;
  }
};

TEST_F(Startup, RestoresTheLastSuccessfulOpen)
{
  int peerPort = 0;
  test::Fd peer = test::UdpSocket(&peerPort, "127.0.0.5");
  const int local = test::FreeUdpPort();
  {
    auto dlg = NewDialog();
    dlg->SelectMode(MODE_UDP);
    dlg->SetDest(Ip(127, 0, 0, 5), peerPort);
    dlg->Click(IDC_USE_LOCAL_PORT);
    dlg->SetText(IDC_LOCAL_PORT, std::to_string(local).c_str());
    dlg->Click(IDC_CONNECT);
    ASSERT_TRUE(dlg->IsOpen());
    dlg->Click(IDC_CONNECT);
    // A failed open afterwards writes nothing.
    dlg->OpenChannel(MODE_TCP, Ip(127, 0, 0, 1), test::FreeTcpPort());
    ASSERT_EQ(m_boxes.size(), 1u);
  }
  auto dlg = NewDialog();
  EXPECT_EQ(ShownAddress(*dlg), Ip(127, 0, 0, 5));
  EXPECT_EQ(dlg->Text(IDC_DEST_PORT), std::to_string(peerPort));
  EXPECT_EQ(dlg->Text(IDC_LOCAL_PORT), std::to_string(local));
  EXPECT_FALSE(dlg->Enabled(IDC_LOCAL_PORT));
  EXPECT_FALSE(qobject_cast<QAbstractButton*>(dlg->W(IDC_USE_LOCAL_PORT))->isChecked());
  EXPECT_EQ(dlg->Mode(), MODE_UDP);
  EXPECT_EQ(dlg->Text(IDC_CONNECT), "创 建");
  EXPECT_EQ(dlg->Text(IDC_SEND_TEXT), "");
  EXPECT_EQ(dlg->Text(IDC_SENT_COUNT), "0");
}

TEST_F(Startup, HighAddressesReadBackUnchanged)
{
  WriteProfile("[ClientParams]\nLastdwIPADDRESS=-536804861\nLastType=2\nLastDestPort=65616\n");
  auto dlg = NewDialog();
  EXPECT_EQ(ShownAddress(*dlg), Ip(224, 1, 2, 3));
  EXPECT_EQ(dlg->Mode(), MODE_MULTICAST);
  EXPECT_EQ(dlg->Text(IDC_DEST_PORT), "65616");
}

TEST_F(Startup, MissingFileGivesDefaults)
{
  auto dlg = NewDialog();
  EXPECT_EQ(ShownAddress(*dlg), 0u);
  EXPECT_FALSE(dlg->GetDlgItem(IDC_DEST_IP)->SendMessage(IPM_ISBLANK));
  EXPECT_EQ(dlg->Text(IDC_DEST_PORT), "0");
  EXPECT_EQ(dlg->Text(IDC_LOCAL_PORT), "0");
  EXPECT_EQ(dlg->Mode(), MODE_TCP);
  EXPECT_EQ(dlg->Text(IDC_CONNECT), "连 接");
}

TEST_F(Startup, DamagedFileAndInvalidTypeStartSanely)
{
  // A type that is no item leaves the combo box without a selection.
  for (const char* content : {"[ClientParams]\nLastType=-1\n", "[ClientParams]\nLastType=7\nLastDestPort=x\n"}) {
    WriteProfile(content);
    auto dlg = NewDialog();
    EXPECT_EQ(dlg->Mode(), -1) << content;
    EXPECT_EQ(dlg->Text(IDC_CONNECT), "创 建") << content;
    EXPECT_EQ(dlg->Text(IDC_DEST_PORT), "0") << content;
  }
  // Garbage reads as missing entries.
  WriteProfile("\xff\xfe\x01garbage\n[[[\n==\n");
  auto dlg = NewDialog();
  EXPECT_EQ(dlg->Mode(), MODE_TCP);
  EXPECT_EQ(dlg->Text(IDC_CONNECT), "连 接");
  EXPECT_EQ(dlg->Text(IDC_DEST_PORT), "0");
}

TEST_F(Startup, TitleComesFromTheProgramFile)
{
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSize(LANSPRY_EXECUTABLE, &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfo(LANSPRY_EXECUTABLE, handle, size, block.data()));
  void* p = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValue(block.data(), "\\", &p, &len));
  const auto* fixed = static_cast<VS_FIXEDFILEINFO*>(p);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x0000000Cu);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x0000000Cu);
  struct Str {
    const char* key;
    const char* value;
  };
  for (const Str& s :
       {Str{"FileVersion", "1, 0, 0, 12"}, Str{"ProductVersion", "1, 0, 0, 12"}, Str{"FileDescription", "Lanspry"},
        Str{"ProductName", "Lanspry"}, Str{"Comments", ""}, Str{"CompanyName", ""}, Str{"LegalTrademarks", ""},
        Str{"PrivateBuild", ""}, Str{"SpecialBuild", ""}}) {
    const std::string path = std::string("\\StringFileInfo\\080404b0\\") + s.key;
    ASSERT_TRUE(VerQueryValue(block.data(), path.c_str(), &p, &len)) << s.key;
    EXPECT_STREQ(static_cast<const char*>(p), s.value) << s.key;
  }
  EXPECT_FALSE(VerQueryValue(block.data(), "\\StringFileInfo\\040904b0\\ProductName", &p, &len));

  platform::SetModuleFileNameOverride(LANSPRY_EXECUTABLE);
  auto dlg = NewDialog();
  EXPECT_EQ(dlg->m_strTitle.str(), "Lanspry-1.0.0.12");
  EXPECT_EQ(dlg->widget()->windowTitle(), QStringLiteral("Lanspry-1.0.0.12"));
  platform::SetModuleFileNameOverride(nullptr);
}

TEST_F(Startup, NoVersionInformationNoTitle)
{
  platform::SetModuleFileNameOverride("/bin/sh");
  auto dlg = NewDialog();
  platform::SetModuleFileNameOverride(nullptr);
  EXPECT_EQ(dlg->m_strTitle.str(), "");
  EXPECT_EQ(dlg->widget()->windowTitle(), QString());
}

TEST_F(Startup, WorksInTheProgramsFolder)
{
  const QString before = QDir::currentPath();
  QDir::setCurrent(QDir::tempPath());
  platform::SetModuleFileNameOverride(LANSPRY_EXECUTABLE);
  auto dlg = NewDialog();
  platform::SetModuleFileNameOverride(nullptr);
  EXPECT_EQ(QDir::currentPath(), QFileInfo(QStringLiteral(LANSPRY_EXECUTABLE)).absolutePath());
  QDir::setCurrent(before);
}

class Keyboard : public DialogTest {
protected:
  QPlainTextEdit* SendBox(test::TestDlg& dlg)
  {
    auto* box = qobject_cast<QPlainTextEdit*>(dlg.W(IDC_SEND_TEXT));
    box->setFocus();
    return box;
  }
};

TEST_F(Keyboard, HexSendingTakesOnlyHexDigits)
{
  auto dlg = NewDialog();
  dlg->SetCheck(IDC_HEX_SEND, true);
  QPlainTextEdit* box = SendBox(*dlg);
  QTest::keyClicks(box, "G,f0 gA");
  EXPECT_EQ(box->toPlainText(), QStringLiteral("f0 A"));
  QTest::keyClick(box, Qt::Key_Backspace);
  EXPECT_EQ(box->toPlainText(), QStringLiteral("f0 "));
  // Pasting takes anything.
  QApplication::clipboard()->setText(QStringLiteral("xy,1"));
  QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(box->toPlainText(), QStringLiteral("f0 xy,1"));
}

TEST_F(Keyboard, TextSendingTakesEveryCharacter)
{
  auto dlg = NewDialog();
  QPlainTextEdit* box = SendBox(*dlg);
  QTest::keyClicks(box, "Gz,!? ~");
  EXPECT_EQ(box->toPlainText(), QStringLiteral("Gz,!? ~"));
}

// With Alt held a key gives a system character, which no edit inserts, hex sending or not; AltGr
// (plain, as X gives it, or Ctrl+Alt, as Windows layouts give it) still types.
TEST_F(Keyboard, AltChordsTypeNothingAltGrTypes)
{
  struct Row {
    const char* name;
    Qt::Key key;
    const char* text;
    Qt::KeyboardModifiers mods;
    bool types;
  };
  const Row rows[] = {
      {"AltG", Qt::Key_G, "g", Qt::AltModifier, false},
      {"AltComma", Qt::Key_Comma, ",", Qt::AltModifier, false},
      {"AltDigit", Qt::Key_5, "5", Qt::AltModifier, false},
      {"AltShiftA", Qt::Key_A, "A", Qt::AltModifier | Qt::ShiftModifier, false},
      {"AltGrOfX", Qt::Key_E, "€", Qt::GroupSwitchModifier, true},
      {"CtrlAltAsAltGr", Qt::Key_E, "€", Qt::ControlModifier | Qt::AltModifier, true},
      {"CtrlAltHexDigit", Qt::Key_B, "b", Qt::ControlModifier | Qt::AltModifier, true},
  };
  auto dlg = NewDialog();
  for (const bool hex : {false, true}) {
    dlg->SetCheck(IDC_HEX_SEND, hex);
    for (const int nID : {IDC_SEND_TEXT, IDC_DEST_PORT, IDC_SENT_COUNT}) {
      for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " in " + std::to_string(nID) + (hex ? " hex" : " text"));
        dlg->SetText(nID, "");
        dlg->W(nID)->setFocus();
        QTest::sendKeyEvent(QTest::Click, dlg->W(nID), row.key, QString::fromUtf8(row.text), row.mods);
        // The hex filter still stands between AltGr and the send box.
        const bool filtered =
            hex && nID == IDC_SEND_TEXT && !QString::fromUtf8(row.text).contains(QRegularExpression("^[0-9a-fA-F]$"));
        EXPECT_EQ(dlg->Text(nID), row.types && !filtered ? row.text : "");
      }
    }
  }
}

TEST_F(Keyboard, EnterAndEscapeNeitherTypeNorEnd)
{
  auto dlg = NewDialog();
  dlg->SelectMode(MODE_TCP);
  QPlainTextEdit* box = SendBox(*dlg);
  QTest::keyClicks(box, "ab");
  QTest::keyClick(box, Qt::Key_Return);
  QTest::keyClick(box, Qt::Key_Enter);
  QTest::keyClick(box, Qt::Key_Escape);
  EXPECT_EQ(box->toPlainText(), QStringLiteral("ab"));
  EXPECT_TRUE(dlg->widget()->isVisible());
  dlg->W(IDC_CONNECT)->setFocus();
  QTest::keyClick(dlg->W(IDC_CONNECT), Qt::Key_Return);
  EXPECT_TRUE(m_boxes.empty());  // the toggle was not pressed
  EXPECT_TRUE(dlg->widget()->isVisible());
}

TEST_F(Keyboard, SendBoxShortcuts)
{
  auto dlg = NewDialog();
  QPlainTextEdit* box = SendBox(*dlg);
  box->setPlainText(QStringLiteral("hello"));
  QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(box->textCursor().selectedText(), QStringLiteral("hello"));
  QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("hello"));
  QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(box->toPlainText(), QString());
  QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(box->toPlainText(), QStringLiteral("hellohello"));
  QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(box->toPlainText(), QStringLiteral("hello"));
}

TEST_F(Keyboard, ShortcutsBelongToTheSendBoxAlone)
{
  auto dlg = NewDialog();
  auto* box = qobject_cast<QPlainTextEdit*>(dlg->W(IDC_SEND_TEXT));
  box->setPlainText(QStringLiteral("keep"));
  auto* port = qobject_cast<QLineEdit*>(dlg->W(IDC_DEST_PORT));
  port->setText(QStringLiteral("8080"));
  port->setFocus();
  port->deselect();
  QTest::keyClick(port, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(port->selectedText(), QStringLiteral("8080"));  // the edit's own select-all
  EXPECT_FALSE(box->textCursor().hasSelection());
  dlg->W(IDC_RECV_TEXT)->setFocus();
  QTest::keyClick(dlg->W(IDC_RECV_TEXT), Qt::Key_A, Qt::ControlModifier);
  EXPECT_FALSE(box->textCursor().hasSelection());
}

}  // namespace
