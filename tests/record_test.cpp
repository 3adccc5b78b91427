// The traffic record on its own: the ring, how an event reads, the log file and the capture file
// read back by tshark.
#include "dialog/Pcapng.h"
#include "dialog/TrafficLog.h"
#include "dialog/TrafficRecord.h"
#include "dialog/TrafficText.h"
#include "tests/harness/files.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr TRAFFIC_ENDPOINT kLocal{0x7F000001, 5000};
constexpr TRAFFIC_ENDPOINT kPeer{0x7F000002, 9000};

const BYTE* Bytes(const std::string& s)
{
  return reinterpret_cast<const BYTE*>(s.data());
}

std::string Held(const CTrafficRecord& record, int nIndex)
{
  const TRAFFIC_EVENT& e = record.GetEvent(nIndex);
  std::string s(static_cast<std::size_t>(e.nLength), '\0');
  s.resize(static_cast<std::size_t>(record.CopyPayload(e, reinterpret_cast<BYTE*>(s.data()), e.nLength)));
  return s;
}

// Local time is read in a zone given here, not the machine's.
class InZone {
public:
  explicit InZone(const char* tz)
  {
    const char* old = std::getenv("TZ");
    m_old = old ? old : "";
    m_had = old != nullptr;
    ::setenv("TZ", tz, 1);
    ::tzset();
  }
  ~InZone()
  {
    if (m_had)
      ::setenv("TZ", m_old.c_str(), 1);
    else
      ::unsetenv("TZ");
    ::tzset();
  }

private:
  std::string m_old;
  bool m_had;
};

TEST(TrafficRing, HoldsTheNewestEventsAndCountsWhatGaveWay)
{
  CTrafficRecord record;
  for (int i = 0; i < TRAFFIC_RECORD_LIMIT + 5; ++i) {
    const std::string payload = std::to_string(i);
    record.AddData(TRAFFIC_RECEIVED, TRAFFIC_UDP, kLocal, kPeer, Bytes(payload), static_cast<int>(payload.size()));
  }
  ASSERT_EQ(record.GetCount(), TRAFFIC_RECORD_LIMIT);
  EXPECT_EQ(record.GetDropped(), 5u);
  EXPECT_EQ(Held(record, 0), "5");
  EXPECT_EQ(Held(record, TRAFFIC_RECORD_LIMIT - 1), std::to_string(TRAFFIC_RECORD_LIMIT + 4));
  EXPECT_LE(record.GetEvent(0).nTimeMicros, record.GetEvent(TRAFFIC_RECORD_LIMIT - 1).nTimeMicros);

  const auto serial = record.GetSerial();
  record.Clear();
  EXPECT_EQ(record.GetCount(), 0);
  EXPECT_EQ(record.GetDropped(), 0u);
  EXPECT_GT(record.GetSerial(), serial);
  record.AddEvent(TRAFFIC_OPENED, TRAFFIC_TCP, kLocal, kPeer);
  ASSERT_EQ(record.GetCount(), 1);
  EXPECT_EQ(record.GetEvent(0).kind, TRAFFIC_OPENED);
}

// A clock the test moves: a second passes with every call, or none while frozen.
std::int64_t g_fakeNow = 0;
bool g_secondPerCall = true;
std::int64_t FakeClock()
{
  if (g_secondPerCall)
    g_fakeNow += 1000000;
  return g_fakeNow;
}

