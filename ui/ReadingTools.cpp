#include "ui/ReadingTools.h"

#include "ui/FatalReport.h"
#include "ui/FindBar.h"
#include "ui/PlainText.h"
#include "view/PageView.h"
#include "view/ReadingFonts.h"
#include "view/ReadingTheme.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QTreeWidget>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

ReadingTools::ReadingTools(QWidget *window, const Collection &collection, const platform::LegacyRandom &generator,
                           PageView *view, QWidget *client, ReadingState *state)
    : QObject(window), m_window(window), m_collection(collection), m_generator(generator), m_view(view), m_state(state),
      m_bar(new FindBar(client))
{
    m_bar->hide();
    m_view->setZoom(m_state->textSize());
    m_choices = m_state->choices();
    m_view->setReadingStyle(m_choices);
    followTheme();
    connect(m_view, &PageView::zoomChanged, this, [this](qreal factor) {
        m_state->setTextSize(factor);
        m_view->announce(u"Размер текста: %1 %"_s.arg(qRound(factor * 100)));
    });
    connect(m_view, &PageView::readingPlaceChanged, this, [this](const ReadingPlace &place) {
        if (m_work) {
            m_state->setPlace(m_collection.dataPath(), m_collection.workFileName(m_work->index), m_work->stamp, place);
        }
    });
    connect(m_view, &PageView::shown, this, &ReadingTools::onPageShown);
    connect(m_view, &PageView::found, m_bar, &FindBar::showCount);
    // Heard as it changes: the count as the bar shows it (the matching line
    // comes with the screen reader's caret on it).
    connect(m_view, &PageView::found, this, [this](int, int total) {
        if (m_bar->isVisible() && total == 0)
            m_view->announce(FindBar::countText(-1, 0));
    });
    connect(m_view, &PageView::matchShown, this, [this](int current, int total, const QString &line) {
        if (m_bar->isVisible())
            m_view->announce(FindBar::countText(current, total)
                             + (line.isEmpty() ? QString() : u": "_s + line.trimmed()));
    });
    connect(&m_search, &CollectionSearch::finished, this,
            [this] { m_view->announce(u"Найдено произведений: %1"_s.arg(m_bar->results()->topLevelItemCount())); });
    connect(m_bar, &FindBar::phraseChanged, this, &ReadingTools::look);
    connect(m_bar, &FindBar::nextRequested, this, &ReadingTools::findNext);
    connect(m_bar, &FindBar::previousRequested, this, &ReadingTools::findPrevious);
    connect(m_bar, &FindBar::resultChosen, this, &ReadingTools::openResult);
    connect(m_bar, &FindBar::closing, this, [this] { m_view->setFocus(Qt::OtherFocusReason); });
    connect(m_bar, &FindBar::closed, this, &ReadingTools::closeFind);
    connect(&m_search, &CollectionSearch::found, m_bar, &FindBar::addResults);
    connect(&m_search, &CollectionSearch::progress, m_bar, &FindBar::showProgress);
}

QAction *ReadingTools::addAction(QMenuBar *bar, const QString &name, const QString &text,
                                 const QList<QKeySequence> &keys, void (ReadingTools::*handler)())
{
    auto *menu = bar->findChild<QMenu *>(u"readingMenu"_s);
    auto *action = new QAction(text, m_window);
    action->setObjectName(name);
    action->setShortcuts(keys);
    if (handler)
        connect(action, &QAction::triggered, this,
                [this, handler] { fatal::guard(m_window->windowTitle(), [this, handler] { (this->*handler)(); }); });
    if (menu)
        menu->addAction(action);
    else
        m_window->addAction(action);
    return action;
}

