// Keyboard routing: what the dialog consumes never reaches the edit.
#include "tests/support.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QPlainTextEdit>

namespace {

using test::DialogTest;

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

}  // namespace
