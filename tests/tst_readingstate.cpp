// The kept reading state: positions per collection and work, the text size,
// files that cannot be trusted, bounds, when and where it is written.
#include "FileMakers.h"
#include "TestFiles.h"

#include "format/ReadingState.h"

#include <QDir>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using platform::FileStamp;
using platform::NativePath;

const NativePath Folder(u"/c/Data/"_s);
const NativePath Work(u"Ода.dat"_s);
const FileStamp Stamp{100, 5};
const QByteArray Entry =
    R"({"collection":"/c/Data/","work":"Ода.dat","size":100,"modified":5,"position":0.25,"time":7})";

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
        QTest::addColumn<FileStamp>("stamp");
        QTest::addColumn<double>("expected");
        QTest::newRow("kept") << "/c/Data/"_ba
                              << "Ода.dat"_ba << Stamp << 0.25;
        QTest::newRow("another collection") << "/d/Data/"_ba
                                            << "Ода.dat"_ba << Stamp << 0.0;
        QTest::newRow("another work") << "/c/Data/"_ba
                                      << "Ода.DAT"_ba << Stamp << 0.0;
        QTest::newRow("size changed") << "/c/Data/"_ba
                                      << "Ода.dat"_ba << FileStamp{101, 5} << 0.0;
        QTest::newRow("time changed") << "/c/Data/"_ba
                                      << "Ода.dat"_ba << FileStamp{100, 6} << 0.0;
        QTest::newRow("names in windows-1251") << "/c/\xCF\xF0/"_ba
                                               << "\xCE\xE4\xE0.dat"_ba << Stamp << 0.75;
        QTest::newRow("the same text in UTF-8") << "/c/Пр/"_ba
                                                << "\xCE\xE4\xE0.dat"_ba << Stamp << 0.0;
    }

    void positions()
    {
        QFETCH(QByteArray, folder);
        QFETCH(QByteArray, work);
        QFETCH(FileStamp, stamp);
        QFETCH(double, expected);
        if (work.contains('\xCE'))
            SKIP_ON_WINDOWS(files::NoByteNames);
        const auto byteName = [](const QByteArray &bytes) { return NativePath::fromNative(files::native(bytes)); };
        QTemporaryDir dir;
        ReadingState state(dir.path());
        state.setPosition(Folder, Work, Stamp, 0.25);
        state.setPosition(byteName("/c/\xCF\xF0/"), byteName("\xCE\xE4\xE0.dat"), Stamp, 0.75);
        QCOMPARE(state.position(byteName(folder), byteName(work), stamp), expected);
        state.flush();
        QCOMPARE(ReadingState(dir.path()).position(byteName(folder), byteName(work), stamp), expected);
    }

    void untrustedFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<double>("textSize");
        QTest::addColumn<double>("position");
        const auto changed = [](const char *from, const char *to) { return QByteArray(Entry).replace(from, to); };
        QTest::newRow("sound") << "{\"textSize\":1.5,\"time\":1}\n" + Entry << 1.5 << 0.25;
        QTest::newRow("cut short") << Entry + '\n' + Entry.left(40) << 1.0 << 0.25;
        QTest::newRow("damaged lines first") << "\x01\xFF\n{\"textSize\":1.5,\"time\":1\n" + Entry << 1.0 << 0.25;
        QTest::newRow("another program's") << R"({"name":"x","items":[1,2]})"_ba + "\n[0.25]\n\"x\"" << 1.0 << 0.0;
        QTest::newRow("position as text") << changed("0.25", "\"0.25\"") << 1.0 << 0.0;
        QTest::newRow("position beyond the end") << changed("0.25", "1.5") << 1.0 << 0.0;
        QTest::newRow("size not whole") << changed("100", "100.5") << 1.0 << 0.0;
        QTest::newRow("no time") << changed(",\"time\":7", "") << 1.0 << 0.0;
        QTest::newRow("text size absurd") << "{\"textSize\":100,\"time\":1}\n"_ba + Entry << 1.0 << 0.25;
        QTest::newRow("two for a work: the later")
            << Entry + '\n' + changed("0.25,\"time\":7", "0.5,\"time\":9") << 1.0 << 0.5;
        QTest::newRow("huge: its start only")
            << Entry + '\n' + QByteArray(ReadingState::MaxFileSize, ' ') + "\n{\"textSize\":2,\"time\":1}" << 1.0
            << 0.25;
    }

    void untrustedFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(double, textSize);
        QFETCH(double, position);
        QTemporaryDir dir;
        testfiles::writeFile(dir.filePath(u"reading.jsonl"_s), file);
        const ReadingState state(dir.path());
        QCOMPARE(state.textSize(), textSize);
        QCOMPARE(state.position(Folder, Work, Stamp), position);
    }

    void keepsTheWorksReadLast()
    {
        QTemporaryDir dir;
        // Long names: a thousand would not fit the file, which keeps the newest that fit.
        const auto name = [](int i) { return NativePath(QString(1000, u'ж') + QString::number(i)); };
        ReadingState state(dir.path());
        for (int i = 0; i <= ReadingState::MaxWorks; ++i)
            state.setPosition(Folder, name(i), Stamp, 0.5);
        QCOMPARE(state.position(Folder, name(0), Stamp), 0.0);
        state.flush();
        QVERIFY(QFileInfo(dir.filePath(u"reading.jsonl"_s)).size() <= ReadingState::MaxFileSize);
        QCOMPARE(ReadingState(dir.path()).position(Folder, name(ReadingState::MaxWorks), Stamp), 0.5);
    }

    void writtenAMomentAfterAChange()
    {
        SKIP_ON_WINDOWS("the state folder there is the user's own local AppData, with no XDG variable");
        QTemporaryDir dir;
        qputenv("XDG_STATE_HOME", QFile::encodeName(dir.path()));
        ReadingState state;
        QCOMPARE(state.filePath(), dir.filePath(u"sobranie/reading.jsonl"_s));
        state.setPosition(Folder, Work, Stamp, 0.5);
        QVERIFY(!QFile::exists(state.filePath()));
        // Written with no flush and no exit, as for a reader that is killed.
        QTRY_VERIFY(QFile::exists(state.filePath()));
        // Another reader at the same time: each keeps what the other changed.
        ReadingState other;
        other.setTextSize(2.0);
        state.setPosition(Folder, Work, Stamp, 0.25);
        other.flush();
        state.flush();
        QCOMPARE(ReadingState().position(Folder, Work, Stamp), 0.25);
        QCOMPARE(ReadingState().textSize(), 2.0);
        qunsetenv("XDG_STATE_HOME");
    }

    void unwritableFolder_data()
    {
        QTest::addColumn<QString>("blocked");
        QTest::newRow("the folder is a file") << u"state"_s;
        QTest::newRow("the file is a folder") << u"state/reading.jsonl/"_s;
    }

    void unwritableFolder()
    {
        QFETCH(QString, blocked);
        QTemporaryDir dir;
        QFile file(dir.filePath(blocked));
        QVERIFY(blocked.endsWith(u'/') ? QDir(dir.path()).mkpath(blocked) : file.open(QIODevice::WriteOnly));
        ReadingState state(dir.filePath(u"state"_s));
        state.setPosition(Folder, Work, Stamp, 0.5);
        state.flush();
        QCOMPARE(state.position(Folder, Work, Stamp), 0.5);
        QCOMPARE(ReadingState(dir.filePath(u"state"_s)).position(Folder, Work, Stamp), 0.0);
    }
};

QTEST_GUILESS_MAIN(tst_readingstate)
#include "tst_readingstate.moc"
