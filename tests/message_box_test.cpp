// Message boxes: their loop keeps delivering posted messages, and they wear the dialog colours.
#include "platform/cwinapp.h"
#include "tests/support.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

using test::DialogTest;

class MessageBox : public DialogTest {};

TEST_F(MessageBox, MessageBoxLoopKeepsDeliveringPostedMessages)
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

TEST_F(MessageBox, MessageBoxesWearTheDialogColours)
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

}  // namespace
