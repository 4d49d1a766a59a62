#include "format/WorkSearch.h"

#include "format/Collection.h"
#include "format/Pages.h"
#include "format/ShownText.h"
#include "format/TextMatchFinder.h"
#include "format/WorkFile.h"
#include "platform/InputTextFile.h"
#include "platform/RegularFile.h"

#include <algorithm>
#include <deque>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace worksearch {

namespace {

// The last shown text read, for the excerpts of lines whose matches come to
// light a little after the text around them was read.
class Recent
{
public:
    static constexpr qsizetype Size = qsizetype(1) << 16;

    void append(QStringView text)
    {
        m_end += std::max<qsizetype>(0, text.size() - Size);
        text = text.last(std::min(text.size(), Size));
        // Room as the text grows, up to Size; then round.
        if (qsizetype(m_units.size()) < Size && m_end + text.size() > qint64(m_units.size()))
            m_units.resize(std::size_t(std::min<qint64>(Size, std::max<qint64>(4096, 2 * (m_end + text.size())))));
        const auto room = qsizetype(m_units.size());
        while (!text.isEmpty()) {
            const auto at = qsizetype(m_end % room);
            const qsizetype n = std::min(text.size(), room - at);
            std::copy_n(text.utf16(), n, m_units.begin() + at);
            text = text.sliced(n);
            m_end += n;
        }
    }
    [[nodiscard]] qint64 end() const { return m_end; }
    // What is still held of [from, to), and where it begins.
    [[nodiscard]] QString text(qint64 from, qint64 to, qint64 &start) const
    {
        const auto room = qsizetype(m_units.size());
        start = std::max(from, std::max<qint64>(0, m_end - room));
        QString out;
        for (qint64 at = start; at < std::min(to, m_end); ++at)
            out.append(QChar(m_units[std::size_t(at % room)]));
        return out;
    }

private:
    std::vector<char16_t> m_units;
    qint64 m_end = 0;
};

// The search of one page, fed its markup in order.
class PageSearch
{
public:
    PageSearch(QStringView foldedPhrase, qsizetype maxLines, WorkMatches &work)
        : m_finder(foldedPhrase.toString()), m_maxLines(std::min(maxLines, MaxLinesPerWork)), m_work(work)
    {
    }

    void markup(QStringView markup)
    {
        const qsizetype before = m_batch.size();
        m_page.feed(markup, m_batch);
        shown(before);
    }
    void beginLine(qsizetype index)
    {
        m_lines.push_back(Line{index, position(), -1, false, -1, false});
        markup(u"&nbsp;&nbsp;&nbsp;");
    }
    void endLine()
    {
        markup(u"<br>");
        Line &line = m_lines.back();
        line.end = position();
        if (line.kept >= 0)
            m_work.lines[line.kept].length = line.end - line.start;
        // A line without a letter is where no match can begin.
        if (!line.letters)
            m_lines.pop_back();
    }
    // Whether the page turned out to show nothing at all.
    [[nodiscard]] bool hidesAll() const { return m_page.hidesAll(); }
    void finish()
    {
        const qsizetype before = m_batch.size();
        m_page.finish(m_batch);
        shown(before);
        flush();
        m_finder.finish(m_found);
        report();
        settleExcerpts();
    }

private:
    struct Line
    {
        qsizetype index = 0;
        qint64 start = 0;
        qint64 end = -1; // while it is read
        bool letters = false; // units that folding keeps
        qsizetype kept = -1; // in m_work.lines
        bool counted = false;
    };
    // A kept line's excerpt still to be taken: where its first match begins.
    struct Excerpt
    {
        qsizetype kept = 0;
        qint64 lineStart = 0;
        qint64 first = 0; // from the line's start
    };

    // Where the shown text read so far ends.
    [[nodiscard]] qint64 position() const { return m_recent.end() + m_batch.size(); }

    // What the markup just read shows, from before on in the batch.
    void shown(qsizetype before)
    {
        if (!m_lines.empty() && m_lines.back().end < 0 && !m_lines.back().letters) {
            const QStringView added = QStringView(m_batch).sliced(before);
            m_lines.back().letters =
                std::any_of(added.begin(), added.end(), [](QChar c) { return !textmatch::isIgnored(c.unicode()); });
        }
        // Shown text is searched a few lines at a time, in slices, so that the
        // text around a match is still held when its end comes to light.
        if (m_batch.size() >= Slice)
            flush();
    }

    void flush()
    {
        for (QStringView rest = m_batch; !rest.isEmpty();) {
            const QStringView slice = rest.first(std::min(rest.size(), Slice));
            rest = rest.sliced(slice.size());
            m_recent.append(slice);
            m_finder.feed(slice, m_found);
            report();
            settleExcerpts();
        }
        m_batch.resize(0);
    }

    void report()
    {
        for (const textmatch::Finder::Found &found : std::as_const(m_found))
            count(found);
        m_found.resize(0);
        // Lines no match can begin in any more.
        const qint64 from = m_finder.pendingFrom();
        while (!m_lines.empty() && m_lines.front().end >= 0 && m_lines.front().end <= from)
            m_lines.pop_front();
    }

