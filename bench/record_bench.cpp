// What one recorded event costs: a chunk put in the record (its time read, its bytes copied), with
// the record full so older events give way, kept whole or, under a flood, cut to its first bytes;
// and the same with a log file taking every line.
#include "dialog/TrafficFilter.h"
#include "dialog/TrafficLog.h"
#include "dialog/TrafficRecord.h"
#include "dialog/TrafficText.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr TRAFFIC_ENDPOINT kLocal{0x7F000001, 5000};
constexpr TRAFFIC_ENDPOINT kPeer{0x7F000002, 9000};

void Fill(CTrafficRecord& record, const std::vector<BYTE>& payload)
{
  for (int i = 0; i < TRAFFIC_RECORD_LIMIT; ++i)
    record.AddData(TRAFFIC_RECEIVED, TRAFFIC_UDP, kLocal, kPeer, payload.data(), static_cast<int>(payload.size()));
}

// A clock a second further on at every call: each chunk is kept whole, as at a device's pace.
std::int64_t SecondPerCall()
{
  static std::int64_t s_now = 0;
  return s_now += 1000000;
}

void BM_RecordWholeChunk(benchmark::State& state)
{
  const std::vector<BYTE> payload(static_cast<std::size_t>(state.range(0)), 'r');
  CTrafficRecord record(SecondPerCall);
  Fill(record, payload);
  for (auto _ : state)
    record.AddData(TRAFFIC_RECEIVED, TRAFFIC_UDP, kLocal, kPeer, payload.data(), static_cast<int>(payload.size()));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordWholeChunk)->Arg(64)->Arg(1400)->Arg(65507);

// Under a flood: past the second's allowance each chunk keeps its first bytes.
void BM_RecordChunk(benchmark::State& state)
{
  const std::vector<BYTE> payload(static_cast<std::size_t>(state.range(0)), 'r');
  CTrafficRecord record;
  Fill(record, payload);
  for (auto _ : state)
    record.AddData(TRAFFIC_RECEIVED, TRAFFIC_UDP, kLocal, kPeer, payload.data(), static_cast<int>(payload.size()));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordChunk)->Arg(64)->Arg(1400)->Arg(65507);

void BM_RecordChunkLogged(benchmark::State& state)
{
  const std::vector<BYTE> payload(static_cast<std::size_t>(state.range(0)), 'r');
  char path[] = "/tmp/lanspry-record-bench-XXXXXX";
  const int fd = ::mkstemp(path);
  if (fd >= 0)
    std::fclose(::fdopen(fd, "w"));
  CTrafficRecord record;
  CTrafficLog log;
  log.Start(path);
  record.SetSink(&log);
  for (auto _ : state)
    record.AddData(TRAFFIC_RECEIVED, TRAFFIC_UDP, kLocal, kPeer, payload.data(), static_cast<int>(payload.size()));
  log.Stop();
  std::remove(path);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordChunkLogged)->Arg(64)->Arg(1400);

// A row as the window asks for it: all six columns of one event.
void BM_RowText(benchmark::State& state)
{
  const std::string payload(1400, 'r');
  const TRAFFIC_EVENT e{1796715912LL * 1000000, TRAFFIC_RECEIVED, TRAFFIC_UDP, kLocal, kPeer, 1400, 48, 0, 0};
  for (auto _ : state) {
    for (int c = 0; c < TRAFFIC_COLUMNS; ++c)
      benchmark::DoNotOptimize(TrafficColumnText(e, reinterpret_cast<const BYTE*>(payload.data()), 48, c));
  }
}
BENCHMARK(BM_RowText);

// The record window's filter over a full record of 100,000 events from three peers, half sent and
// half received, of 40 to 80 bytes each, so that every chunk's bytes are held and searched
// (target: under 100 ms). Arg: 0 by peer, 1 by direction
// and peer, 2 by content (text found in one chunk in a thousand), 3 by hex content found nowhere.
void BM_FilterFullRecord(benchmark::State& state)
{
  CTrafficRecord record(SecondPerCall);
  std::vector<BYTE> payload(1400, 'r');
  for (int i = 0; i < TRAFFIC_RECORD_LIMIT; ++i) {
    const TRAFFIC_ENDPOINT peer{0x7F000002, static_cast<WORD>(9000 + i % 3)};
    const int nLength = 40 + (i * 37) % 41;
    const char* pszMark = i % 1000 == 0 ? "READ ALL" : "read one";
    std::copy(pszMark, pszMark + 8, payload.begin() + 16);
    record.AddData(i % 2 ? TRAFFIC_SENT : TRAFFIC_RECEIVED, TRAFFIC_TCP, kLocal, peer, payload.data(), nLength);
  }
  TRAFFIC_FILTER filter;
  ParsePeerFilter("127.0.0.2:9001", filter);
  if (state.range(0) == 1)
    filter.nDirection = TRAFFIC_DIR_RECEIVED;
  if (state.range(0) >= 2)
    filter = {};
  if (state.range(0) == 2)
    ParseContentFilter("READ ALL", FALSE, 0, filter.content);
  if (state.range(0) == 3)
    ParseContentFilter("DE AD BE EF", TRUE, 0, filter.content);
  for (auto _ : state) {
    CTrafficRows rows;
    rows.SetFilter(filter);
    rows.Update(record);
    benchmark::DoNotOptimize(rows.GetCount());
  }
  state.SetItemsProcessed(state.iterations() * TRAFFIC_RECORD_LIMIT);
}
BENCHMARK(BM_FilterFullRecord)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
