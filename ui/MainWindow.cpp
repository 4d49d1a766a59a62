#include "ui/MainWindow.h"

#include "format/Pages.h"
#include "ui/AboutDialog.h"
#include "ui/Caption.h"
#include "ui/DesktopOpening.h"
#include "ui/FatalReport.h"
#include "ui/FindBar.h"
#include "ui/ReadingTools.h"
#include "view/BookPage.h"
#include "view/Hyphenator.h"
#include "view/PageView.h"

#include <QAction>
#include <QEvent>
#include <QIcon>
#include <QMenuBar>

#include <algorithm>
#include <variant>

using namespace Qt::Literals::StringLiterals;

namespace {

template<class... Ts>
struct Overloaded : Ts...
{
    using Ts::operator()...;
};
// Clang before 17 deduces no aggregate's template arguments by itself.
template<class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

} // namespace

MainWindow::MainWindow(Collection collection, QString cataloguePage)
    : m_collection(std::move(collection)), m_cataloguePage(std::move(cataloguePage))
{
    setObjectName(u"mainWindow"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption::text());
    setWindowIcon(QIcon(u":/sobranie/book.png"_s));

    QMenu *menu = menuBar()->addMenu(u"Меню"_s);
    menu->setObjectName(u"menu"_s);
    m_catalogueAction = addMenuItem(menu, u"catalogueAction"_s, u"Список произведений"_s, &MainWindow::showCatalogue,
                                    QKeySequence(Qt::Key_F4));
    addMenuItem(menu, u"helpAction"_s, u"Справка"_s, &MainWindow::openHelp, QKeySequence(Qt::Key_F1));
    addMenuItem(menu, u"aboutAction"_s, u"О программе"_s, &MainWindow::showAbout);
    menu->addSeparator()->setObjectName(u"separator"_s);
    addMenuItem(menu, u"exitAction"_s, u"Выход"_s, &MainWindow::exitReader);
    // The catalogue is what start-up shows.
    m_catalogueAction->setEnabled(false);
    addKeys(menu);

    auto *client = new QWidget(this);
    client->setObjectName(u"client"_s);
    setCentralWidget(client);
    client->installEventFilter(this);
    m_view = new PageView(client);
    m_view->setObjectName(u"pageView"_s);
    m_view->setLinkHandler(
        [this](const QString &address) { fatal::guard(windowTitle(), [this, &address] { followLink(address); }); });
    // In place of a page it gave up the view shows a line of its own: the
    // catalogue is not on screen, so the command that brings it back is offered.
    connect(m_view, &PageView::givenUp, this, [this] { m_catalogueAction->setEnabled(true); });
    m_tools = new ReadingTools(this, m_collection, m_random, m_view, client, &m_state);
    connect(m_tools, &ReadingTools::openWorkRequested, this, &MainWindow::openWork);
    // The book page breaks words: a work on screen is shown again, where
    // the reader is in it.
    connect(m_tools, &ReadingTools::bookLayoutChanged, this, [this] {
        if (m_shownWork && m_view->loadState() != PageView::LoadState::Empty) {
            const navigation::ShowWork work = *m_shownWork;
            showWork(work, ReadingPlace(m_view->readingPlace()));
        }
    });
    m_tools->addMenu(menuBar());
    connect(m_tools, &ReadingTools::layoutChanged, this, [this] { layoutView(); });
    m_view->setFocus();

    const qreal scale = logicalDpiX() / 96.0;
    resize(qRound(ClientWidth * scale), qRound(ClientHeight * scale) + menuBar()->sizeHint().height());
}

QAction *MainWindow::addMenuItem(QMenu *menu, const QString &name, const QString &caption,
                                 void (MainWindow::*handler)(), const QKeySequence &shortcut)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this,
            [this, handler] { fatal::guard(windowTitle(), [this, handler] { (this->*handler)(); }); });
    return action;
}

void MainWindow::addKeys(QMenu *menu)
{
    // Keys without a menu item: F10 opens the menu, as it does on the
    // desktop the reader comes from; the text size for every page.
    const auto addKey = [this](const QString &name, const QList<QKeySequence> &keys, auto handler) {
        auto *action = new QAction(this);
        action->setObjectName(name);
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, [this, handler] { fatal::guard(windowTitle(), handler); });
        addAction(action);
    };
    addKey(u"menuKey"_s, {QKeySequence(Qt::Key_F10)}, [this, menu] { menuBar()->setActiveAction(menu->menuAction()); });
    addKey(u"largerTextAction"_s, {QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)},
           [this] { m_view->zoomIn(); });
    addKey(u"smallerTextAction"_s, {QKeySequence::ZoomOut}, [this] { m_view->zoomOut(); });
    addKey(u"textSizeAction"_s, {QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] { m_view->resetZoom(); });
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // A size change while minimised was not laid out: catch up on restore.
    if (event->type() == QEvent::WindowStateChange)
        fatal::guard(windowTitle(), [this] { layoutView(); });
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The window's own resize comes before its layout has placed the menu
    // bar; the client area's resize comes after. Both lay out: the first
    // alone is early, the second alone misses a client area of no height.
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        fatal::guard(windowTitle(), [this] { layoutView(); });
    return QMainWindow::eventFilter(watched, event);
}

