// Find in the whole collection, timed in an event loop as the window runs it:
// a collection of 20,000 works of varied length (a phrase in a few of them) is
// made in a temporary folder, then searched; then the sample collection.
// Prints the time to the first work found, to the last, to the end, and the
// longest the event loop stopped answering meanwhile (a 5 ms timer measuring
// its own lateness). Then a collection of one work of 1 GB without a line end,
// searched to its end and cancelled inside it: the peak memory above what the
// process held before, and how long the search's thread runs on after cancel().
// Run on an idle machine:
//   build/bench/bench_collection_search [works [program folder of a collection]]
//   build/bench/bench_collection_search large [megabytes]   the large work alone
#include "Prose.h"

#include "format/Collection.h"
#include "format/CollectionSearch.h"
#include "format/WorkFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
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

// The process's resident memory now and at its peak since resetPeak(), in MB.
double residentMegabytes(const char *field)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return -1;
}

void resetPeak()
{
    QFile clear(u"/proc/self/clear_refs"_s);
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// A work of about megabytes MB that never ends a line: with seedLine, a seed
// line and then one line of prose holding the phrase near its end; without,
// the seed line is the whole file (as when every CR was lost).
bool makeLargeWork(const QString &data, qint64 megabytes, bool seedLine)
{
    const QStringList stock = bench::proseLines(qsizetype(1024) * 1024);
    QString chunk = stock.join(u' ');
    chunk.truncate(qsizetype(1024) * 1024);
    QString last = chunk;
    last.insert(last.size() - 100, u' ' + Phrase + u' ');
    const auto encoded = [](const QString &text) {
        QByteArray file = workfile::encodeWork(7, {text});
        return file.sliced(3, file.size() - 5); // no "7\r\n", no last "\r\n"
    };
    QFile out(data + u"/Большое.dat"_s);
    if (!out.open(QIODevice::WriteOnly) || (seedLine && out.write("7\r\n") != 3))
        return false;
    const QByteArray piece = encoded(chunk);
    for (qint64 i = 0; i + 1 < megabytes; ++i) {
        if (out.write(piece) != piece.size())
            return false;
    }
    const QByteArray end = encoded(last);
    return out.write(end) == end.size();
}

// The large work searched to its end, then a search of it cancelled after
// 300 ms: the time, the peak memory above the process's before each, and how
// long cancel() and the search's end took together.
void timeLarge(const QString &what, const Collection &collection)
{
    {
        const double baseline = residentMegabytes("VmRSS:");
        resetPeak();
        const Timings t = timeSearch(collection, Phrase);
        std::printf("%s, searched whole: %lld found; end %.2f s; peak %.0f MB above the %.0f MB before\n",
                    qPrintable(what), static_cast<long long>(t.works), t.end, residentMegabytes("VmHWM:") - baseline,
                    baseline);
    }
    const double baseline = residentMegabytes("VmRSS:");
    resetPeak();
    auto *search = new CollectionSearch;
    search->start(collection, Phrase, platform::LegacyRandom());
    QThread::msleep(300);
    QElapsedTimer stopping;
    stopping.start();
    search->cancel();
    delete search; // waits for its thread
    std::printf("%s, cancelled after 300 ms: thread ended %.1f ms after cancel(); peak %.0f MB above the %.0f MB "
                "before\n",
                qPrintable(what), double(stopping.nsecsElapsed()) / 1e6, residentMegabytes("VmHWM:") - baseline,
                baseline);
    std::fflush(stdout);
}

int large(qint64 megabytes)
{
    for (const bool seedLine : {false, true}) {
        QTemporaryDir folder;
        if (!folder.isValid() || !QDir(folder.path()).mkdir(u"Data"_s)
            || !makeLargeWork(folder.filePath(u"Data"_s), megabytes, seedLine)) {
            std::fprintf(stderr, "bench_collection_search: cannot write the large work\n");
            return 1;
        }
        timeLarge(seedLine ? u"one line of %1 MB after the seed line"_s.arg(megabytes)
                           : u"%1 MB without a line end"_s.arg(megabytes),
                  Collection::load(platform::NativePath(folder.path())));
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.value(1) == u"large"_s)
        return large(arguments.size() > 2 ? arguments[2].toLongLong() : 1024);
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
    return large(1024);
}
