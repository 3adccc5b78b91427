// Test support: the application environment, a dialog opened without its modal loop, loopback
// peers, and a socket layer that records calls and fails chosen ones.
#pragma once

#include "dialog/SocketTestDlg.h"
#include "platform/cwinapp.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace test {

CWinApp& App();
bool WaitFor(const std::function<bool()>& predicate, int timeoutMs = 5000);

// The main dialog with its protected state in reach, shown and initialised as DoModal would.
class TestDlg : public CSocketTestDlg {
public:
  using CSocketTestDlg::m_byLastType;
  using CSocketTestDlg::m_dwDestIP;
  using CSocketTestDlg::m_nRecvLen;
  using CSocketTestDlg::m_recvBuf;
  using CSocketTestDlg::m_socket;
  using CSocketTestDlg::m_strTitle;
  bool RedrawPending() const { return m_bRedrawPending != FALSE; }

  void Open();
  QWidget* W(int nID) const { return GetDlgItem(nID)->widget(); }
  std::string Text(int nID) const;
  void SetText(int nID, const char* text) { GetDlgItem(nID)->SetWindowText(text); }
  void Click(int nID);
  void SetCheck(int nID, bool on);
  void SelectMode(int nIndex);
  void SetDest(DWORD dwIP, int nPort);
  // Selects the mode, enters the destination and presses the toggle.
  void OpenChannel(int nMode, DWORD dwIP, int nPort);
  bool Enabled(int nID) const { return W(nID)->isEnabled(); }
  int Mode() { return static_cast<int>(GetDlgItem(IDC_MODE)->SendMessage(CB_GETCURSEL)); }
  bool IsOpen() { return m_socket != ws::INVALID_SOCKET; }
};

// Each test gets its own settings file and a record of every message box, answered at once.
class DialogTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;
  std::string ProfilePath() const;
  std::unique_ptr<TestDlg> NewDialog();

  QTemporaryDir m_dir;
  std::vector<std::string> m_boxes;
};

constexpr DWORD Ip(unsigned a, unsigned b, unsigned c, unsigned d)
{
  return (a << 24) | (b << 16) | (c << 8) | d;
}

// Loopback peers on POSIX sockets, with bounded waits.
class Fd {
public:
  explicit Fd(int fd = -1) : m_fd(fd) {}
  Fd(Fd&& o) noexcept : m_fd(o.m_fd) { o.m_fd = -1; }
  Fd& operator=(Fd&& o) noexcept;
  ~Fd();
  int get() const { return m_fd; }
  explicit operator bool() const { return m_fd >= 0; }

private:
  int m_fd;
};

Fd TcpListener(int* pPort, const char* address = "127.0.0.1", int backlog = 8);
// A connection to a loopback port, made without waiting for it to be accepted.
Fd TcpConnect(int port);
Fd Accept(const Fd& listener, int timeoutMs = 5000);
Fd UdpSocket(int* pPort, const char* address = "127.0.0.1");
int FreeTcpPort();
int FreeUdpPort();
// Options and the port of a socket, read back with the operating system's own calls.
int MulticastTtl(ws::SOCKET s);
int MulticastLoop(ws::SOCKET s);
int ReceiveTimeoutMs(ws::SOCKET s);
int LocalPort(ws::SOCKET s);
// One non-blocking send; what the socket took, or 0.
std::size_t TrySend(const Fd& s, const std::string& data);
bool SendAll(const Fd& s, const std::string& data);
std::string ReceiveSome(const Fd& s, int timeoutMs = 3000);
std::string ReceiveExactly(const Fd& s, std::size_t n, int timeoutMs = 5000);
// One datagram, or nullopt-like empty with *pGot false on time-out.
std::string ReceiveDatagram(const Fd& s, bool* pGot, int timeoutMs = 3000, int* pFromPort = nullptr);
void SendDatagram(const Fd& s, const std::string& data, int port, const char* address = "127.0.0.1");
void ResetConnection(Fd& s);

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
