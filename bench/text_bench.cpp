// Text engraving: 10,000 characters converted, placed and chained into
// regions (the mark is half a second), on a line and round an arc.
#include <benchmark/benchmark.h>

#include "job/add_text.h"

namespace tibrel {
namespace {

std::string TenThousandCharacters() {
  const std::string line = "The quick brown fox jumps over the lazy dog 0123456789. ";
  std::string text;
  while (text.size() < 10000) text += line;
  return text.substr(0, 10000);
}

void BM_AddText10000(benchmark::State& state) {
  const std::string text = TenThousandCharacters();
  TTTFToVectorConverter converter;
  for (auto _ : state) {
    Job job;
    job.Options.Font = "Liberation Sans";
    TextPlacement p;
    p.Text = text, p.Height = 5;
    p.OnArc = state.range(0) != 0, p.Radius = 1e6;
    const CommandResult r = AddText(job, p, converter);
    benchmark::DoNotOptimize(job.Regions.size());
    if (!r.Changed) state.SkipWithError("no text added");
  }
}
BENCHMARK(BM_AddText10000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tibrel
