#pragma once

#include "format/ReadingChoices.h"
#include "view/PageOutline.h"
#include "view/RequestLoader.h"

#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <utility>

class Announcer;
class EngineHost;
class InputGuard;
class PageFinder;
class PageText;
class QWebEnginePage;
class QWebEngineView;
class Watchdog;

// The HTML view every page of the reader is shown in: a browser turned into
// a plain reading surface (no page scripts, no keys but those that read on
// and move between links, no context menu, no selection, no windows, no
// dialogs, no network, no navigation but its own) whose links are handed to
// a handler.
//
// Every page gets a document of its own, so nothing of one page reaches the
// next. The view never waits for the engine: showing a page starts it and
// returns; the latest request is what the view works towards, and a newer
// one supersedes it. An engine that stops answering, or dies, is replaced by
// a fresh one that shows the latest request where the reader was.
class PageView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool selectionAllowed READ selectionAllowed WRITE setSelectionAllowed)

public:
    using LinkHandler = std::function<void(const QString &address)>;
    using LoadState = RequestLoader::LoadState;

    // How long after a page is shown the memory freed since goes back.
    static constexpr int ReleaseMemoryDelayMs = 3000;

    explicit PageView(QWidget *parent = nullptr);
    ~PageView() override;

    // What the view shows in place of a request it gave up.
    [[nodiscard]] static QString givenUpPage();

    // When true, the user may select text; false (the default) blocks it on
    // every document.
    [[nodiscard]] bool selectionAllowed() const { return m_selectionAllowed; }
    void setSelectionAllowed(bool value);

    // Starts replacing the document with html, written unchanged, shown at
    // place; outline says what it is to assistive technology. With complete
    // false, html is the start of the page and the rest comes by appendHtml()
    // with the number this returns.
    quint64 showHtml(const QString &html, const PageOutline &outline = {}, const ReadingPlace &place = {},
                     bool complete = true);
    // More of the page of showHtml() number request, the last of it when
    // complete; nothing when a newer request took its place.
    void appendHtml(quint64 request, const QString &more, bool complete);
    // The reader's own style over the pages (theme, font, book page), from
    // now on; the reader's place in the page on screen stays.
    void setReadingStyle(const ReadingChoices &choices);
    // Starts showing a local file, given by its file URL.
    void showFile(const QUrl &file, const PageOutline &outline = {});
    // Where the reader is in the page on screen.
    [[nodiscard]] const ReadingPlace &readingPlace() const { return m_loader->readingPlace(); }

    // Find on the page on screen (see PageFinder); answered by found().
    void find(const QString &phrase, int start = -1);
    void findNext();
    void findPrevious();
    void clearFind();

    // Says message to a screen reader, if one listens.
    void announce(const QString &message);

    // The text size of every page (catalogue, works, biography), 1 for the
    // pages' own, until the program ends: a step larger, a step smaller, back.
    [[nodiscard]] qreal zoom() const;
    void zoomIn();
    void zoomOut();
    void resetZoom();
    void setZoom(qreal factor);

    // Called with the link's address when the user follows a link; returns
    // the handler it replaces.
    LinkHandler setLinkHandler(LinkHandler handler) { return std::exchange(m_linkHandler, std::move(handler)); }

    [[nodiscard]] QWebEngineView *browser() const;
    [[nodiscard]] QWebEnginePage *page() const;
    [[nodiscard]] LoadState loadState() const { return m_loader->loadState(); }

Q_SIGNALS:
    // The first piece of the latest request is on screen (the rest of a
    // long page follows).
    void begun();
    // The latest request is in place.
    void shown();
    // The engine was replaced by a fresh one (it stopped answering or died).
    void engineReplaced();
    // The latest request was given up; givenUpPage() is shown instead.
    void givenUp();
    // The reader moved in the page on screen.
    void readingPlaceChanged(const ReadingPlace &place);
    // The text size changed.
    void zoomChanged(qreal factor);
    // The current match of a find (-1 when there is none) of how many.
    void found(int current, int total);
    // The current match is on screen, in this line of the page's text (as
    // a screen reader reads it; empty without one).
    void matchShown(int current, int total, const QString &line);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    friend struct PageViewTesting;

    void replaceEngine();
    void onReport(const QString &report);
    void onShown();
    // Names the page on screen, marks its heading, puts the keyboard where
    // it starts, and hands its text to assistive technology (once its first
    // piece is in, and again when all of it is).
    void describePage();
    void takePageText(const QString &title, const QString &text, bool takeFocus, int caret);
    [[nodiscard]] PageText *newPageText();
    // A screen reader's caret a line down (1) or up (-1), the page with it.
    void stepLine(int step);
    // The page shows the caret's line at the top (where a screen reader
    // reads, and so the place kept).
    void followCaret();

    bool m_selectionAllowed = false;
    // The address under the pointer, as the engine last reported it.
    QString m_statusText;
    LinkHandler m_linkHandler;
    // What the latest request is, and which showing of a page is described.
    PageOutline m_outline;
    quint64 m_shownSerial = 0;
    // Which request the page's text stands for, and whether that request
    // came back to a place kept.
    quint64 m_textSerial = 0;
    bool m_placeRestored = false;

    EngineHost *m_engine;
    InputGuard *m_input;
    Watchdog *m_watchdog;
    RequestLoader *m_loader;
    PageText *m_pageText;
    PageFinder *m_finder;
    Announcer *m_announcer;
    QTimer m_releaseMemory;
};
