// One Qt application for all tests of a binary, under whatever platform QT_QPA_PLATFORM names
// (offscreen in ctest), with the program's resources and dialog colours.
#include "platform/startup.h"
#include "res/resources.h"
#include "tests/support.h"

#include <QApplication>

int main(int argc, char** argv)
{
  ::testing::InitGoogleTest(&argc, argv);
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  platform::InitializeGui();
  AfxSetResourceTable(&LanspryResources());
  test::App().SetDialogBkColor(RGB(221, 233, 255), RGB(0, 0, 0));
  return RUN_ALL_TESTS();
}
