#pragma once

#include <QWebEnginePage>

class PageView;

// The engine page inside the view: hands navigation requests and the guard
// script's reports to the view, and turns down everything a page might ask
// of the desktop: windows, dialogs, file choosers, permissions, full screen.
class GuardedPage : public QWebEnginePage
{
    Q_OBJECT

public:
    GuardedPage(QWebEngineProfile *profile, PageView *view);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
    void javaScriptAlert(const QUrl &securityOrigin, const QString &message) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &message) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &message, const QString &defaultValue,
                          QString *result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                  const QString &sourceID) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList &oldFiles,
                            const QStringList &acceptedMimeTypes) override;

private:
    PageView *m_view;
};
