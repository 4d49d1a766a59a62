// Find: the matching rule, and the collection searched on its thread.
#include "FileMakers.h"
#include "TestFiles.h"

#include "format/Collection.h"
#include "format/CollectionSearch.h"
#include "format/TextMatch.h"
#include "format/WorkFile.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using worksearch::WorkMatches;

namespace {

// Each work found as "name lines/matches", then its first kept lines as
// "line@offset#ordinal,...", then how many more were kept.
QString summary(const QList<WorkMatches> &works)
{
    QStringList parts;
    for (const WorkMatches &work : works) {
        QString part = u"%1 %2/%3"_s.arg(work.name).arg(work.lineCount).arg(work.matchCount);
        for (const worksearch::MatchedLine &line : work.lines.first(std::min<qsizetype>(3, work.lines.size()))) {
            QStringList matches;
            for (const worksearch::Match &m : line.matches)
                matches.append(u"%1#%2"_s.arg(m.offset).arg(m.ordinal));
            part += u" %1@%2"_s.arg(line.line).arg(matches.join(u','));
        }
        if (work.lines.size() > 3)
            part += u" +%1"_s.arg(work.lines.size() - 3);
        parts.append(part);
    }
    return parts.join(u" | "_s);
}

} // namespace

class tst_search : public QObject
{
    Q_OBJECT

private:
    files::TemporaryFolder m_program;
    Collection m_collection;
    // A generator the window has used: a work whose seed does not restart it
    // decodes only from this state.
    platform::LegacyRandom m_used;

private Q_SLOTS:
    void initTestCase()
    {
        for (int i = 0; i < 3; ++i)
            (void)m_used.next();
        const QDir data(m_program.filePath(u"Data"_s));
        QVERIFY(data.mkpath(u"."_s));
        testfiles::writeFile(data.filePath(u"Альфа.dat"_s),
                             workfile::encodeWork(1, {u"Первая строка"_s, u""_s, u"Ёлка и ель"_s, u"ЕЛЬ да ель"_s}));
        testfiles::writeFile(data.filePath(u"Бета.dat"_s), workfile::encodeWork(3, {u"ничего"_s}));
        testfiles::writeFile(data.filePath(u"Ель.dat"_s), workfile::encodeWork(2, {u"ель"_s}));
        testfiles::writeFile(data.filePath(u"Длинный.dat"_s), workfile::encodeWork(4, QStringList(25, u"ель"_s)));
        testfiles::writeFile(data.filePath(u"Зависимый.dat"_s), workfile::encodeWork(-600, {u"ель"_s}, m_used));
        // Replaced after the listing by what cannot be read as a work.
        for (const QString &name : {u"Нуль.dat"_s, u"Труба.dat"_s, u"Удалённый.dat"_s})
            testfiles::writeFile(data.filePath(name), workfile::encodeWork(5, {u"ель"_s}));
        m_collection = Collection::load(platform::NativePath(m_program.path()));
        QCOMPARE(m_collection.workCount(), 7);
        for (const QString &name : {u"Нуль.dat"_s, u"Труба.dat"_s, u"Удалённый.dat"_s})
            QVERIFY(QFile::remove(data.filePath(name)));
#ifndef Q_OS_WIN
        QVERIFY(files::makeFifo(files::bytes(data.filePath(u"Труба.dat"_s))));
        // Where the system lets devices be made: one that never ends.
        (void)files::makeDevice(files::bytes(data.filePath(u"Нуль.dat"_s)), "zero");
#endif
    }

