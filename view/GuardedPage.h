#pragma once

#include <QWebEnginePage>

class PageView;

// The page inside the view: hands navigation requests to the view and
// never opens a window.
class GuardedPage : public QWebEnginePage
{
    Q_OBJECT

public:
    GuardedPage(QWebEngineProfile *profile, PageView *view);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                  const QString &sourceID) override;

private:
    PageView *m_view;
};
