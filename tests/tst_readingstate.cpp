// The kept reading state: positions per collection and work, the text size,
// files that cannot be trusted, bounds, when it is written.
#include "FileMakers.h"
#include "TestFiles.h"

#include "format/ReadingState.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using platform::FileStamp;
using platform::NativePath;

namespace {

const NativePath Folder(u"/c/Data/"_s);
const NativePath Work(u"Ода.dat"_s);
const FileStamp Stamp{100, 5};
const QByteArray Entry = R"({"collection":"/c/Data/","work":"Ода.dat","size":100,"modified":5,"position":0.25})";

NativePath byteName(const QByteArray &bytes)
{
    return NativePath::fromNative(files::native(bytes));
}

} // namespace

class tst_readingstate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Whatever the file holds, the reader says nothing about it.
    void init() { QTest::failOnWarning(QRegularExpression(u".*"_s)); }

    void positions_data()
    {
        QTest::addColumn<QByteArray>("folder");
        QTest::addColumn<QByteArray>("work");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("modified");
        QTest::addColumn<double>("expected");
        QTest::newRow("kept") << "/c/Data/"_ba
                              << "Ода.dat"_ba << 100LL << 5LL << 0.25;
        QTest::newRow("another collection") << "/d/Data/"_ba
                                            << "Ода.dat"_ba << 100LL << 5LL << 0.0;
        QTest::newRow("another work") << "/c/Data/"_ba
                                      << "Ода.DAT"_ba << 100LL << 5LL << 0.0;
        QTest::newRow("size changed") << "/c/Data/"_ba
                                      << "Ода.dat"_ba << 101LL << 5LL << 0.0;
        QTest::newRow("time changed") << "/c/Data/"_ba
                                      << "Ода.dat"_ba << 100LL << 6LL << 0.0;
        QTest::newRow("names in windows-1251") << "/c/\xCF\xF0/"_ba
                                               << "\xCE\xE4\xE0.dat"_ba << 100LL << 5LL << 0.75;
        QTest::newRow("the same text in UTF-8") << "/c/Пр/"_ba
                                                << "\xCE\xE4\xE0.dat"_ba << 100LL << 5LL << 0.0;
    }

    void positions()
    {
        QFETCH(QByteArray, folder);
        QFETCH(QByteArray, work);
        QFETCH(qint64, size);
        QFETCH(qint64, modified);
        QFETCH(double, expected);
        if (folder.contains("\xCF") || folder.contains("Пр"))
            SKIP_ON_WINDOWS(files::NoByteNames);
        QTemporaryDir dir;
        {
            ReadingState state(dir.path());
            state.setPosition(Folder, Work, Stamp, 0.25);
            state.setPosition(byteName("/c/\xCF\xF0/"), byteName("\xCE\xE4\xE0.dat"), Stamp, 0.75);
            // Both at once: the same run answers before anything is written.
            QCOMPARE(state.position(byteName(folder), byteName(work), FileStamp{size, modified}), expected);
        }
        const ReadingState next(dir.path());
        QCOMPARE(next.position(byteName(folder), byteName(work), FileStamp{size, modified}), expected);
    }

    void untrustedFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<double>("textSize");
        QTest::addColumn<double>("position");
        QByteArray binary;
        for (int i = 0; i < 4096; ++i)
            binary += char(i * 7);
        QTest::newRow("sound") << "{\"textSize\":1.5}\n" + Entry + '\n' << 1.5 << 0.25;
        QTest::newRow("empty") << QByteArray() << 1.0 << 0.0;
        QTest::newRow("cut short") << Entry + '\n' + Entry.left(40) << 1.0 << 0.25;
        QTest::newRow("damaged lines first") << "\x01garbage\n{\"textSize\":1.5\n" + Entry << 1.0 << 0.25;
        QTest::newRow("another program's JSON") << R"({"name":"x","items":[1,2]})"_ba + "\n[0.25]\n\"x\"" << 1.0 << 0.0;
        QTest::newRow("binary") << binary << 1.0 << 0.0;
        QTest::newRow("position as text") << QByteArray(Entry).replace("0.25", "\"0.25\"") << 1.0 << 0.0;
        QTest::newRow("position beyond the end") << QByteArray(Entry).replace("0.25", "1.5") << 1.0 << 0.0;
        QTest::newRow("position before the top") << QByteArray(Entry).replace("0.25", "-0.1") << 1.0 << 0.0;
        QTest::newRow("position infinite") << QByteArray(Entry).replace("0.25", "1e400") << 1.0 << 0.0;
        QTest::newRow("size not whole") << QByteArray(Entry).replace("100", "100.5") << 1.0 << 0.0;
        QTest::newRow("size negative") << QByteArray(Entry).replace("100", "-100") << 1.0 << 0.0;
        QTest::newRow("collection a number") << QByteArray(Entry).replace("\"/c/Data/\"", "5") << 1.0 << 0.0;
        QTest::newRow("text size absurd") << "{\"textSize\":100}\n"_ba + Entry << 1.0 << 0.25;
        QTest::newRow("text size zero") << "{\"textSize\":0}\n"_ba + Entry << 1.0 << 0.25;
        QTest::newRow("two for a work: the first")
            << Entry + '\n' + QByteArray(Entry).replace("0.25", "0.5") << 1.0 << 0.25;
        QTest::newRow("huge: its start only")
            << Entry + '\n' + QByteArray(ReadingState::MaxFileSize, ' ') + "\n{\"textSize\":2}\n"
            << 1.0 << 0.25;
    }

    void untrustedFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(double, textSize);
        QFETCH(double, position);
        QTemporaryDir dir;
        testfiles::writeFile(dir.filePath(QString::fromUtf16(ReadingState::FileName)), file);
        const ReadingState state(dir.path());
        QCOMPARE(state.textSize(), textSize);
        QCOMPARE(state.position(Folder, Work, Stamp), position);
    }

    void keepsTheWorksReadLast()
    {
        QTemporaryDir dir;
        // Long names: a thousand would not fit the file, which keeps what fits.
        const auto name = [](int i) { return NativePath(QString(1000, u'ж') + QString::number(i)); };
        {
            ReadingState state(dir.path());
            for (int i = 0; i <= ReadingState::MaxWorks; ++i)
                state.setPosition(Folder, name(i), Stamp, 0.5);
            QCOMPARE(state.position(Folder, name(0), Stamp), 0.0);
            QCOMPARE(state.position(Folder, name(1), Stamp), 0.5);
        }
        QVERIFY(QFileInfo(dir.filePath(QString::fromUtf16(ReadingState::FileName))).size()
                <= ReadingState::MaxFileSize);
        const ReadingState next(dir.path());
        QCOMPARE(next.position(Folder, name(ReadingState::MaxWorks), Stamp), 0.5);
        QCOMPARE(next.position(Folder, name(0), Stamp), 0.0);
    }

    void writtenAMomentAfterAChange()
    {
        QTemporaryDir dir;
        qputenv("XDG_STATE_HOME", QFile::encodeName(dir.path()));
        ReadingState state;
        QCOMPARE(state.filePath(), dir.filePath(u"sobranie/reading.jsonl"_s));
        state.setPosition(Folder, Work, Stamp, 0.5);
        state.setTextSize(2.0);
        QVERIFY(!QFile::exists(state.filePath()));
        // Written with no flush and no exit, as for a reader that is killed.
        QTRY_VERIFY(QFile::exists(state.filePath()));
        QCOMPARE(ReadingState().position(Folder, Work, Stamp), 0.5);
        state.setTextSize(0.5);
        state.flush();
        QCOMPARE(ReadingState().textSize(), 0.5);
        qunsetenv("XDG_STATE_HOME");
    }

    void unwritableFolder_data()
    {
        QTest::addColumn<QString>("blocked");
        QTest::newRow("the folder is a file") << u"state"_s;
        QTest::newRow("the file is a folder") << u"state/reading.jsonl"_s;
    }

    void unwritableFolder()
    {
        QFETCH(QString, blocked);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(u"state/reading.jsonl"_s));
        if (blocked == u"state"_s) {
            QVERIFY(QDir(dir.filePath(blocked)).removeRecursively());
            testfiles::writeFile(dir.filePath(blocked), "x");
        }
        {
            ReadingState state(dir.filePath(u"state"_s));
            state.setPosition(Folder, Work, Stamp, 0.5);
            state.flush();
            QCOMPARE(state.position(Folder, Work, Stamp), 0.5);
        }
        QCOMPARE(ReadingState(dir.filePath(u"state"_s)).position(Folder, Work, Stamp), 0.0);
        QVERIFY(QFileInfo(dir.filePath(blocked)).exists());
    }
};

QTEST_GUILESS_MAIN(tst_readingstate)
#include "tst_readingstate.moc"
