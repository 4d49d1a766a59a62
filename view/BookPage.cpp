#include "view/BookPage.h"

#include "view/Hyphenator.h"
#include "view/PageView.h"
#include "view/PageWriter.h"
#include "view/SoftHyphens.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <utility>

void showBookPage(PageView *view, const std::shared_ptr<const Hyphenator> &hyphenator, const QString &html,
                  const PageOutline &outline, const ReadingPlace &place)
{
    auto hyphens = std::make_shared<SoftHyphens>(*hyphenator);
    const qsizetype firstPart = std::min(html.size(), PageWriter::FirstPieceSize);
    QString first;
    hyphens->feed(QStringView(html).first(firstPart), first);
    if (firstPart == html.size()) {
        hyphens->finish(first);
        view->showHtml(first, outline, place);
        return;
    }
    const quint64 request = view->showHtml(first, outline, place, false);
    // The rest is broken once the first screenful is in (or a moment later
    // at the latest): on two cores it would hold that screenful up.
    auto started = std::make_shared<bool>(false);
    const auto breakTheRest = [view = QPointer<PageView>(view), hyphenator, hyphens, html, firstPart, request,
                               started] {
        if (std::exchange(*started, true))
            return;
        // In two halves at once, the second from a line's start: the page
        // waits for all of it, and the engine has nothing to do meanwhile.
        const QStringView rest = QStringView(html).sliced(firstPart);
        const qsizetype half = SoftHyphens::half(rest);
        struct Halves
        {
            QString first;
            QString second;
            std::atomic<int> left{2};
        };
        auto halves = std::make_shared<Halves>();
        const auto done = [view, request, hyphens, halves, html, firstPart, half] {
            if (halves->left.fetch_sub(1) != 1)
                return;
            QString all = std::move(halves->first);
            hyphens->finishWith(QStringView(html).sliced(firstPart + half), halves->second, all);
            QMetaObject::invokeMethod(QCoreApplication::instance(), [view, request, all = std::move(all)] {
                if (view)
                    view->appendHtml(request, all, true);
            });
        };
        QThreadPool::globalInstance()->start([hyphens, halves, html, firstPart, half, done] {
            hyphens->feed(QStringView(html).sliced(firstPart, half), halves->first);
            done();
        });
        QThreadPool::globalInstance()->start([hyphenator, halves, html, firstPart, half, done] {
            SoftHyphens fresh(*hyphenator);
            fresh.feed(QStringView(html).sliced(firstPart + half), halves->second);
            fresh.finish(halves->second);
            done();
        });
    };
    QObject::connect(view, &PageView::begun, view, breakTheRest, Qt::SingleShotConnection);
    QTimer::singleShot(PageWriter::FirstPaintWaitMs, view, breakTheRest);
}
