// The program's entry: starts Qt, then runs the application object's InitInstance and exits when
// it returns. The program itself takes no command line.
#include "platform/cwinapp.h"
#include "platform/internal/startup.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {
bool hasDisplay()
{
  return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM");
}

// The display Qt tried: X's when one is named, else Wayland's.
const char* displayName()
{
  const char* x = std::getenv("DISPLAY");
  if (x && *x)
    return x;
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return wayland ? wayland : "";
}

// What Qt says while it connects to the display, kept until it is known whether it connected.
QStringList g_startupMessages;

// A display that cannot be opened ends the program plainly, where Qt would abort with advice to
// reinstall and what it tried on the way.
void startupMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
  if (type != QtFatalMsg) {
    g_startupMessages.append(message);
    return;
  }
  std::fprintf(stderr, "lanspry: cannot open the display %s to show the dialog on.\n", displayName());
  std::_Exit(1);
}
}  // namespace

int main(int argc, char** argv)
{
  if (!hasDisplay()) {
    std::fputs(
        "lanspry: no display to show the dialog on (DISPLAY is not set).\n"
        "Run it in a desktop session, or under Xvfb: xvfb-run ./lanspry\n",
        stderr);
    return 1;
  }
  qInstallMessageHandler(startupMessages);
  QApplication app(argc, argv);
  qInstallMessageHandler(nullptr);
  for (const QString& message : std::exchange(g_startupMessages, {}))
    std::fprintf(stderr, "%s\n", qPrintable(message));
  // Names the desktop entry, so that desktops show the program's icon and group its windows.
  QGuiApplication::setDesktopFileName(QStringLiteral(LANSPRY_APP_ID));
  platform::InitializeGui();
  platform::InstallEndSignals();
  CWinApp* pApp = AfxGetApp();
  if (!pApp)
    return 1;
  pApp->InitInstance();
  const int nExitCode = pApp->ExitInstance();
  AfxSocketTerm();
  return nExitCode;
}
