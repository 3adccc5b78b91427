// The program's entry: starts Qt, then runs the application object's InitInstance and exits when
// it returns. The program itself takes no command line.
#include "platform/cwinapp.h"
#include "platform/startup.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {
bool hasDisplay()
{
  return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM");
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
  QApplication app(argc, argv);
  // Names the desktop entry, so that desktops show the program's icon and group its windows.
  QGuiApplication::setDesktopFileName(QStringLiteral(LANSPRY_APP_ID));
  platform::InitializeGui();
  CWinApp* pApp = AfxGetApp();
  if (!pApp)
    return 1;
  pApp->InitInstance();
  const int nExitCode = pApp->ExitInstance();
  AfxSocketTerm();
  return nExitCode;
}
