// Find: the matching rule, and a collection searched on its thread.
#include "FileMakers.h"
#include "TestFiles.h"

#include "format/CollectionSearch.h"
#include "format/TextMatch.h"
#include "format/WorkFile.h"

#include <QDir>
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
        // Replaced after the listing by what cannot be read as a work.
        const QStringList unreadable = {u"Нуль.dat"_s, u"Труба.dat"_s, u"Удалённый.dat"_s};
        for (const QString &name : unreadable)
            write(name, 5, {u"ель"_s});
        m_collection = Collection::load(platform::NativePath(m_program.path()));
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
        QTest::newRow("Cyrillic, any case") << u"Мир МИР мИр"_s << u"мир"_s << QList<qsizetype>{0, 4, 8};
        QTest::newRow("е typed, ё in the text") << u"Ёлка, ёж"_s << u"елка"_s << QList<qsizetype>{0};
        QTest::newRow("ё typed, е in the text") << u"ель"_s << u"Ёль"_s << QList<qsizetype>{0};
        QTest::newRow("none overlapping, from the left") << u"aaaaa"_s << u"aa"_s << QList<qsizetype>{0, 2};
        QTest::newRow("blank phrase") << u"a  b"_s << u"  "_s << QList<qsizetype>{};
        QTest::newRow("offsets past a surrogate pair") << u"x😀X"_s << u"x"_s << QList<qsizetype>{0, 3};
        QTest::newRow("no case beyond the BMP") << u"𐐀"_s << u"𐐨"_s << QList<qsizetype>{};
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
        // Started as the first work found arrives, with the rest of the first
        // search on its way or still to come.
        QTest::addColumn<QString>("supersededBy");
        // Per work: "name lines/matches last-kept-line@offset#ordinal,... lines-kept".
        QTest::addColumn<QString>("expected");
        QTest::newRow("lines, offsets, ordinals")
            << u"ель"_s << QString()
            << u"Альфа 2/3 2@0#1,7#2 2, Длинный 25/25 19@0#19 20, Ель 1/1 0@0#1 1, Зависимый 1/1 0@0#0 1"_s;
        QTest::newRow("after the link back and the name")
            << u"И"_s << QString() << u"Альфа 1/1 1@5#3 1, Бета 1/1 0@1#3 1"_s;
        QTest::newRow("on the page, in no line") << u"список"_s << QString() << QString();
        QTest::newRow("blank") << u"  "_s << QString() << QString();
        QTest::newRow("superseded") << u"е"_s << u"ничего"_s << u"Бета 1/1 0@0#0 1"_s;
    }

    void search()
    {
        QFETCH(QString, phrase);
        QFETCH(QString, supersededBy);
        QFETCH(QString, expected);
        const files::FifoRescuer rescuer(files::bytes(m_program.filePath(u"Data/Труба.dat"_s)));
        CollectionSearch search;
        QStringList found;
        bool supersede = !supersededBy.isEmpty();
        connect(&search, &CollectionSearch::found, this, [&](const QList<worksearch::WorkMatches> &works) {
            if (std::exchange(supersede, false))
                search.start(m_collection, supersededBy, m_used);
            for (const worksearch::WorkMatches &work : works) {
                QStringList matches;
                for (const worksearch::Match &m : work.lines.last().matches)
                    matches.append(u"%1#%2"_s.arg(m.offset).arg(m.ordinal));
                found.append(
                    u"%1 %2/%3 "_s.arg(work.name).arg(work.lineCount).arg(work.matchCount)
                    + u"%1@%2 %3"_s.arg(work.lines.last().line).arg(matches.join(u',')).arg(work.lines.size()));
            }
        });
        QSignalSpy progress(&search, &CollectionSearch::progress);
        QSignalSpy finished(&search, &CollectionSearch::finished);
        search.start(m_collection, phrase, m_used);
        // One thread runs the searches in turn: at the last one's end all
        // that an earlier one sent has arrived.
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(found.mid(supersededBy.isEmpty() ? 0 : 1).join(u", "_s), expected);
        if (!textmatch::isBlank(phrase))
            QCOMPARE(progress.last(), (QVariantList{qsizetype(8), qsizetype(8)}));
    }
};

QTEST_GUILESS_MAIN(tst_search)
#include "tst_search.moc"
