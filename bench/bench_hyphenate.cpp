// Hyphenating 3 MB of Russian prose with the hyphen-ru patterns, as the
// reading layout does to a work's text.
#include "Prose.h"

#include "view/Hyphenator.h"

#include <benchmark/benchmark.h>

namespace {

void hyphenate(benchmark::State &state)
{
    const Hyphenator hyphenator;
    if (!hyphenator.isValid()) {
        state.SkipWithError("the hyphen-ru patterns are not installed");
        return;
    }
    const QString text = bench::proseLines(qsizetype(3) * 1024 * 1024).join(u'\n');
    qsizetype softHyphens = 0;
    for (auto _ : state) {
        const QString out = hyphenator.hyphenated(text);
        softHyphens = out.size() - text.size();
        benchmark::DoNotOptimize(out.data());
    }
    // A byte a character, as the work file holds them (windows-1251).
    state.SetBytesProcessed(state.iterations() * text.size());
    state.counters["characters"] = static_cast<double>(text.size());
    state.counters["soft_hyphens"] = static_cast<double>(softHyphens);
}

} // namespace

BENCHMARK(hyphenate)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
