// The platform layer: generator, conversions, code page, paths, text files,
// listing, on real files, FIFOs, links and names that are not UTF-8.
#include "FileMakers.h"

#include "platform/Cp866.h"
#include "platform/DirectoryListing.h"
#include "platform/FileIdentity.h"
#include "platform/FileStamp.h"
#include "platform/InputTextFile.h"
#include "platform/LegacyRandom.h"
#include "platform/NativePath.h"
#include "platform/NumberConversion.h"
#include "platform/OutputTextFile.h"
#include "platform/RegularFile.h"
#include "platform/RuntimeError.h"
#include "platform/SavedFile.h"
#include "platform/System.h"
#include "platform/Windows1251.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// The reference values are given to seven decimals; QCOMPARE on floats
// would accept far larger differences.
bool matches(float value, double reference)
{
    return std::abs(static_cast<double>(value) - reference) <= 5e-8;
}

platform::NativePath pathOf(const QString &text)
{
    return platform::NativePath(text);
}

QStringList textsOf(const QList<platform::NativePath> &paths)
{
    QStringList texts;
    for (const platform::NativePath &path : paths)
        texts.append(path.text());
    return texts;
}

// The error number of a listing, None when it lists.
platform::ErrorNumber listingError(const platform::NativePath &folder)
{
    try {
        (void)platform::listFiles(folder, u".dat");
    } catch (const platform::RuntimeError &error) {
        return error.number();
    }
    return platform::ErrorNumber::None;
}

// "Собрание", "Ода", "Заглавные" in windows-1251.
const QByteArray Sobranie1251 = "\xD1\xEE\xE1\xF0\xE0\xED\xE8\xE5";
const QByteArray Oda1251 = "\xCE\xE4\xE0";
const QByteArray Zaglavnye1251 = "\xC7\xE0\xE3\xEB\xE0\xE2\xED\xFB\xE5";
// "Собрание", "Ода" in cp866; "уст" in cp866 is "гбв" in windows-1251, and
// reads as Russian in both.
const QByteArray Sobranie866 = "\x91\xAE\xA1\xE0\xA0\xAD\xA8\xA5";
const QByteArray Oda866 = "\x8E\xA4\xA0";
const QByteArray Ust866 = "\xE3\xE1\xE2";

} // namespace

// What a name in the file system is made as, for the data-driven cases.
enum class Made { PlainFile, LinkToFile, Folder, Fifo, LinkToDevZero, DanglingLink, LinkLoop };
Q_DECLARE_METATYPE(Made)
Q_DECLARE_METATYPE(platform::FileKind)
Q_DECLARE_METATYPE(platform::ErrorNumber)

namespace {

bool make(Made what, const QByteArray &path)
{
    switch (what) {
    case Made::PlainFile:
        return files::makeRaw(path, "7\r\n");
    case Made::LinkToFile:
        return files::makeRaw(path + ".target", "7\r\n") && files::makeLink(path + ".target", path);
    case Made::Folder:
        return files::makeFolder(path);
    case Made::Fifo:
        return files::makeFifo(path);
    case Made::LinkToDevZero:
        return files::makeLink("/dev/zero", path);
    case Made::DanglingLink:
        return files::makeLink(path + ".gone", path);
    case Made::LinkLoop:
        return files::makeLinkLoop(path);
    }
    return false;
}

// Why what is named cannot be made here; nullptr where it can.
const char *notHere(Made what)
{
#ifdef Q_OS_WIN
    if (what == Made::Fifo)
        return files::NoFifos;
    return what == Made::PlainFile || what == Made::Folder ? nullptr : files::NoLinks;
#else
    Q_UNUSED(what);
    return nullptr;
#endif
}

} // namespace