TEST(TrafficRing, OldPayloadsGiveWayWhenTheBytesWrapAndNewOnesStayWhole)
{
  g_secondPerCall = true;
  CTrafficRecord record(FakeClock);
  // Chunks of an odd size, so one of them straddles the end of the byte budget; each in a second
  // of its own, so every byte is kept.
  const int nChunk = 65521;
  const int nChunks = TRAFFIC_PAYLOAD_BUDGET / nChunk + 40;
  for (int i = 0; i < nChunks; ++i) {
    const std::string payload(static_cast<std::size_t>(nChunk), static_cast<char>('a' + i % 26));
    record.AddData(TRAFFIC_SENT, TRAFFIC_TCP, kLocal, kPeer, Bytes(payload), nChunk);
  }
  ASSERT_EQ(record.GetCount(), nChunks);
  EXPECT_EQ(record.HeldPayload(record.GetEvent(0)), 0);
  EXPECT_EQ(record.GetEvent(0).nLength, nChunk);
  int nHeld = 0;
  for (int i = 0; i < nChunks; ++i) {
    const std::string held = Held(record, i);
    if (held.empty())
      continue;
    ++nHeld;
    EXPECT_EQ(held, std::string(static_cast<std::size_t>(nChunk), static_cast<char>('a' + i % 26))) << i;
  }
  EXPECT_EQ(nHeld, TRAFFIC_PAYLOAD_BUDGET / nChunk);
}

// Within one second, chunks are kept whole up to the allowance and cut to their first bytes past
// it; the next second keeps them whole again. Lengths stay true throughout.
TEST(TrafficRing, AFloodKeepsEachChunksFirstBytesOnly)
{
  g_secondPerCall = false;
  g_fakeNow = 5000000;
  CTrafficRecord record(FakeClock);
  const std::string chunk(1000, 'f');
  const int nWhole = TRAFFIC_WHOLE_PER_SECOND / 1000;
  for (int i = 0; i < nWhole + 10; ++i)
    record.AddData(TRAFFIC_RECEIVED, TRAFFIC_UDP, kLocal, kPeer, Bytes(chunk), 1000);
  EXPECT_EQ(Held(record, nWhole - 1), chunk);
  EXPECT_EQ(Held(record, nWhole), chunk.substr(0, TRAFFIC_FLOOD_SNAP));
  EXPECT_EQ(record.GetEvent(nWhole + 9).nLength, 1000);
  EXPECT_EQ(record.GetEvent(nWhole + 9).nStored, TRAFFIC_FLOOD_SNAP);
  g_fakeNow += 1000000;
  record.AddData(TRAFFIC_RECEIVED, TRAFFIC_UDP, kLocal, kPeer, Bytes(chunk), 1000);
  EXPECT_EQ(Held(record, record.GetCount() - 1), chunk);
  g_secondPerCall = true;
}

struct RowCase {
  const char* what;
  TRAFFIC_EVENT event;
  std::string payload;
  std::string columns[TRAFFIC_COLUMNS];
};

std::string Repeated(const std::string& s, int n)
{
  std::string out;
  for (int i = 0; i < n; ++i)
    out += s;
  return out;
}

