// Handing files and addresses to the desktop, and the redirect page.
#include "FakeOpener.h"
#include "FileMakers.h"

#include "format/RedirectPage.h"
#include "platform/System.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QScopeGuard>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// Where the page went, as text.
std::optional<QString> pageWritten(const QString &folder, const QString &url)
{
    const auto page = redirect::writePage(platform::NativePath(folder), url);
    return page ? std::optional(page->text()) : std::nullopt;
}

std::optional<QString> writtenWherePossible(const QString &folder, const QString &url)
{
    const auto page = redirect::writePageWherePossible(platform::NativePath(folder), url);
    return page ? std::optional(page->text()) : std::nullopt;
}

QByteArray read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

const QByteArray Prefix = "<html><head><meta http-equiv='refresh' content='0; url=";
const QByteArray Suffix = "'><meta http-equiv='Content-Type' content='text/html; charset=windows-1251'>"
                          "<title>WWW</title></head><body></body></html>\r\n";

// Takes every name a redirect page could have in folder (ending in "/").
bool fillNames(const QString &folder)
{
    for (int n = 0; n < redirect::MaxFiles; ++n) {
        if (!QDir().mkpath(folder + QString::number(n) + u".html"_s))
            return false;
    }
    return true;
}

// Makes the "sobranie" folder in base unusable in the way named.
bool block(const QString &base, const QString &how)
{
    const QString folder = base + u"/sobranie"_s;
    if (how == u"file"_s) {
        QFile f(folder);
        return f.open(QIODevice::WriteOnly);
    }
    if (how == u"names taken"_s)
        return fillNames(folder + u'/');
    return true;
}

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
        for (const QString &entry :
             dir.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot))
            QVERIFY(QFileInfo(dir.filePath(entry)).isDir() ? QDir(dir.filePath(entry)).removeRecursively()
                                                           : dir.remove(entry));
        m_folder = m_program.path() + u'/';
    }

    void theHandOffReportsHowItWent_data()
    {
        QTest::addColumn<int>("status"); // the opener's; -1: there is none
        QTest::addColumn<platform::HandOffResult::Outcome>("outcome");
        using Outcome = platform::HandOffResult::Outcome;
        QTest::newRow("handed over") << 0 << Outcome::HandedOver;
        QTest::newRow("no such file") << 2 << Outcome::TargetMissing;
        QTest::newRow("no browser") << 3 << Outcome::NoProgram;
        QTest::newRow("failed") << 4 << Outcome::Failed;
        QTest::newRow("no opener") << -1 << Outcome::OpenerMissing;
    }

    void theHandOffReportsHowItWent()
    {
        QFETCH(int, status);
        QFETCH(platform::HandOffResult::Outcome, outcome);
        // There the shell itself finds no such file; nothing stands in for it otherwise.
        if (outcome != platform::HandOffResult::Outcome::TargetMissing)
            SKIP_ON_WINDOWS("the opener on Windows is the shell, not a program found in PATH");
#ifdef Q_OS_WIN
        const bool openerRuns = false;
        const QString opener;
#else
        const bool openerRuns = status >= 0;
        const QString opener = u"xdg-open"_s;
#endif
        const QByteArray path = qgetenv("PATH");
        const auto restorePath = qScopeGuard([&] { qputenv("PATH", path); });
        qputenv("PATH", status < 0 ? QFile::encodeName(m_folder + u"nothing"_s) : path);
        m_opener.exitWith(status);
        const QString target = m_program.filePath(u"нет такого.htm"_s);
        const QPointer<platform::DesktopHandOff> handOff = platform::openWithDesktop(target);
        QStringList reports;
        connect(handOff, &platform::DesktopHandOff::started, this, [&] { reports.append(u"started"_s); });
        connect(handOff, &platform::DesktopHandOff::finished, this,
                [&](const platform::HandOffResult &r) { reports.append(QString::number(int(r.outcome)) + r.opener); });
        // Nothing from inside the call; gone once it has reported.
        QVERIFY(reports.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!handOff, 20000);
        const QString finished = QString::number(int(outcome)) + opener;
        QCOMPARE(reports, openerRuns ? (QStringList{u"started"_s, finished}) : QStringList{finished});
        QCOMPARE(m_opener.calls().value(0),
                 (openerRuns ? qMakePair(programFolder(), target) : QPair<QString, QString>()));
        // The working folder has no trailing separator.
        QVERIFY(!programFolder().endsWith(u'/') || programFolder() == u"/"_s);
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
        QCOMPARE(pageWritten(m_folder, url), page);
        QCOMPARE(read(page), Prefix + written + Suffix);
    }

    void twoCallsBothWriteTheFirstName()
    {
        QCOMPARE(pageWritten(m_folder, u"http://one.example/"_s), m_folder + u"0.html"_s);
        QCOMPARE(pageWritten(m_folder, u"http://two.example/"_s), m_folder + u"0.html"_s);
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
        QTest::newRow("link to a null device") << QByteArray("link to a null device");
        QTest::newRow("link loop") << QByteArray("link loop");
    }

    void unusableNameMovesToTheNext()
    {
        QFETCH(QByteArray, what);
        if (what != "folder")
            SKIP_ON_WINDOWS(what.startsWith("FIFO") ? files::NoFifos : files::NoLinks);
        const QByteArray first = files::bytes(m_folder + u"0.html"_s);
        if (what == "folder")
            QVERIFY(QDir(m_program.path()).mkdir(u"0.html"_s));
        else if (what.startsWith("FIFO"))
            QVERIFY(files::makeFifo(first));
        else if (what == "link to a null device") {
            // The test's own device: a slip writes over nothing of the machine's.
            const QByteArray device = files::bytes(m_program.filePath(u"null"_s));
            if (!files::makeDevice(device, "null"))
                QSKIP("cannot make a device here");
            QVERIFY(files::makeLink(device, first));
        } else
            QVERIFY(files::makeLinkLoop(first));
        // A reader at the other end would let the FIFO open.
        const int reader = what == "FIFO with a reader" ? files::openToRead(first) : -1;
        const auto closeReader = qScopeGuard([reader] {
            if (reader >= 0)
                files::closeDescriptor(reader);
        });
        const files::FifoRescuer rescuer(first);

        QElapsedTimer timer;
        timer.start();
        QCOMPARE(pageWritten(m_folder, u"http://photo.example.org/"_s), m_folder + u"1.html"_s);
        QVERIFY2(timer.elapsed() < 1000, qPrintable(u"%1 ms"_s.arg(timer.elapsed())));
        QCOMPARE(read(m_folder + u"1.html"_s), Prefix + "http://photo.example.org/" + Suffix);
        if (reader >= 0)
            QVERIFY(files::readByte(reader) <= 0);
    }

    void anExistingPageIsReplacedWhole()
    {
        QFile old(m_folder + u"0.html"_s);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(4000, 'x'));
        old.close();
        QCOMPARE(pageWritten(m_folder, u"http://photo.example.org/"_s), m_folder + u"0.html"_s);
        QCOMPARE(read(m_folder + u"0.html"_s), Prefix + "http://photo.example.org/" + Suffix);
    }

    void aProgramFolderThatTakesNoPageSendsItToTheUsersOwn_data()
    {
        QTest::addColumn<bool>("programTakesNone");
        QTest::addColumn<QString>("runtimeBlocked");
        QTest::addColumn<QString>("cacheBlocked");
        QTest::addColumn<QString>("expected");
        QTest::newRow("program folder") << false << u""_s << u""_s << u"program"_s;
        QTest::newRow("program folder, though the others cannot") << false << u"file"_s << u"file"_s << u"program"_s;
        QTest::newRow("runtime folder") << true << u""_s << u""_s << u"runtime"_s;
        QTest::newRow("cache when runtime's folder is a file") << true << u"file"_s << u""_s << u"cache"_s;
        QTest::newRow("cache when runtime's names are taken") << true << u"names taken"_s << u""_s << u"cache"_s;
        QTest::newRow("cache without a runtime folder") << true << u"unset"_s << u""_s << u"cache"_s;
        QTest::newRow("nowhere") << true << u"file"_s << u"names taken"_s << u""_s;
    }

    void aProgramFolderThatTakesNoPageSendsItToTheUsersOwn()
    {
        QFETCH(bool, programTakesNone);
        QFETCH(QString, runtimeBlocked);
        QFETCH(QString, cacheBlocked);
        QFETCH(QString, expected);
        if (programTakesNone || !runtimeBlocked.isEmpty() || !cacheBlocked.isEmpty())
            SKIP_ON_WINDOWS("the user's folders on Windows are the shell's, which no environment variable moves");
        QTemporaryDir runtime;
        QTemporaryDir cache;
        const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        const QByteArray oldCache = qgetenv("XDG_CACHE_HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("XDG_RUNTIME_DIR", oldRuntime);
            qputenv("XDG_CACHE_HOME", oldCache);
        });
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        if (programTakesNone)
            QVERIFY(fillNames(m_folder));
        if (runtimeBlocked == u"unset"_s)
            qunsetenv("XDG_RUNTIME_DIR");
        QVERIFY(block(runtime.path(), runtimeBlocked));
        QVERIFY(block(cache.path(), cacheBlocked));

        const auto page = writtenWherePossible(m_folder, u"http://photo.example.org/"_s);
        const QHash<QString, QString> folders = {{u"program"_s, m_folder},
                                                 {u"runtime"_s, runtime.path() + u"/sobranie/"_s},
                                                 {u"cache"_s, cache.path() + u"/sobranie/"_s}};
        if (expected.isEmpty()) {
            QCOMPARE(page, std::nullopt);
            return;
        }
        QCOMPARE(page, folders[expected] + u"0.html"_s);
        QCOMPARE(read(*page), Prefix + "http://photo.example.org/" + Suffix);
        // The user's folders are made only when the page goes there.
        if (expected == u"program"_s && runtimeBlocked.isEmpty())
            QVERIFY(!QFileInfo::exists(runtime.path() + u"/sobranie"_s));
        if (expected != u"cache"_s && cacheBlocked.isEmpty())
            QVERIFY(!QFileInfo::exists(cache.path() + u"/sobranie"_s));
    }

    void folderThatRefusesEverythingEndsAtOnce()
    {
        QCOMPARE(pageWritten(m_program.path() + u"/no such folder/"_s, u"http://photo.example.org/"_s), std::nullopt);
        QVERIFY(QDir(m_program.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_redirect)
#include "tst_redirect.moc"
