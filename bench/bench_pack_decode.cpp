// sobranie-pack decode beside iconv: the same 24 MB of text, once as a work
// file for `sobranie-pack decode`, once as plain windows-1251 for
// `iconv -f CP1251 -t UTF-8`. Both write the same UTF-8 to a file; each
// run is the whole process, start to end. Run on an idle machine:
//   build/bench/bench_pack_decode [runs [sobranie-pack to time]]
#include "Prose.h"

#include "format/WorkFile.h"
#include "platform/Windows1251.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qsizetype WorkSize = qsizetype(24) * 1024 * 1024;

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Seconds from the start of program to its end, its standard output in
// outputPath; negative when it failed.
double timeRun(const QString &program, const QStringList &arguments, const QString &outputPath)
{
    QProcess process;
    process.setStandardOutputFile(outputPath);
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return -1;
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

struct Figures
{
    double best;
    double median;
};

Figures figuresOf(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2]};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 7;
    const QString pack = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(SOBRANIE_PACK);
    const QString iconv = QStandardPaths::findExecutable(u"iconv"_s);

    QTemporaryDir dir;
    const QString work = dir.filePath(u"work.dat"_s);
    const QString plain = dir.filePath(u"plain.txt"_s);
    const QStringList lines = bench::proseLines(WorkSize);
    // The same text: iconv's output then equals decode's, byte for byte.
    const QByteArray workBytes = workfile::encodeWork(4242, lines);
    const QByteArray plainBytes = platform::windows1251::encode(lines.join(u'\n') + u'\n');
    if (!writeFile(work, workBytes) || !writeFile(plain, plainBytes)) {
        std::fprintf(stderr, "bench_pack_decode: cannot write the test files in %s\n", qPrintable(dir.path()));
        return 1;
    }
    std::printf("work file %.1f MB, windows-1251 text %.1f MB, %d runs each, alternating\n",
                static_cast<double>(workBytes.size()) / 1e6, static_cast<double>(plainBytes.size()) / 1e6, runs);

    const QString decodeOut = dir.filePath(u"decode.txt"_s);
    const QString iconvOut = dir.filePath(u"iconv.txt"_s);
    std::vector<double> decodeTimes;
    std::vector<double> iconvTimes;
    for (int i = 0; i < runs; ++i) {
        const double d = timeRun(pack, {u"decode"_s, work}, decodeOut);
        if (d < 0) {
            std::fprintf(stderr, "bench_pack_decode: %s decode failed\n", qPrintable(pack));
            return 1;
        }
        decodeTimes.push_back(d);
        if (!iconv.isEmpty()) {
            const double t = timeRun(iconv, {u"-f"_s, u"CP1251"_s, u"-t"_s, u"UTF-8"_s, plain}, iconvOut);
            if (t < 0) {
                std::fprintf(stderr, "bench_pack_decode: iconv failed\n");
                return 1;
            }
            iconvTimes.push_back(t);
        }
    }

    const QByteArray decoded = readFile(decodeOut);
    const Figures d = figuresOf(decodeTimes);
    std::printf("sobranie-pack decode   best %7.3f s   median %7.3f s   %.0f MB/s of input\n", d.best, d.median,
                static_cast<double>(workBytes.size()) / 1e6 / d.median);
    if (iconvTimes.empty()) {
        std::printf("iconv                  not found\n");
        return 0;
    }
    const Figures t = figuresOf(iconvTimes);
    std::printf("iconv CP1251 -> UTF-8  best %7.3f s   median %7.3f s   %.0f MB/s of input\n", t.best, t.median,
                static_cast<double>(plainBytes.size()) / 1e6 / t.median);
    std::printf("decode / iconv (medians) %.2f; output %.1f MB, %s\n", d.median / t.median,
                static_cast<double>(decoded.size()) / 1e6,
                decoded == readFile(iconvOut) ? "the same from both" : "DIFFERENT from iconv's");
    return 0;
}