    void count(const textmatch::Finder::Found &found)
    {
        const qsizetype ordinal = m_ordinal++;
        // The last line that begins at or before the match, if it goes on there.
        auto line = std::upper_bound(m_lines.begin(), m_lines.end(), found.start,
                                     [](qint64 at, const Line &l) { return at < l.start; });
        if (line == m_lines.begin() || ((--line)->end >= 0 && found.start >= line->end))
            return; // the link back, the name, or after the lines
        if (!std::exchange(line->counted, true)) {
            ++m_work.lineCount;
            if (m_work.lines.size() < m_maxLines) {
                MatchedLine kept;
                kept.line = line->index;
                kept.length = line->end >= 0 ? line->end - line->start : 0;
                line->kept = m_work.lines.size();
                m_work.lines.append(kept);
                m_excerpts.push_back(Excerpt{line->kept, line->start, found.start - line->start});
            }
        }
        ++m_work.matchCount;
        if (line->kept >= 0) {
            MatchedLine &kept = m_work.lines[line->kept];
            ++kept.matchCount;
            if (kept.matches.size() < MaxMatchesPerLine)
                kept.matches.append(Match{found.start - line->start, found.end - found.start, ordinal});
        }
    }

    // Takes the excerpts whose text has been read: a little before the first
    // match, then as much after as fits; for a match near the line's end, the
    // line's last ExcerptLength.
    void settleExcerpts()
    {
        for (auto it = m_excerpts.begin(); it != m_excerpts.end();) {
            MatchedLine &kept = m_work.lines[it->kept];
            const qint64 lead = ExcerptLength / 4;
            qint64 from = std::max<qint64>(0, it->first - lead);
            qint64 to = from + ExcerptLength;
            if (kept.length > 0) { // set as its line ends
                from = std::clamp<qint64>(it->first - lead, 0, std::max<qint64>(0, kept.length - ExcerptLength));
                to = std::min<qint64>(from + ExcerptLength, kept.length);
            }
            if (m_recent.end() < it->lineStart + to) {
                ++it; // not all searched yet
                continue;
            }
            qint64 start = 0;
            kept.excerpt = m_recent.text(it->lineStart + from, it->lineStart + to, start);
            kept.excerptStart = start - it->lineStart;
            it = m_excerpts.erase(it);
        }
    }

    ShownText m_page;
    textmatch::Finder m_finder;
    qsizetype m_maxLines;
    WorkMatches &m_work;
    static constexpr qsizetype Slice = 4096;
    QString m_batch; // shown text not yet searched
    QList<textmatch::Finder::Found> m_found;
    Recent m_recent;
    std::deque<Line> m_lines; // those a match may still begin in
    std::deque<Excerpt> m_excerpts;
    qsizetype m_ordinal = 0;
};

} // namespace

std::optional<WorkMatches> searchWork(const Collection &collection, std::int32_t index, QStringView foldedPhrase,
                                      platform::LegacyRandom random, qsizetype maxLines,
                                      const std::atomic<bool> *cancelled, const std::function<void()> &pieceRead)
{
    if (foldedPhrase.isEmpty() || !collection.contains(index))
        return std::nullopt;
    const auto stopped = [cancelled] { return cancelled && cancelled->load(std::memory_order_relaxed); };
    // Read as a stream that a cancel ends as a failed read, within a piece.
    auto regular = std::make_shared<platform::RegularFile>();
    if (regular->openForInput(collection.workPath(index)) != platform::ErrorNumber::None)
        return std::nullopt;
    platform::InputTextFile file;
    file.openStream([regular, stopped](char *buffer, qint64 size) -> qint64 {
        return stopped() ? -1 : regular->read(buffer, size);
    });
    const workfile::Header header = workfile::readHeader(file, random);
    const workfile::CharacterTable shown = workfile::shownCharacters(header.tables);

    const QString &name = collection.workNames().at(index);
    WorkMatches work;
    work.work = index;
    work.name = pages::shownName(name);
    const pages::WorkPageFrame frame = pages::workPageFrame(name);
    PageSearch search(foldedPhrase, maxLines, work);
    search.markup(frame.head);
    qsizetype line = 0;
    const bool whole = workfile::decodeLinePieces(file, shown, PieceSize, [&](QStringView text, bool first, bool last) {
        if (stopped())
            return false;
        if (pieceRead)
            pieceRead();
        if (first)
            search.beginLine(line);
        search.markup(text);
        if (last) {
            search.endLine();
            ++line;
        }
        return true;
    });
    // A file whose reading failed half-way is not shown by a reader either.
    if (!whole || file.failed() || stopped())
        return std::nullopt;
    search.markup(frame.tail);
    search.finish();
    if (work.lineCount == 0 || search.hidesAll())
        return std::nullopt;
    return work;
}

} // namespace worksearch
