#include "format/CollectionSearch.h"

#include "format/TextMatch.h"

#include <QElapsedTimer>
#include <QMetaObject>

CollectionSearch::CollectionSearch(QObject *parent, qsizetype maxLinesInAll)
    : QObject(parent), m_maxLinesInAll(maxLinesInAll)
{
    m_pool.setMaxThreadCount(1);
    // The window's thread first, on a machine with few cores.
    m_pool.setThreadPriority(QThread::LowPriority);
}

CollectionSearch::~CollectionSearch()
{
    cancel();
    m_pool.waitForDone();
}

void CollectionSearch::start(const Collection &collection, const QString &phrase, const platform::LegacyRandom &random)
{
    cancel();
    const quint64 generation = m_generation;
    m_running = true;
    if (textmatch::isBlank(phrase) || collection.lastWorkIndex() < 0) {
        // As a search that found nothing: the end comes later, never inside start().
        QMetaObject::invokeMethod(
            this, [this, generation] { deliver(generation, {}, 0, 0, true); }, Qt::QueuedConnection);
        return;
    }
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    m_cancelled = cancelled;
    m_pool.start([this, generation, collection, folded = textmatch::fold(phrase), random, cancelled] {
        search(generation, collection, folded, random, *cancelled);
    });
}

void CollectionSearch::cancel()
{
    if (m_cancelled)
        m_cancelled->store(true, std::memory_order_relaxed);
    m_cancelled.reset();
    // Whatever the old search has already handed over is dropped on arrival.
    ++m_generation;
    m_running = false;
}

void CollectionSearch::deliver(quint64 generation, const QList<worksearch::WorkMatches> &works, qsizetype searched,
                               qsizetype total, bool done)
{
    if (generation != m_generation)
        return;
    if (!works.isEmpty())
        Q_EMIT found(works);
    if (total > 0)
        Q_EMIT progress(searched, total);
    if (done) {
        m_running = false;
        m_cancelled.reset();
        Q_EMIT finished();
    }
}

void CollectionSearch::search(quint64 generation, const Collection &collection, const QString &foldedPhrase,
                              const platform::LegacyRandom &random, const std::atomic<bool> &cancelled)
{
    const qsizetype total = qsizetype(collection.lastWorkIndex()) + 1;
    qsizetype linesLeft = m_maxLinesInAll;
    QList<worksearch::WorkMatches> batch;
    bool foundAny = false;
    QElapsedTimer sinceBatch;
    sinceBatch.start();
    const auto handOver = [&](qsizetype searched, bool done) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, works = std::exchange(batch, {}), searched, total, done] {
                deliver(generation, works, searched, total, done);
            },
            Qt::QueuedConnection);
        sinceBatch.restart();
    };
    for (qsizetype i = 0; i < total; ++i) {
        if (cancelled.load(std::memory_order_relaxed))
            return;
        const auto index = static_cast<std::int32_t>(i);
        const auto pieceRead = [this, index] { m_pieceHook(index); };
        auto work = worksearch::searchWork(collection, index, foldedPhrase, random, linesLeft, &cancelled,
                                           m_pieceHook ? std::function<void()>(pieceRead) : std::function<void()>());
        if (work) {
            linesLeft -= work->lines.size();
            batch.append(std::move(*work));
        }
        // The first work found goes at once; then a batch now and then, so
        // the window's thread is never flooded.
        if ((!batch.isEmpty() && !foundAny) || sinceBatch.elapsed() >= BatchIntervalMs) {
            foundAny = foundAny || !batch.isEmpty();
            handOver(i + 1, false);
        }
    }
    if (!cancelled.load(std::memory_order_relaxed))
        handOver(total, true);
}
