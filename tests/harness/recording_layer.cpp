#include "tests/harness/recording_layer.h"

#include <algorithm>

namespace test {

bool RecordingSocketLayer::Fails(const std::string& call)
{
  m_calls.push_back(call);
  auto it = m_failures.find(call);
  if (it == m_failures.end()) {
    m_injectedError = 0;
    return false;
  }
  m_injectedError = it->second;
  return true;
}

int RecordingSocketLayer::Count(const std::string& call) const
{
  return static_cast<int>(std::count(m_calls.begin(), m_calls.end(), call));
}

int RecordingSocketLayer::startup(WORD v, ws::WSADATA* d)
{
  if (Fails("WSAStartup"))
    return m_injectedError;
  const int rc = m_real.startup(v, d);
  if (rc == 0 && m_version)
    d->wVersion = m_version;
  return rc;
}

int RecordingSocketLayer::cleanup()
{
  return Fails("WSACleanup") ? ws::SOCKET_ERROR : m_real.cleanup();
}

ws::SOCKET RecordingSocketLayer::createSocket(int af, int type, int protocol)
{
  return Fails("socket") ? ws::INVALID_SOCKET : m_real.createSocket(af, type, protocol);
}

int RecordingSocketLayer::bindSocket(ws::SOCKET s, const ws::sockaddr* n, int l)
{
  return Fails("bind") ? ws::SOCKET_ERROR : m_real.bindSocket(s, n, l);
}

int RecordingSocketLayer::connectSocket(ws::SOCKET s, const ws::sockaddr* n, int l)
{
  return Fails("connect") ? ws::SOCKET_ERROR : m_real.connectSocket(s, n, l);
}

int RecordingSocketLayer::setOption(ws::SOCKET s, int level, int name, const char* v, int l)
{
  return Fails("setsockopt:" + std::to_string(name)) ? ws::SOCKET_ERROR : m_real.setOption(s, level, name, v, l);
}

int RecordingSocketLayer::shutdownSocket(ws::SOCKET s, int how)
{
  return Fails("shutdown") ? ws::SOCKET_ERROR : m_real.shutdownSocket(s, how);
}

int RecordingSocketLayer::closeSocket(ws::SOCKET s)
{
  return Fails("closesocket") ? ws::SOCKET_ERROR : m_real.closeSocket(s);
}

int RecordingSocketLayer::listenSocket(ws::SOCKET s, int backlog)
{
  return Fails("listen") ? ws::SOCKET_ERROR : m_real.listenSocket(s, backlog);
}

ws::SOCKET RecordingSocketLayer::acceptSocket(ws::SOCKET s, ws::sockaddr* a, int* l)
{
  return Fails("accept") ? ws::INVALID_SOCKET : m_real.acceptSocket(s, a, l);
}

int RecordingSocketLayer::socketName(ws::SOCKET s, ws::sockaddr* n, int* l)
{
  return Fails("getsockname") ? ws::SOCKET_ERROR : m_real.socketName(s, n, l);
}

int RecordingSocketLayer::asyncSelect(ws::SOCKET s, HWND w, UINT m, long e)
{
  return Fails("WSAAsyncSelect") ? ws::SOCKET_ERROR : m_real.asyncSelect(s, w, m, e);
}

int RecordingSocketLayer::lastError()
{
  return m_injectedError ? m_injectedError : m_real.lastError();
}

int RecordingSocketLayer::sendData(ws::SOCKET s, const char* b, int l, int f)
{
  return Fails("send") ? ws::SOCKET_ERROR : m_real.sendData(s, b, l, f);
}

int RecordingSocketLayer::sendDataTo(ws::SOCKET s, const char* b, int l, int f, const ws::sockaddr* to, int tl)
{
  return Fails("sendto") ? ws::SOCKET_ERROR : m_real.sendDataTo(s, b, l, f, to, tl);
}

int RecordingSocketLayer::receive(ws::SOCKET s, char* b, int l, int f)
{
  return Fails("recv") ? ws::SOCKET_ERROR : m_real.receive(s, b, l, f);
}

int RecordingSocketLayer::receiveFrom(ws::SOCKET s, char* b, int l, int f, ws::sockaddr* from, int* fl)
{
  return Fails("recvfrom") ? ws::SOCKET_ERROR : m_real.receiveFrom(s, b, l, f, from, fl);
}

}  // namespace test