TEST(TrafficText, ARowReadsAsItsEvent)
{
  const InZone zone("UTC");
  // 2026-12-08 07:45:10.345678 UTC
  const std::int64_t t = 1796715910LL * 1000000 + 345678;
  const std::string thirty = "0123456789abcdefghijklmnopqrst";
  const RowCase rows[] = {
      {"a datagram",
       {t, TRAFFIC_RECEIVED, TRAFFIC_UDP, kLocal, kPeer, 3, 0, 0, 0},
       "hi\x01",
       {"07:45:10.345", "收", "127.0.0.2:9000", "3", "68 69 01", "hi."}},
      {"a long chunk",
       {t, TRAFFIC_SENT, TRAFFIC_TCP, kLocal, kPeer, 30, 0, 0, 0},
       thirty,
       {"07:45:10.345", "发", "127.0.0.2:9000", "30",
        "30 31 32 33 34 35 36 37 38 39 61 62 63 64 65 66 67 68 69 6A 6B 6C 6D 6E 6F 70 71 72 73 74",
        "0123456789abcdefghijklmnopqrst"}},
      {"a chunk longer than a row shows",
       {t, TRAFFIC_RECEIVED, TRAFFIC_UDP, kLocal, kPeer, 100, 0, 0, 0},
       std::string(100, 'A'),
       {"07:45:10.345", "收", "127.0.0.2:9000", "100", Repeated("41 ", 64) + "...", std::string(96, 'A') + "..."}},
      {"UTF-8 text, decoded as the receive display decodes it",
       {t, TRAFFIC_RECEIVED, TRAFFIC_UDP, kLocal, kPeer, 11, 0, 0, 0},
       "\xE6\xB8\xA9\xE5\xBA\xA6 21\r\n",
       {"07:45:10.345", "收", "127.0.0.2:9000", "11", "E6 B8 A9 E5 BA A6 20 32 31 0D 0A",
        "\xE6\xB8\xA9\xE5\xBA\xA6 21.."}},
      {"a failed send",
       {t, TRAFFIC_SEND_FAILED, TRAFFIC_TCP, kLocal, kPeer, 5, 0, 10054, 0},
       "",
       {"07:45:10.345", "发送失败", "127.0.0.2:9000", "", "", "[10054]WSAECONNRESET, 5 字节未发出"}},
      {"an unknown error",
       {t, TRAFFIC_SEND_FAILED, TRAFFIC_UDP, kLocal, kPeer, 1, 0, 12345, 0},
       "",
       {"07:45:10.345", "发送失败", "127.0.0.2:9000", "", "", "[12345]未知错误, 1 字节未发出"}},
      {"a listener opened",
       {t, TRAFFIC_OPENED, TRAFFIC_TCP, {0, 502}, {0, 0}, 0, 0, 0, 0},
       "",
       {"07:45:10.345", "打开", "", "", "", "TCP 本地 0.0.0.0:502"}},
      {"a channel closed",
       {t, TRAFFIC_CLOSED, TRAFFIC_UDP, kLocal, kPeer, 0, 0, 0, 0},
       "",
       {"07:45:10.345", "关闭", "127.0.0.2:9000", "", "", "UDP 本地 127.0.0.1:5000"}},
      {"a client refused",
       {t, TRAFFIC_CLIENT_REFUSED, TRAFFIC_TCP, kLocal, kPeer, 0, 0, 0, 0},
       "",
       {"07:45:10.345", "客户端被拒绝", "127.0.0.2:9000", "", "", "TCP 本地 127.0.0.1:5000"}},
      {"the top of the ranges",
       {t + 654000, TRAFFIC_RECEIVED, TRAFFIC_UDP, {0xFFFFFFFF, 65535}, {0xFFFFFFFF, 65535}, 0, 0, 0, 0},
       "",
       {"07:45:10.999", "收", "255.255.255.255:65535", "0", "", ""}},
  };
  for (const RowCase& row : rows) {
    for (int c = 0; c < TRAFFIC_COLUMNS; ++c) {
      const CString text = TrafficColumnText(row.event, Bytes(row.payload), static_cast<int>(row.payload.size()), c);
      EXPECT_EQ(text.str(), row.columns[c]) << row.what << ", column " << c;
    }
  }
}

TEST(TrafficText, ALogLineCarriesTheWholePayloadAndTheZone)
{
  const std::string payload = std::string("\tA\r\n\x7F\x80", 6) + std::string(40, 'z');
  // A second of its own for each zone: the zone is read once a second, as it does not change under
  // a running program.
  struct ZoneCase {
    const char* tz;
    std::int64_t nSecond;
    const char* stamp;
  } zones[] = {{"UTC", 1796715912, "2026-12-08T07:45:12.005+00:00"},
               {"CST-8", 1796715913, "2026-12-08T15:45:13.005+08:00"},
               {"NST+3:30", 1796715914, "2026-12-08T04:15:14.005-03:30"}};
  for (const ZoneCase& z : zones) {
    const InZone zone(z.tz);
    const std::int64_t t = z.nSecond * 1000000 + 5000;
    const TRAFFIC_EVENT data{t, TRAFFIC_RECEIVED, TRAFFIC_UDP, kLocal, kPeer, static_cast<int>(payload.size()), 0, 0,
                             0};
    const TRAFFIC_EVENT failed{t, TRAFFIC_SEND_FAILED, TRAFFIC_TCP, kLocal, kPeer, 2, 0, 10035, 0};
    std::string line;
    AppendTrafficLogLine(line, data, Bytes(payload));
    std::string hex = "09 41 0D 0A 7F 80";
    for (int i = 0; i < 40; ++i)
      hex += " 7A";
    EXPECT_EQ(line,
              std::string(z.stamp) + "\t收\t127.0.0.2:9000\t46\t" + hex + "\t.A...." + std::string(40, 'z') + "\n");
    line.clear();
    AppendTrafficLogLine(line, failed, nullptr);
    EXPECT_EQ(line, std::string(z.stamp) + "\t发送失败\t127.0.0.2:9000\t0\t\t[10035]WSAEWOULDBLOCK, 2 字节未发出\n");
  }
}

