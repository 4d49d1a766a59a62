// Work files: tables from seeds, decoding rules, the work page and the writer.
#include "format/Pages.h"
#include "format/WorkFile.h"
#include "platform/Windows1251.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;
using workfile::Tables;

namespace {

const QString Indent = u"&nbsp;&nbsp;&nbsp;"_s;

// What a reader shows for a file's bytes, with the generator in the given state.
QString bodyOf(const QByteArray &bytes, platform::LegacyRandom &random)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"w.dat"_s);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return u"<write failed>"_s;
    f.close();
    platform::InputTextFile in;
    if (in.open(platform::NativePath(path)) != platform::ErrorNumber::None)
        return u"<open failed>"_s;
    const workfile::Header header = workfile::readHeader(in, random);
    return workfile::decodeBody(in, header.tables);
}

QString bodyOf(const QByteArray &bytes)
{
    platform::LegacyRandom fresh;
    return bodyOf(bytes, fresh);
}

Tables tablesFor(std::int32_t seed, platform::LegacyRandom random = {})
{
    workfile::reseedFor(seed, random);
    return workfile::buildTables(random);
}

// The stored byte for a shown character under a seed.
char stored(std::int32_t seed, char16_t shown)
{
    return static_cast<char>(tablesFor(seed).encoding[platform::windows1251::fromUnicode(shown)]);
}

} // namespace

