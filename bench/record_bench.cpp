// What one recorded event costs: a chunk put in the record (its time read, its bytes copied), with
// the record full so older events give way, kept whole or, under a flood, cut to its first bytes;
// and the same with a log file taking every line.
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

}  // namespace

BENCHMARK_MAIN();
