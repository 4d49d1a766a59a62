#pragma once

#include <QWebEnginePage>
#include <QWidget>

#include <functional>

class QWebEngineProfile;
class QWebEngineView;
class ViewPage;

// The HTML view every page of the reader is shown in: a browser turned into
// a plain reading surface whose own links are handed to a dispatcher.
class usrWeb : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool SelText READ SelText WRITE setSelText)

public:
    using Dispatcher = std::function<void(const QString &address)>;

    // Creates the browser and waits (bounded) until it has an empty document.
    explicit usrWeb(QWidget *parent = nullptr);
    ~usrWeb() override;

    // When true, the user may select text; false (the default) blocks it on
    // every document.
    [[nodiscard]] bool SelText() const { return m_selText; }
    void setSelText(bool value);

    // Replaces the current document with html and returns when it is in
    // place. Throws runtime::RuntimeError when the document cannot be written.
    void LoadHtml(const QString &html);

    // Starts showing a file (or address); does not wait for it to load.
    void LoadFile(const QString &file);

    // Called with the link's address when the user follows a link.
    void setDispatcher(Dispatcher dispatcher) { m_dispatcher = std::move(dispatcher); }

    [[nodiscard]] QWebEngineView *WebBrowser1() const { return m_browser; }
    [[nodiscard]] QWebEnginePage *page() const;
    // 0 nothing loaded yet, 1 a load under way, 2 a page in place.
    [[nodiscard]] int loadState() const { return m_loadState; }
    [[nodiscard]] QString statusText() const { return m_statusText; }

    // The browser's reports, as the engine glue delivers them: the address
    // under the pointer ("" when there is none), and a navigation request,
    // answered with whether it may go ahead.
    void WebBrowser1_StatusTextChange(const QString &text) { m_statusText = text; }
    bool WebBrowser1_BeforeNavigate2(const QUrl &url, QWebEnginePage::NavigationType type, bool isMainFrame);

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

    bool m_selText = false;
    QString m_statusText;
    int m_loadState = 0;
    bool m_awaitingDocument = false;
    Dispatcher m_dispatcher;

    QWebEngineProfile *m_profile = nullptr;
    ViewPage *m_page = nullptr;
    QWebEngineView *m_browser = nullptr;
};
