// sobranie-pack: encode, decode and check, and its refusals.
#include "FileMakers.h"

#include "format/Collection.h"
#include "format/WorkFile.h"
#include "platform/DirectoryListing.h"
#include "platform/FileKind.h"
#include "platform/NativePath.h"
#include "tools/PackTool.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#ifndef Q_OS_WIN
#include <csignal>
#include <sys/sysmacros.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace {

struct Result
{
    int status;
    QString out;
    QString err;
    QByteArray outBytes;
};

// The tool run in this process, standard input from input.
Result runPack(const QStringList &args, const QByteArray &input = {})
{
    QBuffer in;
    QBuffer out;
    QBuffer err;
    in.setData(input);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly) || !err.open(QIODevice::WriteOnly))
        return {-1, {}, u"cannot open the buffers"_s, {}};
    pack::Streams io{in, out, err};
    QList<platform::NativePath> arguments;
    for (const QString &arg : args)
        arguments.append(platform::NativePath(arg));
    const int status = pack::run(arguments, io);
    return {status, QString::fromUtf8(out.data()), QString::fromUtf8(err.data()), out.data()};
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
        write(txt, "\xEF\xBB\xBF" + u"Первая строка — «в кавычках»\r\n\r\nТретья: № 5\nlast ~\u00A0"_s.toUtf8());
        // A work written over keeps its permissions.
        write(dat, "older");
        QVERIFY(QFile::setPermissions(dat, QFile::ReadOwner | QFile::WriteOwner));
        const QFile::Permissions permissions = QFile::permissions(dat);
        Result r = runPack({u"encode"_s, u"--seed"_s, u"42"_s, txt, dat});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
        QCOMPARE(QFile::permissions(dat), permissions);

        const QByteArray bytes = read(dat);
        QVERIFY(bytes.startsWith("42\r\n"));
        QVERIFY(bytes.endsWith("\r\n"));
        QCOMPARE(bytes.count("\r\n"), 5); // seed line and four text lines

        r = runPack({u"decode"_s, dat});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
        // The empty line is dropped, as a reader drops it.
        QCOMPARE(r.out, u"Первая строка — «в кавычках»\nТретья: № 5\nlast ~\u00A0\n"_s);
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
        QTest::newRow("DEL") << QByteArray("ab\x7F") << u":1:3:"_s << u"control character (U+007F)"_s;
        QTest::newRow("first C1 control")
            << u"ok\nстрока\u0080"_s.toUtf8() << u":2:7:"_s << u"control character (U+0080)"_s;
        QTest::newRow("C1 control with a windows-1251 byte")
            << u"x\u0098"_s.toUtf8() << u":1:2:"_s << u"control character (U+0098)"_s;
        QTest::newRow("last C1 control") << u"\u009F"_s.toUtf8() << u":1:1:"_s << u"control character (U+009F)"_s;
        // Columns count characters, whatever their bytes; U+FEFF is one too.
        QTest::newRow("bad byte after Cyrillic")
            << QByteArray("ok\n\xD0\xB0\xD0\xB1\xD0\xB2\xC3(") << u":2:4:"_s << u"not valid UTF-8"_s;
        QTest::newRow("bad byte after U+FEFF")
            << QByteArray("a\xEF\xBB\xBF\xE2\x80\x94\xFF") << u":1:4:"_s << u"not valid UTF-8"_s;
        QTest::newRow("overlong, lead byte C0") << QByteArray("ab\xC0\xAF") << u":1:3:"_s << u"not valid UTF-8"_s;
        QTest::newRow("overlong, lead byte C1") << QByteArray("x\n\xC1\x81") << u":2:1:"_s << u"not valid UTF-8"_s;
        QTest::newRow("cut short at the line's end")
            << QByteArray("ab\xD0\xB0\xD0\nc") << u":1:4:"_s << u"not valid UTF-8"_s;
        QTest::newRow("literal U+FFFD") << QByteArray("x\xEF\xBF\xBD\xFF") << u":1:2:"_s
                                        << u"(U+FFFD) has no windows-1251 code"_s;
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
        QVERIFY2(r.err.startsWith(u"sobranie-pack: "_s + txt + where), qPrintable(r.err));
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

        // A work whose CR LF became LF: the reader takes it all for the seed
        // line and shows an empty page.
        QVERIFY(QFile::remove(d + u"/a.dat"_s));
        write(d + u"/lf.dat"_s, workfile::encodeWork(8, {u"раз"_s, u"два"_s}).replace("\r\n", "\n"));
        r = runPack({u"check"_s, d});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out, u"1) lf.dat: seed 8, 0 lines; its CR LF line ends are gone (turned into LF by an archiver "
                        u"or git?): the reader shows an empty page\n"
                        u"2) Б.dat: seed 7, 3 lines\n"_s);

        r = runPack({u"check"_s, d + u"/missing"_s});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err, u"sobranie-pack: "_s + d + u"/missing: no such folder\n"_s);
        QVERIFY(r.out.isEmpty());
    }

    void standardStreamsCarryWhatFilesDo()
    {
        QTemporaryDir dir;
        const QString txt = dir.filePath(u"poem.txt"_s);
        const QString dat = dir.filePath(u"poem.dat"_s);
        const QByteArray text = "\xEF\xBB\xBF" + u"Первая\r\nвторая «строка»\rтретья"_s.toUtf8();
        write(txt, text);
        QCOMPARE(runPack({u"encode"_s, u"--seed"_s, u"-5"_s, txt, dat}).status, 0);

        Result r = runPack({u"encode"_s, u"--seed"_s, u"-5"_s, u"-"_s, u"-"_s}, text);
        QCOMPARE(r.status, 0);
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
        QCOMPARE(r.outBytes, read(dat));

        r = runPack({u"encode"_s, u"--seed"_s, u"-5"_s, txt, u"-"_s});
        QCOMPARE(r.outBytes, read(dat));

        const Result fromFile = runPack({u"decode"_s, dat});
        QCOMPARE(fromFile.out, u"Первая\nвторая «строка»\nтретья\n"_s);
        r = runPack({u"decode"_s, u"-"_s}, read(dat));
        QCOMPARE(r.status, 0);
        QCOMPARE(r.outBytes, fromFile.outBytes);
        QVERIFY(r.err.isEmpty());
        // U+FEFF stands for nothing wherever it is, as at the start of a file.
        r = runPack({u"encode"_s, u"-"_s, u"-"_s}, "\xEF\xBB\xBF"
                                                   "a\n\xEF\xBB\xBF"
                                                   "b\xEF\xBB\xBF"
                                                   "c\xEF\xBB\xBF");
        QCOMPARE(runPack({u"decode"_s, u"-"_s}, r.outBytes).out, u"a\nbc\n"_s);
        // A work of more than one piece (1 MiB): each piece is written once.
        const QByteArray longText = (u"Строка длиннее прочих "_s.repeated(45) + u'\n').toUtf8().repeated(1100);
        r = runPack({u"encode"_s, u"-"_s, u"-"_s}, longText);
        QCOMPARE(runPack({u"decode"_s, u"-"_s}, r.outBytes).outBytes, longText);
        // No file named "-" was read or made.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList{u"poem.dat"_s, u"poem.txt"_s}));
    }

    // The built program, with real standard streams.
    void commandLineConventions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const QByteArray work = workfile::encodeWork(7, {u"строка"_s});
        const QString usage = u"^sobranie-pack: %1\nUsage: sobranie-pack encode \\[--seed N\\] TEXT WORK\n"_s;
        // @ is the test's folder.
        QTest::newRow("--help") << QStringList{u"--help"_s} << QByteArray() << 0
                                << u"^Usage: sobranie-pack encode .*sobranie-pack decode .*sobranie-pack check .*"
                                   u"--seed N .*-h, --help .*-v, --version"_s
                                << u"^$"_s;
        QTest::newRow("-h") << QStringList{u"-h"_s} << QByteArray() << 0 << u"^Usage: sobranie-pack encode"_s
                            << u"^$"_s;
        QTest::newRow("help after a command")
            << QStringList{u"decode"_s, u"--help"_s} << QByteArray() << 0 << u"^Usage: "_s << u"^$"_s;
        QTest::newRow("--version") << QStringList{u"--version"_s} << QByteArray() << 0
                                   << u"^sobranie-pack %1\n$"_s.arg(
                                          QRegularExpression::escape(u"" SOBRANIE_VERSION ""_s))
                                   << u"^$"_s;
        QTest::newRow("no arguments") << QStringList{} << QByteArray() << 2 << u"^$"_s
                                      << usage.arg(u"no command given"_s);
        QTest::newRow("unknown command") << QStringList{u"frob"_s, u"@work.dat"_s} << QByteArray() << 2 << u"^$"_s
                                         << usage.arg(u"unknown command 'frob'"_s);
        QTest::newRow("unknown option") << QStringList{u"decode"_s, u"--frob"_s, u"@work.dat"_s} << QByteArray() << 2
                                        << u"^$"_s << usage.arg(u"unknown option '--frob'"_s);
        QTest::newRow("unknown short option") << QStringList{u"-x"_s, u"check"_s, u"@"_s} << QByteArray() << 2
                                              << u"^$"_s << usage.arg(u"unknown option '-x'"_s);
        QTest::newRow("--seed without its value")
            << QStringList{u"encode"_s, u"@text.txt"_s, u"@new.dat"_s, u"--seed"_s} << QByteArray() << 2 << u"^$"_s
            << usage.arg(u"missing value after '--seed'"_s);
        QTest::newRow("--seed not a number")
            << QStringList{u"encode"_s, u"--seed"_s, u"x"_s, u"@text.txt"_s, u"@new.dat"_s} << QByteArray() << 2
            << u"^$"_s << usage.arg(u"--seed takes a 32-bit integer, not 'x'"_s);
        QTest::newRow("--seed beyond 32 bits")
            << QStringList{u"encode"_s, u"--seed=2147483648"_s, u"@text.txt"_s, u"@new.dat"_s} << QByteArray() << 2
            << u"^$"_s << usage.arg(u"--seed takes a 32-bit integer, not '2147483648'"_s);
        QTest::newRow("--seed to decode")
            << QStringList{u"decode"_s, u"--seed"_s, u"1"_s, u"@work.dat"_s} << QByteArray() << 2 << u"^$"_s
            << usage.arg(u"--seed is an option of encode only"_s);
        QTest::newRow("encode, one file") << QStringList{u"encode"_s, u"@text.txt"_s} << QByteArray() << 2 << u"^$"_s
                                          << usage.arg(u"encode takes two files, TEXT and WORK, not 1"_s);
        QTest::newRow("encode, three files")
            << QStringList{u"encode"_s, u"@text.txt"_s, u"-"_s, u"-"_s} << QByteArray() << 2 << u"^$"_s
            << usage.arg(u"encode takes two files, TEXT and WORK, not 3"_s);
        QTest::newRow("decode, no file") << QStringList{u"decode"_s} << QByteArray() << 2 << u"^$"_s
                                         << usage.arg(u"decode takes one file, WORK, not 0"_s);
        QTest::newRow("check, two folders") << QStringList{u"check"_s, u"@"_s, u"@"_s} << QByteArray() << 2 << u"^$"_s
                                            << usage.arg(u"check takes one folder, DATA_DIR, not 2"_s);

        QTest::newRow("encode from standard input to standard output")
            << QStringList{u"encode"_s, u"--seed"_s, u"7"_s, u"-"_s, u"-"_s} << u"строка\n"_s.toUtf8() << 0
            << u"^7\r\n"_s << u"^$"_s;
        QTest::newRow("encode a file to standard output")
            << QStringList{u"encode"_s, u"--seed=7"_s, u"@text.txt"_s, u"-"_s} << QByteArray() << 0 << u"^7\r\n"_s
            << u"^$"_s;
        QTest::newRow("encode from standard input to a file")
            << QStringList{u"encode"_s, u"-"_s, u"@new.dat"_s} << u"строка"_s.toUtf8() << 0 << u"^$"_s << u"^$"_s;
        QTest::newRow("a name with a dash after --")
            << QStringList{u"decode"_s, u"--"_s, u"-w.dat"_s} << QByteArray() << 1 << u"^$"_s
            << u"^sobranie-pack: -w.dat: cannot open: File not found\n$"_s;
        QTest::newRow("-- ends the options") << QStringList{u"decode"_s, u"--"_s, u"--help"_s} << QByteArray() << 1
                                             << u"^$"_s << u"^sobranie-pack: --help: cannot open: File not found\n$"_s;
        QTest::newRow("a file name taken for an option")
            << QStringList{u"encode"_s, u"@text.txt"_s, u"-out.dat"_s} << QByteArray() << 2 << u"^$"_s
            << usage.arg(u"unknown option '-out.dat' \\(a file whose name begins with - goes after --, as in: "
                         u"-- -out.dat\\)"_s);
        QTest::newRow("decode standard input")
            << QStringList{u"decode"_s, u"-"_s} << work << 0 << u"^строка\n$"_s << u"^$"_s;
        QTest::newRow("decode a file") << QStringList{u"decode"_s, u"@work.dat"_s} << QByteArray() << 0
                                       << u"^строка\n$"_s << u"^$"_s;
        QTest::newRow("decode what is not a work file")
            << QStringList{u"decode"_s, u"@text.txt"_s} << QByteArray() << 1 << u"^$"_s
            << u"^sobranie-pack: .*/text.txt: not a work file: its first line holds no seed number\n$"_s;
        QTest::newRow("decode an empty standard input")
            << QStringList{u"decode"_s, u"-"_s} << QByteArray() << 1 << u"^$"_s
            << u"^sobranie-pack: \\(standard input\\): not a work file"_s;
        QTest::newRow("decode a work without its line ends")
            << QStringList{u"decode"_s, u"@lf.dat"_s} << QByteArray() << 0 << u"^$"_s
            << u"^sobranie-pack: .*/lf.dat: warning: its CR LF line ends are gone .*\n$"_s;

        for (const char16_t control : {u'\x7F', u'\x80', u'\x85', u'\x98', u'\x9F'}) {
            const QString hex = QString::number(control, 16).toUpper();
            QTest::addRow("encode refuses U+00%s", qPrintable(hex))
                << QStringList{u"encode"_s, u"-"_s, u"-"_s} << (u"ab"_s + QChar(control)).toUtf8() << 1 << u"^$"_s
                << u"^sobranie-pack: \\(standard input\\):1:3: a control character \\(U\\+00%1\\) cannot be "
                   u"stored in a work file\n$"_s.arg(hex);
        }
        QTest::newRow("encode warns of markup")
            << QStringList{u"encode"_s, u"--seed"_s, u"7"_s, u"-"_s, u"-"_s} << QByteArray("a <b>\nx & y < z\n") << 0
            << u"^7\r\n"_s
            << u"^sobranie-pack: \\(standard input\\):1:3: warning: the reader takes '<' for the start of a tag "
               u"\\(2 in the text\\)\nsobranie-pack: \\(standard input\\):2:3: warning: the reader takes '&' for "
               u"the start of a character reference \\(1 in the text\\)\n$"_s;
        for (const QString &seed : {u"-600"_s, u"-529"_s}) {
            QTest::addRow("encode warns of a seed that does not restart (%s)", qPrintable(seed))
                << QStringList{u"encode"_s, u"--seed"_s, seed, u"@text.txt"_s, u"@new.dat"_s} << QByteArray() << 0
                << u"^$"_s << u"^sobranie-pack: .*/new.dat: warning: the seed does not restart the generator"_s;
        }
        QTest::newRow("check finds lost line ends")
            << QStringList{u"check"_s, u"@"_s} << QByteArray() << 1
            << u"^1\\) lf.dat: seed 7, 0 lines; its CR LF line ends are gone .*\n2\\) work.dat: seed 7, 1 line\n$"_s
            << u"^$"_s;
        QTest::newRow("check a missing folder") << QStringList{u"check"_s, u"@none"_s} << QByteArray() << 1 << u"^$"_s
                                                << u"^sobranie-pack: .*/none: no such folder\n$"_s;
    }

    void commandLineConventions()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QTemporaryDir dir;
        write(dir.filePath(u"text.txt"_s), u"строка\n"_s.toUtf8());
        write(dir.filePath(u"work.dat"_s), workfile::encodeWork(7, {u"строка"_s}));
        write(dir.filePath(u"lf.dat"_s), workfile::encodeWork(7, {u"строка"_s}).replace("\r\n", "\n"));
        for (QString &arg : args) {
            if (arg.startsWith(u'@'))
                arg = dir.path() + u'/' + arg.mid(1);
        }

        QProcess pack;
        pack.setWorkingDirectory(dir.path());
        pack.start(QStringLiteral(SOBRANIE_PACK), args);
        QVERIFY(pack.waitForStarted());
        pack.write(input);
        pack.closeWriteChannel();
        QVERIFY(pack.waitForFinished(30000));
        QCOMPARE(pack.exitStatus(), QProcess::NormalExit);
        const QString stdOut = QString::fromUtf8(pack.readAllStandardOutput());
        const QString stdErr = QString::fromUtf8(pack.readAllStandardError());
        const auto matches = [](const QString &pattern, const QString &text) {
            return QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption).match(text).hasMatch();
        };
        QVERIFY2(matches(out, stdOut), qPrintable(u"standard output:\n"_s + stdOut));
        QVERIFY2(matches(err, stdErr), qPrintable(u"standard error:\n"_s + stdErr));
        QCOMPARE(pack.exitCode(), status);
        // The tool's messages carry its name; a usage error adds the usage.
        const QStringList lines = stdErr.split(u'\n', Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < (status == 2 ? 1 : lines.size()); ++i)
            QVERIFY2(lines[i].startsWith(u"sobranie-pack: "_s), qPrintable(lines[i]));
        if (status == 2)
            QVERIFY(lines.value(1).startsWith(u"Usage: "_s));
        // Refused text leaves nothing behind.
        if (status != 0)
            QVERIFY(!QFile::exists(dir.filePath(u"new.dat"_s)));
    }

    void outputIsNeverItsInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("inputFile");
        QTest::addColumn<QString>("outputFile");
        QTest::addColumn<QString>("err");
        QTest::newRow("the same name") << QStringList{u"encode"_s, u"@text.txt"_s, u"@text.txt"_s} << u""_s << u""_s
                                       << u"text.txt: not written: it is the text .*text.txt itself"_s;
        QTest::newRow("another spelling")
            << QStringList{u"encode"_s, u"@text.txt"_s, u"@sub/../text.txt"_s} << u""_s << u""_s
            << u"sub/../text.txt: not written: it is the text .*/text.txt itself"_s;
        QTest::newRow("a relative name") << QStringList{u"encode"_s, u"@text.txt"_s, u"./text.txt"_s} << u""_s << u""_s
                                         << u"./text.txt: not written"_s;
        QTest::newRow("a symbolic link") << QStringList{u"encode"_s, u"@text.txt"_s, u"@link.txt"_s} << u""_s << u""_s
                                         << u"link.txt: not written"_s;
        QTest::newRow("a hard link") << QStringList{u"encode"_s, u"@hard.txt"_s, u"@text.txt"_s} << u""_s << u""_s
                                     << u"text.txt: not written"_s;
        QTest::newRow("standard input is the output")
            << QStringList{u"encode"_s, u"-"_s, u"@text.txt"_s} << u"text.txt"_s << u""_s
            << u"text.txt: not written: it is the text \\(standard input\\) itself"_s;
        QTest::newRow("standard output is the input") << QStringList{u"encode"_s, u"@text.txt"_s, u"-"_s} << u""_s
                                                      << u"text.txt"_s << u"\\(standard output\\): not written"_s;
        QTest::newRow("both standard streams") << QStringList{u"encode"_s, u"-"_s, u"-"_s} << u"link.txt"_s
                                               << u"text.txt"_s << u"\\(standard output\\): not written"_s;
        QTest::newRow("decode onto the work") << QStringList{u"decode"_s, u"@work.dat"_s} << u""_s << u"work.dat"_s
                                              << u"\\(standard output\\): not written: it is the work file"_s;
        QTest::newRow("decode standard input onto itself")
            << QStringList{u"decode"_s, u"-"_s} << u"work.dat"_s << u"work.dat"_s
            << u"\\(standard output\\): not written: it is the work file \\(standard input\\) itself"_s;
    }

    void outputIsNeverItsInput()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, inputFile);
        QFETCH(QString, outputFile);
        QFETCH(QString, err);
        if (args.contains(u"@link.txt"_s) || inputFile == u"link.txt"_s)
            SKIP_ON_WINDOWS(files::NoLinks);
        QTemporaryDir dir;
        const QByteArray text = u"строка\n"_s.toUtf8();
        const QByteArray work = workfile::encodeWork(7, {u"строка"_s});
        write(dir.filePath(u"text.txt"_s), text);
        write(dir.filePath(u"work.dat"_s), work);
        QVERIFY(QDir(dir.path()).mkdir(u"sub"_s));
