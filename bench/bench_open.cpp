// How fast pages appear, beside the engine's floor: a bare view writing the
// same HTML in one piece. Run under an X server, with nothing else busy:
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/bench_open [runs] [works,startup,big,layout]
//
// 1. Works of 0.1, 1, 3 and 5 MB: from the click on the work's link to the
//    first lines painted, and to the whole page laid out.
// 2. Start-up with 10,000 works: from the start of the process to the
//    catalogue painted, beside a process that writes the same page.
// 3. A 50 MB work: first lines, whole page, how fast F4 brings the
//    catalogue back at moments during the write, the longest the window
//    stops answering, and the peak memory of the whole process tree beside
//    the floor's for the same page.
// 4. (layout, not run by default) The book page: the 1 and 3 MB works'
//    first lines and whole page with «Удобное чтение» off and on; then
//    switching theme, font and layout on the 3 MB work half way down: the
//    screen changed, the page laid out again, and how far the place at the
//    top moved.
//
// "Painted" is read off the pixels the view shows (its top band), polled.
#include "Prose.h"
#include "Waits.h"

#include "format/Collection.h"
#include "format/Pages.h"
#include "format/WorkFile.h"
#include "platform/NativePath.h"
#include "ui/MainWindow.h"
#include "ui/StartReader.h"
#include "view/PageView.h"
#include "view/PageViewTesting.h"
#include "view/PageWriter.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLoggingCategory>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int BandHeight = 60;
constexpr QSize ViewSize(900, 640);

qint64 now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// --- What the view shows -------------------------------------------------

QWidget *screenOf(QWebEngineView *view)
{
    return view->focusProxy() ? view->focusProxy() : view;
}

QImage topBand(QWebEngineView *view)
{
    QWidget *screen = screenOf(view);
    return screen->grab(QRect(0, 0, screen->width(), BandHeight)).toImage().convertToFormat(QImage::Format_RGB32);
}

// Pixels by kind in the top band: dark (text), and link blue.
struct Ink
{
    int dark = 0;
    int blue = 0;
};

Ink inkOf(const QImage &band)
{
    Ink ink;
    for (int y = 0; y < band.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(band.constScanLine(y));
        for (int x = 0; x < band.width(); ++x) {
            const int r = qRed(line[x]), g = qGreen(line[x]), b = qBlue(line[x]);
            if (r < 100 && g < 100 && b < 100)
                ++ink.dark;
            else if (b > 150 && r < 110 && g < 110)
                ++ink.blue;
        }
    }
    return ink;
}

// The same text in the band; the right edge, where a scroll bar comes and
// goes with the page's length, is left out.
bool sameBand(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return false;
    const int width = a.width() - 30;
    int differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *la = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *lb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < width; ++x)
            differing += la[x] != lb[x];
    }
    return differing <= width * a.height() / 200;
}

// A work page's top line is its blue back link; the catalogue's is the
// author's name in black.
bool showsWorkPage(const QImage &band)
{
    QImage top = band.copy(0, 0, band.width(), 22);
    return inkOf(top).blue > 40;
}

bool showsCatalogue(const QImage &band)
{
    QImage top = band.copy(0, 0, band.width(), 22);
    const Ink ink = inkOf(top);
    return ink.dark > 100 && ink.blue < 10;
}

// Polls what the view shows until test holds; the time since start in ms,
// or -1 after timeoutMs.
double waitUntilShown(QWebEngineView *view, const std::function<bool(const QImage &)> &test, const QElapsedTimer &start,
                      int timeoutMs = 120000)
{
    while (start.elapsed() < timeoutMs) {
        if (test(topBand(view)))
            return static_cast<double>(start.nsecsElapsed()) / 1e6;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 3);
    }
    return -1;
}

using bench::eval;
using bench::waitFor;

// --- Collections ---------------------------------------------------------

