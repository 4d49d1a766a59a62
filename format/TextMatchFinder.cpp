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
    const FoldedText folded = foldKeepingOrigin(piece);
    m_folded += folded.text.size();
    const qsizetype length = m_phrase.size();
    if (length == 0 || folded.text.isEmpty())
        return;
    const qsizetype kept = m_carry.size();
    m_work.resize(0);
    m_work.append(m_carry).append(folded.text);
    const auto origin = [&](qsizetype k) { return k < kept ? m_carryOrigin[k] : base + folded.originOf(k - kept); };
    qsizetype resume = 0;
    for (qsizetype at = m_work.indexOf(m_phrase); at >= 0; at = m_work.indexOf(m_phrase, at + length)) {
        // The last letter is in this piece: the carry is shorter than the phrase.
        qsizetype end = folded.originOf(at + length - 1 - kept) + 1;
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
    QList<qint64> origins;
    origins.reserve(m_work.size() - from);
    for (qsizetype k = from; k < m_work.size(); ++k)
        origins.append(origin(k));
    m_carry = m_work.sliced(from);
    m_carryOrigin = std::move(origins);
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
