// The view's parts alone, without a renderer: the watchdog's allowance and
// failures, the request loader driven by an engine of the test's own that
// answers only when told, and what the engine leaves behind for assistive
// technology.
#include "view/AccessibleLeftovers.h"
#include "view/PageEngine.h"
#include "view/PageWriter.h"
#include "view/RequestLoader.h"
#include "view/Watchdog.h"

#include <QAccessibleObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

class FakeEngine : public PageEngine
{
public:
    struct Call
    {
        QString script;
        Answer answer;
    };

    void runScript(const QString &script, const Answer &answer) override
    {
        calls.append({script, answer});
        ran += script;
    }
    void load(const QUrl &url) override { loads.append(url); }
    void setArrivalScript(const QString &script) override { arrivalScript = script; }
    void forgetHistory() override { }
    [[nodiscard]] QString reportScript(const QString &report) const override { return u"report("_s + report + u")"_s; }

    // The latest load ends; a document that came with a first piece says so.
    void endLoad() { Q_EMIT loadEnded(loads.last(), true); }
    [[nodiscard]] QString arrivalReport() const
    {
        return QRegularExpression(u"report\\((arrived:\\d+)\\)"_s).match(arrivalScript).captured(1);
    }
    void arrive() { Q_EMIT reported(arrivalReport()); }
    // Every script with the engine answers, and those they lead to.
    void answerAll()
    {
        while (!calls.isEmpty()) {
            const Call call = calls.takeFirst();
            if (call.answer)
                call.answer(QVariant());
        }
    }
    [[nodiscard]] QString scripts() const
    {
        QString all;
        for (const Call &call : calls)
            all += call.script;
        return all;
    }

    QList<Call> calls;
    QString ran; // every script, answered or not
    QList<QUrl> loads;
    QString arrivalScript;
};

} // namespace

class tst_viewparts : public QObject
{
    Q_OBJECT

    static constexpr int BaseMs = 20;

    // A loader whose engine has come up and whose reports reach it.
    struct Loading
    {
        FakeEngine engine;
        RequestLoader loader{&engine};
        QSignalSpy shown{&loader, &RequestLoader::shown};
        Loading()
        {
            QObject::connect(&engine, &PageEngine::reported, &loader, &RequestLoader::takeReport);
            engine.endLoad();
        }
    };

private Q_SLOTS:
    void anEngineThatNeverAnswersIsReplacedAfterItsAllowance()
    {
        Watchdog watchdog(nullptr, BaseMs);
        QSignalSpy replace(&watchdog, &Watchdog::replaceEngine);
        watchdog.expect();
        QCOMPARE(replace.size(), 0);
        QVERIFY(replace.wait(5000));
        QVERIFY(!watchdog.isWatching());
        // Progress in time keeps it; nothing owed, nothing happens.
        watchdog.expect();
        watchdog.stop();
        QTest::qWait(3 * BaseMs);
        QCOMPARE(replace.size(), 1);
    }

    void aLongPieceGetsItsExtraTime()
    {
        Watchdog watchdog(nullptr, BaseMs);
        QSignalSpy replace(&watchdog, &Watchdog::replaceEngine);
        // 3,000 characters ask for 30 ms more than the base: the first
        // silence comes at 20 ms, the engine still has 30 ms of it left.
        QList<Watchdog::Work> asked;
        watchdog.setWorkInHand([&]() -> std::optional<Watchdog::Work> {
            asked.append({3000, asked.isEmpty() ? qint64(BaseMs) : qint64(BaseMs + 30)});
            return asked.last();
        });
        watchdog.expect();
        QVERIFY(replace.wait(5000));
        QCOMPARE(asked.size(), 2);
        QCOMPARE(watchdog.allowanceMs(3000), BaseMs + 30);
        // A piece of an older request earns no extra time.
        watchdog.setWorkInHand([] { return std::nullopt; });
        watchdog.expect();
        QVERIFY(replace.wait(5000));
        QCOMPARE(replace.size(), 2);
    }

    void failuresPastTheLimitGiveTheRequestUp()
    {
        Watchdog watchdog(nullptr, BaseMs);
        QStringList said;
        connect(&watchdog, &Watchdog::replaceEngine, this, [&] { said.append(u"replace"_s); });
        connect(&watchdog, &Watchdog::giveUp, this, [&] { said.append(u"give up"_s); });
        for (int i = 0; i <= Watchdog::MaxFailures; ++i)
            watchdog.failed();
        QCOMPARE(said, (QStringList{u"replace"_s, u"replace"_s, u"give up"_s}));
        watchdog.newRequest();
        watchdog.failed();
        QCOMPARE(said.last(), u"replace"_s);

        // What is given up is the request, once: its stand-in is not.
        Loading l;
        QVERIFY(!l.loader.giveUp(u"<p>stand-in</p>"_s));
        l.loader.showHtml(u"<p>heavy</p>"_s);
        QVERIFY(l.loader.giveUp(u"<p>stand-in</p>"_s));
        QVERIFY(!l.loader.giveUp(u"<p>stand-in</p>"_s));
    }

