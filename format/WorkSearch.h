#pragma once

#include "platform/LegacyRandom.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

class Collection;

// Where a phrase stands in one work, as the work's page shows it: in the
// text the page shows (ShownText) of its whole markup, which is the link back
// to the catalogue, the work's name, then its shown lines (the non-empty
// ones, in order, each the paragraph indent, its text and a line break), so
// that what the markup hides is not found and a match may run across tags and
// lines. Matching as textmatch does.
namespace worksearch {

// One match, in the line where it begins.
struct Match
{
    qsizetype offset = 0; // in the line's shown text
    // In the shown text, over the combining marks after its last letter; it
    // may run on into the lines after.
    qsizetype length = 0;
    // Its number among all the matches of the work's page, counted from 0 in
    // page order: the link back and the name come before the lines.
    qsizetype ordinal = 0;
};

// A shown line where the phrase begins.
struct MatchedLine
{
    qsizetype line = 0; // its index among the work's shown lines
    // Of its shown text: what its paragraph shows, the indent of three
    // no-break spaces first.
    qsizetype length = 0;
    // The shown text, or as much of it as ExcerptLength around its first match.
    QString excerpt;
    qsizetype excerptStart = 0; // where excerpt begins in the shown text
    QList<Match> matches; // the first MaxMatchesPerLine, left to right
    qsizetype matchCount = 0; // all of them
};

// A work whose lines hold the phrase.
struct WorkMatches
{
    std::int32_t work = 0; // its index in the collection
    QString name; // as the catalogue shows it (pages::shownName)
    qsizetype matchCount = 0; // that begin in its lines
    qsizetype lineCount = 0; // of its lines where matches begin
    QList<MatchedLine> lines; // the first of those, as many as were asked for
};

inline constexpr qsizetype MaxLinesPerWork = 20;
inline constexpr qsizetype MaxMatchesPerLine = 20;
inline constexpr qsizetype ExcerptLength = 160;
// How much of a line is read at a time, in stored bytes.
inline constexpr qsizetype PieceSize = qsizetype(64) * 1024;

// Searches work index of collection for a folded phrase (textmatch::fold),
// decoding it as a reader whose generator is random would if it opened the
// work now. Keeps the first maxLines matching lines (at most
// MaxLinesPerWork) and counts the rest. Nothing when no match begins in a
// line, the phrase is empty, the work's file cannot be read as one (missing,
// unreadable, not a regular file), or cancelled turned true on the way, which
// is seen within a piece. Reads the work piece by piece (PieceSize), so a
// work of any size, a line of any length among them, costs little memory;
// pieceRead, when given, is called after each piece is read.
[[nodiscard]] std::optional<WorkMatches> searchWork(const Collection &collection, std::int32_t index,
                                                    QStringView foldedPhrase, platform::LegacyRandom random,
                                                    qsizetype maxLines = MaxLinesPerWork,
                                                    const std::atomic<bool> *cancelled = nullptr,
                                                    const std::function<void()> &pieceRead = {});

} // namespace worksearch
