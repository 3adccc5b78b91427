// A signal that ends the program ends it as closing the window does: the modal boxes and dialogs
// close, the main dialog gets SC_CLOSE, and its handlers close the channel and write the log out.
#include "platform/qt/end_session.h"

#include "platform/cdialog.h"
#include "platform/cwinapp.h"
#include "platform/internal/startup.h"
#include "platform/posix/end_signals.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>

namespace platform {
namespace {

bool g_bEnding = false;

// From the top of the modal stack down; each one closed leaves it at once.
void closeModals()
{
  for (QWidget* modal = QApplication::activeModalWidget(); modal;) {
    if (auto* box = qobject_cast<QDialog*>(modal))
      box->reject();
    else if (auto* pDialog = dynamic_cast<CDialog*>(CWnd::fromWidget(modal)))
      pDialog->EndDialog(IDCANCEL);
    QWidget* next = QApplication::activeModalWidget();
    if (next == modal)
      return;
    modal = next;
  }
}

void endSession()
{
  if (!TakeEndSignals())
    return;
  g_bEnding = true;
  closeModals();
  if (CWnd* pMain = AfxGetMainWnd())
    pMain->PostMessage(WM_SYSCOMMAND, SC_CLOSE);
}

}  // namespace

bool IsEnding()
{
  return g_bEnding;
}

void InstallEndSignals()
{
  IgnoreWriteSignals();
  const int fd = EndSignalPipe();
  if (fd < 0 || !qApp)
    return;
  auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, &endSession);
}

}  // namespace platform