    void aNewerRequestSupersedesOneUnderWay()
    {
        Loading l;
        QSignalSpy waiting(&l.loader, &RequestLoader::waiting);
        const QString older(PageWriter::OnePieceSize * 2, u'а');
        l.loader.showHtml(older);
        l.engine.arrive();
        // The older page's rest is with the engine when the newer one comes.
        QVERIFY(l.engine.scripts().contains(u"ааааа"_s));
        const QList<FakeEngine::Call> olderRest = l.engine.calls;
        const QString olderArrival = l.engine.arrivalReport();
        l.engine.calls.clear();
        l.loader.showHtml(u"<p>новая</p>"_s);
        // The older document saying it is there again says nothing of the newer.
        Q_EMIT l.engine.reported(olderArrival);
        QCOMPARE(l.loader.loadState(), RequestLoader::LoadState::Loading);
        // The engine gets the older piece's time, from now.
        QCOMPARE(waiting.last().at(0).value<qsizetype>(), qsizetype(0));
        QVERIFY(l.engine.arrivalScript.contains(u"новая"_s));
        for (const FakeEngine::Call &call : olderRest)
            call.answer(QVariant());
        QCOMPARE(l.shown.size(), 0);
        l.engine.arrive();
        l.engine.answerAll();
        QCOMPARE(l.shown.size(), 1);
        QCOMPARE(l.loader.loadState(), RequestLoader::LoadState::Ready);
        QVERIFY(l.engine.calls.isEmpty());

        // An engine still busy with a long piece is unfit for the next.
        QSignalSpy unfit(&l.loader, &RequestLoader::engineUnfit);
        l.loader.showHtml(QString(RequestLoader::LongPieceSize + PageWriter::OnePieceSize, u'а'));
        l.engine.arrive();
        QVERIFY(!l.engine.calls.isEmpty());
        l.loader.showHtml(u"<p>ещё</p>"_s);
        QCOMPARE(unfit.size(), 1);

        // Asked to, a large page once shown makes way for a fresh engine.
        Loading m;
        m.loader.setFreshEngineAfterLargePages(true);
        QSignalSpy retired(&m.loader, &RequestLoader::engineUnfit);
        m.loader.showHtml(QString(RequestLoader::LargePageSize + 1, u'я'));
        m.engine.arrive();
        m.engine.answerAll();
        m.loader.showHtml(u"<p>малая</p>"_s);
        m.loader.showHtml(u"<p>ещё</p>"_s);
        QCOMPARE(retired.size(), 1);
    }

    void aFreshEngineShowsTheRequestWhereTheReaderWas()
    {
        Loading l;
        l.loader.showHtml(u"<p>страница</p>"_s);
        l.engine.arrive();
        QCOMPARE(l.shown.size(), 1);
        Q_EMIT l.engine.reported(u"scrolled:0.6:5120"_s);
        QCOMPARE(l.loader.readingPlace(), (ReadingPlace{5120, 0.6}));
        // The renderer dies, and the fresh one dies too before the page is back.
        for (int death = 0; death < 2; ++death) {
            l.engine.calls.clear();
            Q_EMIT l.engine.replaced();
            QCOMPARE(l.loader.loadState(), RequestLoader::LoadState::Loading);
            QCOMPARE(l.engine.scripts(), QString());
            // What the page on its way says of itself is not the reader's place.
            Q_EMIT l.engine.reported(u"scrolled:0:0"_s);
        }
        // Written once the fresh document is there, then taken back to the
        // place in the text.
        l.engine.endLoad();
        QVERIFY(l.engine.scripts().contains(u"страница"_s));
        l.engine.answerAll();
        QCOMPARE(l.shown.size(), 2);
        const QRegularExpressionMatch back = QRegularExpression(u"goTo\\((-?\\d+), ([0-9.]+)\\)"_s).match(l.engine.ran);
        QVERIFY(back.hasMatch());
        QCOMPARE(back.captured(1).toLongLong(), 5120);
        QCOMPARE(back.captured(2).toDouble(), 0.6);
        QCOMPARE(l.loader.readingPlace(), (ReadingPlace{5120, 0.6}));
        // A newer request starts at its top, whatever the page on its way says;
        // a report that is not a place is no place.
        l.loader.showHtml(u"<p>другая</p>"_s);
        QCOMPARE(l.loader.readingPlace(), ReadingPlace());
        Q_EMIT l.engine.reported(u"scrolled:0.3:40"_s);
        QCOMPARE(l.loader.readingPlace(), ReadingPlace());
        l.engine.arrive();
        l.engine.answerAll();
        for (const QString &bad : {u"scrolled:0.3"_s, u"scrolled:x:40"_s, u"scrolled:0.3:-2"_s, u"scrolled:nan:4"_s})
            Q_EMIT l.engine.reported(bad);
        QCOMPARE(l.loader.readingPlace(), ReadingPlace());
        Q_EMIT l.engine.reported(u"scrolled:7:40"_s);
        QCOMPARE(l.loader.readingPlace(), (ReadingPlace{40, 1.0}));
        // Where a focus took the page (the link back at its top) the reader
        // has not read to.
        Q_EMIT l.engine.reported(u"scrolled:0:0:0:focus"_s);
        QCOMPARE(l.loader.readingPlace(), (ReadingPlace{40, 1.0}));
    }

