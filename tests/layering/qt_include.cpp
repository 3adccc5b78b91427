// Must not compile: the dialog's layer cannot see Qt.
#include "dialog/SocketTestDlg.h"

#include <QString>

QString probe();
