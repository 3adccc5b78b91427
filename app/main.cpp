// The one application object; the platform's main() runs it.
#include "app/SocketTestApp.h"

CSocketTestApp theApp;