QSize MainWindow::clientSize() const
{
    // From the window itself: a client area of no height is not laid out
    // by the window's layout, which leaves the old place there.
    const QWidget *menu = menuWidget();
    const int top = menu && menu->isVisible() ? menu->geometry().bottom() + 1 : 0;
    return {width(), std::max(0, height() - top)};
}

void MainWindow::layoutView()
{
    if (isMinimized())
        return;
    const QSize client = clientSize();
    // The find bar, when it is open, under the page.
    const int bar = m_tools->findBarHeight(client.height());
    m_view->setGeometry(0, 0, client.width(), client.height() - bar);
    if (bar > 0)
        m_tools->findBar()->setGeometry(0, client.height() - bar, client.width(), bar);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    fatal::guard(windowTitle(), [this] { layoutView(); });
}

void MainWindow::showCatalogue()
{
    showCatalogueAt({});
}

void MainWindow::showStart()
{
    if (m_tools->choices().openLastAtStart) {
        if (const std::optional<std::int32_t> work = m_tools->lastWork()) {
            openWork(*work);
            if (m_shownWork && m_shownWork->index == *work)
                return;
        }
    }
    showCatalogue();
}

void MainWindow::showCatalogueAt(const QString &focus)
{
    const pages::Outline outline = pages::catalogueOutline();
    m_tools->otherPageShown();
    m_shownWork.reset();
    m_view->showHtml(m_cataloguePage, {outline.title, outline.heading, focus});
    m_catalogueAction->setEnabled(false);
}

void MainWindow::followLink(const QString &address)
{
    present(navigation::followLink(m_collection, address, m_random));
}

void MainWindow::openWork(std::int32_t index)
{
    present(navigation::openWork(m_collection, index, m_random));
}

void MainWindow::present(const navigation::Destination &destination)
{
    std::visit(Overloaded{
                   [](const navigation::Nothing &) {},
                   // Back from a work, the keyboard starts on the work just read.
                   [this](const navigation::ShowCatalogue &) {
                       showCatalogueAt(m_lastWork ? pages::workLinkSelector(*m_lastWork) : QString());
                   },
                   [this](const navigation::ShowFile &file) {
                       const pages::Outline outline = pages::biographyOutline();
                       m_tools->otherPageShown();
                       m_shownWork.reset();
                       m_view->showFile(file.path.url(), {outline.title, outline.heading, {}});
                       m_catalogueAction->setEnabled(true);
                   },
                   [this](const navigation::ShowWork &work) {
                       // Where the reader left it.
                       showWork(work, m_tools->workShown(work.index));
                   },
                   [this](const navigation::OpenFailure &failure) {
                       fatal::showCriticalBox(this, caption::text(), failure.message());
                   },
               },
               destination);
}

void MainWindow::showWork(const navigation::ShowWork &work, const ReadingPlace &place)
{
    const pages::Outline outline = pages::workOutline(work.name);
    const PageOutline pageOutline{outline.title, outline.heading, {}, 2, true};
    m_shownWork = work;
    m_lastWork = work.index;
    m_catalogueAction->setEnabled(true);
    if (!m_tools->choices().bookLayout) {
        m_view->showHtml(work.html, pageOutline, place);
        return;
    }
    if (!m_hyphenator)
        m_hyphenator = std::make_shared<const Hyphenator>();
    showBookPage(m_view, m_hyphenator, work.html, pageOutline, place);
}

void MainWindow::openHelp()
{
    // Named in a box, should it come to one, as the user knows the path.
    const platform::NativePath help = m_collection.helpPath();
    desktop::open(this, platform::desktopTarget(help), help.text());
}

void MainWindow::exitReader()
{
    // The window is destroyed with its contents, and with it the program ends.
    close();
}

void MainWindow::showAbout()
{
    // Shown once the command has returned: whatever pressed it (an assistive
    // technology's call among them) gets its answer before the window's
    // own loop starts. A second press meanwhile opens no second window.
    if (m_aboutPending)
        return;
    m_aboutPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            fatal::guard(windowTitle(), [this] {
                // Made afresh at every showing, and gone when closed.
                AboutDialog about(m_collection.appPath(), this);
                about.exec();
            });
            m_aboutPending = false;
        },
        Qt::QueuedConnection);
}