class tst_workfile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void referenceTableForSeedZero()
    {
        QCOMPARE(workfile::reseedArgument(0).value(), -529);
        const Tables t = tablesFor(0);
        const std::array<std::int32_t, 8> expected = {103, 229, 178, 175, 195, 140, 165, 216};
        QVERIFY(std::equal(expected.begin(), expected.end(), t.decoding.begin() + 32));
    }

    void tablesAreInversePermutations_data()
    {
        QTest::addColumn<int>("seed");
        for (int seed : {0, 1, -528, 12345, 2147483119})
            QTest::newRow(qPrintable(QString::number(seed))) << seed;
    }

    void tablesAreInversePermutations()
    {
        QFETCH(int, seed);
        const Tables t = tablesFor(seed);
        for (int i = 0; i < 32; ++i) {
            QCOMPARE(t.decoding[i], 0);
            QCOMPARE(t.encoding[i], 0);
        }
        std::array<bool, 256> seen{};
        for (int p = 32; p < 256; ++p) {
            const int k = t.encoding[p];
            QVERIFY(k >= 32 && k <= 255);
            QVERIFY(!seen[k]);
            seen[k] = true;
            QCOMPARE(t.decoding[k], p);
        }
    }

    void reseedArgumentOverflow()
    {
        QCOMPARE(workfile::reseedArgument(-529).value(), 0);
        QCOMPARE(workfile::reseedArgument(-530).value(), 1);
        QCOMPARE(workfile::reseedArgument(2147483119).value(), int(-2147483647 - 1));
        QVERIFY(!workfile::reseedArgument(2147483120));
        QVERIFY(!workfile::reseedArgument(2147483647));
        QVERIFY(!workfile::reseedArgument(-2147483647 - 1));
    }

    void negativeReseedIgnoresEarlierUse()
    {
        platform::LegacyRandom used;
        for (int i = 0; i < 1000; ++i)
            (void)used.next();
        const Tables a = tablesFor(777, used);
        const Tables b = tablesFor(777);
        QVERIFY(a.decoding == b.decoding);
        // A different seed gives different tables.
        QVERIFY(tablesFor(778).decoding != b.decoding);
    }

    void nonNegativeArgumentDoesNotRestart()
    {
        // Seeds -529 (argument 0) and -600 (argument 71): the tables follow
        // the generator's earlier use.
        for (int seed : {-529, -600}) {
            platform::LegacyRandom used;
            (void)used.next();
            QVERIFY(tablesFor(seed, used).decoding != tablesFor(seed).decoding);
        }
        // Argument 0 draws from the current state, a positive one after one step.
        platform::LegacyRandom plain;
        QVERIFY(tablesFor(-529).decoding == workfile::buildTables(plain).decoding);
    }

    void overflowingSeedLeavesGeneratorAlone()
    {
        platform::LegacyRandom plain;
        const Tables unreseeded = workfile::buildTables(plain);
        QVERIFY(tablesFor(2147483647).decoding == unreseeded.decoding);
        QVERIFY(tablesFor(-2147483647 - 1).decoding == unreseeded.decoding);
        // And a file with such a seed still decodes, with those tables.
        const QByteArray file = "2147483647\r\n" + QByteArray(1, static_cast<char>(unreseeded.encoding['A']));
        QCOMPARE(bodyOf(file), Indent + u"A<br>"_s);
    }

    void roundTripOfEveryCode()
    {
        QString all;
        for (int code = 32; code < 256; ++code)
            all.append(QChar(platform::windows1251::toUnicode(static_cast<unsigned char>(code))));
        const QStringList lines{all, u"Жили-были дед да баба."_s, all.right(10)};
        QVERIFY(!workfile::firstUnstorable(lines));
        for (int seed : {0, 31337, -528}) {
            const QByteArray file = workfile::encodeWork(seed, lines);
            QVERIFY(file.startsWith(QByteArray::number(seed) + "\r\n"));
            QString expected;
            for (const QString &l : lines)
                expected += Indent + l + u"<br>"_s;
            QCOMPARE(bodyOf(file), expected);
            // Encoded text never holds a line end or a code below 32.
            const QByteArray text = file.mid(file.indexOf("\r\n") + 2);
            for (char c : text.split('\r').join())
                QVERIFY(static_cast<unsigned char>(c) >= 32 || c == '\n');
        }
    }

    void writerFollowsTheReadersGenerator()
    {
        // For a seed that does not restart the generator, the writer draws
        // from the state it is given, as the reader would.
        platform::LegacyRandom used;
        (void)used.next(-5);
        const QByteArray file = workfile::encodeWork(-600, {u"Текст"_s}, used);
        platform::LegacyRandom reader;
        (void)reader.next(-5);
        QCOMPARE(bodyOf(file, reader), Indent + u"Текст<br>"_s);
        QVERIFY(bodyOf(file) != Indent + u"Текст<br>"_s);
    }

    void emptyFileAndSeedOnly()
    {
        QCOMPARE(bodyOf(QByteArray()), QString());
        QCOMPARE(bodyOf("17"), QString());
        QCOMPARE(bodyOf("17\r\n"), QString());
    }

    void unreadableSeedCountsAsZero()
    {
        // The failed read still consumes the first line.
        const QByteArray a(1, stored(0, u'я'));
        QCOMPARE(bodyOf("no number\r\n" + a), Indent + u"я<br>"_s);
        QCOMPARE(bodyOf("99999999999\r\n" + a), Indent + u"я<br>"_s);
        QCOMPARE(bodyOf("\r\n" + a), Indent + u"я<br>"_s);
        // Text after the number on the seed line is consumed with it.
        QCOMPARE(bodyOf(" 0 trailing\r\n" + a), Indent + u"я<br>"_s);
        // A seed line longer than the pieces it is read in.
        QCOMPARE(bodyOf(QByteArray(100000, ' ') + "+5" + QByteArray(100000, 'x') + "\r\n" + stored(5, u'я')),
                 Indent + u"я<br>"_s);
        QCOMPARE(bodyOf(QByteArray(100000, '0') + "99999999999\r\n" + a), Indent + u"я<br>"_s);
    }

    void threeLinesWithAnEmptyOne()
    {
        const char x = stored(5, u'x');
        const char y = stored(5, u'Ы');
        const QByteArray file = "5\r\n" + QByteArray(1, x) + "\r\n\r\n" + QByteArray(1, y) + "\r\n";
        QCOMPARE(bodyOf(file), Indent + u"x<br>"_s + Indent + u"Ы<br>"_s);
    }

    void crAloneEndsALineAndLfDoesNot()
    {
        const char a = stored(9, u'a');
        const char b = stored(9, u'b');
        const QByteArray file = "9\r" + QByteArray(1, a) + "\r" + QByteArray(1, b) + "\n" + QByteArray(1, a);
        // The LF is a stored code below 32: it shows as U+0000.
        QCOMPARE(bodyOf(file), Indent + u"a<br>"_s + Indent + u"b"_s + QChar(0) + u"a<br>"_s);
    }

    void codesBelow32ShowAsNul()
    {
        const QByteArray file = "3\r\n\t\x01\x1F";
        QCOMPARE(bodyOf(file), Indent + QString(3, QChar(0)) + u"<br>"_s);
    }

    void utf8IsWhatTheReaderShows_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("pieceSize");
        QString all;
        for (int code = 32; code < 256; ++code)
            all.append(QChar(platform::windows1251::toUnicode(static_cast<unsigned char>(code))));
        const QByteArray everyCode = workfile::encodeWork(31337, {all, u""_s, all.right(40), u"Ёлка №1 — «ура»"_s});
        for (const int piece : {4, 5, 7, 64, 1024 * 1024}) {
            QTest::addRow("every code, pieces of %d", piece) << everyCode << piece;
            // Stored codes below 32, a lone LF among them, show as U+0000;
            // CR alone ends a line; empty lines are dropped.
            QTest::addRow("codes below 32 and odd line ends, pieces of %d", piece)
                << QByteArray("5\r\x01\x1F\tab\ncd\r\r\n\r\nef\r") << piece;
        }
        QTest::newRow("one long line") << workfile::encodeWork(-3, {all.repeated(50)}) << 100;
        QTest::newRow("seed only") << QByteArray("17\r\n") << 4;
        QTest::newRow("empty file") << QByteArray() << 4;
        QTest::newRow("piece size below 4") << everyCode << 1;
    }

    void utf8IsWhatTheReaderShows()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, pieceSize);
        // The reader's page body, paragraph by paragraph, as lines of UTF-8.
        const QStringList paragraphs = bodyOf(file).split(u"<br>"_s, Qt::SkipEmptyParts);
        QByteArray expected;
        for (const QString &paragraph : paragraphs) {
            QVERIFY(paragraph.startsWith(Indent));
            expected += paragraph.mid(Indent.size()).toUtf8() + '\n';
        }

        platform::InputTextFile in;
        in.openBytes(file);
        platform::LegacyRandom fresh;
        const workfile::Header header = workfile::readHeader(in, fresh);
        QByteArray written;
        QList<qsizetype> pieces;
        const bool done = workfile::decodeUtf8(
            in, header.tables,
            [&](QByteArrayView piece) {
                pieces.append(piece.size());
                written += piece;
                return true;
            },
            pieceSize);
        QVERIFY(done);
        QCOMPARE(written, expected);
        for (const qsizetype size : pieces)
            QVERIFY2(size > 0 && size <= std::max(pieceSize, 4), qPrintable(QString::number(size)));
        // Every piece but the last is full to within a character and a line end.
        for (qsizetype i = 0; i + 1 < pieces.size(); ++i)
            QVERIFY(pieces[i] >= std::max(pieceSize, 4) - 3);

        // The same lines in pieces of pieceSize stored bytes, but a line's
        // last, from a stream that hands over three bytes at a time.
        platform::InputTextFile stream;
        qsizetype at = 0;
        stream.openStream([&](char *buffer, qint64 size) {
            const auto n = std::min<qint64>({size, 3, file.size() - at});
            std::copy_n(file.constData() + at, n, buffer);
            at += n;
            return n;
        });
        platform::LegacyRandom again;
        const workfile::Header streamed = workfile::readHeader(stream, again);
        QByteArray lines;
        bool inLine = false;
        const bool whole = workfile::decodeLinePieces(
            stream, workfile::shownCharacters(streamed.tables), pieceSize,
            [&](QStringView text, bool first, bool last) {
                if (first == inLine || text.isEmpty() || text.size() > pieceSize || (!last && text.size() < pieceSize))
                    return false;
                inLine = !last;
                lines += text.toUtf8() + (last ? "\n" : "");
                return true;
            });
        QVERIFY(whole);
        QCOMPARE(lines, expected);
    }

    void utf8StopsWhenAPieceIsRefused()
    {
        const QByteArray file = workfile::encodeWork(8, QStringList(100, u"Строка текста"_s));
        platform::InputTextFile in;
        in.openBytes(file);
        platform::LegacyRandom fresh;
        const workfile::Header header = workfile::readHeader(in, fresh);
        int calls = 0;
        const bool done = workfile::decodeUtf8(
            in, header.tables, [&](QByteArrayView) { return ++calls < 2; }, 64);
        QVERIFY(!done);
        QCOMPARE(calls, 2);
    }

    void lostLineEnds_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("lost");
        const QByteArray work = workfile::encodeWork(12, {u"Первая"_s, u""_s, u"третья"_s});
        QTest::newRow("as written") << work << false;
        QTest::newRow("turned into LF") << QByteArray(work).replace("\r\n", "\n") << true;
        QTest::newRow("partly turned") << QByteArray(work).replace("\r\n", "\n").append("\r\n") << false;
        QTest::newRow("empty work") << QByteArray("12\r\n") << false;
        QTest::newRow("empty work turned into LF") << QByteArray("12\n") << false;
        QTest::newRow("empty lines and blanks only") << QByteArray(" -12 \n\n\t\n") << false;
        QTest::newRow("seed only, no line end") << QByteArray("12") << false;
        QTest::newRow("text on the seed line") << QByteArray("12x") << true;
        QTest::newRow("no seed number") << QByteArray("abc\ndef") << true;
        QTest::newRow("empty file") << QByteArray() << false;
        QTest::newRow("text after a seed line of many pieces") << QByteArray(100000, ' ') + "12\nx" << true;
        QTest::newRow("blanks, a seed line of many pieces") << QByteArray(100000, ' ') + "12\n\n" << false;
    }

    void lostLineEnds()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, lost);
        QCOMPARE(workfile::lostLineEnds(file), lost);
        platform::InputTextFile in;
        in.openBytes(file);
        platform::LegacyRandom fresh;
        QCOMPARE(workfile::readHeader(in, fresh).lineEndsLost, lost);
        // What it means: the reader shows nothing of a file with text in it.
        if (lost)
            QCOMPARE(bodyOf(file), QString());
    }

    void firstUnstorablePositions()
    {
        QVERIFY(!workfile::firstUnstorable({}));
        auto p = workfile::firstUnstorable({u"ok"_s, u"ab\tc"_s});
        QVERIFY(p);
        QCOMPARE(p->line, 2);
        QCOMPARE(p->column, 3);
        QCOMPARE(p->character, u'\t');
        p = workfile::firstUnstorable({u"Привет, 世界"_s});
        QVERIFY(p);
        QCOMPARE(p->column, 9);
    }

    void workPageFormat()
    {
        const QString head =
            u"<html><style>.txt {FONT-SIZE: 14pt; FONT-FAMILY: Times New Roman; COLOR: blue; TEXT-DECORATION:  "
            u"none; } a:hover{color:red}</style><head><meta http-equiv='Content-Type' content='text/html; "
            u"charset=windows-1251'></head><body topmargin=0 leftmargin=0 rightmargin=0><center><a class='txt' "
            u"href='http://www.s'>Список произведений</a><br><font face='Times New Roman' size='6'>"_s;
        QCOMPARE(head.size(), 371);
        const QString page = pages::workPage(u"<i>"_s, u"&nbsp;&nbsp;&nbsp;x<br>"_s);
        QCOMPARE(page, head
                           + u"&lt;i&gt;</font></center><table width='100%'><td><font face='Times New Roman' "
                             u"size='4'>&nbsp;&nbsp;&nbsp;x<br></font></td></table></body></html>"_s);
        QVERIFY(!page.contains(u'\n'));
    }
};

QTEST_GUILESS_MAIN(tst_workfile)
#include "tst_workfile.moc"
