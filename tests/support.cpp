#include "tests/support.h"

#include "platform/socket_descriptor.h"
#include "res/resources.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace test {

CWinApp& App()
{
  static CWinApp app("Lanspry");
  return app;
}

// A real event loop, as the dialog runs in, checking the predicate every millisecond.
bool WaitFor(const std::function<bool()>& predicate, int timeoutMs)
{
  if (predicate())
    return true;
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (predicate())
      loop.quit();
  });
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  poll.start(1);
  loop.exec();
  return predicate();
}

void TestDlg::Open()
{
  ASSERT_TRUE(createIndirect());
  OnInitDialog();
  widget()->show();
  QApplication::setActiveWindow(widget());
}

std::string TestDlg::Text(int nID) const
{
  CString s;
  GetDlgItem(nID)->GetWindowText(s);
  return s.str();
}

void TestDlg::Click(int nID)
{
  qobject_cast<QAbstractButton*>(W(nID))->click();
}

void TestDlg::SetCheck(int nID, bool on)
{
  if (qobject_cast<QAbstractButton*>(W(nID))->isChecked() != on)
    Click(nID);
}

void TestDlg::SelectMode(int nIndex)
{
  auto* combo = qobject_cast<QComboBox*>(W(IDC_MODE));
  combo->setCurrentIndex(nIndex);
  Q_EMIT combo->activated(nIndex);
}

void TestDlg::SetDest(DWORD dwIP, int nPort)
{
  GetDlgItem(IDC_DEST_IP)->SendMessage(IPM_SETADDRESS, 0, static_cast<LPARAM>(dwIP));
  CString port;
  port.Format("%d", nPort);
  SetText(IDC_DEST_PORT, port);
}

void TestDlg::OpenChannel(int nMode, DWORD dwIP, int nPort)
{
  SelectMode(nMode);
  SetDest(dwIP, nPort);
  Click(IDC_CONNECT);
}

void DialogTest::SetUp()
{
  ASSERT_TRUE(m_dir.isValid());
  App().m_strProfileName = ProfilePath();
  m_boxes.clear();
  platform::SetMessageBoxHook([this](const CString& text) { m_boxes.push_back(text.str()); });
}

void DialogTest::TearDown()
{
  platform::SetMessageBoxHook({});
  App().m_pMainWnd = nullptr;
}

std::string DialogTest::ProfilePath() const
{
  return m_dir.filePath(QStringLiteral("lanspry.ini")).toStdString();
}

std::unique_ptr<TestDlg> DialogTest::NewDialog()
{
  auto dlg = std::make_unique<TestDlg>();
  App().m_pMainWnd = dlg.get();
  dlg->Open();
  return dlg;
}

Fd& Fd::operator=(Fd&& o) noexcept
{
  if (this != &o) {
    if (m_fd >= 0)
      ::close(m_fd);
    m_fd = o.m_fd;
    o.m_fd = -1;
  }
  return *this;
}

Fd::~Fd()
{
  if (m_fd >= 0)
    ::close(m_fd);
}

namespace {

sockaddr_in Address(const char* address, int port)
{
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  ::inet_pton(AF_INET, address, &a.sin_addr);
  return a;
}

int BoundPort(int fd)
{
  sockaddr_in a{};
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  return ntohs(a.sin_port);
}

bool Readable(int fd, int timeoutMs)
{
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, timeoutMs) > 0;
}

}  // namespace