#ifndef Q_OS_WIN
        QVERIFY(QFile::link(dir.filePath(u"text.txt"_s), dir.filePath(u"link.txt"_s)));
#endif
        QVERIFY(
            files::makeHardLink(files::bytes(dir.filePath(u"text.txt"_s)), files::bytes(dir.filePath(u"hard.txt"_s))));
        for (QString &arg : args) {
            if (arg.startsWith(u'@'))
                arg = dir.path() + u'/' + arg.mid(1);
        }

        QProcess pack;
        pack.setWorkingDirectory(dir.path());
        if (inputFile.isEmpty())
            pack.setStandardInputFile(QProcess::nullDevice());
        else
            pack.setStandardInputFile(dir.filePath(inputFile));
        // Appended to, as by ">>": the shell's ">" would empty it first.
        if (!outputFile.isEmpty())
            pack.setStandardOutputFile(dir.filePath(outputFile), QIODevice::Append);
        pack.start(QStringLiteral(SOBRANIE_PACK), args);
        QVERIFY(pack.waitForFinished(30000));
        const QString stdErr = QString::fromUtf8(pack.readAllStandardError());
        QCOMPARE(pack.exitCode(), 1);
        QVERIFY2(QRegularExpression(u"^sobranie-pack: .*"_s + err).match(stdErr).hasMatch(), qPrintable(stdErr));
        QCOMPARE(stdErr.count(u'\n'), 1);
        QCOMPARE(read(dir.filePath(u"text.txt"_s)), text);
        QCOMPARE(read(dir.filePath(u"work.dat"_s)), work);
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
#ifdef Q_OS_WIN
        // There a name is its text, whatever code page it was meant in.
        QCOMPARE(r.out, u"1) Заглавные.DAT: seed 5, 1 line\n2) Русский.dat: seed 6, 2 lines\n"_s);
