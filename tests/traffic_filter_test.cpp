// The record window's filter and detail over a record filled here: what each field lets through,
// how the rows follow a record that fills, wraps and is cleared, finding the next match, and the
// whole event as the detail shows it.
#include "codec/textcodec.h"
#include "dialog/TrafficFilter.h"
#include "dialog/TrafficText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr TRAFFIC_ENDPOINT kLocal{0x7F000001, 5000};
constexpr TRAFFIC_ENDPOINT kDevice{0x7F000002, 502};
constexpr TRAFFIC_ENDPOINT kOther{0x7F000002, 9000};
constexpr TRAFFIC_ENDPOINT kThird{0x7F000003, 502};

std::int64_t g_now = 0;
std::int64_t NextSecond()
{
  return g_now += 1000000;
}

void AddData(CTrafficRecord& record, TRAFFIC_KIND kind, const TRAFFIC_ENDPOINT& peer, const std::string& bytes)
{
  record.AddData(kind, TRAFFIC_TCP, kLocal, peer, reinterpret_cast<const BYTE*>(bytes.data()),
                 static_cast<int>(bytes.size()));
}

// Ten events: the channel's, three peers' chunks each way, a failed send.
void Fill(CTrafficRecord& record)
{
  record.AddEvent(TRAFFIC_OPENED, TRAFFIC_TCP, kLocal, {});
  record.AddEvent(TRAFFIC_CLIENT_CONNECTED, TRAFFIC_TCP, kLocal, kDevice);
  AddData(record, TRAFFIC_RECEIVED, kDevice, "READ ALL\r\n");                  // 2
  AddData(record, TRAFFIC_SENT, kDevice, std::string("\x01\x03\x00\x10", 4));  // 3
  AddData(record, TRAFFIC_RECEIVED, kOther, "status ok");                      // 4
  AddData(record, TRAFFIC_SENT, kOther, "READ");                               // 5
  AddData(record, TRAFFIC_RECEIVED, kThird, "\xE6\xB8\xA9\xE5\xBA\xA6 21");    // 6: 温度 21
  AddData(record, TRAFFIC_RECEIVED, kDevice, " ALL");                          // 7
  record.AddEvent(TRAFFIC_SEND_FAILED, TRAFFIC_TCP, kLocal, kDevice, 10054, 3);
  record.AddEvent(TRAFFIC_CLIENT_CLOSED, TRAFFIC_TCP, kLocal, kDevice);
}

std::vector<std::uint64_t> Shown(CTrafficRows& rows)
{
  std::vector<std::uint64_t> numbers;
  for (int i = 0; i < rows.GetCount(); ++i)
    numbers.push_back(rows.GetNumber(i));
  return numbers;
}

struct FilterCase {
  const char* what;
  int nDirection;
  const char* pszPeer;
  const char* pszContent;
  BOOL bHex;
  std::vector<std::uint64_t> shown;
};

