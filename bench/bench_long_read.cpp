// Memory over a long read, as the proportional set size (PSS) of the
// reader's own process, of its renderer and of the whole process tree.
//   bench_long_read [pages]     work after work from the catalogue (works of
//                               50 to 300 KB, F4 after each), every 50 pages
//   bench_long_read switch [n]  n switches between a 3 MB and a 1 MB work in
//                               a large window, the work on screen when read,
//                               15 s after the switch (at 10, 100, 300, ...)
//   bench_long_read large [n]   n works of 3 MB one after another, each read
//                               15 s after it is shown and again on the
//                               catalogue after it, with the longest the
//                               reader's own thread stopped answering
//                               meanwhile (a screen reader gives up after 0.8 s)
// Run under an X server, with nothing else busy; as on a desktop, with a
// window manager and a session bus:
//   xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- sh -c
//     'openbox & sleep 1; build/bench/bench_long_read switch 300'
#include "Prose.h"

#include "format/WorkFile.h"
#include "platform/NativePath.h"
#include "platform/System.h"
#include "ui/MainWindow.h"
#include "ui/StartReader.h"
#include "view/PageView.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEnginePage>

#include <algorithm>
#include <cstdio>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int Works = 20;

// Proportional kilobytes of each process, and the parent of each.
struct Processes
{
    QHash<qint64, qint64> parent;
    QHash<qint64, qint64> residentKb;

    static Processes read()
    {
        Processes p;
        for (const QString &entry : QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            bool isPid = false;
            const qint64 pid = entry.toLongLong(&isPid);
            QFile status(u"/proc/%1/status"_s.arg(pid));
            if (!isPid || !status.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray &line : status.readAll().split('\n')) {
                if (line.startsWith("PPid:"))
                    p.parent[pid] = line.mid(5).trimmed().toLongLong();
            }
            QFile rollup(u"/proc/%1/smaps_rollup"_s.arg(pid));
            if (!rollup.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray &line : rollup.readAll().split('\n')) {
                if (line.startsWith("Pss:"))
                    p.residentKb[pid] = line.mid(4).trimmed().split(' ').value(0).toLongLong();
            }
        }
        return p;
    }

    [[nodiscard]] qint64 treeKb(qint64 root) const
    {
        qint64 total = 0;
        for (auto it = residentKb.constBegin(); it != residentKb.constEnd(); ++it) {
            for (qint64 p = it.key(); p > 1; p = parent.value(p, 0)) {
                if (p == root) {
                    total += it.value();
                    break;
                }
            }
        }
        return total;
    }
};

// Waits in the event loop itself: a wait that sleeps between passes over
// the events holds the engine up by half a second at every step of a load.
bool waitUntilShown(MainWindow *window)
{
    if (window->pageView()->loadState() == PageView::LoadState::Ready)
        return true;
    QEventLoop loop;
    QObject::connect(window->pageView(), &PageView::shown, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    return window->pageView()->loadState() == PageView::LoadState::Ready;
}

// The longest the event loop of this thread came late to a 10 ms timer.
class Stalls : public QObject
{
public:
    Stalls()
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] { m_longest = std::max(m_longest, m_since.restart() - 10); });
        m_since.start();
        m_timer.start();
    }
    qint64 takeLongest() { return std::exchange(m_longest, 0); }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_longest = 0;
};

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

