// Floods the real dialog (under the offscreen platform) over loopback and reports what it kept up
// with: TCP throughput counted by the dialog against socat into /dev/null, UDP datagrams
// delivered against a plain receiving loop, the lateness of a 10 ms timer in the dialog's loop,
// and peak resident memory. Traffic goes to 127.0.0.1 only; every loop is bounded.
#include "app/SocketTestApp.h"
#include "platform/qt/receive_view.h"
#include "platform/startup.h"
#include "res/resources.h"
#include "tests/harness/dialog_driver.h"
#include "tests/harness/peers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr std::uint64_t kTcpBytes = 1ull << 30;
constexpr int kDatagram = 1400;
constexpr int kDatagrams = 200000;
constexpr int kTickMs = 10;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d)
{
  return std::chrono::duration<double>(d).count();
}

// The dialog as the tests drive it, with a look at what its display shows.
class FloodDlg : public test::TestDlg {
public:
  platform::ReceiveView* View() { return dynamic_cast<platform::ReceiveView*>(W(IDC_RECV_TEXT)); }
  std::string Tail(std::size_t n) const
  {
    return std::string(reinterpret_cast<const char*>(m_recvBuf) + m_nRecvLen - n, n);
  }
};

// Writes kTcpBytes of letters as fast as the socket takes them.
void WriteFlood(int fd)
{
  std::vector<char> block(256 * 1024);
  for (std::size_t i = 0; i < block.size(); ++i)
    block[i] = static_cast<char>('a' + i % 26);
  std::uint64_t left = kTcpBytes;
  while (left > 0) {
    // Starting where the last write ended keeps the alphabet running across writes.
    const auto offset = static_cast<std::size_t>((kTcpBytes - left) % 26);
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size() - 26));
    const ssize_t w = send(fd, block.data() + offset, n, MSG_NOSIGNAL);
    if (w <= 0)
      return;
    left -= static_cast<std::uint64_t>(w);
  }
}

struct Lateness {
  std::vector<double> ms;
  double Percentile(double p)
  {
    if (ms.empty())
      return 0;
    std::sort(ms.begin(), ms.end());
    return ms[std::min(ms.size() - 1, static_cast<std::size_t>(p * static_cast<double>(ms.size())))];
  }
};

// Runs the dialog's loop until done() holds or the limit passes, timing a 10 ms timer meanwhile.
Lateness RunLoop(const std::function<bool()>& done, int limitMs)
{
  Lateness late;
  QEventLoop loop;
  QTimer tick;
  QElapsedTimer clock;
  clock.start();
  qint64 expected = kTickMs;
  QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
    const qint64 now = clock.elapsed();
    late.ms.push_back(static_cast<double>(std::max<qint64>(0, now - expected)));
    expected = now + kTickMs;
    if (done() || now > limitMs)
      loop.quit();
  });
  tick.setTimerType(Qt::PreciseTimer);
  tick.start(kTickMs);
  loop.exec();
  return late;
}

struct TcpResult {
  double bytesPerSecond = 0;
  double p50 = 0;
  double p99 = 0;
  bool complete = false;
  bool endShown = false;
};

TcpResult FloodDialog(bool hex)
{
  FloodDlg dlg;
  test::App().m_pMainWnd = &dlg;
  dlg.Open();
  if (hex)
    dlg.Click(IDC_HEX_RECV);
  int port = 0;
  test::Fd listener = test::TcpListener(&port);
  dlg.OpenChannel(MODE_TCP, test::Ip(127, 0, 0, 1), port);
  TcpResult r;
  if (!dlg.IsOpen())
    return r;
  const test::Fd peer = test::Accept(listener);
  listener = test::Fd();
  const auto start = Clock::now();
  std::thread sender([&peer] { WriteFlood(peer.get()); });
  Lateness late =
      RunLoop([&] { return static_cast<std::uint64_t>(static_cast<unsigned>(dlg.m_nRecvBytes)) >= kTcpBytes; }, 120000);
  const auto end = Clock::now();
  sender.join();
  r.complete = static_cast<std::uint64_t>(static_cast<unsigned>(dlg.m_nRecvBytes)) == kTcpBytes;
  r.bytesPerSecond = static_cast<double>(static_cast<unsigned>(dlg.m_nRecvBytes)) / Seconds(end - start);
  r.p50 = late.Percentile(0.5);
  r.p99 = late.Percentile(0.99);
  // Within a frame of the last chunk the display ends with the buffer's end.
  RunLoop([] { return false; }, 60);
  platform::ReceiveView* view = dlg.View();
  const QString last = view->lineText(view->lineCount() - 1);
  const std::string tail = dlg.Tail(4);
  const QString expectedEnd = hex ? QString::fromLatin1(QByteArray(tail.data(), 4).toHex(' ').toUpper() + ' ')
                                  : QString::fromLatin1(tail.data(), 4);
  r.endShown = view->firstVisibleLine() + view->visibleLineCount() >= view->lineCount() && last.endsWith(expectedEnd);
  if (dlg.IsOpen())
    dlg.Click(IDC_CONNECT);
  test::App().m_pMainWnd = nullptr;
  return r;
}

// The same sender into socat -u TCP-LISTEN:... /dev/null, timed until socat has read it all.
double FloodSocat()
{
  const int port = test::FreeTcpPort();
  const std::string listen = "TCP-LISTEN:" + std::to_string(port) + ",bind=127.0.0.1,reuseaddr";
  const pid_t pid = fork();
  if (pid == 0) {
    execlp("socat", "socat", "-u", listen.c_str(), "/dev/null", static_cast<char*>(nullptr));
    _exit(127);
  }
  test::Fd fd = test::TcpConnectWhenListening(port, 2000);
  if (!fd) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return 0;
  }
  const auto start = Clock::now();
  WriteFlood(fd.get());
  fd = test::Fd();
  int status = 0;
  waitpid(pid, &status, 0);
  return static_cast<double>(kTcpBytes) / Seconds(Clock::now() - start);
}

