// Must not compile: the dialog's layer cannot reach POSIX sockets.
#include "dialog/SocketTestDlg.h"

#include <sys/socket.h>

int probe()
{
  return ::socket(2, 1, 0);
}