class tst_platform : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void randomReferenceValues()
    {
        platform::LegacyRandom fresh;
        QCOMPARE(fresh.state(), 327680u);
        QVERIFY(matches(fresh.next(), 0.7055475));

        platform::LegacyRandom r;
        QVERIFY(matches(r.next(-1), 0.2240070));
        QVERIFY(matches(r.next(), 0.0358458));
    }

    void randomArgumentRules()
    {
        platform::LegacyRandom r;
        const float first = r.next();
        // Zero repeats the most recent value without stepping.
        QCOMPARE(r.next(0), first);
        QCOMPARE(r.next(0.0f), first);
        // A positive argument steps like no argument.
        platform::LegacyRandom twin;
        (void)twin.next();
        QCOMPARE(r.next(5), twin.next());
        QCOMPARE(r.state(), twin.state());

        // A negative argument depends on the argument alone.
        platform::LegacyRandom a;
        platform::LegacyRandom b;
        for (int i = 0; i < 17; ++i)
            (void)b.next();
        QCOMPARE(a.next(-529), b.next(-529));
        QCOMPARE(a.state(), b.state());

        // Every value lies in [0, 1).
        platform::LegacyRandom c;
        for (int i = 0; i < 100000; ++i) {
            const float v = c.next();
            QVERIFY(v >= 0.0f && v < 1.0f);
        }
    }

    void randomIntegerArgumentRoundsToSingle()
    {
        // 2^24 + 1 is not representable in single precision: it rounds (ties
        // to even) to 2^24, so both arguments reseed alike.
        platform::LegacyRandom a;
        platform::LegacyRandom b;
        QCOMPARE(a.next(-16777217), b.next(-16777216));
        platform::LegacyRandom c;
        QVERIFY(c.next(-16777219) != platform::LegacyRandom().next(-16777216));
        // Reseeding from -1 sets 0xBF800000 + 0xBF, low 24 bits, then steps.
        platform::LegacyRandom d;
        d.setState(0x8000BF);
        platform::LegacyRandom e;
        QCOMPARE(e.next(-1), d.next());
        QCOMPARE(e.state(), d.state());
    }

    void val_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("empty") << u""_s << 0.0;
        QTest::newRow("digits") << u"12"_s << 12.0;
        QTest::newRow("trailing text") << u"12/"_s << 12.0;
        QTest::newRow("blanks inside") << u" 1 2\t3\n"_s << 123.0;
        QTest::newRow("line feed inside") << u"1\n2"_s << 12.0;
        QTest::newRow("negative") << u"-7"_s << -7.0;
        QTest::newRow("plus") << u"+7"_s << 7.0;
        QTest::newRow("fraction") << u"2.5x"_s << 2.5;
        QTest::newRow("leading point") << u".5"_s << 0.5;
        QTest::newRow("exponent E") << u"1E3"_s << 1000.0;
        QTest::newRow("exponent D") << u"15D-1"_s << 1.5;
        QTest::newRow("incomplete exponent") << u"4e"_s << 4.0;
        QTest::newRow("letters first") << u"x12"_s << 0.0;
        QTest::newRow("sign only") << u"-"_s << 0.0;
        QTest::newRow("slash") << u"/"_s << 0.0;
        QTest::newRow("second point stops") << u"1.2.3"_s << 1.2;
        // Past the doubles' range a number underflows to zero (keeping its
        // sign) or overflows to infinity, as strtod gives it.
        QTest::newRow("underflow") << u"1E-400"_s << 0.0;
        QTest::newRow("negative underflow") << u"-1E-400"_s << -0.0;
        QTest::newRow("subnormal") << u"4.9E-324"_s << 4.9E-324;
        QTest::newRow("below half the least subnormal") << u"2.4E-324"_s << 0.0;
        QTest::newRow("overflow") << u"-1E309"_s << -HUGE_VAL;
        QTest::newRow("long mantissa overflows despite a negative exponent")
            << u"1"_s + QString(400, u'0') + u"E-50"_s << HUGE_VAL;
        QTest::newRow("long fraction underflows despite a positive exponent")
            << u"0."_s + QString(400, u'0') + u"1E50"_s << 0.0;
        QTest::newRow("zero with a huge exponent") << u"0E99999999999999999999"_s << 0.0;
    }

    void val()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        // Exactly, sign of zero included: QCOMPARE takes any two tiny
        // doubles (zero and a subnormal among them) as equal.
        const double actual = platform::leadingNumber(text);
        QVERIFY2(actual == expected && std::signbit(actual) == std::signbit(expected),
                 qPrintable(QString::number(actual, 'g', 17)));
    }

    void valHugeIsInfinite()
    {
        QVERIFY(std::isinf(platform::leadingNumber(u"1e999"_s)));
        QVERIFY(!platform::toInt32(platform::leadingNumber(u"1e999"_s)));
    }

    void toInt32RoundsHalvesToEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("2.5") << 2.5 << 2;
        QTest::newRow("3.5") << 3.5 << 4;
        QTest::newRow("-2.5") << -2.5 << -2;
        QTest::newRow("0.5") << 0.5 << 0;
        QTest::newRow("1.5") << 1.5 << 2;
        QTest::newRow("2.6") << 2.6 << 3;
        QTest::newRow("max") << 2147483647.0 << 2147483647;
        QTest::newRow("min") << -2147483648.0 << int(-2147483647 - 1);
        QTest::newRow("min - 0.5 rounds to even") << -2147483648.5 << int(-2147483647 - 1);
    }

    void toInt32RoundsHalvesToEven()
    {
        QFETCH(double, value);
        QFETCH(int, expected);
        QCOMPARE(platform::toInt32(value).value(), expected);
    }

    void toInt32OutOfRange()
    {
        QVERIFY(!platform::toInt32(2147483647.5)); // rounds to 2^31
        QVERIFY(!platform::toInt32(-2147483649.0));
        QVERIFY(!platform::toInt32(std::nan("")));
        QVERIFY(!platform::toInt32(3e10));
    }

    void cp1251KnownCharacters()
    {
        QCOMPARE(platform::windows1251::toUnicode(0xC0), u'А');
        QCOMPARE(platform::windows1251::toUnicode(0xFF), u'я');
        QCOMPARE(platform::windows1251::toUnicode(0xA8), u'Ё');
        QCOMPARE(platform::windows1251::toUnicode(0xB8), u'ё');
        QCOMPARE(platform::windows1251::toUnicode(0xB9), u'№');
        QCOMPARE(platform::windows1251::toUnicode(0x88), u'€');
        QCOMPARE(platform::windows1251::toUnicode(0x98), u'\u0098');
        QCOMPARE(platform::windows1251::encode(u"Ab€ы"_s), QByteArray("Ab\x88\xFB"));
        // No code: "?".
        QCOMPARE(platform::windows1251::encode(u"a\u00E9\u4E2Dz"_s), QByteArray("a??z"));
        QCOMPARE(platform::windows1251::fromUnicode(u'\u00E9'), -1);
        QCOMPARE(platform::cp866::decode("\x80\xAF\xE0\xEF\xF0\xF1\xFC\xB0\xFF"), u"АпряЁё№░\u00A0"_s);
        QCOMPARE(platform::cp866::encode(u"Ёж é"_s), QByteArray("\xF0\xA6 ?"));
    }

    void cp1251RoundTripsEveryByte()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        for (const platform::CodePage page :
             {platform::CodePage::Windows1251, platform::CodePage::Cp866, platform::CodePage::Koi8r}) {
            const QString text = platform::codepage::decode(all, page);
            QCOMPARE(text.size(), 256);
            QCOMPARE(platform::codepage::encode(text, page), all);
            // Distinct bytes give distinct characters.
            QSet<QChar> seen(text.begin(), text.end());
            QCOMPARE(seen.size(), 256);
        }
    }

    void inputFileLines()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"lines.dat"_s);
        // CR LF, CR alone, LF is an ordinary character, final CR LF adds no line.
        writeBytes(path, "one\r\ntwo\rthree\nstill three\r\n\r\nlast\r\n");
        platform::InputTextFile f;
        QCOMPARE(f.open(pathOf(path)), platform::ErrorNumber::None);
        QStringList lines;
        while (!f.atEnd())
            lines.append(QString::fromLatin1(f.readLine()));
        QCOMPARE(lines, (QStringList{u"one"_s, u"two"_s, u"three\nstill three"_s, u""_s, u"last"_s}));
        QVERIFY(f.readLine().isEmpty());

        // Bytes read elsewhere (standard input) read the same, and stay whole.
        const QByteArray bytes = "one\r\ntwo\rthree\nstill three\r\n\r\nlast\r\n";
        f.openBytes(bytes);
        QVERIFY(f.isOpen());
        QStringList fromContents;
        while (!f.atEnd())
            fromContents.append(QString::fromLatin1(f.readLine()));
        QCOMPARE(fromContents, lines);
        QCOMPARE(f.contents(), QByteArrayView(bytes));
        // The same bytes given from memory read alike.
        platform::InputTextFile m;
        m.openBytes("one\r\ntwo\rthree\nstill three\r\n\r\nlast\r\n");
        QVERIFY(m.isOpen());
        QStringList fromMemory;
        while (!m.atEnd())
            fromMemory.append(QString::fromLatin1(m.readLine()));
        QCOMPARE(fromMemory, lines);
        // A stream handed over a byte at a time (CR and LF in two pieces) too.
        qsizetype at = 0;
        m.openStream([&](char *buffer, qint64) { return at < bytes.size() ? (*buffer = bytes[at++], 1) : 0; });
        QStringList streamed;
        while (!m.atEnd())
            streamed.append(QString::fromLatin1(m.readLine()));
        QCOMPARE(streamed, lines);
        QVERIFY(!m.failed());
        m.openStream([](char *, qint64) { return -1; });
        QVERIFY(m.atEnd());
        QVERIFY(m.failed());
        // Text from an editor: LF ends a line too.
        platform::InputTextFile text(platform::InputTextFile::LineEnds::Any);
        text.openBytes("a\nb\r\nc\rd\n");
        QStringList textLines;
        while (!text.atEnd())
            textLines.append(QString::fromLatin1(text.readLine()));
        QCOMPARE(textLines, (QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
        m.close();
        QVERIFY(!m.isOpen());
        QVERIFY(m.atEnd());

        writeBytes(path, "no end");
        QCOMPARE(f.open(pathOf(path)), platform::ErrorNumber::None);
        QCOMPARE(f.readLine(), QByteArrayView("no end"));
        QVERIFY(f.atEnd());

        writeBytes(path, "ends in CR\r");
        QCOMPARE(f.open(pathOf(path)), platform::ErrorNumber::None);
        QCOMPARE(f.readLine(), QByteArrayView("ends in CR"));
        QVERIFY(f.atEnd());
    }

    void fileIdentity_data()
    {
        QTest::addColumn<QString>("other");
        QTest::addColumn<bool>("same");
        QTest::newRow("the same name") << u"a.txt"_s << true;
        QTest::newRow("another spelling") << u"sub/../a.txt"_s << true;
        QTest::newRow("dot segments") << u"./sub/./../a.txt"_s << true;
        QTest::newRow("symbolic link") << u"link.txt"_s << true;
        QTest::newRow("link to a link") << u"sub/link.txt"_s << true;
        QTest::newRow("hard link") << u"hard.txt"_s << true;
        QTest::newRow("a copy") << u"copy.txt"_s << false;
        QTest::newRow("missing") << u"none.txt"_s << false;
    }

    void fileIdentity()
    {
        QFETCH(QString, other);
        QFETCH(bool, same);
        if (other.endsWith(u"link.txt"_s))
            SKIP_ON_WINDOWS(files::NoLinks);
        QTemporaryDir dir;
        const auto at = [&](const QString &name) { return pathOf(dir.path() + u'/' + name); };
        const auto bytesAt = [&](const QString &name) { return files::bytes(dir.path() + u'/' + name); };
        writeBytes(dir.filePath(u"a.txt"_s), "text");
        writeBytes(dir.filePath(u"copy.txt"_s), "text");
        QVERIFY(QDir(dir.path()).mkdir(u"sub"_s));
#ifndef Q_OS_WIN
        QVERIFY(files::makeLink(bytesAt(u"a.txt"_s), bytesAt(u"link.txt"_s)));
        QVERIFY(files::makeLink(bytesAt(u"link.txt"_s), bytesAt(u"sub/link.txt"_s)));
#endif
        QVERIFY(files::makeHardLink(bytesAt(u"a.txt"_s), bytesAt(u"hard.txt"_s)));

        const auto identity = platform::regularFileIdentity(at(u"a.txt"_s));
        QVERIFY(identity);
        const auto otherIdentity = platform::regularFileIdentity(at(other));
        QCOMPARE(identity == otherIdentity, same);
        if (other == u"none.txt"_s)
            QVERIFY(!otherIdentity);

        // An open descriptor is known as the same file.
        const int descriptor = files::openToRead(bytesAt(other));
        if (descriptor >= 0) {
            QCOMPARE(platform::regularFileIdentity(descriptor) == identity, same);
            files::closeDescriptor(descriptor);
        }
    }

    void fileStampFollowsTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"w.dat"_s);
        writeBytes(path, "seven\r\n");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::fromMSecsSinceEpoch(1700000000123, Qt::UTC),
                                 QFileDevice::FileModificationTime));
        QVERIFY(platform::fileStamp(pathOf(path)) == (platform::FileStamp{7, qint64(1700000000123) * 1000000}));
        writeBytes(path, "eight\r\n\r\n");
        QCOMPARE(platform::fileStamp(pathOf(path))->size, qint64(9));
    }

    void onlyRegularFilesHaveAnIdentity_data()
    {
        QTest::addColumn<Made>("made");
        QTest::newRow("folder") << Made::Folder;
        QTest::newRow("FIFO") << Made::Fifo;
        QTest::newRow("link to /dev/zero") << Made::LinkToDevZero;
        QTest::newRow("dangling link") << Made::DanglingLink;
        QTest::newRow("link loop") << Made::LinkLoop;
    }

    void onlyRegularFilesHaveAnIdentity()
    {
        QFETCH(Made, made);
        if (const char *reason = notHere(made))
            QSKIP(reason);
        QTemporaryDir dir;
        const QByteArray path = files::bytes(dir.filePath(u"x"_s));
        QVERIFY(make(made, path));
        const files::FifoRescuer rescuer(path);
        QVERIFY(!platform::regularFileIdentity(platform::NativePath::fromNative(files::native(path))));
        QVERIFY(!platform::fileStamp(platform::NativePath::fromNative(files::native(path))));
        // Every program that writes to /dev/null writes to the same device:
        // that is no reason to refuse.
        const int descriptor = files::openToRead(path);
        if (descriptor >= 0) {
            QVERIFY(!platform::regularFileIdentity(descriptor));
            files::closeDescriptor(descriptor);
        }
    }

    void numericItem_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::addColumn<QByteArray>("nextLine");
        QTest::newRow("plain") << QByteArray("42\r\nx") << true << 42 << QByteArray("x");
        QTest::newRow("blanks and tab") << QByteArray(" \t-17\r\nx") << true << -17 << QByteArray("x");
        QTest::newRow("plus") << QByteArray("+5\rx") << true << 5 << QByteArray("x");
        QTest::newRow("rest of line consumed") << QByteArray("12 abc\r\nx") << true << 12 << QByteArray("x");
        QTest::newRow("max") << QByteArray("2147483647\r\nx") << true << 2147483647 << QByteArray("x");
        QTest::newRow("min") << QByteArray("-2147483648\r\nx") << true << int(-2147483647 - 1) << QByteArray("x");
        QTest::newRow("too large") << QByteArray("2147483648\r\nx") << false << 0 << QByteArray("x");
        QTest::newRow("far too large") << QByteArray("99999999999999999999\r\nx") << false << 0 << QByteArray("x");
        QTest::newRow("no number") << QByteArray("abc\r\nx") << false << 0 << QByteArray("x");
        QTest::newRow("empty line") << QByteArray("\r\nx") << false << 0 << QByteArray("x");
        QTest::newRow("sign only") << QByteArray("-\r\nx") << false << 0 << QByteArray("x");
        QTest::newRow("empty file") << QByteArray() << false << 0 << QByteArray();
    }

    void numericItem()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, ok);
        QFETCH(int, value);
        QFETCH(QByteArray, nextLine);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"n.dat"_s);
        writeBytes(path, bytes);
        platform::InputTextFile f;
        QCOMPARE(f.open(pathOf(path)), platform::ErrorNumber::None);
        const auto n = f.readNumber();
        QCOMPARE(n.has_value(), ok);
        if (ok)
            QCOMPARE(*n, value);
        QCOMPARE(f.readLine().toByteArray(), nextLine);

        // From memory, into the same object: read again from the start.
        f.openBytes(bytes);
        QCOMPARE(f.size(), bytes.size());
        const auto m = f.readNumber();
        QCOMPARE(m.has_value(), ok);
        if (ok)
            QCOMPARE(*m, value);
        QCOMPARE(f.readLine().toByteArray(), nextLine);
    }

    void openErrors_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::optional<Made>>("made");
        QTest::addColumn<platform::ErrorNumber>("input");
        QTest::addColumn<platform::ErrorNumber>("output");
        using E = platform::ErrorNumber;
        QTest::newRow("missing file") << u"missing.dat"_s << std::optional<Made>() << E::FileNotFound << E::None;
        QTest::newRow("missing folder") << u"no folder/x.dat"_s << std::optional<Made>() << E::PathNotFound
                                        << E::PathNotFound;
        QTest::newRow("under a file") << u"plain/x.dat"_s << std::optional<Made>() << E::PathNotFound
                                      << E::PathNotFound;
        QTest::newRow("folder") << u"it"_s << std::optional(Made::Folder) << E::PathFileAccess << E::PathFileAccess;
        QTest::newRow("FIFO") << u"it"_s << std::optional(Made::Fifo) << E::PathFileAccess << E::PathFileAccess;
        QTest::newRow("link to /dev/zero")
            << u"it"_s << std::optional(Made::LinkToDevZero) << E::PathFileAccess << E::PathFileAccess;
        QTest::newRow("link loop") << u"it"_s << std::optional(Made::LinkLoop) << E::PathFileAccess
                                   << E::PathFileAccess;
        QTest::newRow("dangling link") << u"it"_s << std::optional(Made::DanglingLink) << E::FileNotFound
                                       << E::PathFileAccess;
        QTest::newRow("link to a file") << u"it"_s << std::optional(Made::LinkToFile) << E::None << E::None;
    }

    // Each open answers at once: nothing waits for the other end of a FIFO
    // or reads a device without end.
    void openErrors()
    {
        QFETCH(QString, name);
        QFETCH(std::optional<Made>, made);
        QFETCH(platform::ErrorNumber, input);
        QFETCH(platform::ErrorNumber, output);
        if (const char *reason = made ? notHere(*made) : nullptr)
            QSKIP(reason);
        for (const bool forOutput : {false, true}) {
            QTemporaryDir dir;
            QVERIFY(files::makeRaw(files::bytes(dir.filePath(u"plain"_s))));
            const QString path = dir.filePath(name);
            if (made)
                QVERIFY(make(*made, files::bytes(path)));
            std::optional<files::FifoRescuer> rescuer;
            if (made == Made::Fifo)
                rescuer.emplace(files::bytes(path));
            QElapsedTimer timer;
            timer.start();
            if (forOutput) {
                platform::OutputTextFile out;
                QCOMPARE(out.open(pathOf(path)), output);
                QCOMPARE(out.isOpen(), output == platform::ErrorNumber::None);
            } else {
                platform::InputTextFile in;
                QCOMPARE(in.open(pathOf(path)), input);
                QCOMPARE(in.isOpen(), input == platform::ErrorNumber::None);
            }
            QVERIFY2(timer.elapsed() < 1000, qPrintable(u"%1 ms"_s.arg(timer.elapsed())));
        }
    }

    // A name that is not a file is left as it was by an output that refuses it.
    void outputLeavesWhatIsNotAFileAlone()
    {
        SKIP_ON_WINDOWS(files::NoFifos);
        QTemporaryDir dir;
        const QByteArray fifo = files::bytes(dir.filePath(u"0.html"_s));
        QVERIFY(files::makeFifo(fifo));
        // With a reader at the other end the open itself would succeed.
        const int reader = files::openToRead(fifo);
        QVERIFY(reader >= 0);
        platform::OutputTextFile out;
        QCOMPARE(out.open(pathOf(dir.filePath(u"0.html"_s))), platform::ErrorNumber::PathFileAccess);
        QVERIFY(!out.print(u"nothing"_s));
        QVERIFY(files::readByte(reader) <= 0);
        files::closeDescriptor(reader);
    }

    // A file saved whole and a text file written line by line replace a
    // regular file, through links only to one of the user's; whatever else
    // stands there is left as it was.
    void writtenOnlyOverARegularFile_data()
    {
        // What kept/out is made as, and the link state/out is (none: state/out is what is made).
        QTest::addColumn<QByteArray>("made");
        QTest::addColumn<QByteArray>("link");
        QTest::addColumn<QString>("refusal");
        const QByteArray absolute("%/kept/out");
        const QByteArray relative("../kept/out");
        QTest::newRow("regular file") << QByteArray("file") << QByteArray() << QString();
        QTest::newRow("missing") << QByteArray() << QByteArray() << QString();
        QTest::newRow("absolute link") << QByteArray("file") << absolute << QString();
        QTest::newRow("relative link, from its folder") << QByteArray("file") << relative << QString();
        QTest::newRow("relative chain") << QByteArray("file") << QByteArray("../kept/next") << QString();
        QTest::newRow("link to a FIFO") << QByteArray("FIFO") << absolute << u"not a regular file (a FIFO)"_s;
        QTest::newRow("link to a device") << QByteArray("null") << relative << u"not a regular file (a device)"_s;
        QTest::newRow("link to a folder") << QByteArray("folder") << relative << u"not a regular file (a folder)"_s;
        QTest::newRow("dangling link") << QByteArray() << absolute << u"not a regular file (a dangling link)"_s;
        QTest::newRow("link loop") << QByteArray() << QByteArray("out") << u"not a regular file (a link loop)"_s;
        QTest::newRow("link to another user's file")
            << QByteArray("others'") << relative << u"a link to another user's file"_s;
    }

    void writtenOnlyOverARegularFile()
    {
        QFETCH(QByteArray, made);
        QFETCH(QByteArray, link);
        QFETCH(QString, refusal);
        if (!link.isEmpty())
            SKIP_ON_WINDOWS(made == "FIFO" ? files::NoFifos : files::NoLinks);
        for (const bool whole : {true, false}) {
            QTemporaryDir dir;
            const QByteArray root = files::bytes(dir.path());
            const QByteArray name = root + "/state/out";
            // The links lead into another folder: read from the current one, a relative link leads nowhere.
            const QByteArray end = link.isEmpty() || link == "out" ? name : root + "/kept/out";
            const auto kind = [&] { return platform::fileKind(pathOf(QFile::decodeName(end))); };
            QVERIFY(files::makeFolder(root + "/state") && files::makeFolder(root + "/kept"));
            if (made == "null" && !files::makeDevice(end, made))
                QSKIP("making a device node needs the superuser");
            QVERIFY(made.isEmpty() || made == "null"
                    || (made == "FIFO"     ? files::makeFifo(end)
                        : made == "folder" ? files::makeFolder(end)
                                           : files::makeRaw(end, "old")));
            QVERIFY(link.isEmpty()
                    || (files::makeLink(QByteArray(link).replace('%', root), name)
                        && files::makeLink("out", root + "/kept/next")));
#ifndef Q_OS_WIN
            if (made == "others'" && (::geteuid() != 0 || ::chown(end.constData(), 65534, 65534) != 0))
                QSKIP("giving a file to another user needs the superuser");
#endif
            const platform::FileKind before = kind();
            const files::FifoRescuer rescuer(end);
            const auto path = pathOf(QFile::decodeName(name));
            const QByteArray written = whole ? "new" : "new\r\n";
            platform::SavedFile file;
            platform::OutputTextFile out;
            QCOMPARE(whole ? file.open(path) && file.write(written) && file.commit()
                           : out.open(path) == platform::ErrorNumber::None && out.print(u"new"_s),
                     refusal.isEmpty());
            QCOMPARE(file.errorString(), whole ? refusal : QString());
            QCOMPARE(file.refused(), whole && !refusal.isEmpty());
            // A link stays a link, and what it leads to is what it was, or the new file.
            QCOMPARE(QFileInfo(QFile::decodeName(name)).isSymLink(), !link.isEmpty());
            QCOMPARE(kind(), refusal.isEmpty() ? platform::FileKind::Regular : before);
            QFile kept(QFile::decodeName(end));
            if (kind() == platform::FileKind::Regular && kept.open(QIODevice::ReadOnly))
                QCOMPARE(kept.readAll(), refusal.isEmpty() ? written : "old"_ba);
        }
    }

    // What is put under the name while a file is saved there is left as it is.
    void savedFileLooksAgainBeforeItReplaces()
    {
        SKIP_ON_WINDOWS(files::NoFifos);
#ifndef Q_OS_WIN
        QTemporaryDir dir;
        const QByteArray name = files::bytes(dir.filePath(u"out"_s));
        platform::SavedFile file;
        QVERIFY(file.open(platform::NativePath::fromNative(name)) && file.write("new") && files::makeFifo(name));
        QVERIFY(!file.commit() && file.refused());
        QCOMPARE(platform::fileKind(platform::NativePath::fromNative(name)), platform::FileKind::Fifo);
#endif
    }

    void permissionDenied()
    {
        SKIP_ON_WINDOWS(files::NoPermissionBits);
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"closed"_s);
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(files::makeRaw(files::bytes(folder + u"/w.dat"_s)));
        QVERIFY(::chmod(files::bytes(folder).constData(), 0) == 0);
        platform::ErrorNumber input = platform::ErrorNumber::None;
        platform::ErrorNumber output = platform::ErrorNumber::None;
        platform::ErrorNumber listing = platform::ErrorNumber::None;
        bool applies = false;
        {
            const files::Unprivileged unprivileged;
            applies = unprivileged.applies();
            platform::InputTextFile in;
            input = in.open(pathOf(folder + u"/w.dat"_s));
            platform::OutputTextFile out;
            output = out.open(pathOf(folder + u"/0.html"_s));
            listing = listingError(pathOf(folder));
        }
        QVERIFY(::chmod(files::bytes(folder).constData(), 0700) == 0);
        if (!applies)
            QSKIP("cannot give up the superuser's rights here");
        QCOMPARE(input, platform::ErrorNumber::PermissionDenied);
        QCOMPARE(output, platform::ErrorNumber::PermissionDenied);
        QCOMPARE(listing, platform::ErrorNumber::PermissionDenied);
    }

    void readErrorIsDeviceIO()
    {
        // A regular file to the system whose first bytes cannot be read: the
        // process's own memory at address 0.
        SKIP_ON_WINDOWS("Windows has no /proc");
        platform::RegularFile file;
        if (file.openForInput(pathOf(u"/proc/self/mem"_s)) != platform::ErrorNumber::None)
            QSKIP("/proc/self/mem does not open here");
        QByteArray contents = "stale";
        QCOMPARE(file.readAll(contents), platform::ErrorNumber::DeviceIO);
        QVERIFY(contents.isEmpty());
        platform::InputTextFile in;
        QCOMPARE(in.open(pathOf(u"/proc/self/mem"_s)), platform::ErrorNumber::DeviceIO);
        QVERIFY(!in.isOpen());
    }

    void readStopsNearTheSizeTheFileHadWhenOpened()
    {
        // A regular file of size 0 to the system that reads on for hundreds
        // of gigabytes: one entry for every page of the address space.
        SKIP_ON_WINDOWS("Windows has no /proc");
        platform::InputTextFile in;
        if (in.open(pathOf(u"/proc/self/pagemap"_s)) != platform::ErrorNumber::None)
            QSKIP("/proc/self/pagemap does not open here");
        QCOMPARE(in.size(), platform::RegularFile::GrowthAllowance);

        // A file that grows after it was opened is read up to the allowance.
        QTemporaryDir dir;
        const QString path = dir.filePath(u"growing.dat"_s);
        writeBytes(path, QByteArray(100, 'a'));
        platform::RegularFile file;
        QCOMPARE(file.openForInput(pathOf(path)), platform::ErrorNumber::None);
        writeBytes(path, QByteArray(100 + 2 * platform::RegularFile::GrowthAllowance, 'b'));
        QByteArray contents;
        QCOMPARE(file.readAll(contents), platform::ErrorNumber::None);
        QCOMPARE(contents.size(), 100 + platform::RegularFile::GrowthAllowance);
    }

    void outputFilePrintsWindows1251WithCrLf()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"o.txt"_s);
        writeBytes(path, "old content that is longer");
        platform::OutputTextFile out;
        QCOMPARE(out.open(pathOf(path)), platform::ErrorNumber::None);
        QVERIFY(out.print(u"Жж é"_s));
        out.close();
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("\xC6\xE6 ?\r\n"));
    }

    void listFilesFiltersAndOrders()
    {
        QTemporaryDir dir;
        const QString d = dir.path();
        for (const QString &name : {u"b.dat"_s, u"A.DAT"_s, u"c.Dat"_s, u"a_.dat"_s, u"x.txt"_s, u"y.dat.bak"_s,
                                    u".hidden.dat"_s, u".dat"_s, u"Ёж.dat"_s, u"яблоко.dat"_s, u"Б.dat"_s})
            writeBytes(d + u'/' + name, "1\r\n");
        QVERIFY(QFile::link(d + u"/b.dat"_s, d + u"/link.dat"_s));
        QVERIFY(QDir(d).mkdir(u".hidden folder.dat"_s));

        // Upper-cased code units: "A." (0x41 0x2E) before "A_" (0x5F), ASCII
        // before Cyrillic, Ё (U+0401) before Б (U+0411) before Я.
        const platform::FileListing listing = platform::listFiles(pathOf(d), u".dat");
        QCOMPARE(textsOf(listing.files), (QStringList{u"A.DAT"_s, u"a_.dat"_s, u"b.dat"_s, u"c.Dat"_s, u"link.dat"_s,
                                                      u"Ёж.dat"_s, u"Б.dat"_s, u"яблоко.dat"_s}));
        QVERIFY(listing.unusable.isEmpty());
        // With or without a trailing separator.
        QCOMPARE(platform::listFiles(pathOf(d + u'/'), u".dat").files, listing.files);
    }

    void listingKeepsTheBytesOfEveryName()
    {
        SKIP_ON_WINDOWS("a name on Windows is its UTF-16 text: the same title in two code pages is one name");
        files::TemporaryFolder dir;
        const QByteArray d = files::bytes(dir.path()) + '/';
        // The same title in UTF-8 and in windows-1251 are two files.
        QVERIFY(files::makeRaw(d + u"Ода.dat"_s.toUtf8(), "utf-8"));
        QVERIFY(files::makeRaw(d + Oda1251 + ".dat", "windows-1251"));
        QVERIFY(files::makeRaw(d + Zaglavnye1251 + ".DAT", "capitals"));
        QVERIFY(files::makeRaw(d + Sobranie1251 + ".txt", "not a work"));

        const platform::FileListing listing = platform::listFiles(pathOf(dir.path()), u".dat");
        QCOMPARE(textsOf(listing.files), (QStringList{u"Заглавные.DAT"_s, u"Ода.dat"_s, u"Ода.dat"_s}));
        QCOMPARE(listing.files[0].native(), files::native(Zaglavnye1251 + ".DAT"));
        // Shown alike, ordered by their bytes: UTF-8 "О" is 0xD0 0x9E, after 0xCE.
        QCOMPARE(listing.files[1].native(), files::native(Oda1251 + ".dat"));
        QCOMPARE(listing.files[2].native(), files::native(u"Ода.dat"_s.toUtf8()));
        QVERIFY(!listing.files[0].hasExactText());
        QVERIFY(listing.files[2].hasExactText());

        // Each opens by its own bytes.
        const QList<QByteArray> contents{"capitals", "windows-1251", "utf-8"};
        for (qsizetype i = 0; i < listing.files.size(); ++i) {
            platform::InputTextFile in;
            QCOMPARE(in.open(pathOf(dir.path() + u'/') + listing.files[i]), platform::ErrorNumber::None);
            QCOMPARE(in.readLine().toByteArray(), contents[i]);
        }
    }

    // One code page per folder, from all its names that are not UTF-8.
    void listingDecidesTheCodePageOfEachFolder_data()
    {
        QTest::addColumn<QList<QByteArray>>("names");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("cp866") << QList<QByteArray>{Oda866 + ".dat", Ust866 + ".dat"}
                               << QStringList{u"Ода.dat"_s, u"уст.dat"_s};
        QTest::newRow("windows-1251") << QList<QByteArray>{Oda1251 + ".dat", Ust866 + ".dat"}
                                      << QStringList{u"гбв.dat"_s, u"Ода.dat"_s};
        QTest::newRow("mixed with UTF-8") << QList<QByteArray>{u"Ёж.dat"_s.toUtf8(), Ust866 + ".dat", Oda866 + ".txt"}
                                          << QStringList{u"Ёж.dat"_s, u"уст.dat"_s};
        // "Ода", "Осень" in cp866 as unzip leaves them (its Latin-1 for DOS code page 850).
        QTest::newRow("cp866 converted by unzip")
            << QList<QByteArray>{QByteArray("\xC4\xF1\xE1.dat"), QByteArray("\xC4\xDF\xD1\xA1\xFD.dat")}
            << QStringList{u"Ода.dat"_s, u"Осень.dat"_s};
        // "Письмо к морю" as unzip leaves it: its ю (0xAF) is also the byte of the sign ▀.
        QTest::newRow("cp866 converted by unzip, with ю")
            << QList<QByteArray>{QByteArray("\xC5\xBF\xDF\xFD\xBC\xAB \xAC \xBC\xAB\xD3\xAF.dat")}
            << QStringList{u"Письмо к морю.dat"_s};
        // "Зоя" as unzip leaves it is UTF-8 too, for "竴".
        QTest::newRow("UTF-8 by accident")
            << QList<QByteArray>{QByteArray("\xE7\xAB\xB4.dat")} << QStringList{u"Зоя.dat"_s};
        // UTF-8 names whose bytes read as Russian letters in a code page ("№" as "тДЦ" and "日本" as "цЧецЬм" in
        // cp866, "£" as "бё" in KOI8-R, "ë" as "Г«" in windows-1251) are as written.
        const QList<QByteArray> signs{u"№ 1.dat"_s.toUtf8(), u"— 2 —.dat"_s.toUtf8(), u"«Ода».dat"_s.toUtf8()};
        const QStringList shownSigns{u"«Ода».dat"_s, u"— 2 —.dat"_s, u"№ 1.dat"_s};
        for (const QString &name : shownSigns + QStringList{u"£ 1.dat"_s, u"Noël.dat"_s, u"日本.dat"_s})
            QTest::addRow("%s alone", qPrintable(name)) << QList<QByteArray>{name.toUtf8()} << QStringList{name};
        // Sorted in among the others: «, the Russian letters, then — and №.
        const auto among = [&](const QList<QByteArray> &others, const QStringList &shown) {
            return std::pair{signs + others, shownSigns.mid(0, 1) + shown + shownSigns.mid(1)};
        };
        for (const auto &[others, shown] : {among({u"Ёж.dat"_s.toUtf8()}, {u"Ёж.dat"_s}),
                                            among({Oda866 + ".dat", Ust866 + ".dat"}, {u"Ода.dat"_s, u"уст.dat"_s}),
                                            among({Sobranie1251 + ".dat"}, {u"Собрание.dat"_s})})
            QTest::addRow("signs among %s", qPrintable(shown.value(1))) << others << shown;
        QTest::newRow("KOI8-R") << QList<QByteArray>{QByteArray("\xEF\xC4\xC1.dat"), QByteArray("\xED\xC9\xD2.dat")}
                                << QStringList{u"Мир.dat"_s, u"Ода.dat"_s};
        // Alone, one short name: read letter by letter, "’«п" in windows-1251 did as well.
        QTest::newRow("one short name") << QList<QByteArray>{QByteArray("\x92\xAB\xEF.dat")}
                                        << QStringList{u"Тля.dat"_s};
        // "подбор" in windows-1251 reads as a word in capitals in KOI8-R ("ОНДАНП"): the commoner wins.
        QTest::newRow("small letters, windows-1251 before KOI8-R")
            << QList<QByteArray>{QByteArray("\xEF\xEE\xE4\xE1\xEE\xF0.dat")} << QStringList{u"подбор.dat"_s};
        // The UTF-8 names tell nothing of the code page of the others.
        QTest::newRow("cp866 among UTF-8 names")
            << QList<QByteArray>{Oda866 + ".dat", u"Ёж.dat"_s.toUtf8(), u"Сон.dat"_s.toUtf8(), u"Явь.dat"_s.toUtf8(),
                                 u"Щи.dat"_s.toUtf8()}
            << QStringList{u"Ёж.dat"_s, u"Ода.dat"_s, u"Сон.dat"_s, u"Щи.dat"_s, u"Явь.dat"_s};
        // From a Mac: shown composed, and sorted so (Й after И), as unpacked anywhere else.
        QTest::newRow("decomposed UTF-8")
            << QList<QByteArray>{u"Маи\u0306ский жук.dat"_s.toUtf8(), u"Маис.dat"_s.toUtf8()}
            << QStringList{u"Маис.dat"_s, u"Майский жук.dat"_s};
        // ".Заметки" in cp866: hidden and no work, it still tells the folder's code page.
        QTest::newRow("decided by a name not listed")
            << QList<QByteArray>{QByteArray(".\x87\xA0\xAC\xA5\xE2\xAA\xA8"), Ust866 + ".dat"}
            << QStringList{u"уст.dat"_s};
    }

    void listingDecidesTheCodePageOfEachFolder()
    {
        QFETCH(QList<QByteArray>, names);
        QFETCH(QStringList, shown);
        SKIP_ON_WINDOWS(files::NoByteNames);
        files::TemporaryFolder dir;
        for (const QByteArray &name : names)
            QVERIFY(files::makeRaw(files::bytes(dir.path()) + '/' + name));
        QCOMPARE(textsOf(platform::listFiles(pathOf(dir.path()), u".dat").files), shown);
    }

    void listingLeavesOutWhatIsNotAFile_data()
    {
        QTest::addColumn<Made>("made");
        QTest::addColumn<platform::FileKind>("kind");
        QTest::newRow("plain file") << Made::PlainFile << platform::FileKind::Regular;
        QTest::newRow("link to a file") << Made::LinkToFile << platform::FileKind::Regular;
        QTest::newRow("folder") << Made::Folder << platform::FileKind::Folder;
        QTest::newRow("FIFO") << Made::Fifo << platform::FileKind::Fifo;
        QTest::newRow("link to /dev/zero") << Made::LinkToDevZero << platform::FileKind::Device;
        QTest::newRow("dangling link") << Made::DanglingLink << platform::FileKind::DanglingLink;
        QTest::newRow("link loop") << Made::LinkLoop << platform::FileKind::LinkLoop;
    }

    void listingLeavesOutWhatIsNotAFile()
    {
        QFETCH(Made, made);
        QFETCH(platform::FileKind, kind);
        if (const char *reason = notHere(made))
            QSKIP(reason);
        QTemporaryDir dir;
        QVERIFY(make(made, files::bytes(dir.filePath(u"it.dat"_s))));
        QCOMPARE(platform::fileKind(pathOf(dir.filePath(u"it.dat"_s))), kind);

        const platform::FileListing listing = platform::listFiles(pathOf(dir.path()), u".dat");
        if (kind == platform::FileKind::Regular) {
            QCOMPARE(textsOf(listing.files), QStringList{u"it.dat"_s});
            QVERIFY(listing.unusable.isEmpty());
        } else {
            QVERIFY(listing.files.isEmpty());
            QCOMPARE(listing.unusable.size(), 1);
            QCOMPARE(listing.unusable[0].name.text(), u"it.dat"_s);
            QCOMPARE(listing.unusable[0].kind, kind);
        }
    }

    void listingErrors_data()
    {
        QTest::addColumn<std::optional<Made>>("made");
        QTest::addColumn<platform::ErrorNumber>("error");
        // Nothing to list is not a failure ...
        QTest::newRow("missing") << std::optional<Made>() << platform::ErrorNumber::None;
        QTest::newRow("a file") << std::optional(Made::PlainFile) << platform::ErrorNumber::None;
        QTest::newRow("dangling link") << std::optional(Made::DanglingLink) << platform::ErrorNumber::None;
        // ... a folder the system will not list is.
        QTest::newRow("link loop") << std::optional(Made::LinkLoop) << platform::ErrorNumber::PathFileAccess;
    }

    void listingErrors()
    {
        QFETCH(std::optional<Made>, made);
        QFETCH(platform::ErrorNumber, error);
        if (const char *reason = made ? notHere(*made) : nullptr)
            QSKIP(reason);
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"Data"_s);
        if (made)
            QVERIFY(make(*made, files::bytes(folder)));
        QCOMPARE(listingError(pathOf(folder)), error);
        QCOMPARE(listingError(pathOf(folder + u'/')), error);
    }

    void nativePathTexts_data()
    {
        QTest::addColumn<QByteArray>("native");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("exact");
        QTest::newRow("ASCII") << QByteArray("/opt/a\\b.dat") << u"/opt/a\\b.dat"_s << true;
        QTest::newRow("UTF-8") << u"Собрание"_s.toUtf8() << u"Собрание"_s << true;
        QTest::newRow("windows-1251") << Sobranie1251 << u"Собрание"_s << false;
        // "О" in UTF-8, then "да" in windows-1251: the whole name is taken as windows-1251.
        QTest::newRow("mixed") << QByteArray("\xD0\x9E\xE4\xE0") << u"Рћда"_s << false;
        // Reads better as cp866 than as windows-1251 ("н\u00A0Ђ").
        QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << u"эаА"_s << false;
        QTest::newRow("cp866") << Sobranie866 << u"Собрание"_s << false;
        QTest::newRow("decomposed") << u"И\u0306од"_s.toUtf8() << u"Йод"_s << false;
        // Each folder of a path in its own.
        QTest::newRow("two code pages") << Sobranie866 + '/' + Oda1251 << u"Собрание/Ода"_s << false;
        QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << u"АЇ"_s << false;
        QTest::newRow("empty") << QByteArray() << QString() << true;
    }

    void nativePathTexts()
    {
        QFETCH(QByteArray, native);
        QFETCH(QString, text);
        QFETCH(bool, exact);
        if (!exact)
            SKIP_ON_WINDOWS("a name on Windows is its UTF-16 text: there are no bytes to decode");
        const platform::NativePath path = platform::NativePath::fromNative(files::native(native));
        QCOMPARE(path.native(), files::native(native));
        QCOMPARE(path.text(), text);
        QCOMPARE(path.hasExactText(), exact);
        if (exact)
            QCOMPARE(platform::NativePath(text), path);

        // A folder and a name: both forms joined, exact only if both are.
        const platform::NativePath joined = pathOf(u"/Собрание/"_s) + path;
        QCOMPARE(joined.native(), files::native(u"/Собрание/"_s.toUtf8() + native));
        QCOMPARE(joined.text(), u"/Собрание/"_s + text);
        QCOMPARE(joined.hasExactText(), exact);
        // A name appended leaves a folder as exact as it was.
        QCOMPARE((path + pathOf(u"/Ода.dat"_s)).hasExactText(), exact);
    }

    // The program's own folder as the system names it, seen from a copy of a
    // small program started through a link (as bin/sobranie is).
    void programFolder_data()
    {
        QTest::addColumn<QByteArray>("folderName");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("exact");
        QTest::newRow("UTF-8") << u"Собрание"_s.toUtf8() << u"Собрание"_s << true;
        QTest::newRow("backslash") << QByteArray("a\\b") << u"a\\b"_s << true;
        QTest::newRow("windows-1251") << Sobranie1251 << u"Собрание"_s << false;
        QTest::newRow("cp866") << Sobranie866 << u"Собрание"_s << false;
    }

    void programFolder()
    {
        // The test's own folder, as Qt has it.
        QCOMPARE(platform::programFolder().text(), QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
        SKIP_ON_WINDOWS(files::NoLinks); // the probe is started through one
#ifndef Q_OS_WIN
        QFETCH(QByteArray, folderName);
        QFETCH(QString, shown);
        QFETCH(bool, exact);
        files::TemporaryFolder dir;
        const QByteArray folder = files::bytes(dir.path()) + '/' + folderName;
        QVERIFY(files::makeFolder(folder));
        QFile probe(QStringLiteral(PROGRAM_FOLDER_PROBE));
        QVERIFY(probe.open(QIODevice::ReadOnly));
        QVERIFY(files::makeRaw(folder + "/probe", probe.readAll()));
        QVERIFY(::chmod((folder + "/probe").constData(), 0755) == 0);
        QVERIFY(files::makeLink(folder + "/probe", files::bytes(dir.filePath(u"link"_s))));

        QProcess run;
        run.start(dir.filePath(u"link"_s), {});
        QVERIFY(run.waitForFinished(20000));
        QCOMPARE(run.exitCode(), 0);
        const QList<QByteArray> lines = run.readAllStandardOutput().split('\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(QByteArray::fromHex(lines[0]), folder);
        QCOMPARE(QString::fromUtf8(lines[1]), dir.path() + u'/' + shown);
        QCOMPARE(lines[2], exact ? QByteArray("exact") : QByteArray("not exact"));
#endif
    }

    // What is handed to the desktop reaches a folder whose path is not UTF-8:
    // the file URL carries its bytes, the working folder leads into it.
    void desktopReachesAFolderNotInUtf8()
    {
        files::TemporaryFolder dir;
        // A path whose text is exact goes as it is.
        const QString exact = dir.filePath(u"Собрание"_s);
        QCOMPARE(platform::desktopTarget(pathOf(exact)), exact);
        QCOMPARE(platform::desktopFolder(pathOf(exact)), exact);
        SKIP_ON_WINDOWS(files::NoByteNames);
#ifndef Q_OS_WIN
        const QByteArray folder = files::bytes(dir.path()) + '/' + Sobranie866;
        QVERIFY(files::makeFolder(folder));
        const platform::NativePath path = platform::NativePath::fromNative(folder);
        const QUrl url(platform::desktopTarget(path));
        QCOMPARE(url.scheme(), u"file"_s);
        QCOMPARE(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()), folder);
        QProcess pwd;
        pwd.setWorkingDirectory(platform::desktopFolder(path));
        pwd.start(u"/bin/pwd"_s, {u"-P"_s});
        QVERIFY(pwd.waitForFinished(20000));
        QCOMPARE(pwd.readAllStandardOutput(), folder + '\n');
#endif
    }

    void listingOrderIsTotal()
    {
        QVERIFY(platform::listsBefore(u"a"_s, u"ab"_s));
        QVERIFY(!platform::listsBefore(u"ab"_s, u"a"_s));
        QVERIFY(platform::listsBefore(u"A"_s, u"a"_s) != platform::listsBefore(u"a"_s, u"A"_s));
        QVERIFY(!platform::listsBefore(u"x"_s, u"x"_s));
    }
};

QTEST_GUILESS_MAIN(tst_platform)
#include "tst_platform.moc"
