#include "format/TextMatchFinder.h"

#include "format/TextMatch.h"

#include <algorithm>
#include <utility>

namespace textmatch {

Finder::Finder(QString foldedPhrase) : m_phrase(std::move(foldedPhrase))
{
}

void Finder::feed(QStringView piece, QList<Found> &found)
{
    const qint64 base = m_position;
    m_position += piece.size();
    // A match waiting from before ends after the marks this piece begins with.
    if (m_waiting) {
        qsizetype lead = 0;
        while (lead < piece.size() && isIgnored(piece[lead].unicode()))
            ++lead;
        if (lead == piece.size())
            return; // marks alone: nothing else to find
        found.append(Found{m_waitingStart, base + lead});
        m_waiting = false;
    }
    // Folded after what was kept.
    const qsizetype kept = m_carryOrigin.size();
    foldAppending(piece, m_work, m_pieceOrigin);
    const qsizetype added = m_work.size() - kept;
    m_folded += added;
    const qsizetype length = m_phrase.size();
    if (length == 0 || added == 0) {
        m_work.truncate(kept);
        return;
    }
    const auto pieceOrigin = [&](qsizetype k) { return m_pieceOrigin.isEmpty() ? k : m_pieceOrigin[k]; };
    const auto origin = [&](qsizetype k) { return k < kept ? m_carryOrigin[k] : base + pieceOrigin(k - kept); };
    qsizetype resume = 0;
    for (qsizetype at = m_work.indexOf(m_phrase); at >= 0; at = m_work.indexOf(m_phrase, at + length)) {
        // The last letter is in this piece: the carry is shorter than the phrase.
        qsizetype end = pieceOrigin(at + length - 1 - kept) + 1;
        while (end < piece.size() && isIgnored(piece[end].unicode()))
            ++end;
        if (end < piece.size()) {
            found.append(Found{origin(at), base + end});
        } else {
            m_waiting = true;
            m_waitingStart = origin(at);
        }
        resume = at + length;
    }
    // What a later match may begin with: the last units, none in a match.
    const qsizetype from = std::max(resume, m_work.size() - (length - 1));
    for (qsizetype k = from; k < m_work.size(); ++k) {
        const qint64 at = origin(k);
        if (k - from < kept)
            m_carryOrigin[k - from] = at;
        else
            m_carryOrigin.append(at);
    }
    m_carryOrigin.resize(m_work.size() - from);
    m_work.remove(0, from);
}

void Finder::finish(QList<Found> &found)
{
    if (std::exchange(m_waiting, false))
        found.append(Found{m_waitingStart, m_position});
}

qint64 Finder::pendingFrom() const
{
    if (m_waiting)
        return m_waitingStart;
    return m_carryOrigin.isEmpty() ? m_position : m_carryOrigin.front();
}

} // namespace textmatch
