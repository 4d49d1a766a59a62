#pragma once

#include "view/PageWriter.h"

#include <QElapsedTimer>
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
// a plain reading surface (no keys but Space, Up and Down, no context menu,
// no selection, no windows, no dialogs, no network) whose links are handed
// to a handler.
//
// It never waits for the engine. Showing a page starts it and returns; the
// latest request is what the view works towards, and a newer one supersedes
// it. An engine that stops answering, or dies, is replaced by a fresh one
// that shows the latest request; the view never gives up.
class PageView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool selectionAllowed READ selectionAllowed WRITE setSelectionAllowed)

public:
    using LinkHandler = std::function<void(const QString &address)>;

    // What the view shows: nothing requested yet, a request under way, or
    // the latest request in place.
    enum class LoadState { Empty, Loading, Ready };

    // How long the engine may leave a newer request unanswered before it is
    // replaced (a page script that never ends, say).
    static constexpr int UnansweredTimeoutMs = 2000;
    // An engine still busy with a piece this long (about a second of work)
    // is replaced at once when a newer request comes: a fresh one is quicker.
    static constexpr qsizetype LongPieceSize = 1 << 20;
    // How long a page in place (or a first screenful being written) may
    // leave the engine's probe unanswered before its scripts are taken for
    // a loop: the page is then shown again on a fresh engine, scripts off.
    static constexpr int HangTimeoutMs = 5000;
    // Only pages up to this size are probed: a longer one may keep the
    // engine busy for seconds without any script (laid out again after a
    // resize, say). F4 still gets through to it.
    static constexpr qsizetype ProbedPageSize = qsizetype(512) * 1024;
    // A write shorter than this shows no busy pointer.
    static constexpr int BusyPointerDelayMs = 300;

    explicit PageView(QWidget *parent = nullptr);
    ~PageView() override;

    // When true, the user may select text; false (the default) blocks it on
    // every document.
    [[nodiscard]] bool selectionAllowed() const { return m_selectionAllowed; }
    void setSelectionAllowed(bool value);

    // Starts replacing the document with html, written unchanged.
    void showHtml(const QString &html);
    // Starts showing a local file, given by its file URL.
    void showFile(const QUrl &file);

    // Called with the link's address when the user follows a link; returns
    // the handler it replaces.
    LinkHandler setLinkHandler(LinkHandler handler) { return std::exchange(m_linkHandler, std::move(handler)); }

    [[nodiscard]] QWebEngineView *browser() const { return m_browser; }
    [[nodiscard]] QWebEnginePage *page() const;
    [[nodiscard]] LoadState loadState() const { return m_loadState; }
    [[nodiscard]] QString statusText() const { return m_statusText; }

    // The engine's reports: the address under the pointer ("" when there is
    // none); a navigation request, answered with whether it may go ahead; a
    // console message (the guard script reports links there).
    void onLinkHovered(const QString &text) { m_statusText = text; }
    bool acceptNavigation(const QUrl &url, QWebEnginePage::NavigationType type, bool isMainFrame);
    void onConsoleMessage(const QString &message);

Q_SIGNALS:
    // The latest request is in place.
    void shown();
    // The engine was replaced by a fresh one (it stopped answering or died).
    void engineReplaced();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Request
    {
        enum class Kind { Html, File };
        Kind kind = Kind::Html;
        QString content; // the HTML, or the file's path
        bool started = false;
        qsizetype size = 0; // characters of the page, bytes of the file
    };

    void createPage();
    void replacePage(bool scriptsOff);
    void probe();
    void setPageScripts(bool on);
    void loadOwn(const QUrl &url);
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void startRequest(Request request);
    void carryOut();
    void requestShown();
    void layOutFile();
    void watchForAnswer();
    void dispatch(const QString &address);
    void updateGuards();
    void installKeyGuard();
    void takeBackKeys();
    void setBusyPointer(bool busy);

    bool m_selectionAllowed = false;
    QString m_statusText;
    LoadState m_loadState = LoadState::Empty;
    LinkHandler m_linkHandler;
    const QString m_linkToken;

    std::optional<Request> m_request;
    // A navigation of the view's own (the empty document, a file) is under
    // way to this address; nothing is written meanwhile.
    std::optional<QUrl> m_ownLoad;
    // A file that has loaded is being laid out (the request's serial).
    std::optional<quint64> m_layout;
    quint64 m_requestSerial = 0;
    // How often the page has left the latest request on its own (a page
    // script going to about:blank); past a few times its scripts are off.
    int m_escapes = 0;
    int m_crashes = 0;
    // The current page has finished a load of its own: its engine has been
    // seen alive, so a silence from it now means something.
    bool m_pageAnswered = false;

    QWebEngineProfile *m_profile = nullptr;
    GuardedPage *m_page = nullptr;
    QWebEngineView *m_browser = nullptr;
    PageWriter m_writer;
    QTimer m_unanswered;
    QTimer m_heartbeat;
    // A probe of the page in place is with the engine since then.
    std::optional<QElapsedTimer> m_probe;
    quint64 m_probeSerial = 0;
    QTimer m_busyDelay;
    QPointer<QWidget> m_busyWidget;
};
