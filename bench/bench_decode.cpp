// Decoding a 3 MB work file into its body: open, seed, tables, every line.
#include "format/WorkFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// A work of about size bytes: prose lines of some 60 to 400 characters.
QStringList proseLines(qsizetype size)
{
    const QString words[] = {u"осень"_s, u"дым"_s,      u"над"_s,   u"садом"_s,  u"и"_s,         u"яблоки"_s,
                             u"в"_s,     u"траве,"_s,   u"ветер"_s, u"бредёт"_s, u"свободно."_s, u"«Сосед»,"_s,
                             u"—"_s,     u"Часовщик"_s, u"семь"_s,  u"минут"_s,  u"колодец"_s,   u"Настя!"_s};
    QStringList lines;
    qsizetype total = 0;
    unsigned x = 12345;
    while (total < size) {
        QString line;
        const int length = 60 + static_cast<int>((x = x * 1103515245u + 12345u) >> 16) % 340;
        while (line.size() < length)
            line += words[((x = x * 1103515245u + 12345u) >> 16) % std::size(words)] + u' ';
        total += line.size() + 2;
        lines.append(line.trimmed());
    }
    return lines;
}

void decodeWorkFile(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"work.dat"_s);
    const QByteArray bytes = workfile::encodeWork(4242, proseLines(qsizetype(3) * 1024 * 1024));
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
