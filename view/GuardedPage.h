#pragma once

#include <QWebEnginePage>

// The engine page inside the view: lets only the view's own navigations go
// ahead, hands on what the page's scripts write to the console, and turns
// down everything a page might ask of the desktop: windows, dialogs, file
// choosers, permissions, full screen.
class GuardedPage : public QWebEnginePage
{
    Q_OBJECT

public:
    GuardedPage(QWebEngineProfile *profile, QObject *parent);

    // Whether a navigation of this type goes ahead. Only the view's own
    // loads come as typed navigations; links are cancelled in the page and
    // reported from the click, and a refresh, a form or a frame of the
    // page's own replaces nothing.
    [[nodiscard]] static bool admits(NavigationType type) { return type == NavigationTypeTyped; }

Q_SIGNALS:
    // A message a script of the document wrote to the console.
    void consoleMessage(const QString &message);

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
};
