// The yardstick for start-up: an empty Qt dialog of the same size, started the same way.
#include <QApplication>
#include <QDialog>

int main(int argc, char** argv)
{
  QApplication app(argc, argv);
  QDialog dialog;
  dialog.resize(656, 589);
  dialog.setWindowTitle(QStringLiteral("empty"));
  return dialog.exec();
}
