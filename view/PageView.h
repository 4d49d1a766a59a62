#pragma once

#include <QWebEnginePage>
#include <QWidget>

#include <functional>
#include <utility>

class QWebEngineProfile;
class QWebEngineView;
class GuardedPage;

// The HTML view every page of the reader is shown in: a browser turned into
// a plain reading surface whose links are handed to a handler.
class PageView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool selectionAllowed READ selectionAllowed WRITE setSelectionAllowed)

public:
    using LinkHandler = std::function<void(const QString &address)>;

    // Creates the browser and waits (bounded) until it has an empty document.
    explicit PageView(QWidget *parent = nullptr);
    ~PageView() override;

    // When true, the user may select text; false (the default) blocks it on
    // every document.
    [[nodiscard]] bool selectionAllowed() const { return m_selectionAllowed; }
    void setSelectionAllowed(bool value);

    // Replaces the current document with html and returns when it is in
    // place. Throws platform::RuntimeError when the document cannot be written.
    void showHtml(const QString &html);

    // Starts showing a file (or address); does not wait for it to load.
    void showFile(const QString &file);

    // Called with the link's address when the user follows a link; returns
    // the handler it replaces.
    LinkHandler setLinkHandler(LinkHandler handler) { return std::exchange(m_linkHandler, std::move(handler)); }

    [[nodiscard]] QWebEngineView *browser() const { return m_browser; }
    [[nodiscard]] QWebEnginePage *page() const;
    enum class LoadState { Empty, Loading, Ready };
    [[nodiscard]] LoadState loadState() const { return m_loadState; }
    [[nodiscard]] QString statusText() const { return m_statusText; }

    // The browser's reports, as the engine glue delivers them: the address
    // under the pointer ("" when there is none), and a navigation request,
    // answered with whether it may go ahead.
    void onLinkHovered(const QString &text) { m_statusText = text; }
    bool acceptNavigation(const QUrl &url, QWebEnginePage::NavigationType type, bool isMainFrame);

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    [[nodiscard]] QString guardScript() const;
    void installDocumentGuards();
    void installKeyGuard();
    void takeBackKeys();
    void runScript(const QString &source, int timeoutMs);
    void loadEmptyDocument();
    void waitForEmptyDocument();

    bool m_selectionAllowed = false;
    QString m_statusText;
    LoadState m_loadState = LoadState::Empty;
    bool m_awaitingDocument = false;
    LinkHandler m_linkHandler;

    QWebEngineProfile *m_profile = nullptr;
    GuardedPage *m_page = nullptr;
    QWebEngineView *m_browser = nullptr;
};