    void thePageWhoseRestComesLater()
    {
        Loading l;
        QSignalSpy waiting(&l.loader, &RequestLoader::waiting);
        QSignalSpy begun(&l.loader, &RequestLoader::begun);
        const quint64 request = (l.loader.showHtml(u"<p>начало "_s, {}, false), l.loader.requestSerial());
        waiting.clear();
        l.engine.arrive();
        l.engine.answerAll();
        QCOMPARE(begun.size(), 1);
        // All that has come is in: the engine owes nothing (no watchdog
        // runs while the rest is made), and the page is not in place.
        QCOMPARE(waiting.size(), 0);
        QCOMPARE(l.loader.loadState(), RequestLoader::LoadState::Loading);
        QVERIFY(!l.engine.ran.contains(u"document.close"_s));
        // More of an older request is nobody's.
        l.loader.appendHtml(request - 1, u"чужое"_s, true);
        QVERIFY(l.engine.calls.isEmpty());
        // The engine is replaced meanwhile: the fresh one gets what came so
        // far, then the rest.
        Q_EMIT l.engine.replaced();
        l.engine.endLoad();
        l.engine.answerAll();
        QCOMPARE(l.shown.size(), 0);
        l.loader.appendHtml(request, u"и конец</p>"_s, true);
        QVERIFY(l.engine.scripts().contains(u"и конец"_s));
        l.engine.answerAll();
        QCOMPARE(l.shown.size(), 1);
        QVERIFY(l.engine.ran.contains(u"начало "_s) && l.engine.ran.contains(u"document.close"_s));
        QVERIFY(!l.engine.ran.contains(u"чужое"_s));
        // Once all of it is in, there is no more of it.
        l.loader.appendHtml(request, u"лишнее"_s, true);
        QVERIFY(!l.engine.ran.contains(u"лишнее"_s));
    }

    void anEscapedDocumentIsShownAgainAFewTimes()
    {
        Loading l;
        l.loader.showHtml(u"<p>страница</p>"_s);
        l.engine.arrive();
        const qsizetype loads = l.engine.loads.size();
        for (int i = 0; i < 4; ++i) {
            Q_EMIT l.engine.loadEnded(QUrl(u"about:blank"_s), true);
            l.engine.arrive();
        }
        QCOMPARE(l.engine.loads.size(), loads + 2);
    }

    void onlyTheEnginesObjectsOfGoneNodesAreDropped()
    {
        // Under the browser: the trees of two pages gone, one whose last node
        // is still there deep down, and objects that are not the engine's.
        struct Node : QAccessibleObject
        {
            using QAccessibleObject::QAccessibleObject;
            [[nodiscard]] QAccessibleInterface *parent() const override { return nullptr; }
            [[nodiscard]] QAccessibleInterface *child(int) const override { return nullptr; }
            [[nodiscard]] int childCount() const override { return 0; }
            [[nodiscard]] int indexOfChild(const QAccessibleInterface *) const override { return -1; }
            [[nodiscard]] QString text(QAccessible::Text) const override { return {}; }
            [[nodiscard]] QAccessible::Role role() const override { return QAccessible::StaticText; }
            [[nodiscard]] QAccessible::State state() const override { return {}; }
        };
        QObject browser;
        const auto tree = [&](int depth) {
            auto *root = new QObject(&browser);
            QObject *last = root;
            for (int i = 0; i < depth; ++i)
                last = new QObject(i % 2 ? last : new QObject(last));
            return std::pair{QPointer<QObject>(root), last};
        };
        const auto gone = tree(3);
        const auto goneToo = tree(0);
        const auto living = tree(5);
        QAccessible::registerAccessibleInterface(new Node(living.second));
        const QPointer<QObject> own(new QTimer(&browser));

        QCOMPARE(dropAccessibleLeftovers(&browser), 6 + 1);
        QVERIFY(!gone.first && !goneToo.first);
        QVERIFY(living.first && own);
        QVERIFY(QAccessible::queryAccessibleInterface(living.second));
    }
};

QTEST_GUILESS_MAIN(tst_viewparts)
#include "tst_viewparts.moc"