Fd TcpListener(int* pPort, const char* address, int backlog)
{
  Fd s(::socket(AF_INET, SOCK_STREAM, 0));
  const int one = 1;
  ::setsockopt(s.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a = Address(address, *pPort);
  if (::bind(s.get(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(s.get(), backlog) != 0)
    return Fd();
  *pPort = BoundPort(s.get());
  return s;
}

Fd TcpConnect(int port)
{
  Fd s(::socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in a = Address("127.0.0.1", port);
  ::connect(s.get(), reinterpret_cast<sockaddr*>(&a), sizeof a);
  return s;
}

Fd Accept(const Fd& listener, int timeoutMs)
{
  if (!WaitFor([&] { return Readable(listener.get(), 0); }, timeoutMs))
    return Fd();
  return Fd(::accept(listener.get(), nullptr, nullptr));
}

Fd UdpSocket(int* pPort, const char* address)
{
  Fd s(::socket(AF_INET, SOCK_DGRAM, 0));
  sockaddr_in a = Address(address, *pPort);
  if (::bind(s.get(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
    return Fd();
  *pPort = BoundPort(s.get());
  return s;
}

namespace {
int FreePort(int type)
{
  Fd s(::socket(AF_INET, type, 0));
  sockaddr_in a = Address("127.0.0.1", 0);
  ::bind(s.get(), reinterpret_cast<sockaddr*>(&a), sizeof a);
  return BoundPort(s.get());
}

int IntOption(ws::SOCKET s, int level, int name)
{
  int value = 0;
  socklen_t len = sizeof value;
  ::getsockopt(platform::SocketDescriptor(s), level, name, &value, &len);
  return value;
}
}  // namespace

int FreeTcpPort()
{
  return FreePort(SOCK_STREAM);
}

int FreeUdpPort()
{
  return FreePort(SOCK_DGRAM);
}

int MulticastTtl(ws::SOCKET s)
{
  return IntOption(s, IPPROTO_IP, IP_MULTICAST_TTL);
}

int MulticastLoop(ws::SOCKET s)
{
  return IntOption(s, IPPROTO_IP, IP_MULTICAST_LOOP);
}

int ReceiveTimeoutMs(ws::SOCKET s)
{
  timeval tv{};
  socklen_t len = sizeof tv;
  ::getsockopt(platform::SocketDescriptor(s), SOL_SOCKET, SO_RCVTIMEO, &tv, &len);
  return static_cast<int>(tv.tv_sec * 1000 + tv.tv_usec / 1000);
}

int LocalPort(ws::SOCKET s)
{
  return BoundPort(platform::SocketDescriptor(s));
}

std::size_t TrySend(const Fd& s, const std::string& data)
{
  const ssize_t n = ::send(s.get(), data.data(), data.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

bool SendAll(const Fd& s, const std::string& data)
{
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::send(s.get(), data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string ReceiveSome(const Fd& s, int timeoutMs)
{
  if (!WaitFor([&] { return Readable(s.get(), 0); }, timeoutMs))
    return {};
  char buf[65536];
  const ssize_t n = ::recv(s.get(), buf, sizeof buf, MSG_DONTWAIT);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

std::string ReceiveExactly(const Fd& s, std::size_t n, int timeoutMs)
{
  std::string out;
  WaitFor([&] {
    while (Readable(s.get(), 0)) {
      const std::string part = ReceiveSome(s, 0);
      if (part.empty())
        return true;
      out += part;
    }
    return out.size() >= n;
  }, timeoutMs);
  return out;
}

std::string ReceiveDatagram(const Fd& s, bool* pGot, int timeoutMs, int* pFromPort)
{
  *pGot = false;
  if (!WaitFor([&] { return Readable(s.get(), 0); }, timeoutMs))
    return {};
  char buf[65536];
  sockaddr_in from{};
  socklen_t len = sizeof from;
  const ssize_t n = ::recvfrom(s.get(), buf, sizeof buf, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &len);
  if (n < 0)
    return {};
  *pGot = true;
  if (pFromPort)
    *pFromPort = ntohs(from.sin_port);
  return std::string(buf, static_cast<std::size_t>(n));
}

void SendDatagram(const Fd& s, const std::string& data, int port, const char* address)
{
  sockaddr_in a = Address(address, port);
  ::sendto(s.get(), data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
}

void ResetConnection(Fd& s)
{
  linger l{1, 0};
  ::setsockopt(s.get(), SOL_SOCKET, SO_LINGER, &l, sizeof l);
  s = Fd();
}

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
