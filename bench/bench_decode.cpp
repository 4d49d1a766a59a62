// Decoding a 3 MB work file into its body: open, seed, tables, every line.
#include "Prose.h"

#include "format/WorkFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace Qt::Literals::StringLiterals;

namespace {

void decodeWorkFile(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"work.dat"_s);
    const QByteArray bytes = workfile::encodeWork(4242, bench::proseLines(qsizetype(3) * 1024 * 1024));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        state.SkipWithError("cannot write the work file");
        return;
    }
    f.close();

    for (auto _ : state) {
        platform::InputTextFile in;
        if (in.open(platform::NativePath(path)) != platform::ErrorNumber::None) {
            state.SkipWithError("cannot open the work file");
            return;
        }
        platform::LegacyRandom random;
        const workfile::Header header = workfile::readHeader(in, random);
        QString body = workfile::decodeBody(in, header.tables);
        benchmark::DoNotOptimize(body.data());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
    state.counters["file_bytes"] = static_cast<double>(bytes.size());
}

} // namespace

BENCHMARK(decodeWorkFile)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
