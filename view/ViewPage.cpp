#include "view/ViewPage.h"

#include "view/usrWeb.h"

ViewPage::ViewPage(QWebEngineProfile *profile, usrWeb *view)
    : QWebEnginePage(profile, view), m_view(view)
{
}

bool ViewPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    return m_view->WebBrowser1_BeforeNavigate2(url, type, isMainFrame);
}

QWebEnginePage *ViewPage::createWindow(WebWindowType)
{
    return nullptr;
}

void ViewPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int, const QString &)
{
    // A reader has no console: page scripts' messages go nowhere.
}
