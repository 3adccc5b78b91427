// The one table from errno values to Windows Sockets error codes; naming the codes is the program's.
#pragma once

#include "platform/internal/inside.h"

namespace platform {
int WinsockErrorFromErrno(int error);
}