QStringList prose(qsizetype bytes)
{
    QStringList lines;
    qsizetype total = 0;
    for (int i = 1; total < bytes; ++i) {
        QString line = u"Абзац %1. Опять над садом низкий дым, и яблоки в траве холодной, и ветер, вечно "
                       u"молодым прикинувшись, бредёт свободно; он трогает пустой гамак."_s.arg(i);
        total += line.size() + 2;
        lines.append(line);
    }
    return lines;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The page the reader writes for a work file, as it writes it.
QString workPageOf(const QString &path, const QString &name)
{
    platform::InputTextFile in;
    (void)in.open(platform::NativePath(path));
    platform::LegacyRandom random;
    const workfile::Header header = workfile::readHeader(in, random);
    return pages::workPage(name, workfile::decodeBody(in, header.tables));
}

// --- The floor: a bare view ----------------------------------------------

class BareView
{
public:
    BareView()
    {
        m_page = new QWebEnginePage(&m_profile, &m_view);
        m_view.setPage(m_page);
        m_view.resize(ViewSize);
        m_view.move(ViewSize.width() + 10, 0);
        m_view.show();
    }
    ~BareView() { m_view.setPage(nullptr); }

    QWebEngineView *view() { return &m_view; }

    bool loadEmpty()
    {
        bool done = false;
        auto c = QObject::connect(m_page, &QWebEnginePage::loadFinished, [&] { done = true; });
        m_page->setHtml(u"<html><body></body></html>"_s);
        const bool ok = waitFor([&] { return done; }, 30000);
        QObject::disconnect(c);
        return ok;
    }

    // Writes the page in one piece; calls back when the engine has it.
    void write(const QString &script, std::function<void()> written)
    {
        m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                              [written = std::move(written)](const QVariant &) { written(); });
    }

    QWebEnginePage *page() { return m_page; }

private:
    QWebEngineProfile m_profile;
    QWebEngineView m_view;
    QWebEnginePage *m_page = nullptr;
};

QString oneWriteScript(const QString &html)
{
    return u"document.open();document.write("_s + PageWriter::jsonString(html) + u");document.close();"_s;
}

// --- Children: one process each, for start-up and memory ----------------

// Prints "painted <epoch ms>" once the catalogue is painted, then ends.
int readerStartupChild(const QString &folder)
{
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *window = qobject_cast<MainWindow *>(w);
            if (!window || !window->isVisible())
                continue;
            if (showsCatalogue(topBand(window->pageView()->browser()))) {
                poll.stop();
                std::printf("painted %lld\n", now());
                window->close();
            }
        }
    });
    poll.start(2);
    return runReader(platform::NativePath(folder));
}

int floorStartupChild(const QString &pageFile)
{
    QFile f(pageFile);
    if (!f.open(QIODevice::ReadOnly))
        return 2;
    const QString script = oneWriteScript(QString::fromUtf8(f.readAll()));
    BareView bare;
    bare.view()->resize(MainWindow::ClientWidth, MainWindow::ClientHeight);
    if (!bare.loadEmpty())
        return 3;
    bare.write(script, [] {});
    QElapsedTimer t;
    t.start();
    if (waitUntilShown(bare.view(), showsCatalogue, t) < 0)
        return 4;
    std::printf("painted %lld\n", now());
    return 0;
}

// Opens the big work (the reader) or writes its page (the floor), and
// prints when the first lines are painted and when the page is laid out;
// the reader also prints the longest the event loop stalled meanwhile.
int bigReaderChild(const QString &folder)
{
    MainWindow *window = startReader(platform::NativePath(folder));
    window->resize(ViewSize + QSize(0, window->height() - window->clientSize().height()));
    PageView *view = window->pageView();
    if (!waitFor([&] { return view->loadState() == PageView::LoadState::Ready; }, 60000))
        return 3;
    QTest::qWait(500);
    qint64 stall = 0;
    QElapsedTimer tick;
    tick.start();
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] { stall = std::max(stall, tick.restart() - 10); });
    heartbeat.start(10);
    QElapsedTimer t;
    t.start();
    std::printf("start %lld\n", now());
    window->openWork(0);
    const double first = waitUntilShown(view->browser(), showsWorkPage, t);
    if (!waitFor([&] { return view->loadState() == PageView::LoadState::Ready; }, 600000))
        return 4;
    (void)eval(view->page(), u"document.body.offsetHeight"_s);
    std::printf("first %.0f\nwhole %lld\nstall %lld\n", first, t.elapsed(), stall);
    delete window;
    return 0;
}