void ReadingTools::addMenu(QMenuBar *bar)
{
    // A menu of its own: the original's menu stays as it was.
    QMenu *menu = bar->addMenu(u"Чтение"_s);
    menu->setObjectName(u"readingMenu"_s);
    addAction(bar, u"findAction"_s, u"Найти в произведении…"_s, {QKeySequence::Find}, &ReadingTools::openFind);
    addAction(bar, u"findEverywhereAction"_s, u"Найти во всём собрании…"_s,
              {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)}, &ReadingTools::openFindEverywhere);
    addAction(bar, u"findNextAction"_s, u"Найти далее"_s, {QKeySequence(Qt::Key_F3)}, &ReadingTools::findNext);
    addAction(bar, u"findPreviousAction"_s, u"Найти ранее"_s, {QKeySequence(Qt::SHIFT | Qt::Key_F3)},
              &ReadingTools::findPrevious);
    menu->addSeparator()->setObjectName(u"readingSeparator"_s);
    m_fullScreen = addAction(bar, u"fullScreenAction"_s, u"Во весь экран"_s, {QKeySequence(Qt::Key_F11)},
                             &ReadingTools::toggleFullScreen);
    m_fullScreen->setCheckable(true);
    addStyleMenus(bar, menu);
    menu->addSeparator();
    addAction(bar, u"continueAction"_s, u"Продолжить чтение"_s, {QKeySequence(Qt::Key_F2)},
              &ReadingTools::continueReading);
    m_next = addAction(bar, u"nextWorkAction"_s, u"Следующее произведение"_s,
                       {QKeySequence(Qt::ALT | Qt::Key_PageDown)}, &ReadingTools::nextWork);
    m_previous = addAction(bar, u"previousWorkAction"_s, u"Предыдущее произведение"_s,
                           {QKeySequence(Qt::ALT | Qt::Key_PageUp)}, &ReadingTools::previousWork);
    m_openLast = addAction(bar, u"openLastAction"_s, u"Открывать последнее произведение при запуске"_s, {}, nullptr);
    m_openLast->setCheckable(true);
    m_openLast->setChecked(m_choices.openLastAtStart);
    connect(m_openLast, &QAction::toggled, this, [this](bool on) {
        ReadingChoices next = m_choices;
        next.openLastAtStart = on;
        setChoices(next);
    });
    updateWorkActions();
    // Not in the menu: Escape ends full screen (and closes the find bar).
    m_escape = new QAction(m_window);
    m_escape->setObjectName(u"escapeAction"_s);
    m_escape->setShortcut(QKeySequence(Qt::Key_Escape));
    m_escape->setEnabled(false);
    connect(m_escape, &QAction::triggered, this,
            [this] { fatal::guard(m_window->windowTitle(), [this] { escape(); }); });
    m_window->addAction(m_escape);
}

int ReadingTools::findBarHeight(int clientHeight) const
{
    if (!m_bar->isVisible())
        return 0;
    const int least = m_bar->minimumSizeHint().height();
    // With the collection's results, up to half the client area.
    return m_bar->everywhere() ? std::clamp(clientHeight / 2, least, std::max(least, clientHeight)) : least;
}

ReadingPlace ReadingTools::workShown(std::int32_t index)
{
    const std::optional<platform::FileStamp> stamp = platform::fileStamp(m_collection.workPath(index));
    if (!stamp) {
        m_work.reset();
        return {};
    }
    m_work = ShownWork{index, *stamp};
    updateWorkActions();
    return m_state->place(m_collection.dataPath(), m_collection.workFileName(index), *stamp);
}

void ReadingTools::otherPageShown()
{
    m_work.reset();
    updateWorkActions();
}

void ReadingTools::addStyleMenus(QMenuBar *bar, QMenu *menu)
{
    // The reader's own style, beside the original's look (the default).
    m_bookLayout = addAction(bar, u"bookLayoutAction"_s, u"Удобное чтение"_s, {QKeySequence(Qt::Key_F9)}, nullptr);
    m_bookLayout->setCheckable(true);
    m_bookLayout->setChecked(m_choices.bookLayout);
    connect(m_bookLayout, &QAction::toggled, this, [this](bool on) {
        ReadingChoices next = m_choices;
        next.bookLayout = on;
        setChoices(next);
    });

    // One of a few, each changing one choice.
    const auto addChoices = [this, menu](const QString &title, const QString &name, const auto &values,
                                         const auto &label, const auto &chosen, const auto &choose) {
        QMenu *submenu = menu->addMenu(title);
        submenu->setObjectName(name);
        auto *group = new QActionGroup(submenu);
        for (const auto &value : values) {
            QAction *action = submenu->addAction(label(value));
            action->setCheckable(true);
            action->setChecked(chosen(value));
            action->setActionGroup(group);
            connect(action, &QAction::triggered, this, [this, value, choose] {
                ReadingChoices next = m_choices;
                choose(next, value);
                setChoices(next);
            });
        }
    };
    addChoices(
        u"Тема"_s, u"themeMenu"_s, QList<Theme>{Theme::Day, Theme::Sepia, Theme::Night},
        [](Theme theme) { return themeName(theme); }, [this](Theme theme) { return theme == m_choices.theme; },
        [](ReadingChoices &next, Theme theme) { next.theme = theme; });
    QStringList families = readingFonts();
    // A font kept from another machine, where it was installed, stays offered.
    if (!m_choices.font.isEmpty() && !families.contains(m_choices.font))
        families.append(m_choices.font);
    families.prepend(QString());
    addChoices(
        u"Шрифт"_s, u"fontMenu"_s, families,
        [](const QString &family) { return family.isEmpty() ? u"Как на странице"_s : plaintext::caption(family); },
        [this](const QString &family) { return family == m_choices.font; },
        [](ReadingChoices &next, const QString &family) { next.font = family; });
}

void ReadingTools::setChoices(const ReadingChoices &choices)
{
    if (choices == m_choices)
        return;
    const bool layoutToggled = choices.bookLayout != m_choices.bookLayout;
    m_choices = choices;
    m_state->setChoices(choices);
    m_view->setReadingStyle(choices);
    followTheme();
    if (layoutToggled)
        Q_EMIT bookLayoutChanged();
}