#else
        QCOMPARE(r.out, u"1) Заглавные.DAT: seed 5, 1 line\n"
                        u"2) Русский.dat (name in windows-1251): seed 6, 2 lines\n"_s);
#endif

        // What the reader leaves out is a problem to the one who made the collection.
        SKIP_ON_WINDOWS("listed without the FIFO and the symbolic links, which Windows lacks");
        QVERIFY(files::makeFolder(d + "folder.dat"));
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

    // What check lists, decode opens; encode names a file exactly as asked.
    void namesAreTakenAsBytes()
    {
        SKIP_ON_WINDOWS(files::NoByteNames);
#ifndef Q_OS_WIN
        files::TemporaryFolder dir;
        const QByteArray data = files::bytes(dir.path()) + '/';
        const QByteArray oda866 = "\x8E\xA4\xA0.dat";
        QVERIFY(files::makeRaw(data + oda866, workfile::encodeWork(5, {u"Ода"_s})));
        QVERIFY(files::makeRaw(data + "a\nb.dat", workfile::encodeWork(6, {u"б"_s})));
        const auto run = [](const QList<QByteArray> &args, const QByteArray &input = {}) {
            QBuffer in;
            QBuffer out;
            QBuffer err;
            in.setData(input);
            (void)in.open(QIODevice::ReadOnly), (void)out.open(QIODevice::WriteOnly),
                (void)err.open(QIODevice::WriteOnly);
            pack::Streams io{in, out, err};
            QList<platform::NativePath> arguments;
            for (const QByteArray &arg : args)
                arguments.append(platform::NativePath::fromNative(arg));
            return Result{pack::run(arguments, io), QString::fromUtf8(out.data()), QString::fromUtf8(err.data()),
                          out.data()};
        };
        Result r = run({"check", data});
        QCOMPARE(r.out, u"1) a\\nb.dat: seed 6, 1 line\n2) Ода.dat (name in cp866): seed 5, 1 line\n"_s);
        QCOMPARE(r.status, 0);
        r = run({"decode", data + oda866});
        QCOMPARE(r.out, u"Ода\n"_s);

        // "Ода.dat" in windows-1251, written under that name and no other.
        const QByteArray oda1251 = "\xCE\xE4\xE0.dat";
        r = run({"encode", "-", data + oda1251}, "текст");
        QCOMPARE(r.status, 0);
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
        QCOMPARE(run({"decode", data + oda1251}).out, u"текст\n"_s);
        QList<QByteArray> names;
        for (const platform::NativePath &name : platform::listFiles(platform::NativePath(dir.path()), u"").files)
            names.append(name.native());
        std::sort(names.begin(), names.end());
        QCOMPARE(names, (QList<QByteArray>{"a\nb.dat", oda866, oda1251}));
#endif
    }

    // check names the code page a folder's names were read in, and warns when
    // they may have lost a letter to unzip.
    void checkNamesTheCodePage_data()
    {
        QTest::addColumn<QList<QByteArray>>("names");
        QTest::addColumn<QString>("out");
        QTest::addColumn<bool>("warns");
        const QString entry = u"%1) %2.dat%3: seed 5, 1 line\n"_s;
        // "Ода", "Тл" ("Тля" as unzip leaves it), "Тля".
        QTest::newRow("KOI8-R") << QList<QByteArray>{"\xEF\xC4\xC1.dat"}
                                << entry.arg(1).arg(u"Ода"_s, u" (name in KOI8-R)"_s) << false;
        QTest::newRow("windows-1251 without я")
            << QList<QByteArray>{"\xD2\xEB.dat", u"Явь.dat"_s.toUtf8()}
            << entry.arg(1).arg(u"Тл"_s, u" (name in windows-1251)"_s) + entry.arg(2).arg(u"Явь"_s, u""_s) << true;
        QTest::newRow("windows-1251 with я") << QList<QByteArray>{"\xD2\xEB\xFF.dat"}
                                             << entry.arg(1).arg(u"Тля"_s, u" (name in windows-1251)"_s) << false;
        QTest::newRow("decomposed") << QList<QByteArray>{u"И\u0306од.dat"_s.toUtf8()}
                                    << entry.arg(1).arg(u"Йод"_s, u""_s) << false;
    }

    void checkNamesTheCodePage()
    {
        QFETCH(QList<QByteArray>, names);
        QFETCH(QString, out);
        QFETCH(bool, warns);
        SKIP_ON_WINDOWS(files::NoByteNames);
        files::TemporaryFolder dir;
        for (const QByteArray &name : names)
            QVERIFY(files::makeRaw(files::bytes(dir.path()) + '/' + name, workfile::encodeWork(5, {u"а"_s})));
        const Result r = runPack({u"check"_s, dir.path()});
        QCOMPARE(r.out, out);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err.contains(u"unpack the archive again with 7z or bsdtar"_s), warns);
    }

    // Output that cannot be written all is an error, and says so.
    void outputFailuresAreErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("err");
        const QString full = u"\\(standard output\\): cannot write: No space left on device"_s;
        const QString closed = u"\\(standard output\\): cannot write: standard output is closed"_s;