class TrafficFiles : public ::testing::Test {
protected:
  std::string Path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)).toStdString(); }
  QTemporaryDir m_dir;
};

TEST_F(TrafficFiles, TheLogAppendsEveryEventAndNeverEmptiesAFile)
{
  const std::string path = Path("traffic.log");
  test::WriteBytes(path, "earlier line\n");
  CTrafficRecord record;
  CTrafficLog log;
  ASSERT_TRUE(log.Start(path.c_str()));
  record.SetSink(&log);
  for (int i = 0; i < 3000; ++i) {
    const std::string payload = "datagram " + std::to_string(i);
    record.AddData(TRAFFIC_RECEIVED, TRAFFIC_UDP, kLocal, kPeer, Bytes(payload), static_cast<int>(payload.size()));
  }
  record.AddEvent(TRAFFIC_CLOSED, TRAFFIC_UDP, kLocal, kPeer);
  log.Stop();
  EXPECT_EQ(log.GetLines(), 3001u);
  EXPECT_FALSE(log.HasFailed());
  const std::string text = test::ReadBytes(path);
  ASSERT_EQ(text.rfind("earlier line\n", 0), 0u);
  std::size_t nLines = 0;
  for (char c : text)
    nLines += c == '\n';
  EXPECT_EQ(nLines, 3002u);
  // The last datagram's payload, in hex, then as text.
  EXPECT_NE(text.find("\t64 61 74 61 67 72 61 6D 20 32 39 39 39\tdatagram 2999\n"), std::string::npos);

  EXPECT_FALSE(log.Start(Path("no such folder/traffic.log").c_str()));
  EXPECT_EQ(log.GetLastError(), ENOENT);
  EXPECT_FALSE(log.IsLogging());
}

