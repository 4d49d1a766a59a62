#pragma once

#include "platform/LegacyRandom.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <atomic>
#include <cstdint>
#include <optional>

class Collection;

// Where a phrase stands in one work, as the work's page shows it: the link
// back to the catalogue, the work's name, then its shown lines (the
// non-empty ones, in order). Matching as textmatch does.
namespace worksearch {

// One match in a line.
struct Match
{
    qsizetype offset = 0; // in the whole line
    qsizetype length = 0;
    // Its number among all the matches of the work's page, counted from 0 in
    // page order: the link back and the name come before the lines.
    qsizetype ordinal = 0;
};

// A shown line that holds the phrase.
struct MatchedLine
{
    qsizetype line = 0; // its index among the work's shown lines
    qsizetype length = 0; // of the whole line
    // The line, or as much of it as ExcerptLength around its first match.
    QString excerpt;
    qsizetype excerptStart = 0; // where excerpt begins in the line
    QList<Match> matches; // the first MaxMatchesPerLine, left to right
    qsizetype matchCount = 0; // all of them
};

// A work whose lines hold the phrase.
struct WorkMatches
{
    std::int32_t work = 0; // its index in the collection
    QString name;
    qsizetype matchCount = 0; // in all its lines
    qsizetype lineCount = 0; // of its lines that hold the phrase
    QList<MatchedLine> lines; // the first of those, as many as were asked for
};

inline constexpr qsizetype MaxLinesPerWork = 20;
inline constexpr qsizetype MaxMatchesPerLine = 20;
inline constexpr qsizetype ExcerptLength = 160;

// Searches work index of collection for a folded phrase (textmatch::fold),
// decoding it as a reader whose generator is random would if it opened the
// work now. Keeps the first maxLines matching lines (at most
// MaxLinesPerWork) and counts the rest. Nothing when no line holds the
// phrase, the phrase is empty, the work's file cannot be read as one (missing,
// unreadable, not a regular file), or cancelled turned true on the way.
[[nodiscard]] std::optional<WorkMatches> searchWork(const Collection &collection, std::int32_t index,
                                                    QStringView foldedPhrase, platform::LegacyRandom random,
                                                    qsizetype maxLines = MaxLinesPerWork,
                                                    const std::atomic<bool> *cancelled = nullptr);

} // namespace worksearch
