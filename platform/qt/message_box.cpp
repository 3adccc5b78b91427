// Message boxes: the dialogs' face and colours, "确定", the owner activated again when they go,
// and a hook through which tests answer them.
#include "platform/cwinapp.h"

#include "platform/cwnd.h"
#include "platform/qt/code_page.h"
#include "platform/qt/end_session.h"
#include "platform/qt/palette.h"
#include "platform/qt/startup_qt.h"
#include "platform/resources.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {
// Message boxes speak in the system's face, SimSun at 9 points, as the dialogs do.
constexpr int kMessageBoxPointSize = 9;
platform::MessageBoxHook g_messageBoxHook;
}  // namespace

int AfxMessageBox(LPCTSTR lpszText, UINT, UINT)
{
  // The program is ending: nobody is left to answer.
  if (platform::IsEnding())
    return IDOK;
  QWidget* parent = QApplication::activeModalWidget();
  if (!parent && AfxGetMainWnd())
    parent = AfxGetMainWnd()->widget();
  const QString caption = AfxGetApp() ? platform::fromCodePage(AfxGetApp()->m_pszAppName) : QString();
  QMessageBox box(QMessageBox::Warning, caption, platform::fromCodePage(lpszText), QMessageBox::Ok, parent);
  box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
  box.setFont(platform::DialogFont(platform::fromCodePage(kDialogFace), kMessageBoxPointSize));
  platform::ApplyDialogPalette(&box);
  if (g_messageBoxHook) {
    const CString text(lpszText);
    QTimer::singleShot(0, &box, [&box, text] {
      g_messageBoxHook(text);
      box.done(QMessageBox::Ok);
    });
  }
  box.exec();
  // As on Windows, the owner gets the activation back when the box goes.
  if (parent)
    parent->activateWindow();
  return IDOK;
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
  const char* text = AfxFindString(nIDPrompt);
  return AfxMessageBox(text ? text : "", nType, nIDHelp);
}

void platform::SetMessageBoxHook(MessageBoxHook hook)
{
  g_messageBoxHook = std::move(hook);
}
