#include "format/WorkSearch.h"

#include "format/Collection.h"
#include "format/Pages.h"
#include "format/TextMatch.h"
#include "format/WorkFile.h"
#include "platform/InputTextFile.h"
#include "platform/SingleByte.h"

#include <algorithm>

namespace worksearch {

namespace {

// The line as kept: an excerpt around its first match and the first matches.
MatchedLine keptLine(qsizetype index, QByteArrayView stored, const workfile::CharacterTable &shown,
                     const QList<qsizetype> &offsets, qsizetype phraseLength, qsizetype firstOrdinal)
{
    MatchedLine kept;
    kept.line = index;
    kept.length = stored.size();
    kept.matchCount = offsets.size();
    // A little of what comes before the match, then as much after as fits.
    const qsizetype lead = ExcerptLength / 4;
    kept.excerptStart =
        std::clamp<qsizetype>(offsets.front() - lead, 0, std::max<qsizetype>(0, stored.size() - ExcerptLength));
    platform::singlebyte::appendDecoded(
        shown, stored.sliced(kept.excerptStart, std::min(ExcerptLength, stored.size() - kept.excerptStart)),
        kept.excerpt);
    const qsizetype keep = std::min(offsets.size(), MaxMatchesPerLine);
    kept.matches.reserve(keep);
    for (qsizetype i = 0; i < keep; ++i)
        kept.matches.append(Match{offsets[i], phraseLength, firstOrdinal + i});
    return kept;
}

} // namespace

std::optional<WorkMatches> searchWork(const Collection &collection, std::int32_t index, QStringView foldedPhrase,
                                      platform::LegacyRandom random, qsizetype maxLines,
                                      const std::atomic<bool> *cancelled)
{
    if (foldedPhrase.isEmpty() || !collection.contains(index))
        return std::nullopt;
    // Read as a stream: a work of any size costs little more than its longest line.
    platform::InputTextFile file;
    if (file.openStream(collection.workPath(index)) != platform::ErrorNumber::None)
        return std::nullopt;
    const workfile::Header header = workfile::readHeader(file, random);
    const workfile::CharacterTable shown = workfile::shownCharacters(header.tables);
    workfile::CharacterTable folded{};
    std::transform(shown.begin(), shown.end(), folded.begin(), [](char16_t c) { return textmatch::fold(c); });

    WorkMatches work;
    work.work = index;
    work.name = collection.workNames().at(index);
    // The page's matches before its lines.
    const qsizetype before =
        textmatch::countFolded(textmatch::fold(QStringView(pages::CatalogueLinkText)), foldedPhrase)
        + textmatch::countFolded(textmatch::fold(work.name), foldedPhrase);
    maxLines = std::min(maxLines, MaxLinesPerWork);
    qsizetype line = 0;
    const bool whole = workfile::decodeLines(file, folded, [&](QByteArrayView stored, QStringView text) {
        if (cancelled && cancelled->load(std::memory_order_relaxed))
            return false;
        if (text.indexOf(foldedPhrase) >= 0) {
            const QList<qsizetype> offsets = textmatch::findFolded(text, foldedPhrase);
            if (work.lines.size() < maxLines)
                work.lines.append(
                    keptLine(line, stored, shown, offsets, foldedPhrase.size(), before + work.matchCount));
            work.matchCount += offsets.size();
            ++work.lineCount;
        }
        ++line;
        return true;
    });
    // A file whose reading failed half-way is not shown by a reader either.
    if (!whole || file.failed() || work.lineCount == 0)
        return std::nullopt;
    return work;
}

} // namespace worksearch
