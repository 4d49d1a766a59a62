#pragma once

#include <QWebEnginePage>

class usrWeb;

// The page inside the view: hands navigation requests to the view and
// never opens a window.
class ViewPage : public QWebEnginePage
{
    Q_OBJECT

public:
    ViewPage(QWebEngineProfile *profile, usrWeb *view);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                  const QString &sourceID) override;

private:
    usrWeb *m_view;
};
