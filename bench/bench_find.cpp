// Find on the page in a real window: how long a phrase takes to be counted
// and marked, and the next match to be shown, for 1,000, 20,000 and 200,000
// matches, with the processor time the renderer spent. Run under an X server, with nothing else busy:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/bench_find [runs]
//
// "Counted" is the view's first answer (the count beside the phrase), "marked"
// the moment the marks on screen are drawn, the current one among them;
// "next" how long the next match takes to be the current one, drawn (the
// mean of 50). Meanwhile the page is asked every 20 ms for its marks: the
// longest it took to answer is how long find stopped the page.
#include "Prose.h"
#include "Waits.h"
#include "format/WorkFile.h"
#include "platform/NativePath.h"
#include "ui/MainWindow.h"
#include "ui/StartReader.h"
#include "view/FindScript.h"
#include "view/PageView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

using bench::eval;
using bench::waitFor;

// The processor time a process has spent, in seconds.
double cpuSeconds(qint64 pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    // The fields after the command's closing parenthesis; utime and stime
    // are the 14th and 15th of the whole line.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

struct Case
{
    QString work;
    qsizetype size;
    QString phrase;
};

struct Result
{
    qsizetype matches = 0;
    double counted = -1;
    double current = -1;
    int drawn = 0;
    double next = -1;
    double renderer = 0;
    double longestStall = 0;
};

double median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

class Bench
{
public:
    explicit Bench(QString programFolder) : m_folder(std::move(programFolder)) { }

    bool start()
    {
        m_form = startReader(platform::NativePath(m_folder));
        if (!m_form)
            return false;
        m_form->resize(1280, 1000);
        m_form->show();
        return waitFor([this] { return m_form->pageView()->loadState() == PageView::LoadState::Ready; }, 30000);
    }

    Result run(int index, const QString &phrase)
    {
        PageView *view = m_form->pageView();
        m_form->openWork(index);
        if (!waitFor([view] { return view->loadState() == PageView::LoadState::Ready; }, 120000))
            return {};
        // The page in place and laid out.
        (void)eval(view->page(), u"document.body.offsetHeight"_s);
        Result result;
        const qint64 pid = view->page()->renderProcessPid();
        const double cpuBefore = cpuSeconds(pid);
        QElapsedTimer clock;
        QMetaObject::Connection counted = QObject::connect(view, &PageView::found, view, [&](int, int total) {
            if (result.counted < 0 && total > 0) {
                result.counted = double(clock.nsecsElapsed()) / 1e6;
                result.matches = total;
            }
        });
        clock.start();
        view->find(phrase);
        // The page is asked for its marks now and then; how long each answer
        // takes is how long the page is held.
        const QString probe =
            u"(function(){var l=document.querySelector('%1');var r=l&&l.shadowRoot;"
            u"return r?[r.querySelectorAll('div').length,!!r.querySelector('[data-current]')]:[0,false];})()"_s.arg(
                QString::fromUtf16(FindMarkTag));
        const auto ask = [&] {
            QElapsedTimer asked;
            asked.start();
            QVariantList answer = eval(view->page(), probe).toList();
            result.longestStall = std::max(result.longestStall, double(asked.nsecsElapsed()) / 1e6);
            return answer;
        };
        while (clock.elapsed() < 300000) {
            const QVariantList answer = ask();
            if (result.current < 0 && answer.value(1).toBool()) {
                result.current = double(clock.nsecsElapsed()) / 1e6;
                result.drawn = answer.value(0).toInt();
                break;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        // Then the next match, fifty times, each asked for once drawn.
        QElapsedTimer walk;
        walk.start();
        for (int i = 0; i < 50 && result.matches > 0; ++i) {
            view->findNext();
            (void)ask();
        }
        result.next = double(walk.nsecsElapsed()) / 1e6 / 50;
        result.renderer = cpuSeconds(pid) - cpuBefore;
        QObject::disconnect(counted);
        view->clearFind();
        return result;
    }

    [[nodiscard]] MainWindow *form() const { return m_form; }

private:
    QString m_folder;
    MainWindow *m_form = nullptr;
};

} // namespace

int main(int argc, char **argv)
{
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;

    // A short page with a thousand matches, and a 3 MB work with a common
    // word (about 20,000) and a common letter (about 200,000).
    const Case cases[] = {{u"Короткий"_s, qsizetype(27) * 1024, u"и"_s},
                          {u"Большой"_s, qsizetype(3) * 1024 * 1024, u"садом"_s},
                          {u"Большой"_s, qsizetype(3) * 1024 * 1024, u"о"_s}};
    QTemporaryDir folder;
    QDir(folder.path()).mkpath(u"Data"_s);
    for (const Case &c : cases) {
        QFile file(folder.filePath(u"Data/"_s + c.work + u".dat"_s));
        if (!file.exists()
            && (!file.open(QIODevice::WriteOnly) || !file.write(workfile::encodeWork(7, bench::proseLines(c.size)))))
            return 1;
    }
    Bench bench(folder.path());
    if (!bench.start()) {
        std::fprintf(stderr, "bench_find: the reader did not start\n");
        return 1;
    }
    const QStringList names = bench.form()->collection().workNames();
    std::printf("%-10s %-8s %8s %10s %10s %8s %10s %12s %12s\n", "work", "phrase", "matches", "counted ms", "marked ms",
                "drawn", "next ms", "renderer s", "longest ms");
    for (const Case &c : cases) {
        std::vector<double> counted, current, next, renderer, stall;
        qsizetype matches = 0;
        int drawn = 0;
        for (int run = 0; run < runs; ++run) {
            const Result r = bench.run(int(names.indexOf(c.work)), c.phrase);
            matches = r.matches;
            drawn = r.drawn;
            counted.push_back(r.counted);
            current.push_back(r.current);
            next.push_back(r.next);
            renderer.push_back(r.renderer);
            stall.push_back(r.longestStall);
        }
        std::printf("%-10s %-8s %8lld %10.0f %10.0f %8d %10.1f %12.2f %12.0f\n", qPrintable(c.work),
                    qPrintable(c.phrase), static_cast<long long>(matches), median(counted), median(current), drawn,
                    median(next), median(renderer), median(stall));
        std::fflush(stdout);
    }
    bench.form()->close();
    return 0;
}
