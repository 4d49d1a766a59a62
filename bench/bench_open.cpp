// Opening a work from a click on its link until its page is laid out, for
// works of 0.1, 1 and 3 MB, beside the engine's own floor: the same page
// loaded from a local file into a bare view. Run under an X server:
//   xvfb-run -a build/bench/bench_open
#include "format/Pages.h"
#include "format/WorkFile.h"
#include "platform/NativePath.h"
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
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int Runs = 5;

QVariant eval(QWebEnginePage *page, const QString &script)
{
    auto result = std::make_shared<QVariant>();
    auto done = std::make_shared<bool>(false);
    QEventLoop loop;
    QPointer<QEventLoop> guard(&loop);
    page->runJavaScript(script, [result, done, guard](const QVariant &v) {
        *result = v;
        *done = true;
        if (guard)
            guard->quit();
    });
    if (!*done)
        loop.exec();
    return *result;
}

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

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Click on the work's link in the catalogue until the work page is in place
// and laid out (the page is written and laid out before the catalogue command is enabled).
double openByClick(MainWindow &form, int index)
{
    PageView *view = form.pageView();
    form.showCatalogue();
    QWidget *input = view->browser()->focusProxy();
    const QVariantList xy =
        eval(view->page(), u"(function(){var r=document.querySelector(\"a[href='http://www.t%1']\")"
                           u".getBoundingClientRect();return [r.left+10,r.top+r.height/2];})()"_s.arg(index))
            .toList();
    const QPoint at(xy[0].toInt(), xy[1].toInt());
    QTest::mouseMove(input, at);
    QElapsedTimer wait;
    wait.start();
    while (view->statusText() != u"http://www.t%1/"_s.arg(index) && wait.elapsed() < 10000)
        QTest::qWait(5);

    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(input, Qt::LeftButton, {}, at);
    while (!form.catalogueAction()->isEnabled() && timer.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// The same page from a local file into a bare view, until loaded and laid out.
double openFloor(QWebEngineView &bare, const QString &htmlFile)
{
    bare.setHtml(u"<html><body></body></html>"_s);
    QTest::qWait(50);
    QElapsedTimer timer;
    timer.start();
    QEventLoop loop;
    auto connection = QObject::connect(bare.page(), &QWebEnginePage::loadFinished, &loop, &QEventLoop::quit);
    bare.load(QUrl::fromLocalFile(htmlFile));
    loop.exec();
    QObject::disconnect(connection);
    (void)eval(bare.page(), u"document.body.offsetHeight"_s);
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QLoggingCategory::setFilterRules(u"qt.webenginecontext.info=false"_s);
    QApplication app(argc, argv);

    QTemporaryDir program;
    QDir(program.path()).mkpath(u"Data"_s);
    const std::vector<std::pair<QString, qsizetype>> works = {
        {u"a 0.1 MB"_s, 100 * 1000}, {u"b 1 MB"_s, 1000 * 1000}, {u"c 3 MB"_s, 3000 * 1000}};
    std::vector<qsizetype> fileSizes;
    for (const auto &[name, size] : works) {
        const QByteArray bytes = workfile::encodeWork(77, prose(size));
        QFile f(program.filePath(u"Data/"_s + name + u".dat"_s));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return 1;
        fileSizes.push_back(bytes.size());
    }

    MainWindow *window = startReader(platform::NativePath(program.path()));
    if (!window)
        return 1;
    MainWindow &form = *window;
    form.resize(900, 700);
    form.activateWindow();
    if (!QTest::qWaitForWindowActive(&form))
        return 1;

    QWebEngineProfile profile;
    QWebEngineView bare;
    QWebEnginePage barePage(&profile);
    bare.setPage(&barePage);
    bare.resize(form.pageView()->size());
    bare.show();

    std::printf("%-10s %12s %14s %14s %8s\n", "work", "file bytes", "click ms", "floor ms", "ratio");
    for (int i = 0; i < static_cast<int>(works.size()); ++i) {
        // The floor loads exactly the page the reader writes.
        platform::InputTextFile in;
        (void)in.open(platform::NativePath(program.filePath(u"Data/"_s + works[i].first + u".dat"_s)));
        platform::LegacyRandom random;
        const workfile::Header header = workfile::readHeader(in, random);
        const QString page = pages::workPage(works[i].first, workfile::decodeBody(in, header.tables));
        const QString htmlFile = program.filePath(u"floor.html"_s);
        QFile out(htmlFile);
        if (!out.open(QIODevice::WriteOnly))
            return 1;
        out.write(u"<meta charset='utf-8'>"_s.toUtf8() + page.toUtf8());
        out.close();

        std::vector<double> clicks, floors;
        (void)openByClick(form, i); // warm-up
        (void)openFloor(bare, htmlFile);
        for (int r = 0; r < Runs; ++r) {
            clicks.push_back(openByClick(form, i));
            floors.push_back(openFloor(bare, htmlFile));
        }
        const double c = median(clicks);
        const double f = median(floors);
        std::printf("%-10s %12lld %14.1f %14.1f %8.2f\n", qPrintable(works[i].first),
                    static_cast<long long>(fileSizes[i]), c, f, c / f);
        std::fflush(stdout);
    }
    bare.setPage(nullptr);
    delete &form;
    return 0;
}
