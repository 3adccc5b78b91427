// A socket layer for tests: records every call by name and fails the chosen ones.
#pragma once

#include "platform/winsock.h"

#include <map>
#include <string>
#include <vector>

namespace test {

// Records every call by name and fails the chosen ones with the chosen code; the rest go to the
// real layer.
class RecordingSocketLayer : public ws::SocketLayer {
public:
  RecordingSocketLayer() { ws::SetSocketLayer(this); }
  ~RecordingSocketLayer() override { ws::SetSocketLayer(nullptr); }
  void FailOn(const std::string& call, int code) { m_failures[call] = code; }
  void ReportVersion(WORD version) { m_version = version; }
  int Count(const std::string& call) const;
  const std::vector<std::string>& Calls() const { return m_calls; }

  int startup(WORD v, ws::WSADATA* d) override;
  int cleanup() override;
  ws::SOCKET createSocket(int af, int type, int protocol) override;
  int bindSocket(ws::SOCKET s, const ws::sockaddr* n, int l) override;
  int connectSocket(ws::SOCKET s, const ws::sockaddr* n, int l) override;
  int setOption(ws::SOCKET s, int level, int name, const char* v, int l) override;
  int shutdownSocket(ws::SOCKET s, int how) override;
  int closeSocket(ws::SOCKET s) override;
  int listenSocket(ws::SOCKET s, int backlog) override;
  ws::SOCKET acceptSocket(ws::SOCKET s, ws::sockaddr* a, int* l) override;
  int socketName(ws::SOCKET s, ws::sockaddr* n, int* l) override;
  int asyncSelect(ws::SOCKET s, HWND w, UINT m, long e) override;
  int lastError() override;
  int sendData(ws::SOCKET s, const char* b, int l, int f) override;
  int sendDataTo(ws::SOCKET s, const char* b, int l, int f, const ws::sockaddr* to, int tl) override;
  int receive(ws::SOCKET s, char* b, int l, int f) override;
  int receiveFrom(ws::SOCKET s, char* b, int l, int f, ws::sockaddr* from, int* fl) override;

private:
  // Records the call; true when it is to fail (its code then becomes the last error).
  bool Fails(const std::string& call);

  ws::SocketLayer& m_real = ws::PosixSocketLayer();
  std::vector<std::string> m_calls;
  std::map<std::string, int> m_failures;
  int m_injectedError = 0;
  WORD m_version = 0;
};

}  // namespace test
