// Where links and work indexes lead: pages, files, open failures, nothing.
#include "format/Collection.h"
#include "format/Navigation.h"
#include "format/Pages.h"
#include "format/WorkFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace navigation;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(f.write(bytes), bytes.size());
}

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
    QTemporaryDir m_program;
    Collection m_collection;

    [[nodiscard]] QString dataPath(const QString &name) const { return m_program.filePath(u"Data/"_s + name); }
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
        m_collection = Collection::load(m_program.path());
        QCOMPARE(m_collection.workCount(), 3);
        QVERIFY(QFile::remove(dataPath(u"Удалённый.dat"_s)));
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

        QCOMPARE((OpenFailure{u"C:\\x.dat"_s, platform::ErrorNumber::PathFileAccess}.message()),
                 u"Файл \"C:\\x.dat\" открыть не возможно."_s);
        QCOMPARE((OpenFailure{u"/x.dat"_s, platform::ErrorNumber::PermissionDenied}.message()),
                 u"Файл \"/x.dat\" открыть не возможно."_s);
    }

    void indexesOutsideTheWorksLeadNowhere()
    {
        platform::LegacyRandom random;
        QVERIFY(std::holds_alternative<Nothing>(openWork(m_collection, -1, random)));
        QVERIFY(std::holds_alternative<Nothing>(openWork(m_collection, m_collection.workCount() + 1, random)));
        QVERIFY(std::holds_alternative<Nothing>(followLink(m_collection, u"http://www.t99/"_s, random)));
        QCOMPARE(random.state(), platform::LegacyRandom::InitialState);
    }

    void linksLeadToTheirPages()
    {
        platform::LegacyRandom random;
        const Destination biography = followLink(m_collection, u"http://www.b/"_s, random);
        QVERIFY(std::holds_alternative<ShowFile>(biography));
        QCOMPARE(std::get<ShowFile>(biography).path, m_collection.dataDir() + u"Биография.html"_s);
        QVERIFY(std::holds_alternative<ShowCatalogue>(followLink(m_collection, u"http://www.s/"_s, random)));
        QVERIFY(std::holds_alternative<Nothing>(followLink(m_collection, u"http://www.x/"_s, random)));
        QVERIFY(std::holds_alternative<Nothing>(followLink(m_collection, u"https://example.org/"_s, random)));
        QCOMPARE(htmlOf(followLink(m_collection, u"http://www.t%1/"_s.arg(indexOf(u"Верный"_s)), random)),
                 htmlOf(openWork(m_collection, indexOf(u"Верный"_s), random)));
    }
};

QTEST_GUILESS_MAIN(tst_navigation)
#include "tst_navigation.moc"
