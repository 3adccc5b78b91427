// The IP address control: its messages, typing as the platform control types, pasting.
#include "platform/qt/ipaddress_widget.h"
#include "tests/support.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>

#include <utility>

namespace {

using test::DialogTest;
using test::Ip;

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

}  // namespace
