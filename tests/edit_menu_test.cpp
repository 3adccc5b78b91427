// The edit controls' context menu reads as the platform's, in Chinese, and Qt's own texts are
// Chinese too, whatever the locale.
#include "tests/support.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

using test::DialogTest;

// The entries of the context menu the control opens, "-" for a separator, "!" before a disabled one.
QStringList MenuOf(QWidget* w)
{
  return test::PopupEntries([w] { test::ContextClick(w, true); }, -1, true);
}

class EditMenu : public DialogTest {};

TEST_F(EditMenu, ReadsAsThePlatformsInChinese)
{
  auto dlg = NewDialog();
  auto* send = qobject_cast<QPlainTextEdit*>(dlg->W(IDC_SEND_TEXT));
  QApplication::clipboard()->clear();
  // The send box's own tools follow the platform's entries.
  const QStringList tools{"-", "定时发送(&T)...", "发送文件(&F)...", "命令列表(&L)...", "发送设置(&O)..."};
  EXPECT_EQ(
      MenuOf(send),
      QStringList({"!撤消(&U)", "-", "!剪切(&T)", "!复制(&C)", "!粘贴(&P)", "!删除(&D)", "-", "!全选(&A)"}) + tools)
      << "with an empty box and nothing on the clipboard";
  QApplication::clipboard()->setText(QStringLiteral("x"));
  send->setPlainText(QStringLiteral("abc"));
  send->selectAll();
  EXPECT_EQ(MenuOf(send),
            QStringList({"!撤消(&U)", "-", "剪切(&T)", "复制(&C)", "粘贴(&P)", "删除(&D)", "-", "全选(&A)"}) + tools);
  auto* port = qobject_cast<QLineEdit*>(dlg->W(IDC_DEST_PORT));
  port->setFocus();
  port->selectAll();
  QTest::keyClicks(port, "12");
  EXPECT_EQ(MenuOf(port),
            QStringList({"撤消(&U)", "-", "!剪切(&T)", "!复制(&C)", "粘贴(&P)", "!删除(&D)", "-", "全选(&A)"}));
}

TEST(QtTexts, AreChinese)
{
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("确定"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "&Open"), QStringLiteral("打开(&O)"));
}

}  // namespace
