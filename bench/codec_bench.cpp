// Speed of the receive display's rendering and of hex parsing, in bytes per second.
#include "codec/hexcodec.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

std::vector<BYTE> Buffer(std::size_t n)
{
  std::vector<BYTE> b(n);
  for (std::size_t i = 0; i < n; ++i)
    b[i] = static_cast<BYTE>(i % 255 + 1);
  return b;
}

void RenderHex(benchmark::State& state)
{
  const std::vector<BYTE> buf = Buffer(65536);
  for (auto _ : state)
    benchmark::DoNotOptimize(RenderReceiveBuffer(buf.data(), 65536, TRUE));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 65536);
}
BENCHMARK(RenderHex)->Unit(benchmark::kMicrosecond);

void RenderText(benchmark::State& state)
{
  const std::vector<BYTE> buf = Buffer(65536);
  for (auto _ : state)
    benchmark::DoNotOptimize(RenderReceiveBuffer(buf.data(), 65536, FALSE));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 65536);
}
BENCHMARK(RenderText)->Unit(benchmark::kMicrosecond);

void ParseHex(benchmark::State& state)
{
  std::string text;
  for (int i = 0; text.size() < 65536; ++i)
    text += "3F ";
  text.resize(65536);
  const CString input(text.c_str());
  std::vector<BYTE> out(text.size() / 2 + 1);
  int count = 0;
  for (auto _ : state) {
    ParseHexText(input, out.data(), &count);
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 65536);
}
BENCHMARK(ParseHex)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
