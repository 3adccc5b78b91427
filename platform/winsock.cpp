#include "platform/winsock.h"

namespace {
ws::SocketLayer* g_pCurrent = nullptr;
}  // namespace

ws::SocketLayer& ws::CurrentSocketLayer()
{
  return g_pCurrent ? *g_pCurrent : PosixSocketLayer();
}

void ws::SetSocketLayer(SocketLayer* pLayer)
{
  g_pCurrent = pLayer;
}
