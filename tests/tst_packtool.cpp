// sobranie-pack: encode, decode and check, and its refusals.
#include "format/WorkFile.h"
#include "tools/PackTool.h"

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
};

QTEST_GUILESS_MAIN(tst_packtool)
#include "tst_packtool.moc"
