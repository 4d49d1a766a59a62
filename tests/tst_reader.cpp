// The reading road in a real window: catalogue, works, back link, F4,
// biography, error box, keys, windows, network, a large work.
#include "GuiHelpers.h"
#include "TestFiles.h"

#include "format/Pages.h"
#include "format/WorkFile.h"
#include "platform/NativePath.h"
#include "platform/Windows1251.h"
#include "ui/FindBar.h"
#include "ui/MainWindow.h"
#include "ui/StartReader.h"
#include "view/FindScript.h"
#include "view/GuardedPage.h"
#include "view/PageView.h"
#include "view/PageViewTesting.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QUdpSocket>
#include <QWebEngineView>
#include <QWheelEvent>

#include <csignal>
#include <sys/types.h>

using namespace Qt::Literals::StringLiterals;

namespace {

using testfiles::writeFile;

QStringList manyLines(int count, const QString &stem)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines.append(u"%1 %2: съешь же ещё этих мягких французских булок, да выпей чаю."_s.arg(stem).arg(i));
    return lines;
}

} // namespace

class tst_reader : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_program;
    MainWindow *m_form = nullptr;

    [[nodiscard]] PageView *view() const { return m_form->pageView(); }
    [[nodiscard]] QWebEnginePage *page() const { return view()->page(); }
    [[nodiscard]] QWidget *input() const { return gui::input(m_form); }
    [[nodiscard]] QString dataPath(const QString &name) const { return m_program.filePath(u"Data/"_s + name); }
    [[nodiscard]] int indexOf(const QString &work) const
    {
        return static_cast<int>(m_form->collection().workNames().indexOf(work));
    }

    void writeWork(const QString &name, const QStringList &lines)
    {
        writeFile(dataPath(name + u".dat"_s), workfile::encodeWork(1000 + indexOf(name), lines));
    }

    [[nodiscard]] bool showsCatalogue() const { return gui::showsCatalogue(m_form); }
    void clickLink(const QString &href, const QString &expectedStatus) { gui::clickLink(m_form, href, expectedStatus); }
    QString dragSelection() { return gui::dragSelection(m_form); }

    void backToCatalogue()
    {
        m_form->followLink(u"http://www.s/"_s);
        QTRY_VERIFY_WITH_TIMEOUT(showsCatalogue() && view()->loadState() == PageView::LoadState::Ready, 20000);
        // Let the pointer leave whatever link it rested on: the engine then
        // reports no link, or the one the keyboard is on (the work just read).
        const QString focused =
            gui::eval(page(), u"(function(){var a=document.activeElement;return a&&a.href?a.href:'';})()"_s).toString();
        QTest::mouseMove(input(), QPoint(view()->width() - 5, view()->height() - 5));
        QTRY_VERIFY_WITH_TIMEOUT(
            PageViewTesting::statusText(*view()).isEmpty() || PageViewTesting::statusText(*view()) == focused, 20000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_program.isValid());
        QVERIFY(QDir(m_program.path()).mkpath(u"Data"_s));
        for (const QString &name : {u"Большой"_s, u"Второе"_s, u"Окно"_s, u"Первое"_s, u"Пропавший"_s, u"Сеть"_s})
            writeFile(dataPath(name + u".dat"_s), "1\r\n");
        writeFile(
            dataPath(u"Биография.html"_s),
            platform::windows1251::encode(u"<html><head><meta http-equiv='Content-Type' content='text/html; "
                                          u"charset=windows-1251'></head><body><p>Жизнь и труды автора, изложенные "
                                          u"кратко.</p></body></html>"_s));

        for (const testfiles::ReferenceWork &work : testfiles::referenceWorks())
            writeFile(dataPath(work.name + u".dat"_s), work.file);

        m_form = startReader(platform::NativePath(m_program.path()));
        QVERIFY(m_form);
        QCOMPARE(m_form->collection().lastWorkIndex(), 8);

        writeWork(u"Первое"_s, {u"Строка первая"_s, u""_s, u"Строка вторая"_s});
        writeWork(u"Второе"_s, manyLines(400, u"Абзац"_s));
        writeWork(u"Окно"_s,
                  {u"<a id='blank' href='http://example.org/' target='_blank'>новое окно</a>"_s,
                   u"<a id='script' href='#' onclick=\"window.open('about:blank');return false\">"
                   u"окно из сценария</a>"_s,
                   u"<svg><a id='svg' xlink:href='http://example.org/svg'><text y='20'>и</text></a></svg>"_s,
                   u"<a id='mail' href='mailto:reader@example.org'>письмо</a> "
                   u"<a id='down' href='#end'>вниз</a><div style='height:3000px'></div><p id='end'>Конец</p>"_s,
                   u"Ёлка у окна"_s});

        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
    }

    void startUpShowsTheCatalogue()
    {
        QCOMPARE(m_form->windowTitle(), u"Собрание №1 Лоримунд Э Р"_s);
        QCOMPARE(m_form->windowIcon().availableSizes().value(0), QSize(32, 32));
        QCOMPARE(m_form->keptCataloguePage(), pages::cataloguePage(m_form->collection().workNames()));
        QVERIFY(!m_form->catalogueAction()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(showsCatalogue(), 20000);
        const QString text = gui::bodyText(page());
        QVERIFY(text.contains(u"Лоримунд Эльвар Ристевин"_s));
        QVERIFY(text.contains(u"1) Большой"_s));
        QVERIFY(text.contains(u"6) Сеть"_s));
        QCOMPARE(view()->loadState(), PageView::LoadState::Ready);

        // The view fills the client area of 468 x 341.
        QCOMPARE(m_form->clientArea()->size(), QSize(468, 341));
        QCOMPARE(view()->geometry(), QRect(QPoint(0, 0), m_form->clientArea()->size()));
        QCOMPARE(view()->browser()->geometry(), QRect(QPoint(0, 0), view()->size()));
    }

    void menuItemsAndShortcuts()
    {
        const QStringList names{u"catalogueAction"_s, u"helpAction"_s, u"aboutAction"_s, u"separator"_s,
                                u"exitAction"_s};
        const QStringList captions{u"Список произведений"_s, u"Справка"_s, u"О программе"_s, QString(), u"Выход"_s};
        auto *menu = m_form->findChild<QMenu *>(u"menu"_s);
        QVERIFY(menu);
        QCOMPARE(menu->title(), u"Меню"_s);
        const QList<QAction *> actions = menu->actions();
        QCOMPARE(actions.size(), 5);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(actions[i]->objectName(), names[i]);
            QCOMPARE(actions[i]->text(), captions[i]);
        }
        QVERIFY(actions[3]->isSeparator());
        QCOMPARE(actions[0]->shortcut(), QKeySequence(Qt::Key_F4));
        QCOMPARE(actions[1]->shortcut(), QKeySequence(Qt::Key_F1));
    }

    void clickingAWorkShowsItAndTheBackLinkReturns()
    {
        backToCatalogue();
        clickLink(u"http://www.t%1"_s.arg(indexOf(u"Первое"_s)), u"http://www.t%1/"_s.arg(indexOf(u"Первое"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(page()).contains(u"Строка вторая"_s), 20000);
        const QString text = gui::bodyText(page());
        QVERIFY(text.contains(u"Первое"_s));
        QVERIFY(text.contains(u"Строка первая"_s));
        QVERIFY(!text.contains(u"Лоримунд"_s));
        QVERIFY(m_form->catalogueAction()->isEnabled());
        // A written page blocks selection as well.
        QCOMPARE(dragSelection(), QString());

        clickLink(u"http://www.s"_s, u"http://www.s/"_s);
        QTRY_VERIFY_WITH_TIMEOUT(showsCatalogue(), 20000);
        QVERIFY(!m_form->catalogueAction()->isEnabled());
    }

    void referenceWorksReadAsWritten()
    {
        for (const testfiles::ReferenceWork &work : testfiles::referenceWorks()) {
            backToCatalogue();
            clickLink(u"http://www.t%1"_s.arg(indexOf(work.name)), u"http://www.t%1/"_s.arg(indexOf(work.name)));
            QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(page()).contains(work.lines.last()), 20000);
            const QString indent(3, QChar(0xA0));
            QCOMPARE(gui::bodyText(page()),
                     u"Список произведений\n"_s + work.name + u'\n' + indent + work.lines.join(u'\n' + indent) + u'\n');
        }
    }

    void f4ShowsTheCatalogueAgain()
    {
        backToCatalogue();
        m_form->followLink(u"http://www.t%1/"_s.arg(indexOf(u"Первое"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(page()).contains(u"Строка первая"_s), 20000);
        QVERIFY(m_form->catalogueAction()->isEnabled());

        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        gui::pressKey(m_form, Qt::Key_F4);
        QTRY_VERIFY_WITH_TIMEOUT(showsCatalogue(), 20000);
        QVERIFY(!m_form->catalogueAction()->isEnabled());
        // Disabled, F4 does nothing; the kept page is unchanged.
        gui::pressKey(m_form, Qt::Key_F4);
        QCOMPARE(m_form->keptCataloguePage(), pages::cataloguePage(m_form->collection().workNames()));
    }

    void biographyLinkShowsTheBiographyFile()
    {
        backToCatalogue();
        clickLink(u"http://www.b"_s, u"http://www.b/"_s);
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(page()).contains(u"Жизнь и труды автора"_s), 20000);
        QCOMPARE(page()->url(), QUrl::fromLocalFile(dataPath(u"Биография.html"_s)));
        QVERIFY(m_form->catalogueAction()->isEnabled());

        // No selection there either, unless it is allowed.
        QCOMPARE(dragSelection(), QString());
        view()->setSelectionAllowed(true);
        QVERIFY(!dragSelection().isEmpty());
        view()->setSelectionAllowed(false);
        QCOMPARE(dragSelection(), QString());
    }

    void missingWorkFileIsReported()
    {
        backToCatalogue();
        const QString path = m_form->collection().dataDir() + u"Пропавший.dat"_s;
        QVERIFY(QFile::remove(path));
        gui::BoxCatcher boxes;
        clickLink(u"http://www.t%1"_s.arg(indexOf(u"Пропавший"_s)), u"http://www.t%1/"_s.arg(indexOf(u"Пропавший"_s)));
        QTRY_COMPARE_WITH_TIMEOUT(boxes.texts.size(), 1, 20000);
        QCOMPARE(boxes.texts[0], u"Файл \""_s + path + u"\" не найден."_s);
        QCOMPARE(boxes.titles[0], u"Собрание №1 Лоримунд Э Р"_s);
        QCOMPARE(boxes.icons[0], QMessageBox::Critical);
        QCOMPARE(boxes.formats[0], Qt::PlainText);
        QVERIFY(showsCatalogue());
        QVERIFY(!m_form->catalogueAction()->isEnabled());
    }

    void unopenableWorkFileIsReported()
    {
        backToCatalogue();
        // A folder under the work's name cannot be opened as a file.
        const QString path = m_form->collection().dataDir() + u"Пропавший.dat"_s;
        QFile::remove(path);
        QVERIFY(QDir().mkpath(path));
        gui::BoxCatcher boxes;
        m_form->openWork(indexOf(u"Пропавший"_s));
        QCOMPARE(boxes.texts.value(0), u"Файл \""_s + path + u"\" открыть не возможно."_s);
        QVERIFY(QDir(path).removeRecursively());
        QVERIFY(showsCatalogue());
    }

    void indexOutsideTheWorksDoesNothing()
    {
        backToCatalogue();
        gui::BoxCatcher boxes;
        m_form->openWork(-1);
        m_form->openWork(m_form->collection().lastWorkIndex() + 1);
        m_form->followLink(u"http://www.t99/"_s);
        m_form->followLink(u"http://www.x/"_s);
        m_form->followLink(u"http://www.T0/"_s);
        QTest::qWait(200);
        QVERIFY(boxes.texts.isEmpty());
        QVERIFY(showsCatalogue());
        QVERIFY(!m_form->catalogueAction()->isEnabled());
    }

    void onlyTheReadingKeysReachThePage()
    {
        backToCatalogue();
        m_form->followLink(u"http://www.t%1/"_s.arg(indexOf(u"Второе"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(page()).contains(u"Абзац 400"_s), 20000);
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        QTRY_VERIFY(input()->hasFocus());
        const auto scrollY = [this] { return gui::eval(page(), u"window.scrollY"_s).toInt(); };
        QCOMPARE(scrollY(), 0);

        // Keys go to whatever has the focus, as from a keyboard.
        gui::pressKey(m_form, Qt::Key_Right);
        gui::pressKey(m_form, Qt::Key_A, Qt::ControlModifier);
        gui::pressKey(m_form, Qt::Key_Backspace);
        QTest::qWait(500);
        QCOMPARE(scrollY(), 0);
        QCOMPARE(gui::eval(page(), u"window.getSelection().toString()"_s).toString(), QString());

        // Each reading key moves the page its way: on, back, or to an end.
        enum Move { On, Back, ToEnd, ToTop };
        const struct
        {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            Move move;
        } keys[] = {
            {Qt::Key_Space, {}, On},
            {Qt::Key_Down, {}, On},
            {Qt::Key_PageDown, {}, On},
            {Qt::Key_PageDown, Qt::KeypadModifier, On},
            {Qt::Key_Up, {}, Back},
            {Qt::Key_PageUp, Qt::KeypadModifier, Back},
            {Qt::Key_End, {}, ToEnd},
            {Qt::Key_Home, {}, ToTop},
            {Qt::Key_End, Qt::ControlModifier, ToEnd},
            {Qt::Key_PageUp, {}, Back},
            {Qt::Key_Home, Qt::ControlModifier | Qt::KeypadModifier, ToTop},
        };
        const int bottom = gui::eval(page(), u"document.documentElement.scrollHeight - window.innerHeight"_s).toInt();
        for (const auto &k : keys) {
            const int before = scrollY();
            gui::pressKey(m_form, k.key, k.modifiers);
            const auto moved = [&] {
                const int now = scrollY();
                switch (k.move) {
                case On:
                    return now > before;
                case Back:
                    return now < before;
                case ToEnd:
                    return now >= bottom - 1;
                case ToTop:
                    return now == 0;
                }
                return false;
            };
            QTRY_VERIFY2_WITH_TIMEOUT(moved(), qPrintable(QKeySequence(k.key | k.modifiers).toString()), 10000);
        }
        QVERIFY(m_form->catalogueAction()->isEnabled());
    }

    void theKeyboardReachesEveryLink()
    {
        m_form->showCatalogue();
        QTRY_VERIFY_WITH_TIMEOUT(showsCatalogue(), 20000);
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        const auto marked = [this] {
            return gui::eval(page(), u"(function(){var a=document.activeElement;"
                                     u"return a&&a.matches(':focus-visible')?a.getAttribute('href'):'';})()"_s)
                .toString();
        };
        // Tab and Shift+Tab move a visible mark from link to link; Enter
        // follows the marked one, as a click does.
        gui::pressKey(m_form, Qt::Key_Tab);
        QTRY_COMPARE(marked(), u"http://www.b"_s);
        gui::pressKey(m_form, Qt::Key_Tab);
        gui::pressKey(m_form, Qt::Key_Tab);
        QTRY_COMPARE(marked(), u"http://www.t1"_s);
        // Shift+Tab as a keyboard sends it.
        gui::pressKey(m_form, Qt::Key_Backtab, Qt::ShiftModifier);
        QTRY_COMPARE(marked(), u"http://www.t0"_s);
        gui::pressKey(m_form, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(view()->loadState() == PageView::LoadState::Ready
                                     && gui::bodyText(page()).startsWith(u"Список произведений\n"_s
                                                                         + m_form->collection().workNames().at(0)),
                                 20000);
        QVERIFY(m_form->catalogueAction()->isEnabled());
        // On a work the first mark is the way back.
        gui::pressKey(m_form, Qt::Key_Tab);
        QTRY_COMPARE(marked(), u"http://www.s"_s);
        gui::pressKey(m_form, Qt::Key_Enter);
        QTRY_VERIFY_WITH_TIMEOUT(showsCatalogue(), 20000);
        QVERIFY(!m_form->catalogueAction()->isEnabled());
        // Back, the mark is on the work just read; Tab goes round the
        // page's links and never stops where nothing shows.
        QTRY_COMPARE(marked(), u"http://www.t0"_s);
        const QString last = u"http://www.t%1"_s.arg(m_form->collection().lastWorkIndex());
        for (const auto &[key, href] : {std::pair{Qt::Key_Backtab, u"http://www.b"_s}, std::pair{Qt::Key_Backtab, last},
                                        std::pair{Qt::Key_Tab, u"http://www.b"_s}}) {
            gui::pressKey(m_form, key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
            QTRY_COMPARE(marked(), href);
        }

        // F10 opens the menu.
        gui::pressKey(m_form, Qt::Key_F10);
        QTRY_COMPARE(QApplication::activePopupWidget(), m_form->findChild<QMenu *>(u"menu"_s));
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTest::keyClick(m_form->menuBar(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
    }

    void oneTextSizeForEveryPage()
    {
        backToCatalogue();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        // The page's width in its own pixels shrinks as the text grows.
        const auto scale = [this] {
            return double(view()->width()) / gui::eval(page(), u"window.innerWidth"_s).toDouble();
        };
        const auto wheel = [this](int delta) {
            QWheelEvent event(QPointF(50, 50), view()->mapToGlobal(QPointF(50, 50)), {}, QPoint(0, delta), Qt::NoButton,
                              Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(input(), &event);
        };
        gui::pressKey(m_form, Qt::Key_Plus, Qt::ControlModifier);
        gui::pressKey(m_form, Qt::Key_Equal, Qt::ControlModifier);
        QTRY_COMPARE_WITH_TIMEOUT(qRound(scale() * 100), 125, 5000);
        // It holds for every page shown after, written or a file.
        m_form->followLink(u"http://www.t%1/"_s.arg(indexOf(u"Первое"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(page()).contains(u"Строка первая"_s), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(qRound(scale() * 100), 125, 5000);
        m_form->followLink(u"http://www.b/"_s);
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(page()).contains(u"Жизнь и труды"_s), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(qRound(scale() * 100), 125, 5000);
        wheel(-120);
        QTRY_COMPARE_WITH_TIMEOUT(qRound(scale() * 100), 110, 5000);
        gui::pressKey(m_form, Qt::Key_0, Qt::ControlModifier);
        gui::pressKey(m_form, Qt::Key_Minus, Qt::ControlModifier);
        QTRY_COMPARE_WITH_TIMEOUT(qRound(scale() * 100), 90, 5000);
        backToCatalogue();
        QTRY_COMPARE_WITH_TIMEOUT(qRound(scale() * 100), 90, 5000);
        wheel(120);
        QTRY_COMPARE_WITH_TIMEOUT(qRound(scale() * 100), 100, 5000);
    }

    void linkInterceptionRules()
    {
        backToCatalogue();
        m_form->followLink(u"http://www.t%1/"_s.arg(indexOf(u"Окно"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(page()).contains(u"новое окно"_s), 20000);
        QStringList dispatched;
        const auto reader = view()->setLinkHandler([&](const QString &address) { dispatched.append(address); });
        const auto restore = qScopeGuard([&] { view()->setLinkHandler(reader); });

        // Only the view's own loads go ahead: never a link, a form, history,
        // a reload or a refresh of the page's own.
        for (const auto type : {QWebEnginePage::NavigationTypeLinkClicked, QWebEnginePage::NavigationTypeFormSubmitted,
                                QWebEnginePage::NavigationTypeBackForward, QWebEnginePage::NavigationTypeReload,
                                QWebEnginePage::NavigationTypeRedirect, QWebEnginePage::NavigationTypeOther})
            QVERIFY(!GuardedPage::admits(type));
        QVERIFY(GuardedPage::admits(QWebEnginePage::NavigationTypeTyped));

        // A click hands on the address it was on, as the engine writes it; a
        // link of another kind goes nowhere, one to a place in the page
        // scrolls there.
        const auto click = [this](const QString &id) {
            const QPoint at = gui::centreOf(page(), u"#"_s + id);
            QTest::mouseMove(input(), at);
            QTest::mouseClick(input(), Qt::LeftButton, {}, at);
        };
        click(u"blank"_s);
        click(u"svg"_s);
        QTRY_COMPARE(dispatched, (QStringList{u"http://example.org/"_s, u"http://example.org/svg"_s}));
        click(u"mail"_s);
        click(u"down"_s);
        QTRY_VERIFY_WITH_TIMEOUT(gui::eval(page(), u"window.scrollY"_s).toInt() > 1000, 5000);
        // Nothing but the guard's own report counts as a click.
        PageViewTesting::consoleMessage(*view(), u"http://www.t0/"_s);
        (void)gui::eval(page(), u"console.log('http://www.t0/')"_s);
        QTest::qWait(200);
        QCOMPARE(dispatched.size(), 2);
        QVERIFY(gui::bodyText(page()).contains(u"новое окно"_s));
    }

    void noContextMenu()
    {
        QCOMPARE(view()->browser()->contextMenuPolicy(), Qt::PreventContextMenu);
        QTest::mouseClick(input(), Qt::RightButton, {}, QPoint(50, 50));
        QTest::qWait(300);
        QCOMPARE(QApplication::activePopupWidget(), nullptr);
    }

    void pagesGetNoNewWindows()
    {
        backToCatalogue();
        const QList<QWidget *> before = QApplication::topLevelWidgets();
        m_form->followLink(u"http://www.t%1/"_s.arg(indexOf(u"Окно"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(page()).contains(u"новое окно"_s), 20000);

        clickLink(u"http://example.org/"_s, u"http://example.org/"_s);
        const QPoint at = gui::centreOf(page(), u"#script"_s);
        QTest::mouseMove(input(), at);
        QTest::mouseClick(input(), Qt::LeftButton, {}, at);
        // Opened while the click still counts as the reader's, a window is
        // made and at once closed again; opened later, none is made at all.
        (void)gui::eval(page(), u"window.opened = window.open('about:blank'), 0"_s);
        QTRY_VERIFY_WITH_TIMEOUT(gui::eval(page(), u"opened === null || opened.closed"_s).toBool(), 20000);
        QTest::qWait(500);
        QCOMPARE(QApplication::topLevelWidgets().size(), before.size());
        // The page stays: the web link was handed to the dispatcher, which ignores it.
        QVERIFY(gui::bodyText(page()).contains(u"новое окно"_s));
    }

    void pagesMakeNoNetworkConnection()
    {
        // Listeners on the loopback only: TCP for the web addresses and a
        // TURN server, UDP for a STUN server.
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QUdpSocket stun;
        QVERIFY(stun.bind(QHostAddress::LocalHost, 0));
        int connections = 0;
        connect(&server, &QTcpServer::newConnection, this, [&] { ++connections; });
        const QString host = u"127.0.0.1:%1"_s.arg(server.serverPort());
        const QString stunHost = u"127.0.0.1:%1"_s.arg(stun.localPort());
        // Sockets on the multicast DNS port, which WebRTC opens to hide addresses.
        const auto mdnsSockets = [] {
            qsizetype n = 0;
            for (const QString &table : {u"/proc/net/udp"_s, u"/proc/net/udp6"_s}) {
                QFile f(table);
                if (f.open(QIODevice::ReadOnly))
                    n += f.readAll().count(":14E9 ");
            }
            return n;
        };
        const qsizetype mdnsBefore = mdnsSockets();
        QStringList lines;
        for (const QString &scheme : {u"http"_s, u"https"_s}) {
            const QString base = scheme + u"://"_s + host + u"/"_s;
            lines << u"<img src='"_s + base + u"x.png'><link rel='stylesheet' href='"_s + base + u"s.css'>"_s
                  << u"<iframe src='"_s + base + u"f.html'></iframe>"_s;
        }
        lines << u"<script>fetch('http://"_s + host + u"/f');new WebSocket('ws://"_s + host + u"/w');"_s
                     + u"new WebSocket('wss://"_s + host + u"/w');var pc = new RTCPeerConnection({iceServers: ["_s
                     + u"{urls: 'stun:"_s + stunHost + u"'}, {urls: 'turn:"_s + host
                     + u"?transport=tcp', username: 'u', credential: 'p'}]});pc.createDataChannel('d');"_s
                     + u"pc.createOffer().then(function (o) { return pc.setLocalDescription(o); });</script>"_s
                     + u"Сетевые ссылки"_s;
        writeWork(u"Сеть"_s, lines);
        backToCatalogue();
        m_form->followLink(u"http://www.t%1/"_s.arg(indexOf(u"Сеть"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(page()).contains(u"Сетевые ссылки"_s), 20000);
        // Give any request time to arrive.
        QTest::qWait(2000);
        QCOMPARE(connections, 0);
        QVERIFY(!server.hasPendingConnections());
        QVERIFY(!stun.hasPendingDatagrams());
        QCOMPARE(mdnsSockets(), mdnsBefore);
    }

    void aFiveMegabyteWorkOpens()
    {
        QStringList lines = manyLines(70000, u"Большой абзац"_s);
        writeWork(u"Большой"_s, lines);
        QVERIFY(QFileInfo(dataPath(u"Большой.dat"_s)).size() > 5'000'000);
        backToCatalogue();
        m_form->followLink(u"http://www.t%1/"_s.arg(indexOf(u"Большой"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(
            gui::eval(page(), u"document.body.textContent.indexOf('Большой абзац 70000:') >= 0"_s).toBool(), 30000);
        QVERIFY(m_form->catalogueAction()->isEnabled());
    }

    void layoutFollowsTheWindow()
    {
        m_form->resize(700, 500);
        QTRY_COMPARE(view()->size(), m_form->clientArea()->size());
        QCOMPARE(view()->pos(), QPoint(0, 0));

        // Minimised, the view keeps its place; a size change meanwhile is
        // laid out when the window comes back.
        const QRect before = view()->geometry();
        m_form->showMinimized();
        QTRY_VERIFY(m_form->isMinimized());
        m_form->resize(760, 560);
        QTest::qWait(200);
        QCOMPARE(view()->geometry(), before);
        m_form->showNormal();
        QTRY_COMPARE(view()->size(), m_form->clientArea()->size());
        QCOMPARE(view()->size(), m_form->clientSize());
        QVERIFY(view()->size() != before.size());

        // A client area of no height gives the view no height.
        m_form->resize(520, m_form->menuBar()->height());
        QTRY_COMPARE(m_form->clientSize(), QSize(520, 0));
        QTRY_COMPARE(view()->size(), QSize(520, 0));
        m_form->resize(600, 450);
        QTRY_COMPARE(view()->size(), m_form->clientArea()->size());
        m_form->activateWindow();
    }

    void f4DuringALongWriteShowsTheCatalogue()
    {
        writeWork(u"Большой"_s, manyLines(70000, u"Большой абзац"_s));
        backToCatalogue();
        m_form->followLink(u"http://www.t%1/"_s.arg(indexOf(u"Большой"_s)));
        QVERIFY(m_form->catalogueAction()->isEnabled());
        QCOMPARE(view()->loadState(), PageView::LoadState::Loading);
        // Meanwhile the pointer over the view says the reader is busy.
        QTRY_COMPARE_WITH_TIMEOUT(input()->cursor().shape(), Qt::BusyCursor, 1000);
        QCOMPARE(view()->loadState(), PageView::LoadState::Loading);

        gui::pressKey(m_form, Qt::Key_F4);
        QVERIFY(!m_form->catalogueAction()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(showsCatalogue() && view()->loadState() == PageView::LoadState::Ready, 10000);
        QVERIFY(input()->cursor().shape() != Qt::BusyCursor);
        // The rest of the work never follows.
        QTest::qWait(3000);
        QVERIFY(showsCatalogue());
        QVERIFY(!gui::bodyText(page()).contains(u"Большой абзац"_s));
        QVERIFY(!m_form->catalogueAction()->isEnabled());
    }

    void aMissingBiographyLeavesPageAndMenuAsTheyAre()
    {
        m_form->followLink(u"http://www.t%1/"_s.arg(indexOf(u"Первое"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(page()).contains(u"Строка первая"_s), 20000);
        QVERIFY(QFile::rename(dataPath(u"Биография.html"_s), dataPath(u"Биография.bak"_s)));
        const auto restore =
            qScopeGuard([this] { QFile::rename(dataPath(u"Биография.bak"_s), dataPath(u"Биография.html"_s)); });
        clickLink(u"http://www.s"_s, u"http://www.s/"_s);
        QTRY_VERIFY_WITH_TIMEOUT(showsCatalogue(), 20000);
        clickLink(u"http://www.b"_s, u"http://www.b/"_s);
        QTest::qWait(1000);
        QVERIFY(showsCatalogue());
        QVERIFY(!m_form->catalogueAction()->isEnabled());
    }

    void recoversFromARendererCrash()
    {
        backToCatalogue();
        const auto killRenderer = [this] {
            const qint64 pid = page()->renderProcessPid();
            QVERIFY(pid > 0);
            QSignalSpy replaced(view(), &PageView::engineReplaced);
            QVERIFY(::kill(static_cast<pid_t>(pid), SIGKILL) == 0);
            QTRY_COMPARE_WITH_TIMEOUT(replaced.size(), 1, 20000);
            QTRY_VERIFY_WITH_TIMEOUT(page()->renderProcessPid() > 0 && page()->renderProcessPid() != pid, 20000);
        };
        // The page that was shown comes back on the fresh renderer, where
        // the reader was in it.
        killRenderer();
        QTRY_VERIFY_WITH_TIMEOUT(showsCatalogue(), 20000);
        m_form->followLink(u"http://www.t%1/"_s.arg(indexOf(u"Второе"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(page()).contains(u"Абзац 400"_s), 20000);
        const auto position = [this] {
            return gui::eval(page(), u"scrollY / (document.documentElement.scrollHeight - innerHeight)"_s).toDouble();
        };
        (void)gui::eval(page(), u"window.scrollTo(0, 0.6 * (document.documentElement.scrollHeight - innerHeight))"_s);
        QTRY_VERIFY(page()->scrollPosition().y() > 0);
        QTest::qWait(100);
        killRenderer();
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(page()).contains(u"Абзац 400"_s), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(position() - 0.6) < 0.02, 5000);
        // The keys reach the fresh engine from the keyboard at once.
        gui::pressKey(m_form, Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(position() > 0.61, 5000);

        // A page that keeps taking its renderer down is given up on the
        // third time, with a word; the catalogue is a key away.
        killRenderer();
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(page()).contains(u"Абзац 400"_s), 20000);
        QSignalSpy givenUp(view(), &PageView::givenUp);
        killRenderer();
        QTRY_COMPARE_WITH_TIMEOUT(view()->loadState(), PageView::LoadState::Ready, 20000);
        QCOMPARE(givenUp.size(), 1);
        QCOMPARE(gui::bodyText(page()), u"Эту страницу показать не удалось."_s);
        QVERIFY(m_form->catalogueAction()->isEnabled());
        gui::pressKey(m_form, Qt::Key_F4);
        QTRY_VERIFY_WITH_TIMEOUT(showsCatalogue(), 20000);
    }

    void findOnThePageAndInTheCollection()
    {
        m_form->followLink(u"http://www.t%1/"_s.arg(indexOf(u"Второе"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(page()).contains(u"Абзац 400"_s), 20000);
        auto *bar = m_form->findChild<FindBar *>();
        auto *count = bar->findChild<QLabel *>(u"findCount"_s);
        gui::pressKey(m_form, Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(bar->isVisible() && bar->phraseEdit()->hasFocus());
        (void)gui::eval(page(), u"window.scrollTo(0, 0.6 * (document.documentElement.scrollHeight - innerHeight))"_s);
        // As typed, whatever the case, from the first match on screen (past
        // «Абзац 39»); Enter, F3 and their Shift go round.
        gui::typeText(bar->phraseEdit(), u"аБЗАЦ 39"_s);
        QTRY_COMPARE(count->text(), u"2 из 11"_s);
        // The marks near the screen are drawn, the current one among them.
        const auto marks = [this] {
            return gui::eval(page(), u"(function(){var l=document.querySelector('%1');"
                                     u"return l?[l.shadowRoot.querySelectorAll('div').length,"
                                     u"!!l.shadowRoot.querySelector('[data-current]')]:[0,false];})()"_s.arg(
                                         QString::fromUtf16(FindMarkTag)))
                .toList();
        };
        QTRY_VERIFY(marks().value(1).toBool());
        QVERIFY(marks().value(0).toInt() >= 1 && marks().value(0).toInt() <= 11);
        const struct
        {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            QString count;
        } steps[] = {{Qt::Key_Return, {}, u"3 из 11"_s},
                     {Qt::Key_F3, {}, u"4 из 11"_s},
                     {Qt::Key_F3, Qt::ShiftModifier, u"3 из 11"_s},
                     {Qt::Key_Return, Qt::ShiftModifier, u"2 из 11"_s},
                     {Qt::Key_Return, Qt::ShiftModifier, u"1 из 11"_s},
                     {Qt::Key_Return, Qt::ShiftModifier, u"11 из 11"_s},
                     {Qt::Key_Return, {}, u"1 из 11"_s}};
        for (const auto &step : steps) {
            gui::pressKey(m_form, step.key, step.modifiers);
            QTRY_COMPARE(count->text(), step.count);
        }
        QCOMPARE(gui::eval(page(), u"window.getSelection().toString()"_s).toString(), QString());
        // Escape closes it, takes the marks away and gives the page the keys,
        // where the page was: at the current match (the page taller by the
        // bar's height, and not at its end).
        const double place = gui::eval(page(), u"scrollY"_s).toDouble();
        QVERIFY(place > 0);
        gui::pressKey(m_form, Qt::Key_Escape);
        QTRY_VERIFY(!bar->isVisible() && input()->hasFocus());
        QTRY_COMPARE(marks().value(0).toInt(), 0);
        QTest::qWait(300);
        QVERIFY(qAbs(gui::eval(page(), u"scrollY"_s).toDouble() - place) <= 1);

        // In the whole collection: ё as е; a line chosen opens its work there.
        gui::pressKey(m_form, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY(bar->isVisible() && bar->everywhere());
        gui::typeText(bar->phraseEdit(), u"елка"_s);
        QTreeWidget *results = bar->results();
        const QString found = u"%1) Окно — 1"_s.arg(indexOf(u"Окно"_s) + 1);
        QTRY_VERIFY(results->topLevelItemCount() == 1 && results->topLevelItem(0)->text(0) == found);
        QTest::keyClick(bar->phraseEdit(), Qt::Key_Down);
        QTRY_VERIFY(results->hasFocus());
        results->setCurrentItem(results->topLevelItem(0)->child(0));
        QTest::keyClick(results, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(gui::bodyText(page()).contains(u"новое окно"_s), 20000);
        QTRY_COMPARE(count->text(), u"1 из 1"_s);
        bar->dismiss();
    }

    void aWorkOpensWhereItWasLeftAfterARestart()
    {
        const auto open = [this] {
            m_form->followLink(u"http://www.t%1/"_s.arg(indexOf(u"Второе"_s)));
            QTRY_VERIFY_WITH_TIMEOUT(view()->loadState() == PageView::LoadState::Ready
                                         && gui::bodyText(page()).contains(u"Абзац 400"_s),
                                     20000);
        };
        // The number of the line at the top of the screen.
        const auto topLine = [this] {
            return gui::eval(page(), u"(function(){var r=document.caretRangeFromPoint(innerWidth/2,2);"
                                     u"var m=r&&/Абзац (\\d+)/.exec(r.startContainer.data||'');"
                                     u"return m?+m[1]:-1;})()"_s)
                .toInt();
        };
        open();
        (void)gui::eval(page(), u"window.scrollTo(0, 0.6 * (document.documentElement.scrollHeight - innerHeight))"_s);
        QTRY_VERIFY(qAbs(view()->readingPlace().fraction - 0.6) < 0.02);
        const int line = topLine();
        QVERIFY(line > 100);
        // A change of the text size or of the window's width keeps that line
        // at the top, and so does the next showing of the work.
        view()->zoomIn();
        QTRY_COMPARE(topLine(), line);
        m_form->resize(m_form->width() - 80, m_form->height());
        QTRY_COMPARE(topLine(), line);
        m_form->resize(m_form->width() + 80, m_form->height());
        QTRY_COMPARE(topLine(), line);
        backToCatalogue();
        open();
        QTRY_COMPARE(topLine(), line);

        // Ended and started again: the work where it was, the text size kept;
        // asked to, the reader starts on it (the catalogue a key away).
        const qreal size = view()->zoom();
        const auto openLast = [this] { return m_form->findChild<QAction *>(u"openLastAction"_s); };
        openLast()->trigger();
        QVERIFY(openLast()->isChecked());
        delete m_form;
        m_form = startReader(platform::NativePath(m_program.path()));
        QVERIFY(m_form);
        QCOMPARE(view()->zoom(), size);
        QTRY_VERIFY_WITH_TIMEOUT(
            view()->loadState() == PageView::LoadState::Ready && gui::bodyText(page()).contains(u"Абзац 400"_s), 20000);
        QTRY_COMPARE(topLine(), line);
        QVERIFY(m_form->catalogueAction()->isEnabled());
        // The next work in the catalogue, and back.
        m_form->findChild<QAction *>(u"nextWorkAction"_s)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(
            view()->loadState() == PageView::LoadState::Ready
                && gui::bodyText(page()).contains(m_form->collection().workNames().at(indexOf(u"Второе"_s) + 1)),
            20000);
        m_form->findChild<QAction *>(u"previousWorkAction"_s)->trigger();
        QTRY_COMPARE(topLine(), line);
        // A work whose file changed since opens at its top, and the reader
        // starts on the catalogue once the work read last has changed.
        writeWork(u"Второе"_s, manyLines(401, u"Абзац"_s));
        backToCatalogue();
        open();
        QTest::qWait(300);
        QCOMPARE(gui::eval(page(), u"scrollY"_s).toInt(), 0);
        writeWork(u"Второе"_s, manyLines(402, u"Абзац"_s));
        delete m_form;
        m_form = startReader(platform::NativePath(m_program.path()));
        QVERIFY(m_form);
        QTRY_VERIFY_WITH_TIMEOUT(showsCatalogue(), 20000);
        openLast()->trigger();
        view()->resetZoom();

        // F11 fills the screen, Escape leaves it.
        gui::pressKey(m_form, Qt::Key_F11);
        QTRY_VERIFY(m_form->windowState().testFlag(Qt::WindowFullScreen));
        gui::pressKey(m_form, Qt::Key_Escape);
        QTRY_VERIFY(!m_form->windowState().testFlag(Qt::WindowFullScreen));
    }

    void exitClosesTheWindow()
    {
        QPointer<MainWindow> form(m_form);
        auto *exit = m_form->findChild<QAction *>(u"exitAction"_s);
        QVERIFY(exit);
        exit->trigger();
        QTRY_VERIFY(!form);
        m_form = nullptr;
    }
};

SOBRANIE_GUI_TEST_MAIN(tst_reader)
#include "tst_reader.moc"
