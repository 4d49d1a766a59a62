// Pages a collection can hold that fight the reader: scripts of every kind,
// refreshes, forms, windows, escapes to about:blank, text fields, odd link
// addresses, quick clicks. After each the reader is still in charge: the
// page stays as written, F4 shows the catalogue, its links work.
#include "GuiHelpers.h"
#include "TestFiles.h"

#include "format/WorkFile.h"
#include "platform/NativePath.h"
#include "ui/StartReader.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

namespace {

using testfiles::writeFile;

// F4 within a few seconds, whatever the page did.
constexpr int FewSeconds = 6000;

} // namespace

class tst_hostile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_program;
    QPointer<MainWindow> m_form;

    [[nodiscard]] PageView *view() const { return m_form->pageView(); }
    [[nodiscard]] QWebEnginePage *page() const { return view()->page(); }
    [[nodiscard]] QString text() const { return gui::bodyText(page()); }

    void addWork(const QString &name, const QStringList &lines)
    {
        writeFile(m_program.filePath(u"Data/"_s + name + u".dat"_s), workfile::encodeWork(1, lines));
    }

    // Opens a work as a click on its link does.
    [[nodiscard]] int indexOf(const QString &name) const
    {
        return static_cast<int>(m_form->collection().workNames().indexOf(name));
    }

    void open(const QString &name)
    {
        const auto index = indexOf(name);
        QVERIFY2(index >= 0, qPrintable(name));
        m_form->followLink(u"http://www.t%1/"_s.arg(index));
    }

    void f4ShowsTheCatalogue()
    {
        QVERIFY(m_form->catalogueAction()->isEnabled());
        gui::pressKey(m_form, Qt::Key_F4);
        QVERIFY(!m_form->catalogueAction()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(gui::showsCatalogue(m_form), FewSeconds);
        QCOMPARE(view()->loadState(), PageView::LoadState::Ready);
    }

    // Clicks the element matching target or, with keys, presses them there.
    void activate(const QString &target, const QString &keys)
    {
        const QPoint at = gui::centreOf(page(), target);
        QTest::mouseMove(gui::input(m_form), at);
        if (keys.isEmpty())
            return QTest::mouseClick(gui::input(m_form), Qt::LeftButton, {}, at);
        (void)gui::eval(page(), u"document.querySelector(\"%1\").focus()"_s.arg(target));
        const QKeyCombination key = QKeySequence(keys)[0];
        QTest::keyClick(gui::input(m_form), key.key(), key.keyboardModifiers());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDir(m_program.path()).mkpath(u"Data"_s));
        addWork(u"Враждебное"_s, {});
        addWork(u"Пустота"_s, {u"<a id='odd' href='http://www.t0.4'>ссылка на первое</a>"_s});
        addWork(u"Поле"_s, {u"<input id='field' size='40' value='длинный текст поля для выделения мышью'>"_s});
        addWork(
            u"Перепись"_s,
            {u"<p>Исходный текст с длинным абзацем для выделения мышью</p><script>setTimeout(function(){"
             u"document.open();document.write('<p>Переписанная страница</p>');document.close();}, 200)</script>"_s});
        for (const QString &name : {u"Первое"_s, u"Второе"_s, u"Третье"_s, u"Четвёртое"_s})
            addWork(name, {name + u" произведение"_s});

        m_form = startReader(platform::NativePath(m_program.path()));
        QVERIFY(m_form);
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        QTRY_VERIFY_WITH_TIMEOUT(gui::showsCatalogue(m_form), 20000);
    }

    void cleanupTestCase() { delete m_form.data(); }

    void hostilePagesLeaveTheReaderInCharge_data()
    {
        QTest::addColumn<QString>("markup");
        // An element of the page the reader clicks on (or presses keys on), three times.
        QTest::addColumn<QString>("click");
        QTest::addColumn<QString>("keys");
        const auto row = [](const char *name, const QString &markup, const QString &click = {},
                            const QString &keys = {}) { QTest::newRow(name) << markup << click << keys; };
        row("window.open", u"<script>open();window.open('about:blank','_blank')</script>"_s);
        row("dialogs", u"<script>alert('a');confirm('b');prompt('c')</script>"_s);
        row("a link to a new window", u"<a id='c' href='http://example.org/' target='_blank'>цель</a>"_s, u"#c"_s);
        row("endless loop", u"<script>for(;;){}</script>"_s);
        row("loop on a timer", u"<script>setTimeout(function(){for(;;){}},300)</script>"_s);
        row("window.stop", u"<script>window.stop()</script>"_s);
        row("location.reload", u"<script>location.reload()</script>"_s);
        row("script navigation", u"<script>location.href='http://www.t1'</script>"_s);
        row("window.close", u"<script>window.close()</script>"_s);
        row("about:blank on a timer", u"<script>setTimeout(function(){location='about:blank'},200)</script>"_s);
        row("interval over the body", u"<script>setInterval(function(){document.body.innerHTML='x'},100)</script>"_s);
        row("design mode", u"<script>document.designMode='on'</script>"_s);
        row("worker", u"<script>new Worker('data:text/javascript,postMessage(1)').onmessage="
                      u"function(){document.body.innerHTML='x'}</script>"_s);
        row("refresh to about:blank", u"<meta http-equiv='refresh' content='0;url=about:blank'>"_s);
        row("refresh to a work", u"<meta http-equiv='Refresh' content='0; url=http://www.t1'>"_s);
        row("form", u"<form action='about:blank'><input type='submit' id='c' value='Отправить'></form>"_s, u"#c"_s);
        row("about:blank link", u"<a id='c' href='about:blank'>пустая ссылка</a>"_s, u"#c"_s);
        // No control opens a window: a dialog, a picker, a pop-up.
        const QString colour = u"<input type='color' id='c'>"_s;
        row("colour", colour, u"#c"_s);
        row("colour, Enter", colour, u"#c"_s, u"Return"_s);
        for (const char *type : {"date", "datetime-local", "month", "week", "time"})
            row(type, u"<input type='%1' id='c'>"_s.arg(QLatin1StringView(type)), u"#c"_s, u"Alt+Down"_s);
        row("select", u"<select id='c'><option>а</select>"_s, u"#c"_s);
        row("file", u"<input type='file' id='c'>"_s, u"#c"_s);
        row("file, Space", u"<input type='file' id='c'>"_s, u"#c"_s, u"Space"_s);
        row("datalist", u"<input id='c' list='l'><datalist id='l'><option value='а'></datalist>"_s, u"#c"_s, u"Down"_s);
        // Wherever a link stands it goes nowhere; a relative one resolves against the page, not its base.
        row("SVG about:blank link", u"<svg><a id='c' xlink:href='about:blank'><text y='20'>с</text></a></svg>"_s,
            u"#c"_s);
        row("closed shadow root about:blank link",
            u"<span id='c'><template shadowroot='closed'><a href='about:blank'>с</a></template></span>"_s, u"#c"_s);
        row("base", u"<base href='http://www.t1/'><a id='c' href='#'>наверх</a>"_s, u"#c"_s);
    }

    void hostilePagesLeaveTheReaderInCharge()
    {
        QFETCH(QString, markup);
        QFETCH(QString, click);
        QFETCH(QString, keys);
        const QString mark = u"Текст произведения"_s;
        addWork(u"Враждебное"_s, {markup + mark});
        const auto windows = [] { return std::ranges::count_if(QApplication::topLevelWidgets(), &QWidget::isVisible); };
        const auto shown = windows();
        gui::BoxCatcher boxes;
        open(u"Враждебное"_s);
        QTRY_VERIFY_WITH_TIMEOUT(view()->loadState() == PageView::LoadState::Ready && text().contains(mark),
                                 FewSeconds);
        // The page stays as written, without a flicker, whatever it asks for.
        const QString before = text();
        QSignalSpy loads(page(), &QWebEnginePage::loadingChanged);
        for (int time = 0; time < 3 && !click.isEmpty(); ++time, QTest::qWait(200))
            activate(click, keys);
        QTest::qWait(800);
        QCOMPARE(loads.size(), 0);
        QCOMPARE(text(), before);
        QCOMPARE(gui::eval(page(), u"document.designMode"_s).toString(), u"off"_s);
        QCOMPARE(windows(), shown);
        QVERIFY(boxes.texts.isEmpty());

        f4ShowsTheCatalogue();
        QTest::qWait(300);
        QVERIFY(gui::showsCatalogue(m_form));
        gui::clickLink(m_form, u"http://www.t%1"_s.arg(indexOf(u"Второе"_s)),
                       u"http://www.t%1/"_s.arg(indexOf(u"Второе"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(text().contains(u"Второе произведение"_s), FewSeconds);
        QVERIFY(m_form->catalogueAction()->isEnabled());
        f4ShowsTheCatalogue();
    }

    void everyPageStartsClean()
    {
        // Whatever one page started, in any world it can reach: timers,
        // listeners, editing, styles, properties of its window.
        open(u"Первое"_s);
        QTRY_VERIFY_WITH_TIMEOUT(view()->loadState() == PageView::LoadState::Ready, FewSeconds);
        (void)gui::eval(page(), u"window.planted = 1; document.designMode = 'on';"
                                u"document.body.style.background = 'red';"
                                u"setInterval(function () { document.body.innerHTML = 'x'; }, 100);"
                                u"document.addEventListener('click', function (e) {"
                                u"  e.stopImmediatePropagation(); e.preventDefault(); }, true);"_s);
        f4ShowsTheCatalogue();
        QTest::qWait(500);
        QVERIFY(gui::showsCatalogue(m_form));
        QCOMPARE(gui::eval(page(), u"typeof window.planted + ' ' + document.designMode + ' ' +"
                                   u"getComputedStyle(document.body).backgroundColor"_s)
                     .toString(),
                 u"undefined off rgba(0, 0, 0, 0)"_s);
        gui::clickLink(m_form, u"http://www.t%1"_s.arg(indexOf(u"Третье"_s)),
                       u"http://www.t%1/"_s.arg(indexOf(u"Третье"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(text().contains(u"Третье произведение"_s), FewSeconds);
        f4ShowsTheCatalogue();
    }

    void aQuickClickOpensTheLinkUnderThePointer()
    {
        // The pointer rests on the first link, slides down the catalogue and
        // clicks a moment after it reaches another, before the engine has
        // said what it rests on.
        const QStringList works{u"Первое"_s, u"Второе"_s, u"Третье"_s, u"Четвёртое"_s};
        for (int round = 0; round < 9; ++round) {
            const QString &target = works.at(1 + round % (works.size() - 1));
            QTRY_VERIFY_WITH_TIMEOUT(gui::showsCatalogue(m_form), FewSeconds);
            QList<QPoint> stops;
            for (const QString &work : works)
                stops.append(gui::centreOf(page(), u"a[href='http://www.t%1']"_s.arg(indexOf(work))));
            const QPoint end = stops.at(works.indexOf(target));
            gui::pointAt(m_form, stops.first(), u"http://www.t%1/"_s.arg(indexOf(works.first())));
            for (int y = stops.first().y(); y < end.y(); y += 4)
                QTest::mouseMove(gui::input(m_form), QPoint(end.x(), y), 2);
            QTest::mouseMove(gui::input(m_form), end);
            QTest::qWait(15);
            QTest::mouseClick(gui::input(m_form), Qt::LeftButton, {}, end);
            QTRY_VERIFY_WITH_TIMEOUT(text().contains(u" произведение"_s), FewSeconds);
            QVERIFY2(text().contains(target + u" произведение"_s), qPrintable(text()));
            gui::pressKey(m_form, Qt::Key_F4);
        }
    }

    void aReaderLinkTheEngineCannotParseStillOpensItsWork()
    {
        // "http://www.t0.4" is no valid address for the engine; read as the
        // reader reads it, it is work 0.4, that is work 0.
        open(u"Пустота"_s);
        QTRY_VERIFY_WITH_TIMEOUT(text().contains(u"ссылка на первое"_s), FewSeconds);
        const QPoint at = gui::centreOf(page(), u"#odd"_s);
        QTest::mouseMove(gui::input(m_form), at);
        QTest::mouseClick(gui::input(m_form), Qt::LeftButton, {}, at);
        const QString first = m_form->collection().workNames().at(0);
        QTRY_VERIFY_WITH_TIMEOUT(text().contains(first) && !text().contains(u"ссылка на первое"_s), FewSeconds);
        f4ShowsTheCatalogue();
    }

    void noSelectionInTextFieldsNorOnPagesThatRewriteThemselves()
    {
        open(u"Поле"_s);
        QTRY_VERIFY_WITH_TIMEOUT(view()->loadState() == PageView::LoadState::Ready, FewSeconds);
        QTRY_VERIFY_WITH_TIMEOUT(gui::centreOf(page(), u"#field"_s).x() > 0, FewSeconds);
        QCOMPARE(gui::dragSelection(m_form, u"#field"_s), QString());
        const QPoint at = gui::centreOf(page(), u"#field"_s);
        QTest::mouseDClick(gui::input(m_form), Qt::LeftButton, {}, at);
        QTest::qWait(300);
        QCOMPARE(gui::eval(page(), u"(function(){var f=document.getElementById('field');"
                                   u"return f.selectionEnd - f.selectionStart;})()"_s)
                     .toInt(),
                 0);
        // The same holds where selection is allowed nowhere else either.
        view()->setSelectionAllowed(true);
        QVERIFY(!gui::dragSelection(m_form, u"#field"_s).isEmpty());
        view()->setSelectionAllowed(false);
        f4ShowsTheCatalogue();

        open(u"Перепись"_s);
        QTRY_VERIFY_WITH_TIMEOUT(text().contains(u"Исходный текст"_s), FewSeconds);
        QCOMPARE(gui::dragSelection(m_form, u"p"_s), QString());
        QVERIFY(!text().contains(u"Переписанная"_s));
        f4ShowsTheCatalogue();
    }

    void aWorkNameThatLoopsLeavesAUsableCatalogue()
    {
        // Were the name markup, its image would fail to load and its handler never end.
        QTemporaryDir program;
        QVERIFY(QDir(program.path()).mkpath(u"Data"_s));
        const QString name = u"<img src=x onerror=for(;;);>"_s;
        writeFile(program.filePath(u"Data/"_s + name + u".dat"_s), workfile::encodeWork(1, {u"Текст петли"_s}));
        writeFile(program.filePath(u"Data/Второе.dat"_s), workfile::encodeWork(1, {u"Текст второго"_s}));

        QPointer<MainWindow> window = startReader(platform::NativePath(program.path()));
        QVERIFY(window);
        const auto close = qScopeGuard([&] { delete window.data(); });
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QSignalSpy replaced(window->pageView(), &PageView::engineReplaced);
        QTRY_VERIFY_WITH_TIMEOUT(gui::showsCatalogue(window), FewSeconds);

        // Its links work: the other work, then the looping one itself.
        gui::clickLink(window, u"http://www.t1"_s, u"http://www.t1/"_s);
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(gui::page(window)).contains(u"Текст второго"_s), FewSeconds);
        gui::pressKey(window, Qt::Key_F4);
        QTRY_VERIFY_WITH_TIMEOUT(gui::showsCatalogue(window), FewSeconds);
        gui::clickLink(window, u"http://www.t0"_s, u"http://www.t0/"_s);
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(gui::page(window)).contains(u"Текст петли"_s), FewSeconds);
        gui::pressKey(window, Qt::Key_F4);
        QTRY_VERIFY_WITH_TIMEOUT(gui::showsCatalogue(window), FewSeconds);
        QVERIFY(!window->catalogueAction()->isEnabled());
        QCOMPARE(replaced.size(), 0);
    }
};

SOBRANIE_GUI_TEST_MAIN(tst_hostile)
#include "tst_hostile.moc"
