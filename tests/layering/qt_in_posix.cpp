// Must not compile: the POSIX insides of the platform see no Qt.
#include "platform/winsock.h"

#include <QSocketNotifier>

QSocketNotifier* probe();
