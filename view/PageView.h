#pragma once

#include "view/PageWriter.h"

#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWidget>

#include <functional>
#include <optional>
#include <utility>

class GuardedPage;
class QWebEngineLoadingInfo;
class QWebEngineProfile;
class QWebEngineView;

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

    // What the view shows: nothing requested yet, a request under way, or
    // the latest request in place.
    enum class LoadState { Empty, Loading, Ready };

    // How long the engine may work on a request without answering before it
    // is replaced; a piece of page or a file being read gets a millisecond
    // more for every UnansweredCharsPerMs characters or bytes of it.
    static constexpr int UnansweredTimeoutMs = 2000;
    static constexpr qsizetype UnansweredCharsPerMs = 100;
    // An engine still busy with a piece this long (about a second of work)
    // is replaced at once when a newer request comes: a fresh one is quicker.
    static constexpr qsizetype LongPieceSize = 1 << 20;
    // How often the same request may take its engine down (or leave it
    // unanswering) before the view gives it up and says so.
    static constexpr int MaxFailures = 2;
    // A write shorter than this shows no busy pointer.
    static constexpr int BusyPointerDelayMs = 300;

    explicit PageView(QWidget *parent = nullptr);
    ~PageView() override;

    // What the view shows in place of a request it gave up.
    [[nodiscard]] static QString givenUpPage();

    // When true, the user may select text; false (the default) blocks it on
    // every document.
    [[nodiscard]] bool selectionAllowed() const { return m_selectionAllowed; }
    void setSelectionAllowed(bool value);

    // Starts replacing the document with html, written unchanged.
    void showHtml(const QString &html);
    // Starts showing a local file, given by its file URL.
    void showFile(const QUrl &file);

    // The text size of every page (catalogue, works, biography), 1 for the
    // pages' own, until the program ends: a step larger, a step smaller, back.
    [[nodiscard]] qreal zoom() const { return m_zoom; }
    void zoomIn();
    void zoomOut();
    void resetZoom();

    // Called with the link's address when the user follows a link; returns
    // the handler it replaces.
    LinkHandler setLinkHandler(LinkHandler handler) { return std::exchange(m_linkHandler, std::move(handler)); }

    [[nodiscard]] QWebEngineView *browser() const { return m_browser; }
    [[nodiscard]] QWebEnginePage *page() const;
    [[nodiscard]] LoadState loadState() const { return m_loadState; }
    [[nodiscard]] QString statusText() const { return m_statusText; }

    // The engine's reports: the address under the pointer ("" when there is
    // none); a navigation request, answered with whether it may go ahead; a
    // console message (the guard script reports the links clicked there).
    void onLinkHovered(const QString &text) { m_statusText = text; }
    [[nodiscard]] bool acceptNavigation(const QUrl &url, QWebEnginePage::NavigationType type, bool isMainFrame);
    void onConsoleMessage(const QString &message);

Q_SIGNALS:
    // The latest request is in place.
    void shown();
    // The engine was replaced by a fresh one (it stopped answering or died).
    void engineReplaced();
    // The latest request was given up; givenUpPage() is shown instead.
    void givenUp();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Request
    {
        enum class Kind { Html, File };
        Kind kind = Kind::Html;
        QString content; // the HTML, or the file URL
        qsizetype size = 0; // characters of the page, bytes of the file
    };

    void createPage();
    void replacePage();
    void onEngineFailed();
    void loadOwn(const QUrl &url);
    void setFirstPieceScript(const QUrl &document, const QString &script);
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void ownLoadEnded();
    void startRequest(Request request);
    void begin();
    void watch();
    void onUnanswered();
    // How long the engine may take over work characters or bytes.
    [[nodiscard]] static int allowanceMs(qsizetype work);
    void requestShown();
    void layOutFile();
    void trackReadingPosition();
    void dispatch(const QString &address);
    void updateGuards();
    void installKeyGuard();
    void takeBackKeys();
    void setBusyPointer(bool busy);
    void setZoom(qreal factor);

    bool m_selectionAllowed = false;
    qreal m_zoom = 1.0;
    QString m_statusText;
    LoadState m_loadState = LoadState::Empty;
    LinkHandler m_linkHandler;
    const QString m_linkToken;

    // The latest request: being shown, or in place.
    std::optional<Request> m_request;
    quint64 m_requestSerial = 0;
    // A navigation of the view's own (a fresh document, a file) is under
    // way to this address; nothing is written meanwhile.
    std::optional<QUrl> m_ownLoad;
    quint64 m_documentSerial = 0;
    // A file that has loaded is being laid out (the request's serial).
    std::optional<quint64> m_layout;
    // How often the latest request was left on the engine's own account (a
    // load the view did not start); past a few times it is left as it is.
    int m_escapes = 0;
    // How often the latest request lost its engine.
    int m_failures = 0;
    // The current engine has finished a load of its own: it has been seen
    // alive, so a silence from it now means something.
    bool m_pageAnswered = false;
    // The current engine's document is a file (in a renderer of its own).
    bool m_showsFile = false;
    // How far down the page in place the reader was (0 top, 1 bottom), and
    // where a page shown again on a fresh engine goes back to.
    double m_readingPosition = 0;
    std::optional<double> m_restorePosition;

    QWebEngineProfile *m_profile = nullptr;
    GuardedPage *m_page = nullptr;
    QWebEngineView *m_browser = nullptr;
    PageWriter m_writer;
    QTimer m_unanswered;
    QTimer m_busyDelay;
    QPointer<QWidget> m_busyWidget;
};
