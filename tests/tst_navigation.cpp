// Where links and work indexes lead: pages, files, open failures, nothing.
#include "FileMakers.h"
#include "TestFiles.h"

#include "format/Collection.h"
#include "format/Navigation.h"
#include "format/Pages.h"
#include "format/WorkFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace navigation;

namespace {

using testfiles::writeFile;

QString htmlOf(const Destination &d)
{
    const auto *work = std::get_if<ShowWork>(&d);
    return work ? work->html : u"<not a work page>"_s;
}

} // namespace

class tst_navigation : public QObject
{
    Q_OBJECT

private:
    files::TemporaryFolder m_program;
    Collection m_collection;

    [[nodiscard]] QString dataPath(const QString &name) const { return m_program.filePath(u"Data/"_s + name); }
    [[nodiscard]] QByteArray dataBytes(const QByteArray &name) const
    {
        return files::bytes(m_program.filePath(u"Data/"_s)) + name;
    }
    [[nodiscard]] std::int32_t indexOf(const QString &name) const
    {
        return static_cast<std::int32_t>(m_collection.workNames().indexOf(name));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDir(m_program.path()).mkpath(u"Data"_s));
        writeFile(dataPath(u"Верный.dat"_s), workfile::encodeWork(4242, {u"Первая"_s, u""_s, u"Вторая"_s}));
        // -600 gives the reseed argument 71: the generator is moved, not restarted.
        writeFile(dataPath(u"Зависимый.dat"_s), workfile::encodeWork(-600, {u"Текст"_s}));
        writeFile(dataPath(u"Пустой.dat"_s), QByteArray());
        writeFile(dataPath(u"Удалённый.dat"_s), "1\r\n");
        writeFile(dataPath(u"Биография.html"_s), "<html><body>\xC6\xE8\xE7\xED\xFC</body></html>");
        // As they come from Windows: capitals in the extension, names in windows-1251.
        writeFile(dataPath(u"Заглавные.DAT"_s), workfile::encodeWork(11, {u"Заглавный текст"_s}));
        writeFile(dataPath(u"Смешанные.Dat"_s), workfile::encodeWork(12, {u"Смешанный текст"_s}));
        // "Русский.dat" and "Пропадающий.dat" in windows-1251.
        QVERIFY(files::makeRaw(dataBytes("\xD0\xF3\xF1\xF1\xEA\xE8\xE9.dat"),
                               workfile::encodeWork(13, {u"Текст с именем в windows-1251"_s})));
        QVERIFY(files::makeRaw(dataBytes("\xCF\xF0\xEE\xEF\xE0\xE4\xE0\xFE\xF9\xE8\xE9.dat")));
        // Replaced after start-up by what is not a file.
        writeFile(dataPath(u"Труба.dat"_s), "1\r\n");
        writeFile(dataPath(u"Ноль.dat"_s), "1\r\n");
        for (const testfiles::ReferenceWork &work : testfiles::referenceWorks())
            writeFile(dataPath(work.name + u".dat"_s), work.file);
        m_collection = Collection::load(platform::NativePath(m_program.path()));
        QCOMPARE(m_collection.lastWorkIndex(), 12);
        QVERIFY(QFile::remove(dataPath(u"Удалённый.dat"_s)));
        QVERIFY(files::remove(dataBytes("\xCF\xF0\xEE\xEF\xE0\xE4\xE0\xFE\xF9\xE8\xE9.dat")));
#ifndef Q_OS_WIN // there their tests are skipped
        QVERIFY(QFile::remove(dataPath(u"Труба.dat"_s)));
        QVERIFY(files::makeFifo(dataBytes(u"Труба.dat"_s.toUtf8())));
        QVERIFY(QFile::remove(dataPath(u"Ноль.dat"_s)));
        QVERIFY(files::makeLink("/dev/zero", dataBytes(u"Ноль.dat"_s.toUtf8())));
#endif
    }

    void worksOpenByTheNameTheyWereFoundBy_data()
    {
        QTest::addColumn<QString>("work");
        QTest::addColumn<QString>("text");
        QTest::newRow(".DAT") << u"Заглавные"_s << u"Заглавный текст"_s;
        QTest::newRow(".Dat") << u"Смешанные"_s << u"Смешанный текст"_s;
        QTest::newRow("windows-1251 name") << u"Русский"_s << u"Текст с именем в windows-1251"_s;
    }

    void worksOpenByTheNameTheyWereFoundBy()
    {
        QFETCH(QString, work);
        QFETCH(QString, text);
        platform::LegacyRandom random;
        QCOMPARE(htmlOf(openWork(m_collection, indexOf(work), random)),
                 pages::workPage(work, u"&nbsp;&nbsp;&nbsp;"_s + text + u"<br>"_s));
    }

    void whatIsNotAFileFailsAtOnce_data()
    {
        QTest::addColumn<QString>("work");
        QTest::newRow("FIFO") << u"Труба"_s;
        QTest::newRow("link to /dev/zero") << u"Ноль"_s;
    }

    void whatIsNotAFileFailsAtOnce()
    {
        QFETCH(QString, work);
        SKIP_ON_WINDOWS(work == u"Труба"_s ? files::NoFifos : files::NoLinks);
        // Should the open wait on the FIFO, it is freed later and the test fails.
        const files::FifoRescuer rescuer(dataBytes(u"Труба.dat"_s.toUtf8()));
        platform::LegacyRandom random;
        QElapsedTimer timer;
        timer.start();
        const Destination d = openWork(m_collection, indexOf(work), random);
        QVERIFY2(timer.elapsed() < 1000, qPrintable(u"%1 ms"_s.arg(timer.elapsed())));
        const auto *failure = std::get_if<OpenFailure>(&d);
        QVERIFY(failure);
        QCOMPARE(failure->error, platform::ErrorNumber::PathFileAccess);
        QCOMPARE(failure->message(), u"Файл \""_s + m_collection.dataDir() + work + u".dat\" открыть не возможно."_s);
    }

    void aWorkOpensToItsPage()
    {
        platform::LegacyRandom random;
        const Destination d = openWork(m_collection, indexOf(u"Верный"_s), random);
        QCOMPARE(htmlOf(d),
                 pages::workPage(u"Верный"_s, u"&nbsp;&nbsp;&nbsp;Первая<br>&nbsp;&nbsp;&nbsp;Вторая<br>"_s));
        // An empty file opens too, with an empty body.
        QCOMPARE(htmlOf(openWork(m_collection, indexOf(u"Пустой"_s), random)), pages::workPage(u"Пустой"_s, {}));
    }

    void referenceWorksOpenToTheirText()
    {
        // Made without this program's encoder: what the decoder shows is
        // the text itself, each line an indented paragraph, in the body.
        const QList<testfiles::ReferenceWork> works = testfiles::referenceWorks();
        QVERIFY(works.size() >= 3);
        platform::LegacyRandom random;
        for (const testfiles::ReferenceWork &work : works) {
            QString body;
            for (const QString &line : work.lines)
                body += u"&nbsp;&nbsp;&nbsp;"_s + line + u"<br>"_s;
            QVERIFY2(htmlOf(openWork(m_collection, indexOf(work.name), random))
                         .endsWith(u"size='4'>"_s + body + u"</font></td></table></body></html>"_s),
                     qPrintable(work.name));
        }
    }

    void theGeneratorCarriesOverFromOneOpeningToTheNext()
    {
        const std::int32_t dependent = indexOf(u"Зависимый"_s);
        platform::LegacyRandom fresh;
        const QString first = htmlOf(openWork(m_collection, dependent, fresh));
        QVERIFY(first.contains(u"Текст"_s));
        // The same generator, moved on by the first opening, decodes it otherwise.
        QVERIFY(htmlOf(openWork(m_collection, dependent, fresh)) != first);
        // A seed that restarts the generator does not care.
        const std::int32_t restarting = indexOf(u"Верный"_s);
        const QString again = htmlOf(openWork(m_collection, restarting, fresh));
        platform::LegacyRandom other;
        QCOMPARE(htmlOf(openWork(m_collection, restarting, other)), again);
    }

    void openFailuresCarryThePathAndTheReason()
    {
        platform::LegacyRandom random;
        const Destination missing = openWork(m_collection, indexOf(u"Удалённый"_s), random);
        const auto *failure = std::get_if<OpenFailure>(&missing);
        QVERIFY(failure);
        QCOMPARE(failure->path, m_collection.dataDir() + u"Удалённый.dat"_s);
        QCOMPARE(failure->error, platform::ErrorNumber::FileNotFound);
        QCOMPARE(failure->message(), u"Файл \""_s + failure->path + u"\" не найден."_s);

        // A name in windows-1251 is reported as it is shown.
        const Destination gone = openWork(m_collection, indexOf(u"Пропадающий"_s), random);
        QVERIFY(std::holds_alternative<OpenFailure>(gone));
        QCOMPARE(std::get<OpenFailure>(gone).message(),
                 u"Файл \""_s + m_collection.dataDir() + u"Пропадающий.dat\" не найден."_s);

        QCOMPARE((OpenFailure{u"C:\\x.dat"_s, platform::ErrorNumber::PathFileAccess}.message()),
                 u"Файл \"C:\\x.dat\" открыть не возможно."_s);
        QCOMPARE((OpenFailure{u"/x.dat"_s, platform::ErrorNumber::PermissionDenied}.message()),
                 u"Файл \"/x.dat\" открыть не возможно."_s);
    }

    void indexesOutsideTheWorksLeadNowhere()
    {
        platform::LegacyRandom random;
        QVERIFY(std::holds_alternative<Nothing>(openWork(m_collection, -1, random)));
        QVERIFY(std::holds_alternative<Nothing>(openWork(m_collection, m_collection.lastWorkIndex() + 1, random)));
        QVERIFY(std::holds_alternative<Nothing>(followLink(m_collection, u"http://www.t99/"_s, random)));
        QCOMPARE(random.state(), platform::LegacyRandom::InitialState);
    }

    void linksLeadToTheirPages()
    {
        platform::LegacyRandom random;
        const Destination biography = followLink(m_collection, u"http://www.b/"_s, random);
        QVERIFY(std::holds_alternative<ShowFile>(biography));
        QCOMPARE(std::get<ShowFile>(biography).path.text(), m_collection.dataDir() + u"Биография.html"_s);
        QVERIFY(std::holds_alternative<ShowCatalogue>(followLink(m_collection, u"http://www.s/"_s, random)));
        // Without its file the biography link leads nowhere, rather than to an empty page.
        QVERIFY(QFile::rename(dataPath(u"Биография.html"_s), dataPath(u"hidden"_s)));
        QVERIFY(std::holds_alternative<Nothing>(followLink(m_collection, u"http://www.b/"_s, random)));
        QVERIFY(QDir().mkdir(dataPath(u"Биография.html"_s)));
        QVERIFY(std::holds_alternative<Nothing>(followLink(m_collection, u"http://www.b/"_s, random)));
        QVERIFY(QDir().rmdir(dataPath(u"Биография.html"_s)));
        QVERIFY(QFile::rename(dataPath(u"hidden"_s), dataPath(u"Биография.html"_s)));
        QVERIFY(std::holds_alternative<Nothing>(followLink(m_collection, u"http://www.x/"_s, random)));
        QVERIFY(std::holds_alternative<Nothing>(followLink(m_collection, u"https://example.org/"_s, random)));
        QCOMPARE(htmlOf(followLink(m_collection, u"http://www.t%1/"_s.arg(indexOf(u"Верный"_s)), random)),
                 htmlOf(openWork(m_collection, indexOf(u"Верный"_s), random)));
    }
};

QTEST_GUILESS_MAIN(tst_navigation)
#include "tst_navigation.moc"
