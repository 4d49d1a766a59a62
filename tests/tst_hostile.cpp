// Pages a collection can hold that fight the reader: windows, dialogs,
// endless scripts, escapes to about:blank, text fields, self-rewriting
// pages, odd link addresses. After each the reader still answers: F4 shows
// the catalogue within a few seconds.
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
    void open(const QString &name)
    {
        const auto index = m_form->collection().workNames().indexOf(name);
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

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDir(m_program.path()).mkpath(u"Data"_s));
        addWork(u"Окно"_s, {u"<script>open()</script>Текст окна"_s,
                            u"<script>window.open('about:blank', '_blank')</script>Ещё окно"_s});
        addWork(u"Диалоги"_s, {u"<script>alert('a'); confirm('b'); prompt('c')</script>После диалогов"_s});
        addWork(u"Цель"_s, {u"<a id='t' href='http://example.org/' target='_blank'>цель</a>"
                            u"<script>document.getElementById('t').click()</script>После щелчка"_s});
        addWork(u"Цикл"_s, {u"Начало цикла<script>for(;;){}</script>"_s});
        addWork(u"Поздний цикл"_s, {u"Поздний цикл<script>setTimeout(function(){for(;;){}}, 300)</script>"_s});
        addWork(u"Пустота"_s, {u"<a id='blank' href='about:blank'>пустая ссылка</a>"_s,
                               u"<a id='odd' href='http://www.t0.4'>ссылка на первое</a>"_s});
        addWork(u"Уход"_s, {u"Текст ухода<script>setTimeout(function(){location = 'about:blank';}, 200)</script>"_s});
        addWork(u"Поле"_s, {u"<input id='field' size='40' value='длинный текст поля для выделения мышью'>"_s});
        addWork(u"Перепись"_s,
                {u"Исходный текст<script>setTimeout(function(){document.open();document.write('<p>Переписанная "
                 u"страница с длинным текстом для выделения мышью</p>');document.close();}, 200)</script>"_s});
        addWork(u"Первое"_s, {u"Первое произведение"_s});

        m_form = startReader(platform::NativePath(m_program.path()));
        QVERIFY(m_form);
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        QTRY_VERIFY_WITH_TIMEOUT(gui::showsCatalogue(m_form), 20000);
    }

    void cleanupTestCase() { delete m_form.data(); }

    void windowsAndDialogsAreRefused()
    {
        const auto windows = QApplication::topLevelWidgets().size();
        gui::BoxCatcher boxes;
        for (const QString &work : {u"Окно"_s, u"Диалоги"_s, u"Цель"_s}) {
            open(work);
            QTRY_VERIFY_WITH_TIMEOUT(view()->loadState() == PageView::LoadState::Ready, FewSeconds);
            QTest::qWait(300);
            QVERIFY2(!text().isEmpty() && !gui::showsCatalogue(m_form), qPrintable(work));
            QCOMPARE(QApplication::topLevelWidgets().size(), windows);
            QVERIFY(boxes.texts.isEmpty());
            f4ShowsTheCatalogue();
        }
        QVERIFY(text().contains(u"1) Диалоги"_s));
    }

    void anEndlessScriptDoesNotHoldTheReader()
    {
        QSignalSpy replaced(view(), &PageView::engineReplaced);
        open(u"Цикл"_s);
        QTest::qWait(500);
        f4ShowsTheCatalogue();
        QCOMPARE(replaced.size(), 1);
        // The catalogue's links work on the fresh engine.
        gui::clickLink(m_form, u"http://www.t%1"_s.arg(m_form->collection().workNames().indexOf(u"Первое"_s)),
                       u"http://www.t%1/"_s.arg(m_form->collection().workNames().indexOf(u"Первое"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(text().contains(u"Первое произведение"_s), FewSeconds);
        f4ShowsTheCatalogue();
    }

    void aPageThatHangsIsShownAgainWithoutItsScripts()
    {
        // Nobody presses anything: the reader notices by itself.
        QSignalSpy replaced(view(), &PageView::engineReplaced);
        open(u"Цикл"_s);
        QTRY_VERIFY_WITH_TIMEOUT(text().contains(u"Начало цикла"_s), 3 * PageView::HangTimeoutMs);
        QCOMPARE(replaced.size(), 1);
        f4ShowsTheCatalogue();
        // Likewise when the loop starts once the page is in place.
        open(u"Поздний цикл"_s);
        QTRY_VERIFY_WITH_TIMEOUT(replaced.size() == 2, 3 * PageView::HangTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(text().contains(u"Поздний цикл"_s), FewSeconds);
        QTest::qWait(PageView::HangTimeoutMs + 1000);
        QCOMPARE(replaced.size(), 2);
        f4ShowsTheCatalogue();
    }

    void nothingButTheReaderEmptiesThePage()
    {
        open(u"Пустота"_s);
        QTRY_VERIFY_WITH_TIMEOUT(text().contains(u"пустая ссылка"_s), FewSeconds);
        const QPoint at = gui::centreOf(page(), u"#blank"_s);
        QTest::mouseMove(gui::input(m_form), at);
        QTest::mouseClick(gui::input(m_form), Qt::LeftButton, {}, at);
        QTest::qWait(800);
        QVERIFY(text().contains(u"пустая ссылка"_s));

        // A script that goes there: the page comes back.
        open(u"Уход"_s);
        QTRY_VERIFY_WITH_TIMEOUT(text().contains(u"Текст ухода"_s), FewSeconds);
        QTest::qWait(1500);
        QTRY_VERIFY_WITH_TIMEOUT(text().contains(u"Текст ухода"_s), FewSeconds);
        f4ShowsTheCatalogue();
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
        QTRY_VERIFY_WITH_TIMEOUT(text().contains(u"Переписанная"_s), FewSeconds);
        QCOMPARE(gui::dragSelection(m_form, u"p"_s), QString());
        f4ShowsTheCatalogue();
    }

    void aWorkNameThatLoopsLeavesAUsableCatalogue()
    {
        // The name goes into the catalogue and the work page as markup: its
        // image fails to load, and the handler never ends.
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
        QTRY_VERIFY_WITH_TIMEOUT(replaced.size() == 1, 3 * PageView::HangTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(gui::showsCatalogue(window), 3 * PageView::HangTimeoutMs);

        // Its links work: the other work, then the looping one itself.
        gui::clickLink(window, u"http://www.t1"_s, u"http://www.t1/"_s);
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(gui::page(window)).contains(u"Текст второго"_s), FewSeconds);
        gui::pressKey(window, Qt::Key_F4);
        QTRY_VERIFY_WITH_TIMEOUT(gui::showsCatalogue(window), FewSeconds);
        gui::clickLink(window, u"http://www.t0"_s, u"http://www.t0/"_s);
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(gui::page(window)).contains(u"Текст петли"_s),
                                 3 * PageView::HangTimeoutMs);
        gui::pressKey(window, Qt::Key_F4);
        QTRY_VERIFY_WITH_TIMEOUT(gui::showsCatalogue(window), FewSeconds);
        QVERIFY(!window->catalogueAction()->isEnabled());
    }
};

SOBRANIE_GUI_TEST_MAIN(tst_hostile)
#include "tst_hostile.moc"