// A file that stops growing part way (a size limit, as a full disk would): logging stops with the
// error, the handler runs once, the program lives on, and the file ends with the last whole line,
// as many as the log says it wrote.
TEST_F(TrafficFiles, AWriteThatFailsPartWayStopsTheLogWithItsError)
{
  const std::string path = Path("limited.log");
  const pid_t pid = fork();
  if (pid == 0) {
    const rlimit limit{100000, 100000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    CTrafficRecord record;
    CTrafficLog log;
    int nFailures = 0;
    log.SetFailureHandler([](void* p) { ++*static_cast<int*>(p); }, &nFailures);
    if (!log.Start(path.c_str()))
      _exit(10);
    record.SetSink(&log);
    const std::string payload(200, 'p');
    for (int i = 0; i < 5000; ++i)
      record.AddData(TRAFFIC_SENT, TRAFFIC_UDP, kLocal, kPeer, Bytes(payload), 200);
    log.Flush();
    const std::string text = test::ReadBytes(path);
    const auto nLinesInFile = static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n'));
    const bool ok = !log.IsLogging() && log.HasFailed() && log.GetLastError() == EFBIG && nFailures == 1 &&
                    log.GetLines() + log.GetLostLines() <= 5000 && log.GetLostLines() > 0 &&
                    log.GetLines() == nLinesInFile;
    _exit(ok ? 0 : 11);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "the child died of signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  const std::string text = test::ReadBytes(path);
  EXPECT_GT(text.size(), 99000u);
  EXPECT_LE(text.size(), 100000u);
  EXPECT_EQ(text.back(), '\n') << "no piece of a line at the end";
}

// tshark's fields for every packet of a capture, one line each.
std::vector<std::string> Tshark(const std::string& args)
{
  std::vector<std::string> lines;
  FILE* p = ::popen(("tshark " + args + " 2>/dev/null").c_str(), "r");
  if (!p)
    return lines;
  char buf[1 << 16];
  while (std::fgets(buf, sizeof buf, p)) {
    std::string line(buf);
    if (!line.empty() && line.back() == '\n')
      line.pop_back();
    lines.push_back(line);
  }
  ::pclose(p);
  return lines;
}

std::string Hex(const std::string& s)
{
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) {
    out += digits[c >> 4];
    out += digits[c & 0xF];
  }
  return out;
}

TEST_F(TrafficFiles, TheCaptureOpensInTsharkWithEveryByteAndTheStreamInOrder)
{
  if (std::system("tshark -v >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "tshark is not installed (Debian package tshark); run 'make deps'";
  CTrafficRecord record;
  const TRAFFIC_ENDPOINT udpLocal{0x7F000001, 40000};
  const TRAFFIC_ENDPOINT udpPeer{0x7F000002, 40001};
  record.AddEvent(TRAFFIC_OPENED, TRAFFIC_UDP, udpLocal, udpPeer);
  const std::string ping = "ping \x00\xFF";
  const std::string pong = "pong";
  record.AddData(TRAFFIC_SENT, TRAFFIC_UDP, udpLocal, udpPeer, Bytes(ping), static_cast<int>(ping.size()));
  record.AddData(TRAFFIC_RECEIVED, TRAFFIC_UDP, udpLocal, udpPeer, Bytes(pong), 4);

  // A TCP client, with a chunk too large for one packet, then a Modbus device served on 502.
  const TRAFFIC_ENDPOINT tcpLocal{0x7F000001, 41000};
  const TRAFFIC_ENDPOINT tcpPeer{0x7F000001, 7};
  record.AddEvent(TRAFFIC_OPENED, TRAFFIC_TCP, tcpLocal, tcpPeer);
  std::string big(70000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i)
    big[i] = static_cast<char>(i * 7 + i / 256);
  const std::string answer = "answer";
  record.AddData(TRAFFIC_SENT, TRAFFIC_TCP, tcpLocal, tcpPeer, Bytes("hello "), 6);
  record.AddData(TRAFFIC_SENT, TRAFFIC_TCP, tcpLocal, tcpPeer, Bytes(big), static_cast<int>(big.size()));
  record.AddData(TRAFFIC_RECEIVED, TRAFFIC_TCP, tcpLocal, tcpPeer, Bytes(answer), 6);
  record.AddEvent(TRAFFIC_CLOSED, TRAFFIC_TCP, tcpLocal, tcpPeer);

  const TRAFFIC_ENDPOINT server{0x7F000001, 502};
  const TRAFFIC_ENDPOINT device{0x7F000003, 42000};
  record.AddEvent(TRAFFIC_CLIENT_CONNECTED, TRAFFIC_TCP, server, device);
  // Read holding registers: transaction 0x0102, unit 1, function 3, address 0, count 2.
  const std::string request("\x01\x02\x00\x00\x00\x06\x01\x03\x00\x00\x00\x02", 12);
  record.AddData(TRAFFIC_RECEIVED, TRAFFIC_TCP, server, device, Bytes(request), 12);
  record.AddEvent(TRAFFIC_SEND_FAILED, TRAFFIC_TCP, server, device, 10054, 3);

  const std::string path = Path("capture.pcapng");
  CFile file;
  ASSERT_TRUE(file.Open(path.c_str(), CFile::modeWrite | CFile::modeCreate));
  ASSERT_TRUE(WritePcapng(record, file));
  ASSERT_TRUE(file.Close());

  const std::vector<std::string> udp =
      Tshark("-r " + path + " -Y udp -T fields -e ip.src -e udp.srcport -e ip.dst -e udp.dstport -e data");
  ASSERT_EQ(udp, (std::vector<std::string>{"127.0.0.1\t40000\t127.0.0.2\t40001\t" + Hex(ping),
                                           "127.0.0.2\t40001\t127.0.0.1\t40000\t" + Hex(pong)}));

  // The first TCP stream, each direction's bytes in order, as tshark reassembles them.
  const std::vector<std::string> follow = Tshark("-r " + path + " -q -z follow,tcp,raw,0");
  std::string sent;
  std::string received;
  for (const std::string& line : follow) {
    if (line.empty() || line.find_first_not_of("0123456789abcdef\t") != std::string::npos)
      continue;
    (line[0] == '\t' ? received : sent) += line.substr(line[0] == '\t' ? 1 : 0);
  }
  EXPECT_EQ(sent, Hex("hello " + big));
  EXPECT_EQ(received, Hex(answer));
  const std::vector<std::string> ends = Tshark(
      "-r " + path + " -Y \"tcp.stream==0 && tcp.len>0\" -T fields -e ip.src -e tcp.srcport -e ip.dst -e tcp.dstport");
  ASSERT_EQ(ends.size(), 4u);
  EXPECT_EQ(ends.front(), "127.0.0.1\t41000\t127.0.0.1\t7");
  EXPECT_EQ(ends.back(), "127.0.0.1\t7\t127.0.0.1\t41000");
  EXPECT_TRUE(Tshark("-r " + path + " -Y \"tcp.analysis.flags && !tcp.analysis.window_update\"").empty());

  const std::vector<std::string> modbus =
      Tshark("-r " + path + " -Y mbtcp -T fields -e ip.src -e mbtcp.trans_id -e mbtcp.unit_id -e modbus.func_code");
  EXPECT_EQ(modbus, (std::vector<std::string>{"127.0.0.3\t258\t1\t3"}));
}

// The capture of a filtered record holds only the rows shown, and a TCP stream of some of its
// chunks still reads in tshark as a whole stream with nothing missing.
TEST_F(TrafficFiles, ACaptureOfFilteredRowsHoldsThemAlone)
{
  if (std::system("tshark -v >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "tshark is not installed (Debian package tshark); run 'make deps'";
  CTrafficRecord record;
  const TRAFFIC_ENDPOINT local{0x7F000001, 41000};
  const TRAFFIC_ENDPOINT peer{0x7F000001, 7};
  record.AddEvent(TRAFFIC_OPENED, TRAFFIC_TCP, local, peer);
  record.AddData(TRAFFIC_SENT, TRAFFIC_TCP, local, peer, Bytes("ask 1"), 5);
  record.AddData(TRAFFIC_RECEIVED, TRAFFIC_TCP, local, peer, Bytes("answer 1"), 8);
  record.AddData(TRAFFIC_SENT, TRAFFIC_TCP, local, peer, Bytes("ask 2"), 5);
  record.AddData(TRAFFIC_RECEIVED, TRAFFIC_TCP, local, peer, Bytes("answer 2"), 8);
  TRAFFIC_FILTER filter;
  filter.nDirection = TRAFFIC_DIR_RECEIVED;
  CTrafficRows rows;
  rows.SetFilter(filter);
  rows.Update(record);

  const std::string path = Path("filtered.pcapng");
  CFile file;
  ASSERT_TRUE(file.Open(path.c_str(), CFile::modeWrite | CFile::modeCreate));
  ASSERT_TRUE(WritePcapng(record, file, &rows));
  ASSERT_TRUE(file.Close());
  EXPECT_EQ(Tshark("-r " + path + " -Y \"tcp.len>0\" -T fields -e tcp.srcport -e tcp.payload"),
            (std::vector<std::string>{"7\t" + Hex("answer 1"), "7\t" + Hex("answer 2")}));
  EXPECT_TRUE(Tshark("-r " + path + " -Y \"tcp.analysis.flags && !tcp.analysis.window_update\"").empty());
}

}  // namespace
