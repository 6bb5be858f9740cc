// Cost of parsing and rebuilding one object: by SQL length and by nesting.
#include <benchmark/benchmark.h>

#include "grammar/FormParser.h"

using namespace migwiz::grammar;

namespace {

void BM_SqlLines(benchmark::State& state) {
  std::string text = "object Q: TQuery\r\n  SQL.Strings = (\r\n";
  for (int i = 0; i < state.range(0); ++i) text += "    'select * from t where a = 1'\r\n";
  text += "    'order by a')\r\n  Left = 8\r\nend\r\n";
  TFormParser parser;
  for (auto _ : state) {
    int pos = 1;
    benchmark::DoNotOptimize(parser.ParseString(text, "<object>", pos));
    benchmark::DoNotOptimize(parser.MakeObject(1));
  }
  state.SetComplexityN(state.range(0));
}

void BM_Nesting(benchmark::State& state) {
  std::string text;
  for (int i = 0; i < state.range(0); ++i) text += "object P" + std::to_string(i) + ": TPanel\r\n  Left = 1\r\n";
  for (int i = 0; i < state.range(0); ++i) text += "end\r\n";
  TFormParser parser;
  for (auto _ : state) {
    int pos = 1;
    benchmark::DoNotOptimize(parser.ParseString(text, "<object>", pos));
  }
  state.SetComplexityN(state.range(0));
}

}  // namespace

BENCHMARK(BM_SqlLines)->Range(8, 4096)->Complexity();
BENCHMARK(BM_Nesting)->Range(8, 1024)->Complexity();
