// Handing files and addresses to the desktop, and the redirect page.
#include "FakeOpener.h"
#include "FileMakers.h"

#include "format/RedirectPage.h"
#include "platform/System.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QScopeGuard>
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

    QString programFolder() const { return QDir::toNativeSeparators(QCoreApplication::applicationDirPath()); }

private Q_SLOTS:
    void init()
    {
        m_opener.clear();
        QDir dir(m_program.path());
        for (const QString &entry :
             dir.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot))
            QVERIFY(QFileInfo(dir.filePath(entry)).isDir() ? QDir(dir.filePath(entry)).removeRecursively()
                                                           : dir.remove(entry));
        m_folder = m_program.path() + u'/';
    }

    void desktopGetsTheTargetAndTheProgramFolder()
    {
        const QString missing = m_program.filePath(u"нет такого.htm"_s);
        // Handed over: whether the opener can open it is its own affair.
        QVERIFY(platform::openWithDesktop(missing).handedOver);
        // Detached openers run side by side: the first is logged before the second starts.
        QTRY_COMPARE(m_opener.calls().size(), 1);
        QVERIFY(platform::openWithDesktop(u"http://www.example.org/site/"_s).handedOver);
        QTRY_COMPARE(m_opener.calls().size(), 2);
        const auto calls = m_opener.calls();
        QCOMPARE(calls[0].first, programFolder());
        QCOMPARE(calls[0].second, missing);
        QCOMPARE(calls[1].second, u"http://www.example.org/site/"_s);
        // The working folder has no trailing separator.
        QVERIFY(!platform::programFolder().text().endsWith(u'/') || platform::programFolder().text() == u"/"_s);
    }

    void withoutAnOpenerNothingIsHandedOver()
    {
        QTemporaryDir empty;
        const QByteArray path = qgetenv("PATH");
        const auto restorePath = qScopeGuard([&] { qputenv("PATH", path); });
        qputenv("PATH", QFile::encodeName(empty.path()));
        const platform::DesktopHandOver handOver = platform::openWithDesktop(u"http://www.example.org/site/"_s);
        QVERIFY(!handOver.handedOver);
        QCOMPARE(handOver.missingProgram, u"xdg-open"_s);
        qputenv("PATH", path);
        QVERIFY(platform::openWithDesktop(u"http://www.example.org/"_s).handedOver);
        QTRY_COMPARE(m_opener.calls().size(), 1);
        QCOMPARE(m_opener.calls()[0].second, u"http://www.example.org/"_s);
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

    void unusableNameMovesToTheNext_data()
    {
        QTest::addColumn<QByteArray>("what");
        // Permission bits stop nothing for root: other things under the name do.
        QTest::newRow("folder") << QByteArray("folder");
        QTest::newRow("FIFO") << QByteArray("FIFO");
        QTest::newRow("FIFO with a reader") << QByteArray("FIFO with a reader");
        QTest::newRow("link to /dev/null") << QByteArray("link to /dev/null");
        QTest::newRow("link loop") << QByteArray("link loop");
    }

    void unusableNameMovesToTheNext()
    {
        QFETCH(QByteArray, what);
        const QByteArray first = files::bytes(m_folder + u"0.html"_s);
        if (what == "folder")
            QVERIFY(QDir(m_program.path()).mkdir(u"0.html"_s));
        else if (what.startsWith("FIFO"))
            QVERIFY(files::makeFifo(first));
        else if (what == "link to /dev/null")
            QVERIFY(files::makeLink("/dev/null", first));
        else
            QVERIFY(files::makeLinkLoop(first));
        // A reader at the other end would let the FIFO open.
        const int reader = what == "FIFO with a reader" ? ::open(first.constData(), O_RDONLY | O_NONBLOCK) : -1;
        const auto closeReader = qScopeGuard([reader] {
            if (reader >= 0)
                ::close(reader);
        });
        const files::FifoRescuer rescuer(first);

        QElapsedTimer timer;
        timer.start();
        QCOMPARE(redirect::writePage(m_folder, u"http://photo.example.org/"_s), m_folder + u"1.html"_s);
        QVERIFY2(timer.elapsed() < 1000, qPrintable(u"%1 ms"_s.arg(timer.elapsed())));
        QCOMPARE(read(m_folder + u"1.html"_s), Prefix + "http://photo.example.org/" + Suffix);
        if (reader >= 0) {
            char byte = 0;
            QVERIFY(::read(reader, &byte, 1) <= 0);
        }
    }

    void anExistingPageIsReplacedWhole()
    {
        QFile old(m_folder + u"0.html"_s);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(4000, 'x'));
        old.close();
        QCOMPARE(redirect::writePage(m_folder, u"http://photo.example.org/"_s), m_folder + u"0.html"_s);
        QCOMPARE(read(m_folder + u"0.html"_s), Prefix + "http://photo.example.org/" + Suffix);
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
