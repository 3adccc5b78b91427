// Must not compile: the dialog's layer cannot reach the platform's insides, only its faces.
#include "dialog/SocketTestDlg.h"

#include "platform/internal/ini_text.h"

std::string probe();