int bigFloorChild(const QString &pageFile)
{
    QFile f(pageFile);
    if (!f.open(QIODevice::ReadOnly))
        return 2;
    QString script = oneWriteScript(QString::fromUtf8(f.readAll()));
    BareView bare;
    if (!bare.loadEmpty())
        return 3;
    QTest::qWait(500);
    bool written = false;
    QElapsedTimer t;
    t.start();
    std::printf("start %lld\n", now());
    bare.write(script, [&] { written = true; });
    script.clear();
    const double first = waitUntilShown(bare.view(), showsWorkPage, t);
    if (!waitFor([&] { return written; }, 600000))
        return 4;
    (void)eval(bare.page(), u"document.body.offsetHeight"_s);
    std::printf("first %.0f\nwhole %lld\n", first, t.elapsed());
    return 0;
}

// F4 at a moment during the big work's write: ms until the catalogue is painted.
int bigF4Child(const QString &folder, int afterMs)
{
    MainWindow *window = startReader(platform::NativePath(folder));
    window->resize(ViewSize + QSize(0, window->height() - window->clientSize().height()));
    PageView *view = window->pageView();
    if (!waitFor([&] { return view->loadState() == PageView::LoadState::Ready; }, 60000))
        return 3;
    window->activateWindow();
    (void)QTest::qWaitForWindowActive(window);
    window->openWork(0);
    QElapsedTimer opened;
    opened.start();
    if (waitUntilShown(view->browser(), showsWorkPage, opened) < 0)
        return 4;
    QTest::qWait(afterMs);
    const bool writing = view->loadState() == PageView::LoadState::Loading;
    QElapsedTimer t;
    t.start();
    QTest::keyClick(screenOf(view->browser()), Qt::Key_F4);
    const double shown = waitUntilShown(view->browser(), showsCatalogue, t, 60000);
    std::printf("catalogue %.0f %s\n", shown, writing ? "writing" : "done");
    delete window;
    return 0;
}

int runChild()
{
    const QString mode = qEnvironmentVariable("BENCH_CHILD");
    const QString argument = qEnvironmentVariable("BENCH_ARGUMENT");
    if (mode == u"reader-startup"_s)
        return readerStartupChild(argument);
    if (mode == u"floor-startup"_s)
        return floorStartupChild(argument);
    if (mode == u"reader-big"_s)
        return bigReaderChild(argument);
    if (mode == u"floor-big"_s)
        return bigFloorChild(argument);
    if (mode == u"reader-f4"_s)
        return bigF4Child(argument, qEnvironmentVariableIntValue("BENCH_AFTER_MS"));
    return 2;
}

// --- The parent ----------------------------------------------------------

// The resident memory of a process and all its descendants, in bytes.
qint64 treeResidentBytes(qint64 root)
{
    QHash<qint64, qint64> parentOf;
    QHash<qint64, qint64> rss;
    for (const QString &entry : QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        QFile status(u"/proc/%1/status"_s.arg(pid));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("PPid:"))
                parentOf[pid] = line.mid(5).trimmed().toLongLong();
            else if (line.startsWith("VmRSS:"))
                rss[pid] = line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
        }
    }
    qint64 total = 0;
    for (auto it = rss.constBegin(); it != rss.constEnd(); ++it) {
        for (qint64 p = it.key(); p > 1; p = parentOf.value(p, 0)) {
            if (p == root) {
                total += it.value();
                break;
            }
        }
    }
    return total;
}

struct ChildResult
{
    QHash<QString, double> values;
    qint64 startedAt = 0;
    qint64 peakBytes = 0;
    bool ok = false;
};

ChildResult runChildProcess(const QString &mode, const QString &argument, int afterMs = 0, bool sampleMemory = false)
{
    ChildResult result;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"BENCH_CHILD"_s, mode);
    env.insert(u"BENCH_ARGUMENT"_s, argument);
    env.insert(u"BENCH_AFTER_MS"_s, QString::number(afterMs));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    result.startedAt = now();
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForStarted())
        return result;
    while (child.state() != QProcess::NotRunning) {
        if (sampleMemory)
            result.peakBytes = std::max(result.peakBytes, treeResidentBytes(child.processId()));
        child.waitForFinished(sampleMemory ? 50 : 200);
    }
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() >= 2)
            result.values[QString::fromLatin1(words[0])] = words[1].toDouble();
    }
    result.ok = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    return result;
}