    void matching_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<QList<qsizetype>>("offsets");
        QTest::newRow("Latin, any case") << u"Hello hELLo"_s << u"HELLO"_s << QList<qsizetype>{0, 6};
        QTest::newRow("Cyrillic, any case") << u"Мир МИР мИр"_s << u"мир"_s << QList<qsizetype>{0, 4, 8};
        QTest::newRow("е typed, ё in the text") << u"Ёлка, ёж"_s << u"елка"_s << QList<qsizetype>{0};
        QTest::newRow("ё typed, е in the text") << u"ель"_s << u"Ёль"_s << QList<qsizetype>{0};
        QTest::newRow("Ё typed, ё in the text") << u"ёж"_s << u"ЁЖ"_s << QList<qsizetype>{0};
        QTest::newRow("none overlapping, from the left") << u"aaaaa"_s << u"aa"_s << QList<qsizetype>{0, 2};
        QTest::newRow("not there") << u"abc"_s << u"abd"_s << QList<qsizetype>{};
        QTest::newRow("empty phrase") << u"abc"_s << u""_s << QList<qsizetype>{};
        QTest::newRow("blank phrase") << u"a  b"_s << u"  "_s << QList<qsizetype>{};
        QTest::newRow("blanks kept around words") << u"a b"_s << u" b"_s << QList<qsizetype>{1};
        QTest::newRow("offsets past a surrogate pair") << u"x😀X"_s << u"x"_s << QList<qsizetype>{0, 3};
        QTest::newRow("no case beyond the BMP") << u"𐐀"_s << u"𐐨"_s << QList<qsizetype>{};
        QTest::newRow("ß is one unit, not ss") << u"STRASSE straße"_s << u"ß"_s << QList<qsizetype>{12};
        QTest::newRow("İ: no lower case of one unit") << u"İzmir"_s << u"iz"_s << QList<qsizetype>{};
    }

    void matching()
    {
        QFETCH(QString, text);
        QFETCH(QString, phrase);
        QFETCH(QList<qsizetype>, offsets);
        QCOMPARE(textmatch::fold(text).size(), text.size());
        QCOMPARE(textmatch::find(text, phrase), offsets);
    }

    void search_data()
    {
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<bool>("usedGenerator");
        QTest::addColumn<QString>("found");
        QTest::newRow("lines, offsets and ordinals")
            << u"ель"_s << true
            << u"Альфа 2/3 1@7#0 2@0#1,7#2 | Длинный 25/25 0@0#0 1@0#1 2@0#2 +17 | Ель 1/1 0@0#1 | "
               u"Зависимый 1/1 0@0#0"_s;
        QTest::newRow("a fresh generator") << u"ель"_s << false
                                           << u"Альфа 2/3 1@7#0 2@0#1,7#2 | Длинный 25/25 0@0#0 1@0#1 2@0#2 +17 | "
                                              u"Ель 1/1 0@0#1"_s;
        QTest::newRow("after the link back and the name") << u"И"_s << true << u"Альфа 1/1 1@5#3 | Бета 1/1 0@1#3"_s;
        QTest::newRow("ё typed") << u"ЁЛКА"_s << true << u"Альфа 1/1 1@0#0"_s;
        QTest::newRow("on the page, in no line") << u"список"_s << true << QString();
        QTest::newRow("blank") << u"  "_s << true << QString();
    }

    void search()
    {
        QFETCH(QString, phrase);
        QFETCH(bool, usedGenerator);
        QFETCH(QString, found);
        const files::FifoRescuer rescuer(files::bytes(m_program.filePath(u"Data/Труба.dat"_s)));
        CollectionSearch search;
        QList<WorkMatches> works;
        connect(&search, &CollectionSearch::found, this, [&](const QList<WorkMatches> &batch) { works += batch; });
        QSignalSpy progress(&search, &CollectionSearch::progress);
        QSignalSpy finished(&search, &CollectionSearch::finished);
        search.start(m_collection, phrase, usedGenerator ? m_used : platform::LegacyRandom());
        QVERIFY(search.isRunning());
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(!search.isRunning());
        QCOMPARE(summary(works), found);
        if (!found.isEmpty())
            QCOMPARE(progress.last(), (QVariantList{qsizetype(8), qsizetype(8)}));
    }

    void aSupersededSearchDeliversNothingMore()
    {
        CollectionSearch search;
        QList<WorkMatches> works;
        bool superseded = false;
        // The new search starts as the first one's first work arrives, with
        // the rest of that one on its way or still to come.
        connect(&search, &CollectionSearch::found, this, [&](const QList<WorkMatches> &batch) {
            works += batch;
            if (!std::exchange(superseded, true)) {
                works.clear();
                search.start(m_collection, u"ничего"_s, m_used);
            }
        });
        QSignalSpy finished(&search, &CollectionSearch::finished);
        search.start(m_collection, u"е"_s, m_used);
        // One thread runs the searches in turn: when the last ends, all that
        // the first sent has arrived.
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(summary(works), u"Бета 1/1 0@0#0"_s);
    }
};

QTEST_GUILESS_MAIN(tst_search)
#include "tst_search.moc"
