// The platform layer: generator, conversions, code page, text files, listing.
#include "platform/DirectoryListing.h"
#include "platform/InputTextFile.h"
#include "platform/LegacyRandom.h"
#include "platform/NumberConversion.h"
#include "platform/OutputTextFile.h"
#include "platform/RuntimeError.h"
#include "platform/Windows1251.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

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
    }

    void cp1251RoundTripsEveryByte()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        const QString text = platform::windows1251::decode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(platform::windows1251::encode(text), all);
        // Distinct bytes give distinct characters.
        QSet<QChar> seen(text.begin(), text.end());
        QCOMPARE(seen.size(), 256);
    }

    void inputFileLines()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"lines.dat"_s);
        // CR LF, CR alone, LF is an ordinary character, final CR LF adds no line.
        writeBytes(path, "one\r\ntwo\rthree\nstill three\r\n\r\nlast\r\n");
        platform::InputTextFile f;
        QCOMPARE(f.open(path), platform::ErrorNumber::None);
        QStringList lines;
        while (!f.atEnd())
            lines.append(QString::fromLatin1(f.readLine()));
        QCOMPARE(lines, (QStringList{u"one"_s, u"two"_s, u"three\nstill three"_s, u""_s, u"last"_s}));
        QVERIFY(f.readLine().isEmpty());

        // The same bytes given from memory read alike.
        platform::InputTextFile m;
        m.openBytes("one\r\ntwo\rthree\nstill three\r\n\r\nlast\r\n");
        QVERIFY(m.isOpen());
        QStringList fromMemory;
        while (!m.atEnd())
            fromMemory.append(QString::fromLatin1(m.readLine()));
        QCOMPARE(fromMemory, lines);
        m.close();
        QVERIFY(!m.isOpen());
        QVERIFY(m.atEnd());

        writeBytes(path, "no end");
        QCOMPARE(f.open(path), platform::ErrorNumber::None);
        QCOMPARE(f.readLine(), QByteArrayView("no end"));
        QVERIFY(f.atEnd());

        writeBytes(path, "ends in CR\r");
        QCOMPARE(f.open(path), platform::ErrorNumber::None);
        QCOMPARE(f.readLine(), QByteArrayView("ends in CR"));
        QVERIFY(f.atEnd());
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
        QCOMPARE(f.open(path), platform::ErrorNumber::None);
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

    void openErrors()
    {
        QTemporaryDir dir;
        platform::InputTextFile in;
        QCOMPARE(in.open(dir.filePath(u"missing.dat"_s)), platform::ErrorNumber::FileNotFound);
        QCOMPARE(in.open(dir.filePath(u"no folder/x.dat"_s)), platform::ErrorNumber::PathNotFound);
        QVERIFY(QDir(dir.path()).mkdir(u"folder.dat"_s));
        QCOMPARE(in.open(dir.filePath(u"folder.dat"_s)), platform::ErrorNumber::PathFileAccess);
        QVERIFY(!in.isOpen());

        platform::OutputTextFile out;
        QCOMPARE(out.open(dir.filePath(u"folder.dat"_s)), platform::ErrorNumber::PathFileAccess);
        QCOMPARE(out.open(dir.filePath(u"no folder/0.html"_s)), platform::ErrorNumber::PathNotFound);
        QVERIFY(!out.isOpen());
    }

    void outputFilePrintsWindows1251WithCrLf()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"o.txt"_s);
        writeBytes(path, "old content that is longer");
        platform::OutputTextFile out;
        QCOMPARE(out.open(path), platform::ErrorNumber::None);
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
                                    u".hidden.dat"_s, u"Ёж.dat"_s, u"яблоко.dat"_s, u"Б.dat"_s})
            writeBytes(d + u'/' + name, "1\r\n");
        QVERIFY(QDir(d).mkdir(u"folder.dat"_s));
        QVERIFY(QFile::link(d + u"/b.dat"_s, d + u"/link.dat"_s));
        QVERIFY(QFile::link(d + u"/gone"_s, d + u"/broken.dat"_s));

        // Upper-cased code units: "A." (0x41 0x2E) before "A_" (0x5F), ASCII
        // before Cyrillic, Ё (U+0401) before Б (U+0411) before Я.
        QCOMPARE(platform::listFiles(d, u".dat"_s),
                 (QStringList{u"A.DAT"_s, u"a_.dat"_s, u"b.dat"_s, u"c.Dat"_s, u"link.dat"_s, u"Ёж.dat"_s, u"Б.dat"_s,
                              u"яблоко.dat"_s}));
        QVERIFY(platform::listFiles(d + u"/missing"_s, u".dat"_s).isEmpty());
        QVERIFY(platform::listFiles(QString(), u".dat"_s).isEmpty());
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
