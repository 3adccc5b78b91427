// One Qt application for all tests of a binary, under whatever platform QT_QPA_PLATFORM names
// (offscreen in ctest), with the program's resources and dialog colours.
#include "app/SocketTestApp.h"
#include "platform/internal/startup.h"
#include "res/resources.h"
#include "tests/support.h"

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv)
{
  ::testing::InitGoogleTest(&argc, argv);
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  platform::InitializeGui();
  AfxSetResourceTable(&LanspryResources());
  test::App().SetDialogBkColor(DIALOG_BK_COLOR, DIALOG_TEXT_COLOR);
  // Nothing here may touch the user's own settings file; fixtures give each test its own.
  QTemporaryDir settings;
  test::App().m_strProfileName = settings.filePath(QStringLiteral("lanspry.ini")).toStdString();
  return RUN_ALL_TESTS();
}
