#include "view/GuardedPage.h"

#include <QCoreApplication>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineRegisterProtocolHandlerRequest>

GuardedPage::GuardedPage(QWebEngineProfile *profile, QObject *parent) : QWebEnginePage(profile, parent)
{
    connect(this, &QWebEnginePage::featurePermissionRequested, this, [this](const QUrl &origin, Feature feature) {
        setFeaturePermission(origin, feature, PermissionDeniedByUser);
    });
    connect(this, &QWebEnginePage::fullScreenRequested, this,
            [](QWebEngineFullScreenRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
            [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
}

bool GuardedPage::acceptNavigationRequest(const QUrl &, NavigationType type, bool)
{
    return admits(type);
}

QWebEnginePage *GuardedPage::createWindow(WebWindowType)
{
    return nullptr;
}

// A page's dialogs are suppressed, not shown: each would be a modal box
// that a page script can raise again and again, and a reader's pages have
// nothing to ask.
void GuardedPage::javaScriptAlert(const QUrl &, const QString &)
{
}

bool GuardedPage::javaScriptConfirm(const QUrl &, const QString &message)
{
    // The engine asks here too whether a page that wants to keep the user
    // (beforeunload) may be left, with this fixed text. It may always: the
    // view's own loads must never be held up by a page.
    static const QString LeavePage = QCoreApplication::translate(
        "QWebEnginePage", "Are you sure you want to leave this page? Changes that you made may not be saved.");
    return message == LeavePage;
}

bool GuardedPage::javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *)
{
    return false;
}

void GuardedPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message, int, const QString &)
{
    // A reader has no console; the guard script's reports are the only
    // messages that mean something, and the view tells them apart.
    Q_EMIT consoleMessage(message);
}

QStringList GuardedPage::chooseFiles(FileSelectionMode, const QStringList &, const QStringList &)
{
    return {};
}
