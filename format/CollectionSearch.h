#pragma once

#include "format/Collection.h"
#include "format/WorkSearch.h"
#include "platform/LegacyRandom.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

// Finds the works of a collection whose text holds a phrase, decoding them on
// a thread of its own so the window keeps answering. Lives on the window's
// thread; what it finds arrives there in batches, a few a second at most,
// with the progress, then the end. A new search or a cancel supersedes the
// one under way at once: nothing more of that one arrives.
class CollectionSearch : public QObject
{
    Q_OBJECT

public:
    // Matching lines kept by one search in all; works found after that come
    // with their counts alone, so a phrase in every work costs little memory.
    static constexpr qsizetype MaxLinesInAll = 10000;
    // The least time between two batches.
    static constexpr int BatchIntervalMs = 50;

    // maxLinesInAll: the matching lines kept by one search (MaxLinesInAll).
    explicit CollectionSearch(QObject *parent = nullptr, qsizetype maxLinesInAll = MaxLinesInAll);
    // Cancels the search under way and waits for its thread, which stops
    // within a piece of a work (worksearch::PieceSize).
    ~CollectionSearch() override;
    CollectionSearch(const CollectionSearch &) = delete;
    CollectionSearch &operator=(const CollectionSearch &) = delete;

    // Searches every work of collection, in catalogue order, for phrase
    // (textmatch's rule). Each work is decoded as it would be if the reader
    // opened it next with its generator in the state of random. A blank
    // phrase, or a collection without works, finds nothing: finished()
    // follows alone. A work whose file cannot be read is passed over.
    void start(const Collection &collection, const QString &phrase, const platform::LegacyRandom &random);
    // Ends the search under way: nothing more of it arrives, finished() neither.
    void cancel();
    // Between start() and finished() or cancel().
    [[nodiscard]] bool isRunning() const { return m_running; }
    // For tests: called on the search's thread after each piece of a work is
    // read, with the work's index. Set before start().
    void setPieceHook(std::function<void(std::int32_t work)> hook) { m_pieceHook = std::move(hook); }

Q_SIGNALS:
    // Works found since the last batch, in catalogue order.
    void found(const QList<worksearch::WorkMatches> &works);
    // Works searched so far of all.
    void progress(qsizetype searched, qsizetype total);
    // Every work has been searched.
    void finished();

private:
    // What the worker hands over, on the window's thread.
    void deliver(quint64 generation, const QList<worksearch::WorkMatches> &works, qsizetype searched, qsizetype total,
                 bool done);
    // The worker: runs on the pool's thread.
    void search(quint64 generation, const Collection &collection, const QString &foldedPhrase,
                const platform::LegacyRandom &random, const std::atomic<bool> &cancelled);

    // One thread: a superseded search stops before the next one starts.
    QThreadPool m_pool;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    quint64 m_generation = 0;
    bool m_running = false;
    qsizetype m_maxLinesInAll;
    std::function<void(std::int32_t work)> m_pieceHook;
};
