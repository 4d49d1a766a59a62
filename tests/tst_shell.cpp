// Handing files and addresses to the desktop, and the redirect page.
#include "FakeOpener.h"

#include "app/MainM.h"
#include "extras/OpURL.h"
#include "extras/SaveFileUrlm.h"

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

class tst_shell : public QObject
{
    Q_OBJECT

private:
    FakeOpener m_opener;
    QTemporaryDir m_program;

    QString programFolder() const { return QDir::toNativeSeparators(QCoreApplication::applicationDirPath()); }

private Q_SLOTS:
    void init()
    {
        m_opener.clear();
        QDir dir(m_program.path());
        for (const QString &entry : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
            QVERIFY(QFileInfo(dir.filePath(entry)).isDir() ? QDir(dir.filePath(entry)).removeRecursively()
                                                           : dir.remove(entry));
        MainM::AppDir = m_program.path() + u'/';
    }

    void openUrlHandsTheTargetOver()
    {
        const QString missing = m_program.filePath(u"нет такого.htm"_s);
        OpURL::OpenURL(missing);
        OpURL::OpenURL(u"http://www.example.org/site/"_s);
        QTRY_COMPARE(m_opener.calls().size(), 2);
        const auto calls = m_opener.calls();
        QCOMPARE(calls[0].first, programFolder());
        QCOMPARE(calls[0].second, missing);
        QCOMPARE(calls[1].second, u"http://www.example.org/site/"_s);
        // The working folder has no trailing separator.
        QVERIFY(!OpURL::workingFolder().endsWith(u'/') || OpURL::workingFolder() == u"/"_s);
    }

    void redirectFileByteForByte_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("ordinary") << u"http://photo.example.org/"_s << QByteArray("http://photo.example.org/");
        QTest::newRow("empty") << u""_s << QByteArray();
        QTest::newRow("apostrophe") << u"http://example.org/it's"_s << QByteArray("http://example.org/it's");
        QTest::newRow("cyrillic") << u"http://пример.example/"_s << QByteArray("http://\xEF\xF0\xE8\xEC\xE5\xF0.example/");
    }

    void redirectFileByteForByte()
    {
        QFETCH(QString, url);
        QFETCH(QByteArray, written);
        QCOMPARE(SaveFileUrlm::redirectPage(url).toLatin1().size(), SaveFileUrlm::redirectPage(url).size());
        SaveFileUrlm::SaveFileUrl(url);
        const QString page = MainM::AppDir + u"0.html"_s;
        QCOMPARE(read(page), Prefix + written + Suffix);
        QTRY_COMPARE(m_opener.calls().size(), 1);
        QCOMPARE(m_opener.calls()[0], qMakePair(programFolder(), page));
    }

    void twoCallsBothWriteTheFirstName()
    {
        SaveFileUrlm::SaveFileUrl(u"http://one.example/"_s);
        SaveFileUrlm::SaveFileUrl(u"http://two.example/"_s);
        QCOMPARE(read(MainM::AppDir + u"0.html"_s), Prefix + "http://two.example/" + Suffix);
        QCOMPARE(QDir(m_program.path()).entryList(QDir::Files), QStringList{u"0.html"_s});
        QTRY_COMPARE(m_opener.calls().size(), 2);
        QCOMPARE(m_opener.calls()[1].second, MainM::AppDir + u"0.html"_s);
    }

    void unwritableNameMovesToTheNext()
    {
        // Permission bits stop nothing for root: a folder of that name does.
        QVERIFY(QDir(m_program.path()).mkdir(u"0.html"_s));
        SaveFileUrlm::SaveFileUrl(u"http://photo.example.org/"_s);
        QVERIFY(QFileInfo(MainM::AppDir + u"0.html"_s).isDir());
        QCOMPARE(read(MainM::AppDir + u"1.html"_s), Prefix + "http://photo.example.org/" + Suffix);
        QTRY_COMPARE(m_opener.calls().size(), 1);
        QCOMPARE(m_opener.calls()[0].second, MainM::AppDir + u"1.html"_s);
    }

    void folderThatRefusesEverythingEndsAtOnce()
    {
        MainM::AppDir = m_program.path() + u"/no such folder/"_s;
        SaveFileUrlm::SaveFileUrl(u"http://photo.example.org/"_s);
        QVERIFY(QDir(m_program.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
        // Whatever a call would have written to the log has had time to arrive.
        OpURL::OpenURL(u"marker"_s);
        QTRY_COMPARE(m_opener.calls().size(), 1);
        QTest::qWait(300);
        QCOMPARE(m_opener.calls().size(), 1);
        QCOMPARE(m_opener.calls()[0].second, u"marker"_s);
    }
};

QTEST_GUILESS_MAIN(tst_shell)
#include "tst_shell.moc"
