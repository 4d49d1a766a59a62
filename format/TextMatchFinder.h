#pragma once

#include "format/TextMatch.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace textmatch {

// Finds a phrase in a text that comes in pieces, as textmatch::find finds it
// in the whole: by the matching rule, left to right, none overlapping, a
// match running across pieces as anywhere else. Between pieces it keeps no
// more than the phrase's length of text, so a text of any length costs the
// size of its pieces.
class Finder
{
public:
    // A match in the whole text: from its first letter to the end of the
    // combining marks after its last.
    struct Found
    {
        qint64 start = 0;
        qint64 end = 0;
        friend bool operator==(const Found &, const Found &) = default;
    };

    // phrase is folded (textmatch::fold); an empty one finds nothing.
    explicit Finder(QString foldedPhrase);

    // Reads the next piece of the text and appends to found the matches whose
    // end is now known, in order. A match whose last letter ends the piece
    // waits for what follows (marks may).
    void feed(QStringView piece, QList<Found> &found);
    // The text has ended: appends the match still waiting, if any.
    void finish(QList<Found> &found);

    // The units read so far.
    [[nodiscard]] qint64 position() const { return m_position; }
    // Of them, those that folding keeps (a match can begin at no other).
    [[nodiscard]] qint64 foldedPosition() const { return m_folded; }
    // Where the earliest match not yet appended may begin: nothing before it
    // will be asked for again.
    [[nodiscard]] qint64 pendingFrom() const;

private:
    QString m_phrase;
    // The folded units read last that a match may still begin with (fewer
    // than the phrase), outside every match found, first in m_work, and
    // where each stands.
    QString m_work;
    QList<qint64> m_carryOrigin;
    qint64 m_position = 0;
    qint64 m_folded = 0;
    bool m_waiting = false;
    qint64 m_waitingStart = 0;
    QList<qsizetype> m_pieceOrigin; // of the piece read last, as FoldedText's
};

} // namespace textmatch