int readLargeWorks(int works)
{
    QTemporaryDir program;
    if (!QDir(program.path()).mkpath(u"Data"_s))
        return 1;
    for (int i = 0; i < works; ++i) {
        QFile file(program.filePath(u"Data/Большое %1.dat"_s.arg(i, 2, 10, QChar(u'0'))));
        if (!file.open(QIODevice::WriteOnly) || file.write(workfile::encodeWork(i, bench::proseLines(3'000'000))) < 0)
            return 1;
    }
    MainWindow *window = startReader(platform::NativePath(program.path()));
    if (!window || !waitUntilShown(window))
        return 1;
    window->resize(1280, 1000);
    Stalls stalls;
    const qint64 self = QCoreApplication::applicationPid();
    std::printf("%4s %-9s %10s %10s %12s\n", "work", "on", "main, MB", "tree, MB", "longest stop");
    for (int i = 0; i < works; ++i) {
        for (const bool catalogue : {false, true}) {
            (void)stalls.takeLongest();
            if (catalogue)
                window->catalogueAction()->trigger();
            else
                window->followLink(u"http://www.t%1/"_s.arg(i));
            if (!waitUntilShown(window))
                return 1;
            settle(15000);
            const Processes now = Processes::read();
            std::printf("%4d %-9s %10lld %10lld %9lld ms\n", i + 1, catalogue ? "catalogue" : "work",
                        now.residentKb.value(self) / 1024, now.treeKb(self) / 1024,
                        static_cast<long long>(stalls.takeLongest()));
            std::fflush(stdout);
        }
    }
    delete window;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    platform::prepareWebEngineEnvironment();
    // What the reader keeps from run to run goes nowhere the next run sees.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QLoggingCategory::setFilterRules(u"qt.webenginecontext.info=false"_s);
    QApplication app(argc, argv);
    const bool switching = argc > 1 && QByteArray(argv[1]) == "switch";
    const bool large = argc > 1 && QByteArray(argv[1]) == "large";
    const int pages =
        argc > 1 + int(switching || large) ? QByteArray(argv[1 + int(switching || large)]).toInt() : (large ? 4 : 500);
    if (large)
        return readLargeWorks(pages);

    QTemporaryDir program;
    if (!QDir(program.path()).mkpath(u"Data"_s))
        return 1;
    const int works = switching ? 2 : Works;
    for (int i = 0; i < works; ++i) {
        // Switching, 3 MB and 1 MB; else 50 to 300 KB, a size for every work.
        const qsizetype size = switching ? (i == 0 ? 3'000'000 : 1'000'000) : 50'000 + i * 250'000 / (Works - 1);
        QFile file(program.filePath(u"Data/Произведение %1.dat"_s.arg(i, 2, 10, QChar(u'0'))));
        if (!file.open(QIODevice::WriteOnly) || file.write(workfile::encodeWork(i, bench::proseLines(size))) < 0)
            return 1;
    }

    MainWindow *window = startReader(platform::NativePath(program.path()));
    if (!window || !waitUntilShown(window))
        return 1;
    if (switching)
        window->resize(1280, 1000);
    else
        window->resize(900, 640);

    std::printf("%6s %10s %12s %10s\n", "pages", "main, MB", "renderer, MB", "tree, MB");
    qint64 treeAfter10 = 0;
    for (int page = 1; page <= pages; ++page) {
        window->followLink(u"http://www.t%1/"_s.arg(page % works));
        if (!waitUntilShown(window))
            return 1;
        if (!switching) {
            window->catalogueAction()->trigger();
            if (!waitUntilShown(window))
                return 1;
        }
        const bool report = switching ? page == 10 || page == 100 || page % 300 == 0 || page == pages
                                      : page == 10 || page == 120 || page % 50 == 0;
        if (report) {
            if (switching) {
                // As a reader looks up from a page: the engine's work done.
                QEventLoop settle;
                QTimer::singleShot(15000, &settle, &QEventLoop::quit);
                settle.exec();
            }
            const Processes now = Processes::read();
            const qint64 self = QCoreApplication::applicationPid();
            const qint64 tree = now.treeKb(self);
            if (page == 10)
                treeAfter10 = tree;
            std::printf("%6d %10lld %12lld %10lld  (%.2f of the tree after 10)\n", page,
                        now.residentKb.value(self) / 1024,
                        now.residentKb.value(window->pageView()->page()->renderProcessPid()) / 1024, tree / 1024,
                        double(tree) / double(treeAfter10));
            std::fflush(stdout);
        }
    }
    delete window;
    return 0;
}
