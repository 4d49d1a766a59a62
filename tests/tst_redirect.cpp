// Handing files and addresses to the desktop, and the redirect page.
#include "FakeOpener.h"

#include "format/RedirectPage.h"
#include "platform/System.h"

#include <QCoreApplication>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

const QByteArray Prefix = "<html><head><meta http-equiv='refresh' content='0; url=";
const QByteArray Suffix = "'><meta http-equiv='Content-Type' content='text/html; charset=windows-1251'>"
                          "<title>WWW</title></head><body></body></html>\r\n";

} // namespace

class tst_redirect : public QObject
{
    Q_OBJECT

private:
    FakeOpener m_opener;
    QTemporaryDir m_program;

    QString m_folder;

    [[nodiscard]] QString programFolder() const
    {
        return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    }

private Q_SLOTS:
    void init()
    {
        m_opener.clear();
        QDir dir(m_program.path());
        for (const QString &entry : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
            QVERIFY(QFileInfo(dir.filePath(entry)).isDir() ? QDir(dir.filePath(entry)).removeRecursively()
                                                           : dir.remove(entry));
        m_folder = m_program.path() + u'/';
    }

    void desktopGetsTheTargetAndTheProgramFolder()
    {
        const QString missing = m_program.filePath(u"нет такого.htm"_s);
        platform::openWithDesktop(missing);
        // Each call starts its own detached process: wait for the first to
        // be logged, or the two may log in either order.
        QTRY_COMPARE(m_opener.calls().size(), 1);
        platform::openWithDesktop(u"http://www.example.org/site/"_s);
        QTRY_COMPARE(m_opener.calls().size(), 2);
        const auto calls = m_opener.calls();
        QCOMPARE(calls[0].first, programFolder());
        QCOMPARE(calls[0].second, missing);
        QCOMPARE(calls[1].second, u"http://www.example.org/site/"_s);
        // The working folder has no trailing separator.
        QVERIFY(!platform::programFolder().endsWith(u'/') || platform::programFolder() == u"/"_s);
    }

    void redirectFileByteForByte_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("ordinary") << u"http://photo.example.org/"_s << QByteArray("http://photo.example.org/");
        QTest::newRow("empty") << u""_s << QByteArray();
        QTest::newRow("apostrophe") << u"http://example.org/it's"_s << QByteArray("http://example.org/it's");
        QTest::newRow("cyrillic") << u"http://пример.example/"_s
                                  << QByteArray("http://\xEF\xF0\xE8\xEC\xE5\xF0.example/");
    }

    void redirectFileByteForByte()
    {
        QFETCH(QString, url);
        QFETCH(QByteArray, written);
        const QString page = m_folder + u"0.html"_s;
        QCOMPARE(redirect::writePage(m_folder, url), page);
        QCOMPARE(read(page), Prefix + written + Suffix);
    }

    void twoCallsBothWriteTheFirstName()
    {
        QCOMPARE(redirect::writePage(m_folder, u"http://one.example/"_s), m_folder + u"0.html"_s);
        QCOMPARE(redirect::writePage(m_folder, u"http://two.example/"_s), m_folder + u"0.html"_s);
        QCOMPARE(read(m_folder + u"0.html"_s), Prefix + "http://two.example/" + Suffix);
        QCOMPARE(QDir(m_program.path()).entryList(QDir::Files), QStringList{u"0.html"_s});
    }

    void unwritableNameMovesToTheNext()
    {
        // Permission bits stop nothing for root: a folder of that name does.
        QVERIFY(QDir(m_program.path()).mkdir(u"0.html"_s));
        QCOMPARE(redirect::writePage(m_folder, u"http://photo.example.org/"_s), m_folder + u"1.html"_s);
        QVERIFY(QFileInfo(m_folder + u"0.html"_s).isDir());
        QCOMPARE(read(m_folder + u"1.html"_s), Prefix + "http://photo.example.org/" + Suffix);
    }

    void folderThatRefusesEverythingEndsAtOnce()
    {
        QCOMPARE(redirect::writePage(m_program.path() + u"/no such folder/"_s, u"http://photo.example.org/"_s),
                 std::nullopt);
        QVERIFY(QDir(m_program.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_redirect)
#include "tst_redirect.moc"
