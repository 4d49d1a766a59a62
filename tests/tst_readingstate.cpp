// The kept reading state: positions per collection and work, the work read
// last, the text size and reading choices, files that cannot be trusted, bounds, when and where it is written.
#include "FileMakers.h"
#include "TestFiles.h"

#include "format/ReadingState.h"
#include "platform/FileKind.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
Q_DECLARE_METATYPE(platform::FileKind)
using platform::FileStamp;
using platform::NativePath;

const NativePath Folder(u"/c/Data/"_s);
const NativePath Work(u"Ода.dat"_s);
const FileStamp Stamp{100, 5};
const QByteArray Entry =
    R"({"collection":"/c/Data/","work":"Ода.dat","size":100,"modified":5,"position":0.25,"time":7})";

// A reader whose clock is off by offset milliseconds.
struct ClockedState : ReadingState
{
    ClockedState(const QString &folder, qint64 offset) : ReadingState(folder), offset(offset) { }
    [[nodiscard]] qint64 now() const override { return ReadingState::now() + offset; }
    qint64 offset;
};

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
        QTest::addColumn<QByteArray>("lastWork"); // of folder; empty for none
        QTest::newRow("kept") << "/c/Data/"_ba
                              << "Ода.dat"_ba << Stamp << 0.25 << "Ода.dat"_ba;
        QTest::newRow("another collection") << "/d/Data/"_ba
                                            << "Ода.dat"_ba << Stamp << 0.0 << ""_ba;
        QTest::newRow("another work") << "/c/Data/"_ba
                                      << "Ода.DAT"_ba << Stamp << 0.0 << "Ода.dat"_ba;
        QTest::newRow("size changed") << "/c/Data/"_ba
                                      << "Ода.dat"_ba << FileStamp{101, 5} << 0.0 << "Ода.dat"_ba;
        QTest::newRow("time changed") << "/c/Data/"_ba
                                      << "Ода.dat"_ba << FileStamp{100, 6} << 0.0 << "Ода.dat"_ba;
        QTest::newRow("names in windows-1251") << "/c/\xCF\xF0/"_ba
                                               << "\xCE\xE4\xE0.dat"_ba << Stamp << 0.75 << "\xCE\xE4\xE0.dat"_ba;
        QTest::newRow("the same text in UTF-8") << "/c/Пр/"_ba
                                                << "\xCE\xE4\xE0.dat"_ba << Stamp << 0.0 << ""_ba;
    }

    void positions()
    {
        QFETCH(QByteArray, folder);
        QFETCH(QByteArray, work);
        QFETCH(FileStamp, stamp);
        QFETCH(double, expected);
        QFETCH(QByteArray, lastWork);
        if (work.contains('\xCE'))
            SKIP_ON_WINDOWS(files::NoByteNames);
        const auto byteName = [](const QByteArray &bytes) { return NativePath::fromNative(files::native(bytes)); };
        QTemporaryDir dir;
        ReadingState state(dir.path());
        // Read before the work read last in its collection.
        state.setPlace(Folder, NativePath(u"Другое.dat"_s), Stamp, {5, 0.5});
        // The one with its offset, the other with an offset out of range, so without.
        state.setPlace(Folder, Work, Stamp, {1234, 0.25});
        state.setPlace(byteName("/c/\xCF\xF0/"), byteName("\xCE\xE4\xE0.dat"), Stamp, {-7, 0.75});
        const ReadingPlace place{expected == 0.25 ? 1234 : -1, expected};
        const auto last = lastWork.isEmpty() ? std::nullopt : std::optional(byteName(lastWork));
        QCOMPARE(state.place(byteName(folder), byteName(work), stamp), place);
        QCOMPARE(state.lastWork(byteName(folder)), last);
        state.flush();
        QCOMPARE(ReadingState(dir.path()).place(byteName(folder), byteName(work), stamp), place);
        QCOMPARE(ReadingState(dir.path()).lastWork(byteName(folder)), last);
    }

    void untrustedFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<double>("textSize");
        QTest::addColumn<double>("position");
        QTest::addColumn<ReadingChoices>("choices");
        const auto changed = [](const char *from, const char *to) { return QByteArray(Entry).replace(from, to); };
        const ReadingChoices Defaults;
        QTest::newRow("sound") << "{\"textSize\":1.5,\"time\":1}\n" + Entry << 1.5 << 0.25 << Defaults;
        QTest::newRow("cut short") << Entry + '\n' + Entry.left(40) << 1.0 << 0.25 << Defaults;
        QTest::newRow("damaged lines first")
            << "\x01\xFF\n{\"textSize\":1.5,\"time\":1\n" + Entry << 1.0 << 0.25 << Defaults;
        QTest::newRow("another program's")
            << R"({"name":"x","items":[1,2]})"_ba + "\n[0.25]\n\"x\"" << 1.0 << 0.0 << Defaults;
        QTest::newRow("position as text") << changed("0.25", "\"0.25\"") << 1.0 << 0.0 << Defaults;
        QTest::newRow("position beyond the end") << changed("0.25", "1.5") << 1.0 << 0.0 << Defaults;
        QTest::newRow("size not whole") << changed("100", "100.5") << 1.0 << 0.0 << Defaults;
        QTest::newRow("no time") << changed(",\"time\":7", "") << 1.0 << 0.0 << Defaults;
        QTest::newRow("text size absurd") << "{\"textSize\":100,\"time\":1}\n"_ba + Entry << 1.0 << 0.25 << Defaults;
        QTest::newRow("two for a work: the later")
            << Entry + '\n' + changed("0.25,\"time\":7", "0.5,\"time\":9") << 1.0 << 0.5 << Defaults;
        QTest::newRow("huge: its start only")
            << Entry + '\n' + QByteArray(ReadingState::MaxFileSize, ' ') + "\n{\"textSize\":2,\"time\":1}" << 1.0
            << 0.25 << Defaults;
        QTest::newRow("offset negative") << changed("0.25", "0.25,\"offset\":-1") << 1.0 << 0.0 << Defaults;
        QTest::newRow("offset not whole") << changed("0.25", "0.25,\"offset\":9.5") << 1.0 << 0.0 << Defaults;
        QTest::newRow("offset absurd") << changed("0.25", "0.25,\"offset\":1e15") << 1.0 << 0.0 << Defaults;
        QTest::newRow("order negative") << changed(",\"time\":7", R"(,"time":7,"order":-1)") << 1.0 << 0.0 << Defaults;
        // Entries of earlier versions have no order and go by time among themselves, before those with one.
        QTest::newRow("an order before a later time")
            << "{\"textSize\":2,\"time\":1,\"order\":1}\n{\"textSize\":3,\"time\":5}\n"
                   + changed("0.25,\"time\":7", R"(0.5,"time":7,"order":2)") + '\n' + changed("7", "9")
            << 2.0 << 0.5 << Defaults;
        const QByteArray ahead = QByteArray::number(QDateTime::currentMSecsSinceEpoch() + qint64(24) * 3600 * 1000);
        QTest::newRow("stamped a day ahead")
            << R"({"textSize":1.5,"time":)" + ahead + "}\n" + changed("7", ahead) << 1.5 << 0.25 << Defaults;
        // The choices, and each field that cannot be read as its default.
        // In fields, ' stands for ".
        const auto choices = [](QByteArray fields) {
            return "{\"choices\":{" + fields.replace('\'', '"') + "},\"time\":1}\n" + Entry;
        };
        QTest::newRow("choices") << choices(
            "'bookLayout':true,'theme':'night','font':'PT Serif','openLastAtStart':true")
                                 << 1.0 << 0.25 << ReadingChoices{true, Theme::Night, u"PT Serif"_s, true};
        QTest::newRow("choices of wrong types")
            << choices("'bookLayout':'yes','theme':2,'font':['PT Serif'],'openLastAtStart':true") << 1.0 << 0.25
            << ReadingChoices{false, Theme::Day, {}, true};
        QTest::newRow("a font name of 100") << choices("'theme':'sepia','font':'" + QByteArray(100, 'x') + '\'') << 1.0
                                            << 0.25 << ReadingChoices{false, Theme::Sepia, QString(100, u'x'), false};
        QTest::newRow("a font name of 101, a theme not known")
            << choices("'theme':'sepia!','font':'" + QByteArray(101, 'x') + '\'') << 1.0 << 0.25 << Defaults;
        QTest::newRow("a control character in the font name")
            << choices("'bookLayout':true,'font':'PT\\u0085Serif'") << 1.0 << 0.25
            << ReadingChoices{true, Theme::Day, {}, false};
    }

    // What can be read is read, entries of earlier versions at their fraction;
    // whatever the file held, a change made now is what the next run reads.
    void untrustedFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(double, textSize);
        QFETCH(double, position);
        QFETCH(ReadingChoices, choices);
        QTemporaryDir dir;
        testfiles::writeFile(dir.filePath(u"reading.jsonl"_s), file);
        ReadingState state(dir.path());
        QCOMPARE(state.textSize(), textSize);
        QCOMPARE(state.place(Folder, Work, Stamp), (ReadingPlace{-1, position}));
        QCOMPARE(state.choices(), choices);
        state.setPlace(Folder, Work, Stamp, {7, 0.5});
        state.setTextSize(4.0);
        const ReadingChoices mine{true, Theme::Sepia, u"PT Sans"_s, true};
        state.setChoices(mine);
        state.flush();
        const ReadingState next(dir.path());
        QCOMPARE(next.place(Folder, Work, Stamp), (ReadingPlace{7, 0.5}));
        QCOMPARE(next.textSize(), 4.0);
        QCOMPARE(next.choices(), mine);
    }

    // Two readers on one file, each changing the same work, the text size and
    // the choices in turn, one's clock a day ahead: the last change wins
    // whatever it says, and the work read last is the one changed last.
    void lastChangeWins()
    {
        for (const qint64 ahead : {86400000, -86400000}) {
            QTemporaryDir dir;
            ClockedState readers[] = {{dir.path(), ahead}, {dir.path(), 0}};
            double fraction = 0;
            double textSize = 1;
            // The last with a font name too long, kept as none.
            const ReadingChoices choices[] = {{true, Theme::Night, u"PT Serif"_s, false},
                                              {false, Theme::Sepia, {}, true},
                                              {true, Theme::Day, u"PT Sans"_s, true},
                                              {true, Theme::Day, QString(ReadingState::MaxFontName + 1, u'x'), true}};
            for (const int step : {0, 1, 2, 3}) {
                readers[step % 2].setPosition(Folder, Work, Stamp, fraction += 0.2);
                // Places alone are ordered too, not by the text size written with them.
                if (step < 2)
                    readers[step % 2].setTextSize(textSize = fraction * 4 + 0.5);
                readers[step % 2].setChoices(choices[step]);
                readers[step % 2].flush();
                // The other then writes what it changed elsewhere, keeping this change.
                readers[1 - step % 2].setPosition(Folder, NativePath(u"Другое.dat"_s), Stamp, fraction);
                readers[1 - step % 2].flush();
                const ReadingState next(dir.path());
                QCOMPARE(next.position(Folder, Work, Stamp), fraction);
                QCOMPARE(next.textSize(), textSize);
                QCOMPARE(next.choices(), (step < 3 ? choices[step] : ReadingChoices{true, Theme::Day, {}, true}));
                QCOMPARE(next.lastWork(Folder), NativePath(u"Другое.dat"_s));
            }
            // Newest first in the file, also as a third reader writes it: the other work, changed last.
            ReadingState third(dir.path());
            third.setTextSize(5);
            third.flush();
            QFile file(dir.filePath(u"reading.jsonl"_s));
            QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll().split('\n').value(2).contains("Другое"));
        }
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
        QTest::addColumn<platform::FileKind>("left");
        QTest::newRow("the folder is a file") << u"state"_s << platform::FileKind::Missing;
        QTest::newRow("the file is a folder") << u"state/reading.jsonl/"_s << platform::FileKind::Folder;
        QTest::newRow("the file is a link to a FIFO") << u"state/reading.jsonl|"_s << platform::FileKind::Fifo;
    }

    // Nothing is kept; a file that is refused (what stands there is no file)
    // is left as it is, with one warning however often the state changes.
    void unwritableFolder()
    {
        QFETCH(QString, blocked);
        QFETCH(platform::FileKind, left);
        QTemporaryDir dir;
        const QString name = dir.filePath(u"state/reading.jsonl"_s);
        QFile file(dir.filePath(blocked));
        const QByteArray fifo = files::bytes(dir.filePath(u"fifo"_s));
        if (blocked.endsWith(u'|'))
            SKIP_ON_WINDOWS(files::NoFifos);
        QVERIFY(blocked.endsWith(u'|') ? QDir(dir.path()).mkdir(u"state"_s) && files::makeFifo(fifo)
                                             && files::makeLink(fifo, files::bytes(name))
                : blocked.endsWith(u'/') ? QDir(dir.path()).mkpath(blocked)
                                         : file.open(QIODevice::WriteOnly));
        if (left != platform::FileKind::Missing)
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression(u"^The reading state is not kept: .*: not a regular"_s));
        ReadingState state(dir.filePath(u"state"_s));
        for (const double position : {0.5, 0.75}) {
            state.setPosition(Folder, Work, Stamp, position);
            state.flush();
        }
        QCOMPARE(state.position(Folder, Work, Stamp), 0.75);
        QCOMPARE(ReadingState(dir.filePath(u"state"_s)).position(Folder, Work, Stamp), 0.0);
        QCOMPARE(platform::fileKind(NativePath(name)), left);
        QCOMPARE(QFileInfo(name).isSymLink(), blocked.endsWith(u'|'));
    }
};

QTEST_GUILESS_MAIN(tst_readingstate)
#include "tst_readingstate.moc"
