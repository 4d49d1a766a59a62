// Find: the matching rule, the text a page shows, and a collection searched
// on its thread.
#include "FileMakers.h"
#include "TestFiles.h"

#include "format/CollectionSearch.h"
#include "format/ShownText.h"
#include "format/TextMatch.h"
#include "format/TextMatchFinder.h"
#include "format/WorkFile.h"

#include <QDir>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class tst_search : public QObject
{
    Q_OBJECT

private:
    files::TemporaryFolder m_program;
    Collection m_collection;
    // A generator the window has used: a work whose seed does not restart it
    // decodes only from this state.
    platform::LegacyRandom m_used;
    // A work of one line of 16 pieces.
    std::int32_t m_large = -1;
    static constexpr qsizetype LargePieces = 16;

private Q_SLOTS:
    void initTestCase()
    {
        (void)m_used.next();
        const QDir data(m_program.filePath(u"Data"_s));
        QVERIFY(data.mkpath(u"."_s));
        const auto write = [&](const QString &name, std::int32_t seed, const QStringList &lines) {
            testfiles::writeFile(data.filePath(name), workfile::encodeWork(seed, lines, m_used));
        };
        write(u"Альфа.dat"_s, 1, {u"Первая строка"_s, u""_s, u"Ёлка и ель"_s, u"ЕЛЬ да ель"_s});
        write(u"Бета.dat"_s, 3, {u"ничего"_s});
        write(u"Ель.dat"_s, 2, {u"ель"_s});
        write(u"Длинный.dat"_s, 4, QStringList(25, u"ель"_s));
        write(u"Зависимый.dat"_s, -600, {u"ель"_s});
        write(u"Жуки.dat"_s, 6, {u"<!-- жук, жук -->"_s, u"жук"_s, u"жук"_s, u"жук"_s});
        write(u"Эхо.dat"_s, 7, {u"ааааа"_s});
        write(u"Том &amp; Джерри.dat"_s, 8, {u"Кот & Джо"_s});
        write(u"Ширь.dat"_s, 9, {QString(LargePieces * worksearch::PieceSize, u'ж')});
        // A phrase at the end of the line's first piece, another at the line's end.
        write(u"Степь.dat"_s, 10,
              {QString(worksearch::PieceSize - 6, u'ж') + u"слово"_s + QString(200, u'ж') + u" тушь"_s});
        // Replaced after the listing by what cannot be read as a work.
        const QStringList unreadable = {u"Нуль.dat"_s, u"Труба.dat"_s, u"Удалённый.dat"_s};
        for (const QString &name : unreadable)
            write(name, 5, {u"ель"_s});
        m_collection = Collection::load(platform::NativePath(m_program.path()));
        m_large = static_cast<std::int32_t>(m_collection.workNames().indexOf(u"Ширь"_s));
        for (const QString &name : unreadable)
            QVERIFY(QFile::remove(data.filePath(name)));
#ifndef Q_OS_WIN
        QVERIFY(files::makeFifo(files::bytes(data.filePath(u"Труба.dat"_s))));
        // A device that never ends, where one can be made; else the name stays missing.
        (void)files::makeDevice(files::bytes(data.filePath(u"Нуль.dat"_s)), "zero");
#endif
    }

    void matching_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<QList<qsizetype>>("offsets");
        QTest::addColumn<QList<qsizetype>>("lengths");
        using L = QList<qsizetype>;
        QTest::newRow("Cyrillic, any case") << u"Мир МИР мИр"_s << u"мир"_s << L{0, 4, 8} << L{3, 3, 3};
        QTest::newRow("е typed, ё in the text") << u"Ёлка, ёж"_s << u"елка"_s << L{0} << L{4};
        QTest::newRow("ё typed, е in the text") << u"ель"_s << u"Ёль"_s << L{0} << L{3};
        QTest::newRow("none overlapping, from the left") << u"aaaaa"_s << u"aa"_s << L{0, 2} << L{2, 2};
        QTest::newRow("аа in ааа: one") << u"ааа"_s << u"аа"_s << L{0} << L{2};
        QTest::newRow("blank phrase") << u"a  b"_s << u"  "_s << L{} << L{};
        QTest::newRow("offsets past a surrogate pair") << u"x😀X"_s << u"x"_s << L{0, 3} << L{1, 1};
        QTest::newRow("no case beyond the BMP") << u"𐐀"_s << u"𐐨"_s << L{} << L{};
        QTest::newRow("İ: no lower case of one unit") << u"İzmir"_s << u"iz"_s << L{} << L{};
        QTest::newRow("a stress in the text") << u"Мо\u0301ре"_s << u"море"_s << L{0} << L{5};
        QTest::newRow("a stress typed") << u"море"_s << u"мо\u0301ре"_s << L{0} << L{4};
        QTest::newRow("marks after the last letter") << u"море\u0301\u0300ть"_s << u"море"_s << L{0} << L{6};
        QTest::newRow("ё decomposed") << u"е\u0308ж"_s << u"ёж"_s << L{0} << L{3};
        QTest::newRow("soft hyphens in a word") << u"мо\u00adре"_s << u"море"_s << L{0} << L{5};
        QTest::newRow("a mark first") << u"\u0301аб"_s << u"аб"_s << L{1} << L{2};
        QTest::newRow("marks alone: blank") << u"а\u0301"_s << u"\u0301\u0301"_s << L{} << L{};
        QTest::newRow("no-break space alone: blank") << u"a\u00a0b"_s << u"\u00a0"_s << L{} << L{};
    }

    void matching()
    {
        QFETCH(QString, text);
        QFETCH(QString, phrase);
        QFETCH(QList<qsizetype>, offsets);
        QFETCH(QList<qsizetype>, lengths);
        QList<qsizetype> found;
        QList<qsizetype> foundLengths;
        for (const textmatch::Span &span : textmatch::find(text, phrase)) {
            found.append(span.offset);
            foundLengths.append(span.length);
        }
        QCOMPARE(found, offsets);
        QCOMPARE(foundLengths, lengths);
        // The same from the finder the collection's search reads pages with,
        // given the text whole and a unit at a time.
        for (const qsizetype piece : {std::max<qsizetype>(text.size(), 1), qsizetype(1)}) {
            textmatch::Finder finder(textmatch::isBlank(phrase) ? QString() : textmatch::fold(phrase));
            QList<textmatch::Finder::Found> streamed;
            for (qsizetype at = 0; at < text.size(); at += piece)
                finder.feed(QStringView(text).sliced(at, std::min(piece, text.size() - at)), streamed);
            finder.finish(streamed);
            found.clear();
            foundLengths.clear();
            for (const textmatch::Finder::Found &f : streamed) {
                found.append(f.start);
                foundLengths.append(f.end - f.start);
            }
            QCOMPARE(found, offsets);
            QCOMPARE(foundLengths, lengths);
        }
    }

    void shownText_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QString>("shown");
        QTest::newRow("whitespace as written") << u"a  b\tc "_s << u"a  b\tc "_s;
        QTest::newRow("tags and attributes") << u"<p class=x>a</p><b>b</b>"_s << u"ab"_s;
        QTest::newRow("quotes holding '>'") << u"<b title=\"x>y\" alt='<i>'>a</b>"_s << u"a"_s;
        QTest::newRow("a tag over two lines") << u"a<b title=\"x<br>&nbsp;&nbsp;&nbsp;y\">c"_s << u"ac"_s;
        QTest::newRow("comments") << u"a<!-- b -->c<!-->d<!--->e<!-- f --!>g<!-- <!-- -->h"_s << u"acdegh"_s;
        QTest::newRow("a comment over two lines") << u"a<!-- b<br>&nbsp;&nbsp;&nbsp;c -->d"_s << u"ad"_s;
        QTest::newRow("doctype, bogus comments") << u"<!DOCTYPE html>a<!x>b<?y>c<![CDATA[d]]>e</ f>g"_s << u"abceg"_s;
        QTest::newRow("references with ';'") << u"&amp;&lt;&gt;&quot;&apos;&nbsp;&AElig;&Afr;"_s << u"&<>\"'\u00a0Æ𝔄"_s;
        QTest::newRow("legacy references without ';'") << u"&amp &lt &copy x &notit; &notin;"_s << u"& < © x ¬it; ∉"_s;
        QTest::newRow("others need their ';'") << u"&apos &hellip x&amp;amp;"_s << u"&apos &hellip x&amp;"_s;
        QTest::newRow("unknown references") << u"&foo; &#; &#x; & x"_s << u"&foo; &#; &#x; & x"_s;
        QTest::newRow("numeric references") << u"&#65;&#x42;&#X43&#128;&#x9F;&#129;&#0;&#xD800;&#1114112;&#x10FFFF;"_s
                                            << u"ABC€Ÿ\u0081\uFFFD\uFFFD\uFFFD\U0010FFFF"_s;
        QTest::newRow("NUL") << u"a\0b<\0c<xmp>d\0e</xmp>"_s << u"ab<\uFFFDcd\uFFFDe"_s;
        QTest::newRow("CR LF and CR") << u"a\r\nb\rc"_s << u"a\nb\nc"_s;
        QTest::newRow("script, style, title, textarea")
            << u"<title>t</title><script>s</script><style>y</style><textarea>x</textarea>a"_s << u"a"_s;
        QTest::newRow("textarea with markup") << u"<textarea><b>x</b><!--</textarea>y"_s << u"y"_s;
        QTest::newRow("'</scr'+'ipt>'") << u"<script>w('</scr'+'ipt>')</script>a"_s << u"a"_s;
        QTest::newRow("script escaped twice") << u"<script><!--<script></script>x</script>y"_s << u"y"_s;
        QTest::newRow("no comment in style") << u"<style><!--</style>a<!-- -->b"_s << u"ab"_s;
        QTest::newRow("xmp shows markup") << u"<xmp><b>a</b>&amp;</xmp>"_s << u"<b>a</b>&amp;"_s;
        QTest::newRow("plaintext") << u"a<plaintext></plaintext><b>"_s << u"a</plaintext><b>"_s;
        QTest::newRow("noscript is markup") << u"<noscript><b>a</b></noscript>"_s << u"a"_s;
        QTest::newRow("iframe, noembed, noframes")
            << u"<iframe>a<b></iframe><noembed>b</noembed><noframes>c</noframes>d"_s << u"d"_s;
        QTest::newRow("template") << u"<template><p>a<template>b</template>c</template>d"_s << u"d"_s;
        QTest::newRow("select and options") << u"<select><option>a<optgroup><option>b</select>c"_s << u"c"_s;
        QTest::newRow("select ended by textarea") << u"<select>a<textarea>b</textarea>c"_s << u"c"_s;
        QTest::newRow("datalist") << u"<datalist><option>a</datalist>b"_s << u"b"_s;
        QTest::newRow("option, rp, hidden, a closed dialog")
            << u"<option>a</option><ruby>b<rp>(</rp><rt>c</rt></ruby><p hidden>d</p><dialog>e</dialog>"
               u"<dialog open>f</dialog>"_s
            << u"bcf"_s;
        QTest::newRow("a closed details: its first summary")
            << u"<details><summary>a</summary>b<summary>c</summary></details><details open>d</details>"_s << u"ad"_s;
        QTest::newRow("a hidden table part, and what leaves the table")
            << u"<table><thead hidden><tr><td>a</td></tr></thead><b>b</b></table>"_s << u"b"_s;
        QTest::newRow("the body made hidden: nothing") << u"a<body hidden>b"_s << QString();
        QTest::newRow("svg text") << u"<svg><text>a</text></svg>b"_s << u"b"_s;
        QTest::newRow("nested svg") << u"<svg><g><svg><text>a</text></svg>b</g></svg>c"_s << u"c"_s;
        QTest::newRow("math") << u"<math><mi>a<b>b</b></mi></math>c"_s << u"c"_s;
        QTest::newRow("svg left by an HTML tag") << u"<svg><text>a<p>b</svg>"_s << u"b"_s;
        QTest::newRow("CDATA in svg") << u"<svg><![CDATA[</svg>a]]></svg>b"_s << u"b"_s;
        QTest::newRow("pre drops its first LF") << u"<pre>\na</pre>"_s << u"a"_s;
        QTest::newRow("nothing between blocks")
            << u"<p>a</p><div>b<br>c</div><table><td>d<td>e</table>"_s << u"abcde"_s;
    }

    void shownText()
    {
        QFETCH(QString, markup);
        QFETCH(QString, shown);
        QCOMPARE(ShownText::of(markup), shown);
        // The same in pieces that end anywhere: in two, and a unit at a time.
        for (qsizetype at = 0; at <= markup.size(); ++at) {
            ShownText page;
            QString out;
            page.feed(QStringView(markup).first(at), out);
            page.feed(QStringView(markup).sliced(at), out);
            page.finish(out);
            if (page.hidesAll())
                out.clear();
            QVERIFY2(out == shown, qPrintable(u"split at %1: %2"_s.arg(at).arg(out)));
        }
        ShownText page;
        QString out;
        for (const QChar c : markup)
            page.feed(QStringView(&c, 1), out);
        page.finish(out);
        QCOMPARE(page.hidesAll() ? QString() : out, shown);
    }

    void excerpts_data()
    {
        QTest::addColumn<QString>("work");
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<qsizetype>("excerptStart");
        QTest::addColumn<QString>("excerpt");
        QTest::addColumn<qsizetype>("length"); // of the line's shown text
        const QString indent(3, QChar(0xA0));
        const qsizetype steppe = 3 + worksearch::PieceSize - 6 + 5 + 200 + 5;
        QTest::newRow("a short line, whole")
            << u"Альфа"_s << u"да"_s << qsizetype(0) << indent + u"ЕЛЬ да ель"_s << qsizetype(13);
        QTest::newRow("on into a long line's next piece")
            << u"Степь"_s << u"слово"_s << worksearch::PieceSize - 43
            << QString(40, u'ж') + u"слово"_s + QString(115, u'ж') << steppe;
        QTest::newRow("at a long line's end") << u"Степь"_s << u"тушь"_s << steppe - worksearch::ExcerptLength
                                              << QString(155, u'ж') + u" тушь"_s << steppe;
    }

    void excerpts()
    {
        QFETCH(QString, work);
        QFETCH(QString, phrase);
        QFETCH(qsizetype, excerptStart);
        QFETCH(QString, excerpt);
        QFETCH(qsizetype, length);
        const auto index = static_cast<std::int32_t>(m_collection.workNames().indexOf(work));
        const auto found = worksearch::searchWork(m_collection, index, textmatch::fold(phrase), m_used);
        QVERIFY(found && !found->lines.isEmpty());
        const worksearch::MatchedLine &line = found->lines.first();
        QCOMPARE(line.excerptStart, excerptStart);
        QCOMPARE(line.excerpt, excerpt);
        QCOMPARE(line.length, length);
    }

    void search_data()
    {
        QTest::addColumn<QString>("phrase");
        // Started as the first work found arrives, with the rest of the first
        // search on its way or still to come; or, with insideLarge, as the
        // first search has read the first piece of the large work.
        QTest::addColumn<QString>("supersededBy");
        QTest::addColumn<bool>("insideLarge");
        QTest::addColumn<qsizetype>("linesInAll");
        // Per work: "name lines/matches last-kept-line@offset#ordinal,... lines-kept".
        QTest::addColumn<QString>("expected");
        constexpr qsizetype All = CollectionSearch::MaxLinesInAll;
        QTest::newRow("lines, offsets, ordinals")
            << u"ель"_s << QString() << false << All
            << u"Альфа 2/3 2@3#1,10#2 2, Длинный 25/25 19@3#19 20, Ель 1/1 0@3#1 1, Зависимый 1/1 0@3#0 1"_s;
        QTest::newRow("after the link back and the name")
            << u"И"_s << QString() << false << All << u"Альфа 1/1 1@8#3 1, Бета 1/1 0@4#3 1"_s;
        QTest::newRow("on the page, in no line") << u"список"_s << QString() << false << All << QString();
        QTest::newRow("blank") << u"  "_s << QString() << false << All << QString();
        QTest::newRow("superseded") << u"е"_s << u"ничего"_s << false << All << u"Бета 1/1 0@3#0 1"_s;
        QTest::newRow("overlapping, as the page counts")
            << u"аа"_s << QString() << false << All << u"Эхо 1/2 0@3#0,5#1 1"_s;
        QTest::newRow("nothing in a comment") << u"жук"_s << QString() << false << All << u"Жуки 3/3 3@3#3 3"_s;
        QTest::newRow("a name with a reference")
            << u"& дж"_s << QString() << false << All << u"Том & Джерри 1/1 0@7#1 1"_s;
        QTest::newRow("lines kept in all") << u"ель"_s << QString() << false << qsizetype(3)
                                           << u"Альфа 2/3 2@3#1,10#2 2, Длинный 25/25 0@3#0 1, Ель 1/1 0, "
                                              u"Зависимый 1/1 0"_s;
        QTest::newRow("superseded inside a large work")
            << u"ж"_s << u"ничего"_s << true << All << u"Бета 1/1 0@3#0 1"_s;
    }

    void search()
    {
        QFETCH(QString, phrase);
        QFETCH(QString, supersededBy);
        QFETCH(bool, insideLarge);
        QFETCH(qsizetype, linesInAll);
        QFETCH(QString, expected);
        const files::FifoRescuer rescuer(files::bytes(m_program.filePath(u"Data/Труба.dat"_s)));
        CollectionSearch search(nullptr, linesInAll);
        QStringList found;
        const auto supersede = [&] {
            found.clear();
            search.start(m_collection, supersededBy, m_used);
        };
        bool atFirstFound = !supersededBy.isEmpty() && !insideLarge;
        connect(&search, &CollectionSearch::found, this, [&](const QList<worksearch::WorkMatches> &works) {
            if (std::exchange(atFirstFound, false)) {
                supersede();
                return;
            }
            for (const worksearch::WorkMatches &work : works) {
                QString lines = QString::number(work.lines.size());
                if (!work.lines.isEmpty()) {
                    QStringList matches;
                    for (const worksearch::Match &m : work.lines.last().matches)
                        matches.append(u"%1#%2"_s.arg(m.offset).arg(m.ordinal));
                    lines = u"%1@%2 "_s.arg(work.lines.last().line).arg(matches.join(u',')) + lines;
                }
                found.append(u"%1 %2/%3 "_s.arg(work.name).arg(work.lineCount).arg(work.matchCount) + lines);
            }
        });
        // Pieces of the large work read by either search: a superseded one
        // reads none after the one it was superseded in.
        QAtomicInteger<qsizetype> largePieces = 0;
        QSemaphore superseded;
        search.setPieceHook([&](std::int32_t work) {
            if (work != m_large || largePieces.fetchAndAddRelaxed(1) != 0 || !insideLarge)
                return;
            QMetaObject::invokeMethod(
                this,
                [&] {
                    supersede();
                    superseded.release();
                },
                Qt::QueuedConnection);
            superseded.acquire();
        });
        QSignalSpy progress(&search, &CollectionSearch::progress);
        QSignalSpy finished(&search, &CollectionSearch::finished);
        search.start(m_collection, phrase, m_used);
        // One thread runs the searches in turn: at the last one's end all
        // that an earlier one sent has arrived.
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(found.join(u", "_s), expected);
        const auto works = qsizetype(m_collection.lastWorkIndex()) + 1;
        if (!textmatch::isBlank(phrase))
            QCOMPARE(progress.last(), (QVariantList{works, works}));
        if (insideLarge)
            QCOMPARE(largePieces.loadRelaxed(), 1 + LargePieces);
    }
};

QTEST_GUILESS_MAIN(tst_search)
#include "tst_search.moc"