#ifdef Q_OS_WIN
        // The C runtime has no word of its own for a pipe being closed (ERROR_NO_DATA).
        const QString broken = u"\\(standard output\\): cannot write: Invalid argument"_s;
#else
        const QString broken = u"\\(standard output\\): cannot write: Broken pipe"_s;
#endif
        QTest::newRow("--help, full") << QStringList{u"--help"_s} << u"full"_s << full;
        QTest::newRow("--version, closed") << QStringList{u"--version"_s} << u"closed"_s << closed;
        QTest::newRow("--help, broken pipe") << QStringList{u"--help"_s} << u"pipe"_s << broken;
        QTest::newRow("check, full") << QStringList{u"check"_s, u"@"_s} << u"full"_s << full;
        QTest::newRow("check, broken pipe") << QStringList{u"check"_s, u"@"_s} << u"pipe"_s << broken;
        QTest::newRow("decode, full") << QStringList{u"decode"_s, u"@work.dat"_s} << u"full"_s << full;
        QTest::newRow("decode, closed") << QStringList{u"decode"_s, u"@work.dat"_s} << u"closed"_s << closed;
        QTest::newRow("encode, full") << QStringList{u"encode"_s, u"@text.txt"_s, u"-"_s} << u"full"_s << full;
        QTest::newRow("encode, closed") << QStringList{u"encode"_s, u"@text.txt"_s, u"-"_s} << u"closed"_s << closed;
        QTest::newRow("encode, no input") << QStringList{u"encode"_s, u"-"_s, u"@new.dat"_s} << u"no input"_s
                                          << u"\\(standard input\\): cannot read: standard input is closed"_s;
        QTest::newRow("encode, unreadable input") << QStringList{u"encode"_s, u"-"_s, u"@new.dat"_s}
                                                  << u"folder input"_s << u"\\(standard input\\): cannot read: "_s;
        QTest::newRow("decode, unreadable input")
            << QStringList{u"decode"_s, u"-"_s} << u"folder input"_s << u"\\(standard input\\): cannot read: "_s;
    }

    void outputFailuresAreErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, how);
        QFETCH(QString, err);
        QTemporaryDir dir;
        write(dir.filePath(u"text.txt"_s), u"строка\n"_s.toUtf8());
        write(dir.filePath(u"work.dat"_s), workfile::encodeWork(7, {u"строка"_s}));
        for (QString &arg : args) {
            if (arg.startsWith(u'@'))
                arg = dir.path() + u'/' + arg.mid(1);
        }
        QProcess pack;
