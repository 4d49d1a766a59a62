// sobranie-pack: encode, decode and check, and its refusals.
#include "FileMakers.h"

#include "format/Collection.h"
#include "format/WorkFile.h"
#include "platform/FileKind.h"
#include "platform/NativePath.h"
#include "tools/PackTool.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Result
{
    int status;
    QString out;
    QString err;
};

Result runPack(const QStringList &args)
{
    Result r{0, {}, {}};
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.status = pack::run(args, out, err);
    out.flush();
    err.flush();
    return r;
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class tst_packtool : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void encodeThenDecode()
    {
        QTemporaryDir dir;
        const QString txt = dir.filePath(u"poem.txt"_s);
        const QString dat = dir.filePath(u"poem.dat"_s);
        write(txt, "\xEF\xBB\xBF" + u"Первая строка — «в кавычках»\r\n\r\nТретья: № 5\nlast"_s.toUtf8());
        Result r = runPack({u"encode"_s, u"--seed"_s, u"42"_s, txt, dat});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err));

        const QByteArray bytes = read(dat);
        QVERIFY(bytes.startsWith("42\r\n"));
        QVERIFY(bytes.endsWith("\r\n"));
        QCOMPARE(bytes.count("\r\n"), 5); // seed line and four text lines

        r = runPack({u"decode"_s, dat});
        QCOMPARE(r.status, 0);
        // The empty line is dropped, as a reader drops it.
        QCOMPARE(r.out, u"Первая строка — «в кавычках»\nТретья: № 5\nlast\n"_s);
    }

    void randomSeedsRestartTheGenerator()
    {
        for (int i = 0; i < 200; ++i) {
            const auto argument = workfile::reseedArgument(pack::randomSeed());
            QVERIFY(argument && *argument < 0);
        }
        QTemporaryDir dir;
        write(dir.filePath(u"a.txt"_s), "abc");
        QCOMPARE(runPack({u"encode"_s, dir.filePath(u"a.txt"_s), dir.filePath(u"a.dat"_s)}).status, 0);
        QCOMPARE(runPack({u"decode"_s, dir.filePath(u"a.dat"_s)}).out, u"abc\n"_s);
    }

    void badInputIsRefusedAndNothingWritten_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("what");
        QTest::newRow("tab") << QByteArray("ok\nab\tc") << u":2:3:"_s << u"tab"_s;
        QTest::newRow("no windows-1251 code")
            << u"строка\nещё 世界"_s.toUtf8() << u":2:5:"_s << u"no windows-1251 code"_s;
        QTest::newRow("astral character") << u"a😀"_s.toUtf8() << u":1:2:"_s << u"no windows-1251 code"_s;
        QTest::newRow("invalid UTF-8") << QByteArray("line\nxy\xFF") << u":2:3:"_s << u"not valid UTF-8"_s;
    }

    void badInputIsRefusedAndNothingWritten()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, where);
        QFETCH(QString, what);
        QTemporaryDir dir;
        const QString txt = dir.filePath(u"bad.txt"_s);
        const QString dat = dir.filePath(u"bad.dat"_s);
        write(txt, text);
        write(dat, "existing");
        const Result r = runPack({u"encode"_s, txt, dat});
        QVERIFY(r.status != 0);
        QVERIFY2(r.err.contains(txt + where), qPrintable(r.err));
        QVERIFY2(r.err.contains(what), qPrintable(r.err));
        QCOMPARE(read(dat), QByteArray("existing"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    }

    void unreadableInputAndUsage()
    {
        QTemporaryDir dir;
        Result r = runPack({u"encode"_s, dir.filePath(u"none.txt"_s), dir.filePath(u"x.dat"_s)});
        QVERIFY(r.status != 0);
        QVERIFY(r.err.contains(u"none.txt"_s));
        QVERIFY(!QFile::exists(dir.filePath(u"x.dat"_s)));

        QCOMPARE(runPack({}).status, 2);
        QCOMPARE(runPack({u"encode"_s, u"--seed"_s, u"x"_s, u"a"_s, u"b"_s}).status, 2);
        r = runPack({u"decode"_s, dir.filePath(u"none.dat"_s)});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(u"File not found"_s));
    }

    void checkReportsProblems()
    {
        QTemporaryDir dir;
        const QString d = dir.path();
        write(d + u"/b.txt"_s, "one\ntwo\n\nthree");
        QCOMPARE(runPack({u"encode"_s, u"--seed"_s, u"7"_s, d + u"/b.txt"_s, d + u"/Б.dat"_s}).status, 0);
        Result r = runPack({u"check"_s, d});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, u"1) Б.dat: seed 7, 3 lines\n"_s);

        write(d + u"/a.dat"_s, "-600\r\nab\tc\r\n");
        r = runPack({u"check"_s, d});
        QCOMPARE(r.status, 1);
        const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].startsWith(u"1) a.dat: seed -600, 1 line; "_s));
        QVERIFY(lines[0].contains(u"does not restart"_s));
        QVERIFY(lines[0].contains(u"line 2, column 3"_s));
        QVERIFY(lines[1].startsWith(u"2) Б.dat"_s));

        QCOMPARE(runPack({u"check"_s, d + u"/missing"_s}).status, 1);
    }

    void checkSeesWhatTheReaderLists()
    {
        files::TemporaryFolder program;
        const QString data = program.filePath(u"Data"_s);
        const QByteArray d = files::bytes(data) + '/';
        QVERIFY(QDir().mkdir(data));
        QVERIFY(files::makeRaw(d + u"Заглавные.DAT"_s.toUtf8(), workfile::encodeWork(5, {u"а"_s})));
        // "Русский.dat" in windows-1251.
        QVERIFY(files::makeRaw(d + "\xD0\xF3\xF1\xF1\xEA\xE8\xE9.dat", workfile::encodeWork(6, {u"б"_s, u"в"_s})));
        Result r = runPack({u"check"_s, data});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, u"1) Заглавные.DAT: seed 5, 1 line\n"
                        u"2) Русский.dat (name in windows-1251): seed 6, 2 lines\n"_s);

        // What the reader leaves out is a problem to the one who made the collection.
        QVERIFY(::mkdir((d + "folder.dat").constData(), 0755) == 0);
        QVERIFY(files::makeFifo(d + "pipe.dat"));
        QVERIFY(files::makeLink("/dev/zero", d + "zero.dat"));
        QVERIFY(files::makeLink(d + "nowhere", d + "gone.dat"));
        QVERIFY(files::makeLinkLoop(d + "loop.dat"));
        const files::FifoRescuer rescuer(d + "pipe.dat");
        QElapsedTimer timer;
        timer.start();
        r = runPack({u"check"_s, data});
        QVERIFY2(timer.elapsed() < 1000, qPrintable(u"%1 ms"_s.arg(timer.elapsed())));
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out, u"1) Заглавные.DAT: seed 5, 1 line\n"
                        u"2) Русский.dat (name in windows-1251): seed 6, 2 lines\n"
                        u"not listed: folder.dat (a folder)\n"
                        u"not listed: gone.dat (a dangling link)\n"
                        u"not listed: loop.dat (a link loop)\n"
                        u"not listed: pipe.dat (a FIFO)\n"
                        u"not listed: zero.dat (a device)\n"_s);

        // The same works in the same order as the reader's catalogue.
        const Collection reader = Collection::load(platform::NativePath(program.path()));
        QCOMPARE(reader.workNames(), (QStringList{u"Заглавные"_s, u"Русский"_s}));
    }

    void checkOfWhatCannotBeListed()
    {
        QTemporaryDir dir;
        const QString data = dir.filePath(u"Data"_s);
        QVERIFY(files::makeLinkLoop(files::bytes(data)));
        Result r = runPack({u"check"_s, data});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err, data + u": not a folder (a link loop)\n"_s);

        QVERIFY(QFile::remove(data));
        QVERIFY(QDir().mkdir(data));
        QVERIFY(::chmod(files::bytes(data).constData(), 0) == 0);
        bool applies = false;
        {
            const files::Unprivileged unprivileged;
            applies = unprivileged.applies();
            r = runPack({u"check"_s, data});
        }
        QVERIFY(::chmod(files::bytes(data).constData(), 0700) == 0);
        if (!applies)
            QSKIP("cannot give up the superuser's rights here");
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err, data + u": cannot list: Permission denied\n"_s);
    }

    void checkReportsAFileItCannotRead()
    {
        QTemporaryDir dir;
        const QString data = dir.filePath(u"Data"_s);
        QVERIFY(QDir().mkdir(data));
        write(data + u"/a.dat"_s, workfile::encodeWork(5, {u"а"_s}));
        write(data + u"/b.dat"_s, workfile::encodeWork(6, {u"б"_s}));
        // Listed (the folder may be read by anyone), but not to be read.
        QVERIFY(::chmod(files::bytes(dir.path()).constData(), 0755) == 0);
        QVERIFY(::chmod(files::bytes(data).constData(), 0755) == 0);
        QVERIFY(::chmod(files::bytes(data + u"/b.dat"_s).constData(), 0) == 0);
        Result r;
        bool applies = false;
        {
            const files::Unprivileged unprivileged;
            applies = unprivileged.applies();
            r = runPack({u"check"_s, data});
        }
        if (!applies)
            QSKIP("cannot give up the superuser's rights here");
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out, u"1) a.dat: seed 5, 1 line\n2) b.dat: unreadable (Permission denied)\n"_s);
    }

    void encodeAndDecodeRefuseWhatIsNotAFile_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("made");
        QTest::addColumn<QString>("message");
        QTest::newRow("decode a FIFO") << u"decode"_s << QByteArray("FIFO")
                                       << u"cannot open: not a regular file (a FIFO)"_s;
        QTest::newRow("decode /dev/zero")
            << u"decode"_s << QByteArray("zero") << u"cannot open: not a regular file (a device)"_s;
        QTest::newRow("encode a FIFO") << u"encode"_s << QByteArray("FIFO")
                                       << u"cannot read: not a regular file (a FIFO)"_s;
        QTest::newRow("encode /dev/zero")
            << u"encode"_s << QByteArray("zero") << u"cannot read: not a regular file (a device)"_s;
        QTest::newRow("encode into a FIFO")
            << u"encode into"_s << QByteArray("FIFO") << u"cannot write: not a regular file (a FIFO)"_s;
        QTest::newRow("encode into /dev/null")
            << u"encode into"_s << QByteArray("null") << u"cannot write: not a regular file (a device)"_s;
    }

    void encodeAndDecodeRefuseWhatIsNotAFile()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, made);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString odd = dir.filePath(u"odd"_s);
        if (made == "FIFO")
            QVERIFY(files::makeFifo(files::bytes(odd)));
        else
            QVERIFY(files::makeLink("/dev/" + made, files::bytes(odd)));
        const QString text = dir.filePath(u"poem.txt"_s);
        write(text, "строка");
        const QStringList args = command == u"decode"_s   ? QStringList{command, odd}
                                 : command == u"encode"_s ? QStringList{command, odd, dir.filePath(u"out.dat"_s)}
                                                          : QStringList{u"encode"_s, text, odd};
        const files::FifoRescuer rescuer(files::bytes(odd));
        QElapsedTimer timer;
        timer.start();
        const Result r = runPack(args);
        QVERIFY2(timer.elapsed() < 1000, qPrintable(u"%1 ms"_s.arg(timer.elapsed())));
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err, odd + u": "_s + message + u'\n');
        QVERIFY(r.out.isEmpty());
        // The name is left as it was.
        QCOMPARE(platform::fileKind(platform::NativePath(odd)),
                 made == "FIFO" ? platform::FileKind::Fifo : platform::FileKind::Device);
        QVERIFY(!QFile::exists(dir.filePath(u"out.dat"_s)));
    }
};

QTEST_GUILESS_MAIN(tst_packtool)
#include "tst_packtool.moc"
