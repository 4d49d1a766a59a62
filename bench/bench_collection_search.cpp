// Find in the whole collection, timed in an event loop as the window runs it:
// a collection of 20,000 works of varied length (a phrase in a few of them) is
// made in a temporary folder, then searched; then the sample collection.
// Prints the time to the first work found, to the last, to the end, and the
// longest the event loop stopped answering meanwhile (a 5 ms timer measuring
// its own lateness). Run on an idle machine:
//   build/bench/bench_collection_search [works [program folder of a collection]]
#include "Prose.h"

#include "format/Collection.h"
#include "format/CollectionSearch.h"
#include "format/WorkFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString Phrase = u"серебряный колокольчик"_s;

struct Timings
{
    double first = -1; // seconds from the start
    double last = -1;
    double end = -1;
    double longestStall = 0; // seconds
    double processor = 0; // seconds of processor time, every thread of the process
    qsizetype works = 0;
    qsizetype lines = 0;
};

// Runs one search in the event loop, the stall timer beside it.
Timings timeSearch(const Collection &collection, const QString &phrase)
{
    Timings t;
    CollectionSearch search;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(5);
    QElapsedTimer clock;
    qint64 lastTick = 0;
    QObject::connect(&tick, &QTimer::timeout, &tick, [&] {
        const qint64 now = clock.nsecsElapsed();
        t.longestStall = std::max(t.longestStall, double(now - lastTick - 5000000) / 1e9);
        lastTick = now;
    });
    QObject::connect(&search, &CollectionSearch::found, &search, [&](const QList<worksearch::WorkMatches> &works) {
        const double now = double(clock.nsecsElapsed()) / 1e9;
        if (t.first < 0)
            t.first = now;
        t.last = now;
        t.works += works.size();
        for (const worksearch::WorkMatches &work : works)
            t.lines += work.lineCount;
    });
    QObject::connect(&search, &CollectionSearch::finished, &search, [&] {
        t.end = double(clock.nsecsElapsed()) / 1e9;
        QCoreApplication::quit();
    });
    const std::clock_t processorAtStart = std::clock();
    clock.start();
    tick.start();
    search.start(collection, phrase, platform::LegacyRandom());
    QCoreApplication::exec();
    t.processor = double(std::clock() - processorAtStart) / CLOCKS_PER_SEC;
    return t;
}

// The longest stall of the same timer with nothing else to do, for comparison
// on a machine that is not idle.
double idleStall(int milliseconds)
{
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(5);
    QElapsedTimer clock;
    qint64 lastTick = 0;
    double longest = 0;
    QObject::connect(&tick, &QTimer::timeout, &tick, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, double(now - lastTick - 5000000) / 1e9);
        lastTick = now;
    });
    QTimer::singleShot(milliseconds, &tick, &QCoreApplication::quit);
    clock.start();
    tick.start();
    QCoreApplication::exec();
    return longest;
}

void print(const char *what, const Timings &t)
{
    std::printf("%s: %lld works found (%lld lines); first %.1f ms, last %.1f ms, end %.1f ms; "
                "longest stall of the event loop %.1f ms; processor %.2f s\n",
                what, static_cast<long long>(t.works), static_cast<long long>(t.lines), t.first * 1000, t.last * 1000,
                t.end * 1000, t.longestStall * 1000, t.processor);
    std::fflush(stdout);
}

// works files of 300 to 100,000 characters (spread evenly on a log scale),
// lines drawn from one stock of prose; the phrase in every 4,000th.
bool makeCollection(const QString &data, int works, qint64 &bytes)
{
    const QStringList stock = bench::proseLines(qsizetype(4) * 1024 * 1024);
    unsigned x = 2024;
    const auto draw = [&x] { return (x = x * 1103515245U + 12345U) >> 8; };
    for (int i = 0; i < works; ++i) {
        const double share = double(draw() % 10000) / 10000;
        const auto length = static_cast<qsizetype>(300 * std::pow(100000.0 / 300, share));
        QStringList lines;
        qsizetype size = 0;
        for (qsizetype at = draw() % stock.size(); size < length; at = (at + 1) % stock.size()) {
            lines.append(stock[at]);
            size += stock[at].size() + 2;
        }
        if (i % 4000 == 1999)
            lines[lines.size() / 2].insert(lines[lines.size() / 2].size() / 2, u' ' + Phrase + u' ');
        const QByteArray file = workfile::encodeWork(static_cast<std::int32_t>(draw() % 1000000), lines);
        QFile out(data + u"/Произведение %1.dat"_s.arg(i, 5, 10, QChar(u'0')));
        if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
            return false;
        bytes += file.size();
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int works = arguments.size() > 1 ? arguments[1].toInt() : 20000;
    const QString sample = arguments.size() > 2 ? arguments[2] : QString::fromUtf8(SOBRANIE_PROGRAM_DIR);

    QTemporaryDir folder;
    if (!folder.isValid() || !QDir(folder.path()).mkdir(u"Data"_s))
        return 1;
    QElapsedTimer making;
    making.start();
    qint64 bytes = 0;
    if (!makeCollection(folder.filePath(u"Data"_s), works, bytes)) {
        std::fprintf(stderr, "bench_collection_search: cannot write the collection\n");
        return 1;
    }
    std::printf("%d works, %.0f MB, made in %.1f s\n", works, double(bytes) / 1e6, double(making.elapsed()) / 1e3);
    std::printf("the event loop alone for 3 s: longest stall %.1f ms\n", idleStall(3000) * 1000);
    const Collection big = Collection::load(platform::NativePath(folder.path()));
    print("search, files just written", timeSearch(big, Phrase));
    print("search again", timeSearch(big, Phrase));
    print("a phrase in every work", timeSearch(big, u"осень"_s));

    const Collection own = Collection::load(platform::NativePath(sample));
    print(qPrintable(u"sample collection (%1 works), «ветер»"_s.arg(own.lastWorkIndex() + 1)),
          timeSearch(own, u"ветер"_s));
    return 0;
}
