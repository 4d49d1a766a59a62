// The page writer: the page as JavaScript receives it, where the first
// piece ends, and what a document holds after pieces and superseded writes;
// the view's scripts in a page: what find counts and how it marks, and the
// place at the top of the screen.
#include "view/FindScript.h"
#include "view/GuardScript.h"
#include "view/PageText.h"
#include "view/PageWriter.h"
#include "view/ReadingStyle.h"
#include "view/ReadingTheme.h"

#include <QAccessible>
#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineView>

using namespace Qt::Literals::StringLiterals;

namespace {

// What a JSON parser reads back from a literal.
QString parsedBack(const QString &literal)
{
    const QJsonDocument document = QJsonDocument::fromJson((u"["_s + literal + u"]"_s).toUtf8());
    return document.isArray() ? document.array().at(0).toString() : u"<not JSON>"_s;
}

QVariant eval(QWebEnginePage *page, const QString &script)
{
    QVariant result;
    bool done = false;
    page->runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant &v) {
        result = v;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 30000))
        return u"<no answer>"_s;
    return result;
}

} // namespace

class tst_pagewriter : public QObject
{
    Q_OBJECT

private:
    QWebEngineProfile m_profile;
    QWebEngineView m_view;
    QWebEnginePage *m_page = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        m_page = new QWebEnginePage(&m_profile, &m_view);
        m_view.setPage(m_page);
        m_view.resize(600, 400);
        m_view.show();
        QSignalSpy loaded(m_page, &QWebEnginePage::loadFinished);
        m_page->setHtml(u"<html><body></body></html>"_s);
        QVERIFY(loaded.wait(30000));
    }

    void cleanupTestCase() { m_view.setPage(nullptr); }

    // A page with the view's own guards, as the view shows every page.
    void load(const QString &html)
    {
        QSignalSpy loaded(m_page, &QWebEnginePage::loadFinished);
        m_page->setHtml(html);
        QVERIFY(loaded.wait(30000));
        (void)eval(m_page, guardScript(false, u"test:"_s));
    }

    void jsonStringReadsBackAsTheText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("literal");
        QTest::newRow("plain") << u"Жили-были"_s << u"\"Жили-были\""_s;
        QTest::newRow("quote and backslash") << u"a\"b\\c"_s << u"\"a\\\"b\\\\c\""_s;
        QTest::newRow("line ends") << u"a\r\nb"_s << u"\"a\\u000d\\u000ab\""_s;
        QTest::newRow("NUL from codes below 32") << QString(QChar(0)) << u"\"\\u0000\""_s;
        QTest::newRow("line separators") << u"\u2028\u2029"_s << u"\"\\u2028\\u2029\""_s;
        QTest::newRow("script end tag stays") << u"</script>"_s << u"\"</script>\""_s;
        QTest::newRow("empty") << QString() << u"\"\""_s;
    }

    void jsonStringReadsBackAsTheText()
    {
        QFETCH(QString, text);
        QFETCH(QString, literal);
        QCOMPARE(PageWriter::jsonString(text), literal);
        QCOMPARE(parsedBack(PageWriter::jsonString(text)), text);
    }

    void surrogatesSurviveAsEscapes()
    {
        // A pair stays a pair; a lone half is escaped, not dropped.
        const QString pair = QString::fromUcs4(U"\U0001F600");
        QCOMPARE(PageWriter::jsonString(pair), u"\"\\ud83d\\ude00\""_s);
        QCOMPARE(parsedBack(PageWriter::jsonString(pair)), pair);
        QCOMPARE(PageWriter::jsonString(QString(QChar(0xD800))), u"\"\\ud800\""_s);
    }

    void firstPieceEnd_data()
    {
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<qsizetype>("pairAt"); // a surrogate pair starting there; -1 for none
        QTest::addColumn<qsizetype>("end");
        const qsizetype first = PageWriter::FirstPieceSize;
        const qsizetype one = PageWriter::OnePieceSize;
        QTest::newRow("short page whole") << qsizetype(10) << qsizetype(-1) << qsizetype(10);
        QTest::newRow("one piece at the limit") << one << qsizetype(-1) << one;
        QTest::newRow("longer page: a screenful") << one + 1 << qsizetype(-1) << first;
        QTest::newRow("pair across the cut") << one + 1 << first - 1 << first - 1;
        QTest::newRow("pair just before the cut") << one + 1 << first - 2 << first;
    }

    void firstPieceEnd()
    {
        QFETCH(qsizetype, size);
        QFETCH(qsizetype, pairAt);
        QFETCH(qsizetype, end);
        QString html(size, u'x');
        if (pairAt >= 0) {
            html[pairAt] = QChar(0xD83D);
            html[pairAt + 1] = QChar(0xDE00);
        }
        QCOMPARE(PageWriter::firstPieceEnd(html), end);
    }

    void aLongPageInPiecesIsTheWholePage()
    {
        // A surrogate pair where the first piece would end, and text past it.
        QString body(PageWriter::OnePieceSize + 5000, u'ж');
        body[PageWriter::FirstPieceSize - 10] = QChar(0xD83D);
        body[PageWriter::FirstPieceSize - 9] = QChar(0xDE00);
        body.append(u"конец"_s);
        const QString html = u"<html><body><p id='p'>"_s + body + u"</p></body></html>"_s;

        PageWriter writer;
        writer.setScreen(m_view.focusProxy());
        writer.setGuardScript(guardScript(false, u"test:"_s));
        QSignalSpy written(&writer, &PageWriter::written);
        QSignalSpy answered(&writer, &PageWriter::answered);
        writer.setPage(m_page);
        writer.write(html);
        // What the view's scripts learn of the text from the first piece
        // does not outlive the rest.
        QVERIFY(answered.wait(30000));
        const qint64 firstPiece = eval(m_page, u"__sobranieGuards.index().length"_s).toLongLong();
        QVERIFY(written.wait(30000));
        QCOMPARE(eval(m_page, u"document.getElementById('p').textContent"_s).toString(), body);
        QCOMPARE(eval(m_page, u"document.readyState"_s).toString(), u"complete"_s);
        QVERIFY(firstPiece < body.size());
        QCOMPARE(eval(m_page, u"__sobranieGuards.index().length"_s).toLongLong(), body.size());
    }

    void aNewerPageSupersedesAnOlderOne()
    {
        const QString older = u"<p id='old'>"_s + QString(2 * PageWriter::OnePieceSize, u'a') + u"</p>"_s;
        const QString newer = u"<p id='new'>новая страница</p>"_s;
        PageWriter writer;
        QSignalSpy written(&writer, &PageWriter::written);
        writer.setPage(m_page);
        writer.write(older);
        writer.write(newer);
        QVERIFY(written.wait(30000));
        QTest::qWait(500);
        QCOMPARE(written.size(), 1);
        QVERIFY(!writer.isWriting());
        QCOMPARE(eval(m_page, u"document.body.textContent"_s).toString(), u"новая страница"_s);
        QCOMPARE(eval(m_page, u"document.getElementById('old') === null"_s).toBool(), true);
    }

    void findCountsWhatThePageShows_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<int>("count");
        QTest::newRow("case and ё") << u"Ёлка, ёлка, ЕЛКА"_s << u"елка"_s << 3;
        QTest::newRow("stress mark in the text") << u"мо\u0301ре и море"_s << u"море"_s << 2;
        QTest::newRow("stress mark in the phrase") << u"море"_s << u"мо\u0301ре"_s << 1;
        QTest::newRow("decomposed ё") << u"е\u0308лка"_s << u"ёлка"_s << 1;
        QTest::newRow("soft hyphens") << u"мо&shy;ре мо\u00adре"_s << u"море"_s << 2;
        QTest::newRow("no overlaps") << u"ааааа"_s << u"аа"_s << 2;
        QTest::newRow("across markup") << u"мо<b>ре</b> <i>м</i>оре"_s << u"море"_s << 2;
        QTest::newRow("comment") << u"<!-- море -->море"_s << u"море"_s << 1;
        QTest::newRow("attribute") << u"<a title='море' href='#'>x</a>"_s << u"море"_s << 0;
        QTest::newRow("style") << u"<style>/* море */</style>море"_s << u"море"_s << 1;
        QTest::newRow("template") << u"<template>море</template>"_s << u"море"_s << 0;
        QTest::newRow("svg text") << u"<svg><text y='20'>море</text></svg>"_s << u"море"_s << 0;
        QTest::newRow("option") << u"<select><option>море</option></select>"_s << u"море"_s << 0;
        QTest::newRow("textarea") << u"<textarea>море</textarea>"_s << u"море"_s << 0;
        QTest::newRow("display none") << u"<span style='display:none'>море</span>"_s << u"море"_s << 0;
        QTest::newRow("hidden attribute") << u"<p hidden>море</p>"_s << u"море"_s << 0;
        QTest::newRow("visibility hidden") << u"<span style='visibility:hidden'>море</span>"_s << u"море"_s << 0;
        QTest::newRow("closed details") << u"<details><summary>море</summary>море<p>море</p></details>"_s << u"море"_s
                                        << 1;
        QTest::newRow("open details") << u"<details open><summary>x</summary>море<p>море</p></details>"_s << u"море"_s
                                      << 2;
        QTest::newRow("content-visibility") << u"<div style='content-visibility:hidden'>море</div>"_s << u"море"_s << 0;
        QTest::newRow("display contents") << u"<span style='display:contents'>море</span>"_s << u"море"_s << 1;
        QTest::newRow("blank phrase") << u"море"_s << u" "_s << 0;
    }

    void findCountsWhatThePageShows()
    {
        QFETCH(QString, body);
        QFETCH(QString, phrase);
        QFETCH(int, count);
        load(u"<html><body>"_s + body + u"</body></html>"_s);
        const QString before = eval(m_page, u"document.body.innerHTML"_s).toString();
        const QVariantList found =
            eval(m_page, findScript() + u"__sobranieFind.find(%1, -1)"_s.arg(PageWriter::jsonString(phrase))).toList();
        QCOMPARE(found.value(0).toInt(), count);
        QCOMPARE(found.value(1).toInt(), count > 0 ? 0 : -1);
        // The page's own nodes are as they were, marked or not.
        QCOMPARE(eval(m_page, u"document.body.innerHTML"_s).toString(), before);
    }

    void marksStayOverTheirMatchWhateverThePageSays()
    {
        // The page's style would hide or move every element but its own text.
        load(u"<html><head><style>div, span, :not(:defined) { display:none !important; }"
             u" html * { position:relative; left:300px !important; } </style></head><body>"
             u"<p>Перед морем — море, и ещё раз море.</p></body></html>"_s);
        QCOMPARE(eval(m_page, findScript() + u"__sobranieFind.find('море', 2)"_s).toList().value(0).toInt(), 3);
        // The current mark covers the last «море», as the text lies.
        const QVariantList rects = eval(m_page, uR"((function () {
  var layer = document.querySelector('%1'), mark = layer.shadowRoot.querySelector('[data-current]');
  var text = document.querySelector('p').firstChild, at = text.data.lastIndexOf('море');
  var range = document.createRange(); range.setStart(text, at); range.setEnd(text, at + 4);
  var m = mark.getBoundingClientRect(), t = range.getBoundingClientRect();
  return [m.left - t.left, m.top - t.top, m.width - t.width, m.height - t.height, m.width];
})())"_s.arg(QString::fromUtf16(FindMarkTag)))
                                       .toList();
        QCOMPARE(rects.size(), 5);
        for (int i = 0; i < 4; ++i)
            QVERIFY2(qAbs(rects[i].toDouble()) < 1, qPrintable(QString::number(i)));
        QVERIFY(rects[4].toDouble() > 10);
        // Cleared, nothing of the marks is left.
        (void)eval(m_page, u"__sobranieFind.clear()"_s);
        QCOMPARE(eval(m_page, u"document.querySelector('%1') === null"_s.arg(QString::fromUtf16(FindMarkTag))).toBool(),
                 true);
    }

    void thePlaceAtTheTopStaysThroughAChangeOfSize()
    {
        QString lines;
        for (int i = 1; i <= 300; ++i)
            lines +=
                u"&nbsp;&nbsp;&nbsp;Строка %1: съешь же ещё этих мягких французских булок, да выпей чаю.<br>"_s.arg(i);
        load(u"<html><body><font size='4'>"_s + lines + u"</font></body></html>"_s);
        const auto top = [this] {
            return eval(m_page, u"(function(){var r=document.caretRangeFromPoint(innerWidth/2,2);"
                                u"return (/Строка (\\d+)/.exec(r.startContainer.data)||[])[1]||'';})()"_s)
                .toString();
        };
        // Taken to a place, the line that holds it is at the top; asked, the
        // place at the top is in that line.
        const qint64 offset = eval(m_page, u"(function(){var t=document.body.textContent;"
                                           u"return t.indexOf('Строка 120:') + 3;})()"_s)
                                  .toLongLong();
        (void)eval(m_page, u"__sobranieGuards.goTo(%1, 0)"_s.arg(offset));
        QCOMPARE(top(), u"120"_s);
        const qint64 at = eval(m_page, u"__sobranieGuards.placeAt()"_s).toLongLong();
        QVERIFY(at >= offset - 80 && at <= offset);
        // The text larger, the window narrower: the same line.
        m_page->setZoomFactor(1.75);
        QTRY_COMPARE(top(), u"120"_s);
        m_view.resize(400, 400);
        QTRY_COMPARE(top(), u"120"_s);
        m_view.resize(600, 400);
        m_page->setZoomFactor(1.0);
        QTRY_COMPARE(top(), u"120"_s);
        // The top of the page is place 0; a place past the end, the end.
        (void)eval(m_page, u"window.scrollTo(0, 0)"_s);
        QCOMPARE(eval(m_page, u"__sobranieGuards.placeAt()"_s).toLongLong(), 0);
        (void)eval(m_page, u"__sobranieGuards.goTo(1e9, 0)"_s);
        QVERIFY(eval(m_page, u"scrollY > 0 && scrollY >= document.documentElement.scrollHeight - innerHeight - 1"_s)
                    .toBool());
    }

    void theTextAScreenReaderReads_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("read");
        QTest::newRow("lines of a work") << u"<font>&nbsp;А<br>Б<br><br>В<br></font>"_s << u"\u00a0А\nБ\nВ"_s;
        QTest::newRow("blocks") << u"<p>один</p>\n  <p>два <b>три</b></p><div>четыре</div>"_s
                                << u"один\nдва три\nчетыре"_s;
        QTest::newRow("inline blocks on one line")
            << u"а <span style='display:inline-block'>б</span> в"_s << u"а б в"_s;
        QTest::newRow("white space one for one") << u"<pre>а\tб\nв</pre>"_s << u"а б в"_s;
        QTest::newRow("no soft hyphens") << u"элек&shy;три&shy;фи<br>ка&shy;ция"_s << u"электрифи\nкация"_s;
        QTest::newRow("hidden and never shown")
            << u"а<span hidden>б</span><script>в</script><template>г</template>д"_s << u"ад"_s;
    }

    void theTextAScreenReaderReads()
    {
        QFETCH(QString, body);
        QFETCH(QString, read);
        load(u"<html><body>"_s + body + u"</body></html>"_s);
        QCOMPARE(eval(m_page, u"__sobranieGuards.readText()"_s).toString(), read);
        // Every place of the text read maps there and back.
        const QVariantList trips = eval(m_page, uR"((function () {
  var g = __sobranieGuards, text = g.readText(), out = [];
  for (var read = 0; read < text.length; ++read) {
    if (text[read] === '\n') continue;
    var place = g.placeOfRead(read);
    out.push(g.readOffset(place) === read && document.body.textContent.length >= place);
  }
  return out;
})())"_s)
                                       .toList();
        QVERIFY(!trips.isEmpty());
        QVERIFY(!trips.contains(QVariant(false)));
    }

    void thePageTextAsAScreenReaderAsksForIt_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("boundary");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        const QString page = u"Список\nПервая строка.\nВторая."_s;
        QTest::newRow("a line without its end") << 3 << int(QAccessible::LineBoundary) << u"Список"_s << 0;
        QTest::newRow("the line at its end") << 6 << int(QAccessible::LineBoundary) << u"Список"_s << 0;
        QTest::newRow("the last line") << int(page.size()) - 1 << int(QAccessible::LineBoundary) << u"Вторая."_s << 22;
        QTest::newRow("a word") << 9 << int(QAccessible::WordBoundary) << u"Первая"_s << 7;
        QTest::newRow("a character") << 7 << int(QAccessible::CharBoundary) << u"П"_s << 7;
    }

    void thePageTextAsAScreenReaderAsksForIt()
    {
        QFETCH(int, offset);
        QFETCH(int, boundary);
        QFETCH(QString, text);
        QFETCH(int, start);
        QWidget view;
        auto *page = new PageText(&view);
        page->show(u"Страница"_s, u"Список\nПервая строка.\nВторая."_s, false, 3);
        QAccessibleTextInterface *read = QAccessible::queryAccessibleInterface(page)->textInterface();
        QVERIFY(read);
        int from = -1;
        int to = -1;
        QCOMPARE(read->textAtOffset(offset, QAccessible::TextBoundaryType(boundary), &from, &to), text);
        QCOMPARE(from, start);
        QCOMPARE(to, start + int(text.size()));
        // The caret goes a line at a time, and stays within the text; only
        // a screen reader's own move asks the page to follow.
        QSignalSpy set(page, &PageText::caretSet);
        QCOMPARE(read->cursorPosition(), 3);
        page->moveCaret(page->lineStart(1));
        QCOMPARE(page->lineAt(page->caret()), u"Первая строка."_s);
        page->moveCaret(page->lineStart(1));
        QCOMPARE(page->caret(), 22);
        QCOMPARE(page->lineStart(1), 22);
        page->moveCaret(page->lineStart(-1));
        page->moveCaret(page->lineStart(-1));
        QCOMPARE(page->caret(), 0);
        read->setCursorPosition(1000);
        QCOMPARE(read->cursorPosition(), 29);
        QCOMPARE(set.size(), 1);
        QCOMPARE(set.at(0).at(0).toInt(), 29);
    }

    void theReadersStyleIsOutOfThePagesReach_data()
    {
        QTest::addColumn<int>("theme");
        QTest::addColumn<QString>("font");
        QTest::addColumn<bool>("book");
        QTest::addColumn<bool>("work");
        QTest::newRow("the pages' own") << int(Theme::Day) << QString() << false << true;
        QTest::newRow("night on a work") << int(Theme::Night) << u"PT Serif"_s << true << true;
        QTest::newRow("sepia on the catalogue") << int(Theme::Sepia) << u"PT Serif"_s << true << false;
    }

    void theReadersStyleIsOutOfThePagesReach()
    {
        QFETCH(int, theme);
        QFETCH(QString, font);
        QFETCH(bool, book);
        QFETCH(bool, work);
        const ReadingChoices choices{book, Theme(theme), font, false};
        const ThemeColours colours = themeColours(Theme(theme));
        // A page that sets its own colours and font, as firmly as CSS lets it.
        QSignalSpy loaded(m_page, &QWebEnginePage::loadFinished);
        m_page->setHtml(u"<html><head><style>#t, #t * { color: #123456 !important; background: #fedcba !important;"
                        u" font-family: monospace !important; }</style></head><body id='b'><table width='100%' id='t'>"
                        u"<td><font face='Times New Roman' size='4' id='f'>Текст <a href='#x' id='a'>ссылка</a>"
                        u"</font></td></table></body></html>"_s);
        QVERIFY(loaded.wait(30000));
        (void)eval(m_page, guardScript(false, u"test:"_s, readingStyleJson(readingStyle(choices))));
        (void)eval(m_page, u"__sobranieGuards.setKind('%1')"_s.arg(work ? u"work"_s : u"other"_s));
        const QVariantList seen = eval(m_page, uR"((function () {
  var hex = function (c) {
    var m = c.match(/\d+/g); if (!m) return c;
    return '#' + m.slice(0, 3).map(function (x) { return ('0' + (+x).toString(16)).slice(-2); }).join('');
  };
  var f = document.getElementById('f'), a = document.getElementById('a');
  return [hex(getComputedStyle(document.body).backgroundColor), hex(getComputedStyle(f).color),
          hex(getComputedStyle(a).color), getComputedStyle(f).fontFamily, getComputedStyle(f).textAlign,
          document.body.innerHTML.indexOf('style') < 0];
})())"_s)
                                      .toList();
        QCOMPARE(seen.size(), 6);
        if (Theme(theme) == Theme::Day) {
            // Nothing of the reader's: the page as it says.
            QCOMPARE(seen[1].toString(), u"#123456"_s);
            QCOMPARE(seen[3].toString(), u"monospace"_s);
        } else {
            QCOMPARE(seen[0].toString(), colours.background.name());
            QCOMPARE(seen[1].toString(), colours.text.name());
            QCOMPARE(seen[2].toString(), colours.link.name());
            // A work's font and book page; the catalogue keeps its own.
            QCOMPARE(seen[3].toString().startsWith(u"\"PT Serif\""_s), work);
            QCOMPARE(seen[4].toString() == u"justify"_s, work);
        }
        // And nothing of it is in the page's own nodes.
        QVERIFY(seen[5].toBool());
    }

    void aWriteWaitsForItsPage()
    {
        PageWriter writer;
        QSignalSpy written(&writer, &PageWriter::written);
        writer.write(u"<p>ждёт страницу</p>"_s);
        QTest::qWait(200);
        QCOMPARE(written.size(), 0);
        QVERIFY(writer.isWriting());
        writer.setPage(m_page);
        QVERIFY(written.wait(30000));
        QCOMPARE(eval(m_page, u"document.body.textContent"_s).toString(), u"ждёт страницу"_s);
    }
};

int main(int argc, char *argv[])
{
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QLoggingCategory::setFilterRules(u"qt.webenginecontext.info=false"_s);
    QApplication app(argc, argv);
    tst_pagewriter test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pagewriter.moc"
