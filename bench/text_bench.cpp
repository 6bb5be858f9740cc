// Decoding and encoding speed of the three file encodings.
#include <benchmark/benchmark.h>

#include "support/TextFile.h"

using namespace migwiz::support;

namespace {

std::string SampleUnit(size_t lines) {
  std::string s;
  for (size_t i = 0; i < lines; ++i)
    s += "  Query" + std::to_string(i) + ".SQL.Add('select * from Kunden where Stra\xC3\x9F" "e = :s');\r\n";
  return s;
}

void BM_RoundTrip(benchmark::State& state) {
  auto encoding = static_cast<TEncoding>(state.range(0));
  std::string bytes = ByteOrderMark(encoding) + EncodeText(SampleUnit(2000), encoding);
  for (auto _ : state) {
    TextFileContents c = ReadTextFile(bytes);
    benchmark::DoNotOptimize(EncodeText(c.text, c.encoding));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

}  // namespace

BENCHMARK(BM_RoundTrip)->Arg(0)->Arg(1)->Arg(2);