void ReadingTools::followTheme()
{
    // The find bar takes the page's colours, the desktop's own in «День».
    QPalette palette = m_window->palette();
    if (m_choices.theme != Theme::Day) {
        const ThemeColours colours = themeColours(m_choices.theme);
        for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
            palette.setColor(role, colours.background);
        for (const QPalette::ColorRole role :
             {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::PlaceholderText})
            palette.setColor(role, colours.text);
        palette.setColor(QPalette::AlternateBase, colours.background);
        palette.setColor(QPalette::Highlight, colours.link);
        palette.setColor(QPalette::HighlightedText, colours.background);
    }
    m_bar->setPalette(palette);
}

std::optional<std::int32_t> ReadingTools::lastWork() const
{
    const std::optional<platform::NativePath> file = m_state->lastWork(m_collection.dataPath());
    if (!file)
        return std::nullopt;
    for (std::int32_t i = 0; i <= m_collection.lastWorkIndex(); ++i) {
        if (m_collection.workFileName(i) != *file)
            continue;
        // Gone, or changed since: nothing to go on with.
        const std::optional<platform::FileStamp> stamp = platform::fileStamp(m_collection.workPath(i));
        if (stamp && m_state->keeps(m_collection.dataPath(), *file, *stamp))
            return i;
        return std::nullopt;
    }
    return std::nullopt;
}

void ReadingTools::continueReading()
{
    if (const std::optional<std::int32_t> work = lastWork())
        Q_EMIT openWorkRequested(*work);
}

void ReadingTools::nextWork()
{
    stepWork(1);
}

void ReadingTools::previousWork()
{
    stepWork(-1);
}

void ReadingTools::stepWork(int step)
{
    if (!m_work)
        return;
    const std::int64_t next = std::int64_t(m_work->index) + step;
    if (next >= 0 && next <= m_collection.lastWorkIndex())
        Q_EMIT openWorkRequested(std::int32_t(next));
}

void ReadingTools::updateWorkActions()
{
    if (!m_next)
        return;
    m_next->setEnabled(m_work && m_work->index < m_collection.lastWorkIndex());
    m_previous->setEnabled(m_work && m_work->index > 0);
}

void ReadingTools::openFind()
{
    m_bar->open(false);
    Q_EMIT layoutChanged();
}

void ReadingTools::openFindEverywhere()
{
    m_bar->open(true);
    Q_EMIT layoutChanged();
}

void ReadingTools::findNext()
{
    if (!m_bar->isVisible() || m_bar->phrase().trimmed().isEmpty())
        openFind();
    else
        m_view->findNext();
}

void ReadingTools::findPrevious()
{
    if (!m_bar->isVisible() || m_bar->phrase().trimmed().isEmpty())
        openFind();
    else
        m_view->findPrevious();
}

void ReadingTools::look(const QString &phrase, bool everywhere)
{
    Q_EMIT layoutChanged();
    m_bar->showCount(-1, -1);
    m_view->find(phrase);
    m_bar->clearResults();
    if (everywhere)
        m_search.start(m_collection, phrase, m_generator);
    else
        m_search.cancel();
}

void ReadingTools::onPageShown()
{
    // A new page is looked through for the phrase at hand; one opened from
    // the collection's results goes to the match chosen.
    if (m_pending && m_work && m_work->index == m_pending->work) {
        m_view->find(m_pending->phrase, int(m_pending->ordinal));
        m_pending.reset();
    } else if (m_bar->isVisible() && !m_bar->phrase().trimmed().isEmpty()) {
        m_bar->showCount(-1, -1);
        m_view->find(m_bar->phrase());
    }
}

void ReadingTools::openResult(std::int32_t work, qsizetype ordinal)
{
    m_pending = PendingFind{work, m_bar->phrase(), ordinal};
    Q_EMIT openWorkRequested(work);
}

void ReadingTools::closeFind()
{
    m_search.cancel();
    m_pending.reset();
    m_view->clearFind();
    Q_EMIT layoutChanged();
}

void ReadingTools::escape()
{
    if (m_bar->isVisible() && m_bar->isAncestorOf(QApplication::focusWidget()))
        m_bar->dismiss();
    else if (m_window->isFullScreen())
        toggleFullScreen();
}

void ReadingTools::toggleFullScreen()
{
    if (m_window->isFullScreen()) {
        m_window->setWindowState(m_stateBeforeFullScreen);
    } else {
        m_stateBeforeFullScreen = m_window->windowState();
        m_window->setWindowState(m_window->windowState() | Qt::WindowFullScreen);
    }
    const bool full = m_window->windowState().testFlag(Qt::WindowFullScreen);
    m_fullScreen->setChecked(full);
    m_escape->setEnabled(full);
    m_view->announce(full ? u"Во весь экран"_s : u"Обычное окно"_s);
}