void SendDatagrams(int toPort)
{
  int port = 0;
  const test::Fd fd = test::UdpSocket(&port);
  const std::string payload(kDatagram, 'u');
  for (int i = 0; i < kDatagrams; ++i)
    test::SendDatagram(fd, payload, toPort);
}

struct UdpResult {
  double delivered = 0;
  double perSecond = 0;
};

UdpResult FloodDialogUdp()
{
  FloodDlg dlg;
  test::App().m_pMainWnd = &dlg;
  dlg.Open();
  const int port = test::FreeUdpPort();
  dlg.SelectMode(MODE_UDP);
  dlg.SetDest(test::Ip(127, 0, 0, 1), 9);
  dlg.SetCheck(IDC_USE_LOCAL_PORT, true);
  dlg.SetText(IDC_LOCAL_PORT, std::to_string(port).c_str());
  dlg.Click(IDC_CONNECT);
  UdpResult r;
  if (!dlg.IsOpen())
    return r;
  const auto start = Clock::now();
  std::thread sender([port] { SendDatagrams(port); });
  std::atomic<bool> sent{false};
  int lastCount = -1;
  auto lastChange = Clock::now();
  auto end = start;
  RunLoop(
      [&] {
        if (dlg.m_nRecvBytes != lastCount) {
          lastCount = dlg.m_nRecvBytes;
          lastChange = end = Clock::now();
        }
        return Clock::now() - lastChange > std::chrono::milliseconds(300) && lastCount > 0;
      },
      60000);
  sender.join();
  const double got = static_cast<double>(dlg.m_nRecvBytes) / kDatagram;
  r.delivered = got / kDatagrams;
  r.perSecond = got / Seconds(end - start);
  dlg.Click(IDC_CONNECT);
  test::App().m_pMainWnd = nullptr;
  return r;
}

UdpResult FloodPlainLoop()
{
  int port = 0;
  const test::Fd socket = test::UdpSocket(&port);
  const int fd = socket.get();
  timeval tv{0, 300000};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  const auto start = Clock::now();
  std::thread sender([port] { SendDatagrams(port); });
  std::vector<char> buf(65536);
  int got = 0;
  auto end = start;
  while (recv(fd, buf.data(), buf.size(), 0) > 0) {
    ++got;
    end = Clock::now();
  }
  sender.join();
  return {static_cast<double>(got) / kDatagrams, got / Seconds(end - start)};
}

double PeakRssMb()
{
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss) / 1024.0;
}

}  // namespace

int main(int argc, char** argv)
{
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qapp(argc, argv);
  platform::InitializeGui();
  AfxSetResourceTable(&LanspryResources());
  QTemporaryDir dir;
  CWinApp& app = test::App();
  app.m_strProfileName = dir.filePath(QStringLiteral("lanspry.ini")).toStdString();
  app.SetDialogBkColor(DIALOG_BK_COLOR, DIALOG_TEXT_COLOR);
  platform::SetMessageBoxHook(
      [](const CString& text) { std::fprintf(stderr, "message box: %s\n", static_cast<LPCTSTR>(text)); });
  ws::WSADATA data{};
  ws::WSAStartup(0x0202, &data);

  // "flood udp" runs the UDP part alone, for profiling.
  const bool udpOnly = argc > 1 && std::string(argv[1]) == "udp";
  const TcpResult text = udpOnly ? TcpResult{} : FloodDialog(false);
  const TcpResult hex = udpOnly ? TcpResult{} : FloodDialog(true);
  const double socat = udpOnly ? 0 : FloodSocat();
  const UdpResult udp = FloodDialogUdp();
  const UdpResult plain = FloodPlainLoop();

  const auto mbps = [](double b) { return b / 1e6; };
  std::printf("| measure | text receive | hex receive |\n|---|---|---|\n");
  std::printf("| TCP counted by the dialog (MB/s) | %.0f | %.0f |\n", mbps(text.bytesPerSecond),
              mbps(hex.bytesPerSecond));
  std::printf("| socat -u into /dev/null, same sender (MB/s) | %.0f | %.0f |\n", mbps(socat), mbps(socat));
  std::printf("| ratio dialog / socat | %.2f | %.2f |\n", socat > 0 ? text.bytesPerSecond / socat : 0,
              socat > 0 ? hex.bytesPerSecond / socat : 0);
  std::printf("| 10 ms timer lateness, median / p99 (ms) | %.1f / %.1f | %.1f / %.1f |\n", text.p50, text.p99, hex.p50,
              hex.p99);
  std::printf("| all 1 GiB counted; end of buffer on screen | %s; %s | %s; %s |\n", text.complete ? "yes" : "NO",
              text.endShown ? "yes" : "NO", hex.complete ? "yes" : "NO", hex.endShown ? "yes" : "NO");
  std::printf("\n| UDP, %d datagrams of %d bytes | dialog | plain receiving loop |\n|---|---|---|\n", kDatagrams,
              kDatagram);
  std::printf("| delivered fraction | %.3f | %.3f |\n", udp.delivered, plain.delivered);
  std::printf("| datagrams per second | %.0f | %.0f |\n", udp.perSecond, plain.perSecond);
  std::printf("\npeak resident memory: %.1f MB\n", PeakRssMb());
  ws::WSACleanup();
  return text.complete && hex.complete ? 0 : 1;
}
