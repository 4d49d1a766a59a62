#pragma once

#include "format/CollectionSearch.h"
#include "format/ReadingPlace.h"
#include "format/ReadingState.h"
#include "platform/FileStamp.h"

#include <QObject>

#include <optional>

class Collection;
class FindBar;
class PageView;
class QAction;
class QMenu;
class QMenuBar;
class QWidget;

// What the reader adds to the original for reading as people read: each
// work opens where it was left (in this run and the next), the text size
// stays, find on the page and in the whole collection, and full screen.
// Its commands have a menu of their own.
class ReadingTools : public QObject
{
    Q_OBJECT

public:
    // For the works of collection, decoded with generator (the window's, in
    // its state at each use), shown in view in window, whose client area
    // holds the find bar; state keeps what stays from run to run. The
    // window owns the tools.
    ReadingTools(QWidget *window, const Collection &collection, const platform::LegacyRandom &generator, PageView *view,
                 QWidget *client, ReadingState *state);

    void addMenu(QMenuBar *bar);
    [[nodiscard]] FindBar *findBar() const { return m_bar; }
    // The height the find bar takes at the bottom of a client area this high.
    [[nodiscard]] int findBarHeight(int clientHeight) const;

    // Work index is to be shown: where it was left.
    [[nodiscard]] ReadingPlace workShown(std::int32_t index);
    // Any other page is to be shown.
    void otherPageShown();

    // Escape: the find bar closes if it has the focus, else full screen ends.
    void escape();
    void toggleFullScreen();

    // How the reader shows pages, as chosen in the menu (and kept).
    [[nodiscard]] const ReadingChoices &choices() const { return m_choices; }
    // The work read last in this collection, if its file is as it was then.
    [[nodiscard]] std::optional<std::int32_t> lastWork() const;
    // Opens the work read last at its place, if there is one.
    void continueReading();
    // The next or previous work in the catalogue's order, from a work.
    void nextWork();
    void previousWork();

Q_SIGNALS:
    // The find bar came or went: the client area is laid out again.
    void layoutChanged();
    // Work index is to be opened (a result of the collection's search, the
    // work read last, the next one).
    void openWorkRequested(std::int32_t index);
    // «Удобное чтение» was turned on or off: a work on screen is to be
    // shown again (its words broken, or whole again).
    void bookLayoutChanged();

private:
    struct ShownWork
    {
        std::int32_t index = 0;
        platform::FileStamp stamp;
    };
    struct PendingFind
    {
        std::int32_t work = 0;
        QString phrase;
        qsizetype ordinal = 0;
    };

    QAction *addAction(QMenuBar *bar, const QString &name, const QString &text, const QList<QKeySequence> &keys,
                       void (ReadingTools::*handler)());
    void addStyleMenus(QMenuBar *bar, QMenu *menu);
    void setChoices(const ReadingChoices &choices);
    void followTheme();
    void stepWork(int step);
    void updateWorkActions();
    void openFind();
    void openFindEverywhere();
    void findNext();
    void findPrevious();
    void look(const QString &phrase, bool everywhere);
    void onPageShown();
    void openResult(std::int32_t work, qsizetype ordinal);
    void closeFind();

    QWidget *m_window;
    const Collection &m_collection;
    const platform::LegacyRandom &m_generator;
    PageView *m_view;
    ReadingState *m_state;
    FindBar *m_bar;
    CollectionSearch m_search;
    QAction *m_fullScreen = nullptr;
    QAction *m_escape = nullptr;
    QAction *m_bookLayout = nullptr;
    QAction *m_openLast = nullptr;
    QAction *m_next = nullptr;
    QAction *m_previous = nullptr;
    ReadingChoices m_choices;
    Qt::WindowStates m_stateBeforeFullScreen;
    std::optional<ShownWork> m_work;
    std::optional<PendingFind> m_pending;
};