TEST(TrafficFilter, EachFieldLetsThroughItsEvents)
{
  CTrafficRecord record(NextSecond);
  Fill(record);
  const FilterCase cases[] = {
      {"no filter", TRAFFIC_DIR_ALL, "", "", FALSE, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {"received", TRAFFIC_DIR_RECEIVED, "", "", FALSE, {2, 4, 6, 7}},
      {"sent, a failed send with it", TRAFFIC_DIR_SENT, "", "", FALSE, {3, 5, 8}},
      {"events, a failed send with them", TRAFFIC_DIR_EVENTS, "", "", FALSE, {0, 1, 8, 9}},
      {"a peer's address, any port", TRAFFIC_DIR_ALL, "127.0.0.2", "", FALSE, {1, 2, 3, 4, 5, 7, 8, 9}},
      {"a peer's address and port", TRAFFIC_DIR_ALL, " 127.0.0.2:9000 ", "", FALSE, {4, 5}},
      {"a peer that sent nothing", TRAFFIC_DIR_ALL, "127.0.0.9", "", FALSE, {}},
      {"text anywhere in a chunk", TRAFFIC_DIR_ALL, "", "READ", FALSE, {2, 5}},
      {"text is matched as bytes, case and all", TRAFFIC_DIR_ALL, "", "read", FALSE, {}},
      {"Chinese text as the display decodes it", TRAFFIC_DIR_ALL, "", "\xE6\xB8\xA9\xE5\xBA\xA6", FALSE, {6}},
      {"a match across two chunks is none", TRAFFIC_DIR_ALL, "", "READ ALL\r\n ALL", FALSE, {}},
      {"hex bytes", TRAFFIC_DIR_ALL, "", "03 00", TRUE, {3}},
      {"hex in pairs without spaces", TRAFFIC_DIR_ALL, "", "0D0A", TRUE, {2}},
      {"hex across chunks is none", TRAFFIC_DIR_ALL, "", "0D 0A 20 41", TRUE, {}},
      {"every field at once", TRAFFIC_DIR_RECEIVED, "127.0.0.2:502", "ALL", FALSE, {2, 7}},
  };
  for (const FilterCase& c : cases) {
    TRAFFIC_FILTER filter;
    filter.nDirection = c.nDirection;
    ASSERT_TRUE(ParsePeerFilter(c.pszPeer, filter)) << c.what;
    ASSERT_TRUE(ParseContentFilter(c.pszContent, c.bHex, ENCODING_UTF8, filter.content)) << c.what;
    CTrafficRows rows;
    rows.SetFilter(filter);
    rows.Update(record);
    EXPECT_EQ(Shown(rows), c.shown) << c.what;
    EXPECT_EQ(rows.IsFiltering(), c.nDirection != TRAFFIC_DIR_ALL || *c.pszPeer || *c.pszContent) << c.what;
  }
}

TEST(TrafficFilter, FieldsThatCannotBeReadAreRefused)
{
  const char* badPeers[] = {"127.0.0",     "127.0.0.1.5", "256.0.0.1",     "127.0.0.1:", "127.0.0.1:65536",
                            "127.0.0.1:0", "localhost",   "127.0.0.1:80x", "1..2.3"};
  for (const char* psz : badPeers) {
    TRAFFIC_FILTER filter;
    EXPECT_FALSE(ParsePeerFilter(psz, filter)) << psz;
    EXPECT_FALSE(filter.bPeer) << psz;
  }
  const char* badHex[] = {"0", "4G", "41 4", "414", "0x41"};
  for (const char* psz : badHex) {
    std::string bytes;
    EXPECT_FALSE(ParseContentFilter(psz, TRUE, ENCODING_UTF8, bytes)) << psz;
  }
  std::string bytes;
  EXPECT_TRUE(ParseContentFilter("41,42:43-44", TRUE, ENCODING_UTF8, bytes));
  EXPECT_EQ(bytes, "ABCD");
}

// A GBK device's text is searched in its own bytes.
TEST(TrafficFilter, TextIsLookedForInTheDisplaysEncoding)
{
  const std::string chinese = "\xE6\xB8\xA9\xE5\xBA\xA6 \xE2\x82\xAC \xF0\x9F\x98\x80";  // 温度 € 😀
  std::string gb;
  EncodeText(chinese, ENCODING_GB18030, gb);
  EXPECT_EQ(gb.substr(0, 4), "\xCE\xC2\xB6\xC8");
  std::string back;
  DecodeText(reinterpret_cast<const BYTE*>(gb.data()), static_cast<int>(gb.size()), ENCODING_GB18030, CONTROLS_RAW,
             true, back);
  EXPECT_EQ(back, chinese);

  CTrafficRecord record(NextSecond);
  AddData(record, TRAFFIC_RECEIVED, kDevice, "T=" + gb.substr(0, 4));
  AddData(record, TRAFFIC_RECEIVED, kDevice, "T=" + chinese.substr(0, 6));
  TRAFFIC_FILTER filter;
  ASSERT_TRUE(ParseContentFilter("\xE6\xB8\xA9\xE5\xBA\xA6", FALSE, ENCODING_GB18030, filter.content));
  CTrafficRows rows;
  rows.SetFilter(filter);
  rows.Update(record);
  EXPECT_EQ(Shown(rows), (std::vector<std::uint64_t>{0}));
}

// New events join the rows as they come; those that give way leave from the front, however the
// record wraps; a Clear leaves none.
TEST(TrafficFilter, TheRowsFollowTheRecord)
{
  CTrafficRecord record(NextSecond);
  TRAFFIC_FILTER filter;
  filter.nDirection = TRAFFIC_DIR_RECEIVED;
  CTrafficRows rows;
  rows.SetFilter(filter);
  for (int i = 0; i < TRAFFIC_RECORD_LIMIT; ++i)
    AddData(record, i % 2 ? TRAFFIC_SENT : TRAFFIC_RECEIVED, kDevice, "x");
  EXPECT_EQ(rows.Update(record), 0);
  EXPECT_EQ(rows.GetCount(), TRAFFIC_RECORD_LIMIT / 2);
  for (int i = 0; i < 10; ++i)
    AddData(record, TRAFFIC_SENT, kDevice, "y");
  EXPECT_EQ(rows.Update(record), 5) << "the five received among the ten that gave way";
  EXPECT_EQ(rows.GetCount(), TRAFFIC_RECORD_LIMIT / 2 - 5);
  EXPECT_EQ(rows.GetNumber(0), 10u);
  EXPECT_EQ(rows.FindRow(12), 1);
  EXPECT_EQ(rows.FindRow(13), -1) << "a sent event is no row";

  // More than the record holds at once: the rows are those still held.
  for (int i = 0; i < TRAFFIC_RECORD_LIMIT + 3; ++i)
    AddData(record, TRAFFIC_RECEIVED, kDevice, "z");
  rows.Update(record);
  EXPECT_EQ(rows.GetCount(), TRAFFIC_RECORD_LIMIT);
  EXPECT_EQ(rows.GetNumber(0), record.GetFirstNumber());

  record.Clear();
  rows.Update(record);
  EXPECT_EQ(rows.GetCount(), 0);
  AddData(record, TRAFFIC_RECEIVED, kDevice, "after");
  rows.Update(record);
  ASSERT_EQ(rows.GetCount(), 1);
  EXPECT_EQ(rows.GetNumber(0), record.GetFirstNumber());

  // Unfiltered, the rows are the record's.
  CTrafficRows all;
  all.Update(record);
  AddData(record, TRAFFIC_SENT, kDevice, "more");
  EXPECT_EQ(all.Update(record), 0);
  EXPECT_EQ(all.GetCount(), 2);
  record.Clear();
  EXPECT_EQ(all.Update(record), 2);
  EXPECT_EQ(all.GetCount(), 0);
}

TEST(TrafficFilter, FindNextGoesRoundTheShownRows)
{
  CTrafficRecord record(NextSecond);
  Fill(record);
  CTrafficRows rows;
  rows.Update(record);
  EXPECT_EQ(rows.FindNext(record, -1, "READ"), 2);
  EXPECT_EQ(rows.FindNext(record, 2, "READ"), 5);
  EXPECT_EQ(rows.FindNext(record, 5, "READ"), 2) << "past the last, from the top";
  EXPECT_EQ(rows.FindNext(record, 2, "none such"), -1);
  std::set<std::uint64_t> expected = {PeerKey(kDevice), PeerKey(kOther), PeerKey(kThird)};
  EXPECT_EQ(rows.GetPeersSeen(), expected);

  TRAFFIC_FILTER filter;
  filter.nDirection = TRAFFIC_DIR_SENT;
  rows.SetFilter(filter);
  rows.Update(record);
  EXPECT_EQ(rows.FindNext(record, -1, "READ"), 1) << "the row among the sent, not the event's number";
}

TEST(TrafficText, TheDetailShowsTheEventWhole)
{
  const char* tz = std::getenv("TZ");
  const std::string oldTz = tz ? tz : "";
  setenv("TZ", "UTC", 1);
  tzset();
  const std::int64_t t = 1796715910LL * 1000000 + 345678;
  std::string bytes = "0123456789abcde\xE6\xB8\xA9\xE5\xBA\xA6\r\n";  // a character cut by the line's end
  bytes += std::string(1, '\0');
  TRAFFIC_EVENT e{t, TRAFFIC_RECEIVED, TRAFFIC_UDP, kLocal, kOther, static_cast<int>(bytes.size()), 0, 0, 0};
  const std::string detail =
      TrafficDetailText(e, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<int>(bytes.size()), ENCODING_UTF8)
          .str();
  EXPECT_EQ(detail,
            "收  2026-12-08T07:45:10.345  对端 127.0.0.2:9000  本地 127.0.0.1:5000  UDP  24 字节\r\n"
            "0000  30 31 32 33 34 35 36 37  38 39 61 62 63 64 65 E6  0123456789abcde\r\n"
            "0010  B8 A9 E5 BA A6 0D 0A 00                           \xE6\xB8\xA9\xE5\xBA\xA6...\r\n");

  e.nLength = 100;
  const std::string cut = TrafficDetailText(e, reinterpret_cast<const BYTE*>(bytes.data()), 16, ENCODING_UTF8).str();
  EXPECT_NE(cut.find("100 字节\r\n(只记录了前 16 字节)\r\n0000  "), std::string::npos) << cut;
  EXPECT_NE(TrafficDetailText(e, nullptr, 0, ENCODING_UTF8).str().find("(内容已让位给更新的事件)"), std::string::npos);

  const TRAFFIC_EVENT failed{t, TRAFFIC_SEND_FAILED, TRAFFIC_TCP, kLocal, kDevice, 3, 0, 10054, 0};
  EXPECT_EQ(TrafficDetailText(failed, nullptr, 0, ENCODING_UTF8).str(),
            "发送失败  2026-12-08T07:45:10.345  对端 127.0.0.2:502  [10054]WSAECONNRESET, 3 字节未发出");
  if (tz)
    setenv("TZ", oldTz.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

}  // namespace
