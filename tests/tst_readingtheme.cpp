// The reading layout's own parts: each theme readable, the fonts offered,
// Russian words broken where the patterns allow.
#include "TestFiles.h"

#include "view/Hyphenator.h"
#include "view/ReadingFonts.h"
#include "view/ReadingTheme.h"
#include "view/SoftHyphens.h"

#include <QFontDatabase>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class tst_readingtheme : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Known ratios (WCAG's extremes, #777 on white just under 4.5:1) and the blends channel by channel.
    void measures()
    {
        QCOMPARE(qRound(contrastRatio(Qt::black, Qt::white) * 100), 2100);
        QCOMPARE(qRound(contrastRatio(Qt::white, QColor(0x777777)) * 100), 448);
        const QColor orange(0xff8040), blue(0x8080ff);
        QCOMPARE(blended(orange, blue, u"multiply"_s), QColor(128, 64, 64));
        QCOMPARE(blended(orange, blue, u"screen"_s), QColor(255, 192, 255));
        QCOMPARE(blended(orange, blue, u"normal"_s), orange);
    }

    void themes_data()
    {
        QTest::addColumn<Theme>("theme");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("blend");
        QTest::addColumn<double>("hoveredLink"); // the least contrast on the paper
        QTest::addColumn<double>("currentMark"); // the least against the other marks
        // The pages' own red under the pointer, as the original shows it: 4:1.
        QTest::newRow("Day") << Theme::Day << u"День"_s << u"multiply"_s << 3.99 << 1.5;
        // Beside the paper and the text, little lightness is left between the marks: the hue tells.
        QTest::newRow("Sepia") << Theme::Sepia << u"Сепия"_s << u"multiply"_s << 4.5 << 1.1;
        QTest::newRow("Night") << Theme::Night << u"Ночь"_s << u"screen"_s << 4.5 << 1.1;
    }

    void themes()
    {
        QFETCH(Theme, theme);
        QFETCH(QString, name);
        QFETCH(QString, blend);
        QFETCH(double, hoveredLink);
        QFETCH(double, currentMark);
        const ThemeColours c = themeColours(theme);
        QCOMPARE(themeName(theme), name);
        QCOMPARE(c.blend, blend);
        if (theme == Theme::Day) {
            const QList<QColor> own{Qt::white, Qt::black, QColor(0x0000ff), QColor(0xff0000)};
            QCOMPARE((QList<QColor>{c.background, c.text, c.link, c.hoveredLink}), own);
        }
        const auto atLeast = [](const QColor &a, const QColor &b, double least) {
            return contrastRatio(a, b) >= least || (qWarning() << a << b << contrastRatio(a, b), false);
        };
        QVERIFY(atLeast(c.text, c.background, 7));
        QVERIFY(atLeast(c.link, c.background, 4.5));
        QVERIFY(atLeast(c.hoveredLink, c.background, hoveredLink));
        QVERIFY(atLeast(c.focusRing, c.background, 3));
        for (const QColor &mark : {c.mark, c.currentMark}) {
            const QColor paper = blended(mark, c.background, c.blend);
            QVERIFY(atLeast(paper, c.background, 3));
            QVERIFY(atLeast(blended(mark, c.text, c.blend), paper, 4.5));
        }
        QVERIFY(atLeast(blended(c.currentMark, c.background, c.blend), blended(c.mark, c.background, c.blend),
                        currentMark));
    }

    void fonts_data()
    {
        QTest::addColumn<QString>("fontconfig");
        QTest::addColumn<QStringList>("expected"); // before the desktop's serif
        QTest::newRow("as installed") << QString() << QStringList{u"PT Serif"_s, u"PT Sans"_s, u"Liberation Serif"_s};
        QTest::newRow("without Liberation")
            << QFINDTESTDATA("without-liberation.conf") << QStringList{u"PT Serif"_s, u"PT Sans"_s};
    }

    void fonts()
    {
        QFETCH(QString, fontconfig);
        QFETCH(QStringList, expected);
        if (!fontconfig.isEmpty() && qEnvironmentVariable("FONTCONFIG_FILE") != fontconfig) {
            // Fonts are found once a process: the row in one that sees these.
            qputenv("FONTCONFIG_FILE", QFile::encodeName(fontconfig));
            const int status = QProcess::execute(QCoreApplication::applicationFilePath(),
                                                 {u"fonts:"_s + QString::fromUtf8(QTest::currentDataTag())});
            qunsetenv("FONTCONFIG_FILE");
            QCOMPARE(status, 0);
            return;
        }
        if (!QFontDatabase::hasFamily(u"PT Serif"_s) || !QFontDatabase::hasFamily(u"PT Sans"_s))
            QSKIP("fonts-paratype is not installed");
        const QStringList offered = readingFonts();
        QCOMPARE(offered.mid(0, expected.size()), expected);
        QVERIFY(offered.size() <= expected.size() + 1);
        QCOMPARE(QSet<QString>(offered.begin(), offered.end()).size(), offered.size());
        if (!expected.contains(u"Liberation Serif"_s))
            QVERIFY(!offered.contains(u"Liberation Serif"_s));
    }

    void hyphenation_data()
    {
        QTest::addColumn<QByteArray>("patterns"); // empty for Debian's hyphen-ru
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // = for a soft hyphen
        QTest::addColumn<bool>("valid");
        const auto row = [](const char *name, const QString &text, const QString &expected) {
            QTest::newRow(name) << QByteArray() << text << expected << true;
        };
        // What hyphen-ru allows, as libhyphen reads it.
        row("long", u"достопримечательность"_s, u"до=стоприме=чатель=ность"_s);
        row("электрификация", u"электрификация"_s, u"элек=три=фи=ка=ция"_s);
        row("человек", u"человек"_s, u"че=ловек"_s);
        row("longer", u"переосвидетельствование"_s, u"пе=ре=освидетельство=ва=ние"_s);
        row("hard sign", u"подъезд сверхъестественный"_s, u"подъезд сверхъ=естествен=ный"_s);
        row("ё", u"зелёный"_s, u"зе=лё=ный"_s);
        row("capitals", u"Человек УЧИТЕЛЬНИЦА"_s, u"Че=ловек УЧИ=ТЕЛЬ=НИ=ЦА"_s);
        row("a hyphen splits", u"кто-нибудь"_s, u"кто-ни=будь"_s);
        row("short words whole", u"дом окно"_s, u"дом окно"_s);
        row("Latin whole", u"reader"_s, u"reader"_s);
        row("punctuation kept", u"«Учительница», (человек)!"_s, u"«Учи=тель=ни=ца», (че=ловек)!"_s);
        row("mixed words whole", u"районный2 районныйx Україна моло\u0301ко че\u00ADловек"_s,
            u"районный2 районныйx Україна моло\u0301ко че\u00ADловек"_s);
        row("mixed text", u"Рай\U0001F600онный Рай\U00010400онный\t\r\nрайонный 12,5 — A–Z"_s,
            u"Рай\U0001F600он=ный Рай\U00010400онный\t\r\nрай=он=ный 12,5 — A–Z"_s);
        QTest::newRow("UTF-8 patterns") << "UTF-8\n1к\n"_ba << u"Молоко"_s << u"Моло=ко"_s << true;
        QTest::newRow("patterns missing") << "missing"_ba << u"человек"_s << u"человек"_s << false;
        QTest::newRow("another encoding") << "ISO8859-5\n1\xDA\n"_ba << u"молоко"_s << u"молоко"_s << false;
    }

    void hyphenation()
    {
        QFETCH(QByteArray, patterns);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QFETCH(bool, valid);
        QTemporaryDir dir;
        const QString path = patterns.isEmpty() ? Hyphenator::defaultPatterns() : dir.filePath(u"hyph.dic"_s);
        if (patterns.isEmpty() && !QFile::exists(path))
            QSKIP("hyphen-ru is not installed");
        if (!patterns.isEmpty() && patterns != "missing")
            testfiles::writeFile(path, patterns);
        const Hyphenator hyphenator(path);
        QCOMPARE(hyphenator.isValid(), valid);
        const QString result = hyphenator.hyphenated(text);
        QCOMPARE(result, QString(expected).replace(u'=', u'\u00AD'));
        QCOMPARE(QString(result).remove(u'\u00AD'), QString(text).remove(u'\u00AD'));
    }

    void softHyphensInAPagesText_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QString>("expected"); // ~ for a soft hyphen
        QTest::newRow("text") << u"<p>электрификация</p>"_s << u"<p>элек~три~фи~ка~ция</p>"_s;
        QTest::newRow("a line of a work") << u"&nbsp;&nbsp;&nbsp;Человек и электрификация<br>"_s
                                          << u"&nbsp;&nbsp;&nbsp;Че~ловек и элек~три~фи~ка~ция<br>"_s;
        QTest::newRow("a link's text whole")
            << u"<a href='#x'>электрификация</a> человек"_s << u"<a href='#x'>электрификация</a> че~ловек"_s;
        QTest::newRow("attributes whole")
            << u"<img alt=\"электрификация > человек\">"_s << u"<img alt=\"электрификация > человек\">"_s;
        QTest::newRow("comment") << u"<!-- электрификация --> человек"_s << u"<!-- электрификация --> че~ловек"_s;
        QTest::newRow("script and title") << u"<script>электрификация</SCRIPT >человек<title>человек</title>"_s
                                          << u"<script>электрификация</SCRIPT >че~ловек<title>человек</title>"_s;
        QTest::newRow("references") << u"электри&shy;фикация&#1095;еловек"_s
                                    << u"элек~три&shy;фи~ка~ция&#1095;еловек"_s;
        QTest::newRow("a < b") << u"человек < электрификация"_s << u"че~ловек < элек~три~фи~ка~ция"_s;
    }

    void softHyphensInAPagesText()
    {
        QFETCH(QString, markup);
        QFETCH(QString, expected);
        const Hyphenator hyphenator;
        if (!hyphenator.isValid())
            QSKIP("hyphen-ru is not installed");
        // Whole, and fed in pieces of every size: the same.
        for (qsizetype piece : {markup.size(), qsizetype(1), qsizetype(2), qsizetype(7)}) {
            SoftHyphens hyphens(hyphenator);
            QString out;
            for (qsizetype at = 0; at < markup.size(); at += piece)
                hyphens.feed(QStringView(markup).mid(at, piece), out);
            hyphens.finish(out);
            QCOMPARE(out, QString(expected).replace(u'~', u'\u00AD'));
        }
    }

    // A long work is broken by two at once, cut at a line end in its middle:
    // the same as by one, whatever is open over the cut.
    void softHyphensByTwoAtOnce_data()
    {
        QTest::addColumn<QString>("markup");
        const QString line = u"   Человек и электрификация<br>"_s;
        QTest::newRow("lines") << line.repeated(8);
        QTest::newRow("a comment over the cut") << line.repeated(3) + u"<!--"_s + line.repeated(4) + u"-->"_s + line;
        QTest::newRow("a link over the cut") << line.repeated(3) + u"<a href='#x'>"_s + line.repeated(4) + u"</a>"_s;
        QTest::newRow("a script over the cut")
            << line.repeated(3) + u"<script>"_s + line.repeated(4) + u"</script>"_s + line;
        QTest::newRow("no line end") << u"электрификация "_s.repeated(8);
        QTest::newRow("BR in capitals") << u"электрификация<BR>"_s.repeated(8);
    }

    void softHyphensByTwoAtOnce()
    {
        QFETCH(QString, markup);
        const Hyphenator hyphenator;
        if (!hyphenator.isValid())
            QSKIP("hyphen-ru is not installed");
        QString whole;
        SoftHyphens one(hyphenator);
        one.feed(markup, whole);
        one.finish(whole);
        QVERIFY(whole.contains(u'\u00AD'));

        const qsizetype half = SoftHyphens::half(markup);
        QVERIFY(half >= markup.size() / 2);
        QCOMPARE(half < markup.size(), markup.contains(u"<br>"_s, Qt::CaseInsensitive));
        SoftHyphens first(hyphenator);
        QString out;
        first.feed(QStringView(markup).first(half), out);
        SoftHyphens fresh(hyphenator);
        QString second;
        fresh.feed(QStringView(markup).sliced(half), second);
        fresh.finish(second);
        first.finishWith(QStringView(markup).sliced(half), second, out);
        QCOMPARE(out, whole);
    }
};

QTEST_MAIN(tst_readingtheme)
#include "tst_readingtheme.moc"