struct Work
{
    QString name;
    qsizetype bytes;
};

int runParent(int runs, const QStringList &parts)
{
    QTemporaryDir program;
    QDir(program.path()).mkpath(u"Data"_s);
    const std::vector<Work> works = {
        {u"a 0.1 MB"_s, 100'000}, {u"b 1 MB"_s, 1'000'000}, {u"c 3 MB"_s, 3'000'000}, {u"d 5 MB"_s, 5'000'000}};
    for (const Work &work : works) {
        if (!writeFile(program.filePath(u"Data/"_s + work.name + u".dat"_s),
                       workfile::encodeWork(77, prose(work.bytes))))
            return 1;
    }
    // Prose of lines of every length, for what a book page of it looks like.
    if (parts.contains(u"layout"_s)
        && !writeFile(program.filePath(u"Data/e prose.dat"_s), workfile::encodeWork(78, bench::proseLines(3'000'000))))
        return 1;

    if (parts.contains(u"works"_s)) {
        std::printf("1. Works: click to first lines painted and to the whole page laid out (median of %d, ms)\n", runs);
        std::printf("%-9s %10s | %8s %8s | %8s %8s %6s\n", "work", "chars", "first", "floor", "whole", "floor",
                    "ratio");
        {
            MainWindow *window = startReader(platform::NativePath(program.path()));
            window->resize(ViewSize + QSize(0, window->height() - window->clientSize().height()));
            window->move(0, 0);
            window->activateWindow();
            if (!QTest::qWaitForWindowActive(window))
                return 1;
            PageView *view = window->pageView();
            BareView bare;
            if (!bare.loadEmpty())
                return 1;
            const auto ready = [view] { return view->loadState() == PageView::LoadState::Ready; };

            for (int i = 0; i < static_cast<int>(works.size()); ++i) {
                const QString page =
                    workPageOf(program.filePath(u"Data/"_s + works[i].name + u".dat"_s), works[i].name);
                const QString script = oneWriteScript(page);

                // What the first screen looks like once the page is in place.
                window->openWork(i);
                waitFor(ready, 120000);
                (void)eval(view->page(), u"window.scrollTo(0,0);document.body.offsetHeight"_s);
                QTest::qWait(300);
                const QImage readerReference = topBand(view->browser());
                bool written = false;
                bare.write(script, [&] { written = true; });
                waitFor([&] { return written; }, 120000);
                (void)eval(bare.page(), u"window.scrollTo(0,0);document.body.offsetHeight"_s);
                QTest::qWait(300);
                const QImage floorReference = topBand(bare.view());

                std::vector<double> first, whole, floorFirst, floorWhole;
                for (int r = 0; r < runs; ++r) {
                    window->showCatalogue();
                    waitFor(ready, 60000);
                    QTest::qWait(200);
                    const QVariantList xy =
                        eval(view->page(),
                             u"(function(){var r=document.querySelector(\"a[href='http://www.t%1']\")"
                             u".getBoundingClientRect();return [r.left+10,r.top+r.height/2];})()"_s.arg(i))
                            .toList();
                    const QPoint at(xy.value(0).toInt(), xy.value(1).toInt());
                    QWidget *input = screenOf(view->browser());
                    // Away from every link and back, each seen by the engine.
                    QTest::mouseMove(input, QPoint(view->width() - 3, view->height() - 3));
                    waitFor([&] { return PageViewTesting::statusText(*view).isEmpty(); }, 5000);
                    QTest::mouseMove(input, at);
                    waitFor([&] { return PageViewTesting::statusText(*view) == u"http://www.t%1/"_s.arg(i); }, 10000);

                    QElapsedTimer t;
                    t.start();
                    QTest::mouseClick(input, Qt::LeftButton, {}, at);
                    first.push_back(waitUntilShown(
                        view->browser(), [&](const QImage &band) { return sameBand(band, readerReference); }, t,
                        30000));
                    if (first.back() < 0) {
                        // Left for a look: what was expected, and what was shown.
                        readerReference.save(QDir::temp().filePath(u"bench_open-expected.png"_s));
                        topBand(view->browser()).save(QDir::temp().filePath(u"bench_open-shown.png"_s));
                    }
                    waitFor(ready, 120000);
                    (void)eval(view->page(), u"document.body.offsetHeight"_s);
                    whole.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);

                    if (!bare.loadEmpty())
                        return 1;
                    QTest::qWait(200);
                    bool done = false;
                    QElapsedTimer f;
                    f.start();
                    bare.write(script, [&] { done = true; });
                    floorFirst.push_back(waitUntilShown(
                        bare.view(), [&](const QImage &band) { return sameBand(band, floorReference); }, f));
                    waitFor([&] { return done; }, 120000);
                    (void)eval(bare.page(), u"document.body.offsetHeight"_s);
                    floorWhole.push_back(static_cast<double>(f.nsecsElapsed()) / 1e6);
                }
                std::printf("%-9s %10lld | %8.0f %8.0f | %8.0f %8.0f %6.2f\n", qPrintable(works[i].name),
                            static_cast<long long>(page.size()), median(first), median(floorFirst), median(whole),
                            median(floorWhole), median(whole) / median(floorWhole));
            }
            delete window;
        }
    }

    if (parts.contains(u"layout"_s)) {
        std::printf(
            "\n4. The book page (\u00abУдобное чтение\u00bb): click to first lines painted and to the whole page,"
            " off and on (median of %d, ms)\n",
            runs);
        std::printf("%-9s | %8s %8s | %8s %8s | %6s %6s\n", "work", "first", "on", "whole", "on", "first", "whole");
        MainWindow *window = startReader(platform::NativePath(program.path()));
        window->resize(QSize(1280, 1000));
        window->move(0, 0);
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window))
            return 1;
        PageView *view = window->pageView();
        auto *book = window->findChild<QAction *>(u"bookLayoutAction"_s);
        const auto ready = [view] { return view->loadState() == PageView::LoadState::Ready; };
        for (int i : {1, 2}) {
            double first[2] = {0, 0};
            double whole[2] = {0, 0};
            for (const bool on : {false, true}) {
                if (book->isChecked() != on)
                    book->trigger();
                window->openWork(i);
                waitFor(ready, 120000);
                (void)eval(view->page(), u"window.scrollTo(0,0);document.body.offsetHeight"_s);
                QTest::qWait(300);
                const QImage reference = topBand(view->browser());
                std::vector<double> firsts, wholes;
                for (int r = 0; r < runs; ++r) {
                    window->showCatalogue();
                    waitFor(ready, 60000);
                    QTest::qWait(200);
                    QElapsedTimer t;
                    t.start();
                    window->openWork(i);
                    firsts.push_back(waitUntilShown(
                        view->browser(), [&](const QImage &band) { return sameBand(band, reference); }, t, 30000));
                    waitFor(ready, 120000);
                    (void)eval(view->page(), u"document.body.offsetHeight"_s);
                    wholes.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
                }
                first[on] = median(firsts);
                whole[on] = median(wholes);
            }
            std::printf("%-9s | %8.0f %8.0f | %8.0f %8.0f | %6.2f %6.2f\n", qPrintable(works[i].name), first[0],
                        first[1], whole[0], whole[1], first[1] / first[0], whole[1] / whole[0]);
        }

        // The book page as a reader sees it, in a window of 1,280 x 1,000: the
        // letters in a line, the line pitch, and the words broken at a line's
        // end on one screen, of 3 MB of prose.
        {
            if (!book->isChecked())
                book->trigger();
            window->openWork(4);
            waitFor(ready, 120000);
            (void)eval(view->page(), u"window.scrollTo(0, document.documentElement.scrollHeight / 2)"_s);
            QTest::qWait(500);
            const QVariantList page = eval(view->page(), uR"((function () {
  // Each line of the screen, by its middle: where it starts and ends in
  // the text, and whether it ends at a soft hyphen.
  var font = document.querySelector('body > table font'), box = font.getBoundingClientRect();
  var style = getComputedStyle(font), pitch = parseFloat(style.lineHeight);
  var left = box.left + parseFloat(style.paddingLeft) + 1, right = box.right - parseFloat(style.paddingRight) - 1;
  var counts = [], breaks = 0, shy = String.fromCharCode(0xad);
  for (var y = pitch / 2; y < innerHeight; y += pitch) {
    var a = document.caretRangeFromPoint(left, y), b = document.caretRangeFromPoint(right, y);
    if (!a || !b || a.startContainer !== b.startContainer || a.startContainer.nodeType !== 3) continue;
    var line = a.startContainer.data.slice(a.startOffset, b.startOffset + 1);
    counts.push(line.split(shy).join('').length);
    var d = b.startContainer.data, o = b.startOffset;
    if (d[o] === shy || d[o - 1] === shy || d[o + 1] === shy) ++breaks;
  }
  counts.sort(function (x, z) { return x - z; });
  return [counts[counts.length >> 1], pitch, breaks, counts.length];
})())"_s)
                                          .toList();
            std::printf(
                "\nthe book page, 3 MB of prose half way down: %d characters a line (median), line pitch %.1f px,"
                " %d of %d lines end in a broken word\n",
                page.value(0).toInt(), page.value(1).toDouble(), page.value(2).toInt(), page.value(3).toInt());
            book->trigger();
        }

        // A change of theme, font or layout on the 3 MB work, half way down:
        // the screen changed, the whole page laid out again, and where the
        // place at the top went (characters of the text).
        std::printf("\n5. Switching on the 3 MB work, half way down (median of %d, ms)\n", runs);
        std::printf("%-22s %10s %10s %12s\n", "switch", "painted", "laid out", "place moved");
        if (book->isChecked())
            book->trigger();
        window->openWork(2);
        waitFor(ready, 120000);
        (void)eval(view->page(), u"window.scrollTo(0, document.documentElement.scrollHeight / 2)"_s);
        QTest::qWait(500);
        const auto menuAction = [window](const QString &menu, const QString &text) -> QAction * {
            for (QAction *action : window->findChild<QMenu *>(menu)->actions()) {
                if (action->text() == text)
                    return action;
            }
            return nullptr;
        };
        const struct
        {
            const char *name;
            QAction *there;
            QAction *back;
        } switches[] = {
            {"theme Day -> Night", menuAction(u"themeMenu"_s, u"Ночь"_s), menuAction(u"themeMenu"_s, u"День"_s)},
            {"font -> PT Serif", menuAction(u"fontMenu"_s, u"PT Serif"_s),
             menuAction(u"fontMenu"_s, u"Как на странице"_s)},
            {"book page on", book, book},
        };
        for (const auto &change : switches) {
            if (!change.there) {
                std::printf("%-22s (not offered here)\n", change.name);
                continue;
            }
            std::vector<double> painted, laidOut, moved;
            for (int r = 0; r < runs; ++r) {
                for (QAction *action : {change.there, change.back}) {
                    const qint64 before = eval(view->page(), u"__sobranieGuards.placeAt()"_s).toLongLong();
                    const QImage band = topBand(view->browser());
                    QElapsedTimer t;
                    t.start();
                    action->trigger();
                    const double shown = waitUntilShown(
                        view->browser(), [&](const QImage &now) { return !sameBand(now, band); }, t, 30000);
                    waitFor(ready, 120000);
                    (void)eval(view->page(), u"document.body.offsetHeight"_s);
                    const double settled = static_cast<double>(t.nsecsElapsed()) / 1e6;
                    QTest::qWait(300);
                    const qint64 after = eval(view->page(), u"__sobranieGuards.placeAt()"_s).toLongLong();
                    if (action == change.there) {
                        painted.push_back(shown);
                        laidOut.push_back(settled);
                        moved.push_back(static_cast<double>(std::abs(after - before)));
                    }
                }
            }
            std::printf("%-22s %10.0f %10.0f %12.0f\n", change.name, median(painted), median(laidOut), median(moved));
        }
        delete window;
    }

    if (parts.contains(u"startup"_s)) {
        std::printf("\n2. Start-up with 10,000 works: process start to catalogue painted (median of %d, ms)\n", runs);
        {
            QTemporaryDir many;
            QDir(many.path()).mkpath(u"Data"_s);
            for (int i = 0; i < 10000; ++i) {
                if (!writeFile(many.filePath(u"Data/Произведение номер %1.dat"_s.arg(i, 5, 10, QChar(u'0'))), "1\r\n"))
                    return 1;
            }
            const QString pageFile = many.filePath(u"catalogue.html"_s);
            const QString catalogue = Collection::load(platform::NativePath(many.path())).cataloguePage();
            writeFile(pageFile, catalogue.toUtf8());
            std::vector<double> reader, floor;
            for (int r = 0; r < runs; ++r) {
                const ChildResult a = runChildProcess(u"reader-startup"_s, many.path());
                const ChildResult b = runChildProcess(u"floor-startup"_s, pageFile);
                if (!a.ok || !b.ok)
                    return 1;
                reader.push_back(a.values.value(u"painted"_s) - static_cast<double>(a.startedAt));
                floor.push_back(b.values.value(u"painted"_s) - static_cast<double>(b.startedAt));
            }
            std::printf("catalogue of %lld characters: reader %.0f, floor %.0f, ratio %.2f\n",
                        static_cast<long long>(catalogue.size()), median(reader), median(floor),
                        median(reader) / median(floor));
        }
    }

    if (parts.contains(u"big"_s)) {
        std::printf("\n3. A 50 MB work\n");
        {
            QTemporaryDir big;
            QDir(big.path()).mkpath(u"Data"_s);
            const QString file = big.filePath(u"Data/Большое.dat"_s);
            if (!writeFile(file, workfile::encodeWork(77, prose(50'000'000))))
                return 1;
            const QString pageFile = big.filePath(u"page.html"_s);
            writeFile(pageFile, workPageOf(file, u"Большое"_s).toUtf8());

            const ChildResult reader = runChildProcess(u"reader-big"_s, big.path(), 0, true);
            const ChildResult floor = runChildProcess(u"floor-big"_s, pageFile, 0, true);
            if (!reader.ok || !floor.ok)
                return 1;
            std::printf("first lines: reader %.0f ms, floor %.0f ms\n", reader.values.value(u"first"_s),
                        floor.values.value(u"first"_s));
            std::printf("whole page:  reader %.1f s, floor %.1f s, ratio %.2f\n",
                        reader.values.value(u"whole"_s) / 1000, floor.values.value(u"whole"_s) / 1000,
                        reader.values.value(u"whole"_s) / floor.values.value(u"whole"_s));
            std::printf("longest the reader's window stopped answering: %.0f ms\n", reader.values.value(u"stall"_s));
            std::printf("peak memory of the process tree: reader %.0f MB, floor %.0f MB, ratio %.2f\n",
                        static_cast<double>(reader.peakBytes) / 1048576.0,
                        static_cast<double>(floor.peakBytes) / 1048576.0,
                        static_cast<double>(reader.peakBytes) / static_cast<double>(floor.peakBytes));
            for (int after : {0, 1000, 3000, 8000}) {
                const ChildResult f4 = runChildProcess(u"reader-f4"_s, big.path(), after);
                std::printf("F4 %5d ms after the first lines: catalogue painted after %.0f ms%s\n", after,
                            f4.values.value(u"catalogue"_s), f4.ok ? "" : " (failed)");
            }
        }
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // What the reader keeps from run to run goes nowhere the next run sees.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QLoggingCategory::setFilterRules(u"qt.webenginecontext.info=false"_s);
    QApplication app(argc, argv);
    // Figures appear as they are measured, also through a pipe.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (qEnvironmentVariableIsSet("BENCH_CHILD"))
        return runChild();
    const QStringList parts =
        argc > 2 ? QString::fromLocal8Bit(argv[2]).split(u',') : QStringList{u"works"_s, u"startup"_s, u"big"_s};
    return runParent(argc > 1 ? std::max(1, std::atoi(argv[1])) : 5, parts);
}