#ifdef Q_OS_WIN
        if (how == u"full"_s)
            QSKIP("Windows has no device nodes");
        // The streams the tool starts with: none, a pipe whose reader is gone, a folder.
        SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE pipeRead = nullptr;
        HANDLE pipeWrite = nullptr;
        QVERIFY(CreatePipe(&pipeRead, &pipeWrite, &inherited, 0));
        CloseHandle(pipeRead);
        const HANDLE folder = CreateFileW(files::wide(dir.path()), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                          &inherited, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        QVERIFY(folder != INVALID_HANDLE_VALUE);
        const auto closeHandles = qScopeGuard([&] { CloseHandle(pipeWrite), CloseHandle(folder); });
        pack.setCreateProcessArgumentsModifier([&](QProcess::CreateProcessArguments *a) {
            if (how == u"closed"_s)
                a->startupInfo->hStdOutput = INVALID_HANDLE_VALUE;
            else if (how == u"no input"_s)
                a->startupInfo->hStdInput = INVALID_HANDLE_VALUE;
            else if (how == u"folder input"_s)
                a->startupInfo->hStdInput = folder;
            else
                a->startupInfo->hStdOutput = pipeWrite;
        });
#else
        // A stand-in for /dev/full, here; a pipe whose reader is gone.
        const QByteArray full = files::bytes(dir.filePath(u"full"_s));
        if (how == u"full"_s && ::mknod(full.constData(), S_IFCHR | 0600, makedev(1, 7)) != 0)
            QSKIP("cannot make a device here");
        int pipe[2] = {-1, -1};
        QVERIFY(::pipe(pipe) == 0);
        ::close(pipe[0]);
        const auto closePipe = qScopeGuard([&] { ::close(pipe[1]); });
        const QByteArray folder = files::bytes(dir.path());
        pack.setChildProcessModifier([&] {
            if (how == u"closed"_s)
                ::close(1);
            else if (how == u"no input"_s)
                ::close(0);
            else if (how == u"folder input"_s)
                ::dup2(::open(folder.constData(), O_RDONLY), 0);
            else if (how == u"full"_s)
                ::dup2(::open(full.constData(), O_WRONLY), 1);
            else
                ::dup2(pipe[1], 1);
            ::signal(SIGPIPE, SIG_IGN);
        });
#endif
        pack.start(QStringLiteral(SOBRANIE_PACK), args);
        QVERIFY(pack.waitForFinished(30000));
        const QString stdErr = QString::fromUtf8(pack.readAllStandardError());
        QCOMPARE(pack.exitStatus(), QProcess::NormalExit);
        QCOMPARE(pack.exitCode(), 1);
        QVERIFY2(QRegularExpression(u"^sobranie-pack: "_s + err).match(stdErr).hasMatch(), qPrintable(stdErr));
        QVERIFY(!QFile::exists(dir.filePath(u"new.dat"_s)));
    }

    void checkOfWhatCannotBeListed()
    {
        SKIP_ON_WINDOWS("a link loop and permission bits, which Windows lacks");
        QTemporaryDir dir;
        const QString data = dir.filePath(u"Data"_s);
        QVERIFY(files::makeLinkLoop(files::bytes(data)));
        Result r = runPack({u"check"_s, data});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err, u"sobranie-pack: "_s + data + u": not a folder (a link loop)\n"_s);

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
        QCOMPARE(r.err, u"sobranie-pack: "_s + data + u": cannot list: Permission denied\n"_s);
    }

    void checkReportsAFileItCannotRead()
    {
        SKIP_ON_WINDOWS(files::NoPermissionBits);
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
        QTest::newRow("decode a zero device")
            << u"decode"_s << QByteArray("zero") << u"cannot open: not a regular file (a device)"_s;
        QTest::newRow("encode a FIFO") << u"encode"_s << QByteArray("FIFO")
                                       << u"cannot read: not a regular file (a FIFO)"_s;
        QTest::newRow("encode a zero device")
            << u"encode"_s << QByteArray("zero") << u"cannot read: not a regular file (a device)"_s;
        QTest::newRow("encode into a FIFO")
            << u"encode into"_s << QByteArray("FIFO") << u"cannot write: not a regular file (a FIFO)"_s;
        QTest::newRow("encode into a link to a FIFO")
            << u"encode into"_s << QByteArray("link to FIFO") << u"cannot write: not a regular file (a FIFO)"_s;
        QTest::newRow("encode into a null device")
            << u"encode into"_s << QByteArray("null") << u"cannot write: not a regular file (a device)"_s;
        QTest::newRow("encode into a block device")
            << u"encode into"_s << QByteArray("block") << u"cannot write: not a regular file (a device)"_s;
    }

    void encodeAndDecodeRefuseWhatIsNotAFile()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, made);
        QFETCH(QString, message);
        SKIP_ON_WINDOWS(made == "FIFO" ? files::NoFifos : files::NoLinks);
        QTemporaryDir dir;
        const QString odd = dir.filePath(u"odd"_s);
        // Devices of the test's own, behind a link: a slip in the refusal
        // writes over nothing of the machine's.
        const QByteArray device = files::bytes(dir.filePath(u"device"_s));
        if (made == "FIFO")
            QVERIFY(files::makeFifo(files::bytes(odd)));
        else if (made == "link to FIFO")
            QVERIFY(files::makeFifo(device) && files::makeLink(device, files::bytes(odd)));
        else if (!files::makeDevice(device, made))
            QSKIP("cannot make a device here");
        else
            QVERIFY(files::makeLink(device, files::bytes(odd)));
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
        QCOMPARE(r.err, u"sobranie-pack: "_s + odd + u": "_s + message + u'\n');
        QVERIFY(r.out.isEmpty());
        // The name is left as it was.
        QCOMPARE(platform::fileKind(platform::NativePath(odd)),
                 made.endsWith("FIFO") ? platform::FileKind::Fifo : platform::FileKind::Device);
        QCOMPARE(QFileInfo(odd).isSymLink(), made != "FIFO");
        QVERIFY(!QFile::exists(dir.filePath(u"out.dat"_s)));
    }
};

QTEST_GUILESS_MAIN(tst_packtool)
#include "tst_packtool.moc"
