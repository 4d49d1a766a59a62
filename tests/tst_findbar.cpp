// The find bar alone: where the keys go in it, and what it says.
#include "ui/FindBar.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::Literals::StringLiterals;

class tst_findbar : public QObject
{
    Q_OBJECT

    // A bar open on the whole collection with two works found.
    struct Open
    {
        QWidget window;
        FindBar *bar = new FindBar(&window);
        Open()
        {
            window.resize(600, 300);
            bar->resize(600, 300);
            window.show();
            window.activateWindow();
            (void)QTest::qWaitForWindowActive(&window);
            bar->open(true);
            bar->phraseEdit()->setText(u"море"_s);
            worksearch::WorkMatches one{0, u"Первое"_s, 2, 1, {}};
            one.lines.append(worksearch::MatchedLine{0, 10, u"море, море"_s, 0, {{0, 4, 2}, {6, 4, 3}}, 2});
            bar->addResults({one, worksearch::WorkMatches{3, u"Четвёртое"_s, 1, 1, {}}});
        }
    };

private Q_SLOTS:
    void escapeClosesFromEveryPart_data()
    {
        QTest::addColumn<QString>("part");
        QTest::newRow("phrase") << u"findPhrase"_s;
        QTest::newRow("results") << u"findResults"_s;
        QTest::newRow("switch") << u"findEverywhere"_s;
    }

    void escapeClosesFromEveryPart()
    {
        QFETCH(QString, part);
        Open open;
        auto *widget = open.bar->findChild<QWidget *>(part);
        QVERIFY(widget);
        widget->setFocus();
        // The keys are handed on while the bar still shows: hidden first, it
        // would pass them on as Tab does.
        bool shownWhenClosing = false;
        connect(open.bar, &FindBar::closing, this, [&] { shownWhenClosing = open.bar->isVisible(); });
        QSignalSpy closed(open.bar, &FindBar::closed);
        QTest::keyClick(widget, Qt::Key_Escape);
        QCOMPARE(closed.size(), 1);
        QVERIFY(shownWhenClosing);
        QVERIFY(!open.bar->isVisible());
    }

    void downAndUpBetweenPhraseAndResults()
    {
        Open open;
        QLineEdit *phrase = open.bar->phraseEdit();
        QTreeWidget *results = open.bar->results();
        phrase->setFocus();
        QTest::keyClick(phrase, Qt::Key_Down);
        QVERIFY(results->hasFocus());
        QCOMPARE(results->currentItem(), results->topLevelItem(0));
        // Down in the list walks it; Up from its first line goes back.
        QTest::keyClick(results, Qt::Key_Down);
        QCOMPARE(results->currentItem(), results->topLevelItem(0)->child(0));
        QTest::keyClick(results, Qt::Key_Up);
        QVERIFY(results->hasFocus());
        QTest::keyClick(results, Qt::Key_Up);
        QVERIFY(phrase->hasFocus());
        // Enter on a line chooses its work at its match.
        QSignalSpy chosen(open.bar, &FindBar::resultChosen);
        results->setFocus();
        results->setCurrentItem(results->topLevelItem(0)->child(0));
        QTest::keyClick(results, Qt::Key_Return);
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen[0][0].value<std::int32_t>(), 0);
        QCOMPARE(chosen[0][1].value<qsizetype>(), 2);
    }

    void theCountSaysWhereFindIs_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("total");
        QTest::addColumn<QString>("text");
        QTest::newRow("looking") << -1 << -1 << u"…"_s;
        QTest::newRow("nothing") << -1 << 0 << u"не найдено"_s;
        QTest::newRow("one of many") << 2 << 59 << u"3 из 59"_s;
    }

    void theCountSaysWhereFindIs()
    {
        QFETCH(int, current);
        QFETCH(int, total);
        QFETCH(QString, text);
        Open open;
        open.bar->showCount(current, total);
        auto *count = open.bar->findChild<QLabel *>(u"findCount"_s);
        QCOMPARE(count->text(), text);
        QCOMPARE(count->textFormat(), Qt::PlainText);
    }
};

QTEST_MAIN(tst_findbar)
#include "tst_findbar.moc"
