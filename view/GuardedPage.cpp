#include "view/GuardedPage.h"

#include "view/PageView.h"

GuardedPage::GuardedPage(QWebEngineProfile *profile, PageView *view) : QWebEnginePage(profile, view), m_view(view)
{
}

bool GuardedPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    return m_view->acceptNavigation(url, type, isMainFrame);
}

QWebEnginePage *GuardedPage::createWindow(WebWindowType)
{
    return nullptr;
}

void GuardedPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int, const QString &)
{
    // A reader has no console: page scripts' messages go nowhere.
}
