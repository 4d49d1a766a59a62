// The page writer: the page as JavaScript receives it, where the first
// piece ends, and what a document holds after pieces and superseded writes.
#include "view/PageWriter.h"

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
        QSignalSpy written(&writer, &PageWriter::written);
        writer.setPage(m_page);
        writer.write(html);
        QVERIFY(written.wait(30000));
        QCOMPARE(eval(m_page, u"document.getElementById('p').textContent"_s).toString(), body);
        QCOMPARE(eval(m_page, u"document.readyState"_s).toString(), u"complete"_s);
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
