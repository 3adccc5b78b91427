// Matching one 1400-byte chunk against 100 automatic reply rules of one kind, none of which
// matches (so every rule is tried), in time per chunk; regular expressions compiled once.
#include "dialog/ReplyRules.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr int kRules = 100;
constexpr int kChunk = 1400;

std::vector<BYTE> Chunk()
{
  std::vector<BYTE> chunk(kChunk);
  unsigned state = 12345;
  for (BYTE& b : chunk) {
    state = state * 1103515245 + 12345;
    b = static_cast<BYTE>(state >> 16);
  }
  return chunk;
}

// Rule i looks for something the chunk (random bytes) does not hold.
REPLY_RULE RuleOf(int nMatch, int i)
{
  REPLY_RULE rule;
  rule.nMatch = nMatch;
  const std::string word = "CMD" + std::to_string(i);
  switch (nMatch) {
  case MATCH_HEX:
    rule.strMatch = CString(("43 4D 44 " + std::to_string(i % 10) + "0 78").c_str());
    break;
  case MATCH_REGEX:
    rule.strMatch = CString(("[A-Z]{3}" + std::to_string(i) + "x\\d+").c_str());
    break;
  default:
    rule.strMatch = CString(word.c_str());
    break;
  }
  rule.strReply = "OK";
  return rule;
}

void MatchHundredRules(benchmark::State& state)
{
  const int nMatch = static_cast<int>(state.range(0));
  CReplyRules rules;
  CString why;
  for (int i = 0; i < kRules; ++i) {
    if (!rules.Insert(i, RuleOf(nMatch, i), SEND_OPTIONS{}, why)) {
      state.SkipWithError(why);
      return;
    }
  }
  const std::vector<BYTE> chunk = Chunk();
  for (auto _ : state)
    benchmark::DoNotOptimize(rules.Match(chunk.data(), kChunk));
  state.SetLabel(MatchKindKey(nMatch));
}
BENCHMARK(MatchHundredRules)
    ->Arg(MATCH_EXACT)
    ->Arg(MATCH_CONTAINS)
    ->Arg(MATCH_PREFIX)
    ->Arg(MATCH_HEX)
    ->Arg(MATCH_REGEX)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
