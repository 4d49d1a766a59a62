// Memory over a long read: the reader opens work after work from the
// catalogue (works of 50 to 300 KB, F4 after each) and prints the resident
// memory of its own process, of the renderer and of the whole process tree
// every 50 pages. Run under an X server, with nothing else busy:
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/bench_long_read [pages]
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
#include <QEventLoop>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEnginePage>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int Works = 20;

// Resident kilobytes of each process, and the parent of each.
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
                else if (line.startsWith("VmRSS:"))
                    p.residentKb[pid] = line.mid(6).trimmed().split(' ').value(0).toLongLong();
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

} // namespace

int main(int argc, char *argv[])
{
    platform::prepareWebEngineEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QLoggingCategory::setFilterRules(u"qt.webenginecontext.info=false"_s);
    QApplication app(argc, argv);
    const int pages = argc > 1 ? QByteArray(argv[1]).toInt() : 500;

    QTemporaryDir program;
    if (!QDir(program.path()).mkpath(u"Data"_s))
        return 1;
    for (int i = 0; i < Works; ++i) {
        // 50 to 300 KB of text, a different size for every work.
        const qsizetype size = 50'000 + i * 250'000 / (Works - 1);
        QFile file(program.filePath(u"Data/Произведение %1.dat"_s.arg(i, 2, 10, QChar(u'0'))));
        if (!file.open(QIODevice::WriteOnly) || file.write(workfile::encodeWork(i, bench::proseLines(size))) < 0)
            return 1;
    }

    MainWindow *window = startReader(platform::NativePath(program.path()));
    if (!window || !waitUntilShown(window))
        return 1;
    window->resize(900, 640);

    std::printf("%6s %10s %12s %10s\n", "pages", "main, MB", "renderer, MB", "tree, MB");
    qint64 treeAfter10 = 0;
    for (int page = 1; page <= pages; ++page) {
        window->followLink(u"http://www.t%1/"_s.arg(page % Works));
        if (!waitUntilShown(window))
            return 1;
        window->catalogueAction()->trigger();
        if (!waitUntilShown(window))
            return 1;
        if (page == 10 || page == 120 || page % 50 == 0) {
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
