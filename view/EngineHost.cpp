#include "view/EngineHost.h"

#include "view/GuardScript.h"
#include "view/GuardedPage.h"
#include "view/NetworkGuard.h"
#include "view/OffscreenWindows.h"
#include "view/PageWriter.h"

#include <QDialog>
#include <QEvent>
#include <QRandomGenerator>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString GuardScriptName = u"sobranie-guards"_s;
const QString ArrivalScriptName = u"sobranie-arrival"_s;

QString newToken()
{
    QRandomGenerator *random = QRandomGenerator::system();
    return u"sobranie-link-%1%2:"_s.arg(qulonglong(random->generate64()), 16, 16, QChar(u'0'))
        .arg(qulonglong(random->generate64()), 16, 16, QChar(u'0'));
}

} // namespace

EngineHost::EngineHost(QWidget *view) : PageEngine(view), m_token(newToken())
{
    m_guardScript = ::guardScript(false, m_token);
    // Nothing is written to disk, and no page content reaches the network.
    m_profile = new QWebEngineProfile(this);
    m_profile->setUrlRequestInterceptor(new NetworkGuard(m_profile));
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest *download) { download->cancel(); });

    m_browser = new QWebEngineView(view);
    m_browser->setObjectName(u"browser"_s);
    m_browser->setContextMenuPolicy(Qt::PreventContextMenu);
    m_browser->setAcceptDrops(false);
    m_browser->installEventFilter(this);
    connect(this, &EngineHost::inputWidgetChanged, this, &keepOffscreenWindowsFromAssistiveTechnology);
    createPage();
}

EngineHost::~EngineHost()
{
    m_page->disconnect(this);
    // The page must go before the profile it was made with.
    m_browser->setPage(nullptr);
    delete m_page;
}

QWebEnginePage *EngineHost::page() const
{
    return m_page;
}

void EngineHost::createPage()
{
    m_page = new GuardedPage(m_profile, this);
    QWebEngineSettings *settings = m_page->settings();
    // Pages are data: whatever scripts a collection's markup holds never
    // run. The view's own scripts run in their own world regardless.
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);

    QWebEngineScript guards;
    guards.setName(GuardScriptName);
    guards.setInjectionPoint(QWebEngineScript::DocumentCreation);
    guards.setWorldId(QWebEngineScript::ApplicationWorld);
    guards.setRunsOnSubFrames(true);
    guards.setSourceCode(m_guardScript);
    m_page->scripts().insert(guards);

    connect(m_page, &QWebEnginePage::linkHovered, this, &EngineHost::linkHovered);
    connect(m_page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
            Q_EMIT loadEnded(info.url(), info.status() == QWebEngineLoadingInfo::LoadSucceededStatus);
    });
    connect(m_page, &GuardedPage::consoleMessage, this, [this](const QString &message) {
        if (message.startsWith(m_token))
            Q_EMIT reported(message.mid(m_token.size()));
    });
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status) {
                if (status == QWebEnginePage::NormalTerminationStatus)
                    return;
                // Nothing more from this engine: its last reports (a scroll
                // to the top as it goes) are not the reader's.
                m_page->disconnect(this);
                // Said from the event loop: the page is the one reporting.
                QMetaObject::invokeMethod(this, &EngineHost::died, Qt::QueuedConnection);
            });
    m_browser->setPage(m_page);
    m_page->setZoomFactor(m_textSize);
}

void EngineHost::replace()
{
    GuardedPage *old = m_page;
    old->disconnect(this);
    createPage();
    // Deleting the page ends its renderer, however busy it is.
    delete old;
    Q_EMIT replaced();
}

void EngineHost::setSelectionAllowed(bool allowed)
{
    m_selectionAllowed = allowed;
    renewGuards();
    m_page->runJavaScript(m_guardScript, QWebEngineScript::ApplicationWorld);
}

void EngineHost::setStyle(const QString &style)
{
    if (style == m_style)
        return;
    m_style = style;
    renewGuards();
    m_page->runJavaScript(u"window.__sobranieGuards && __sobranieGuards.setPresentation(%1)"_s.arg(m_style),
                          QWebEngineScript::ApplicationWorld);
}

void EngineHost::renewGuards()
{
    m_guardScript = ::guardScript(m_selectionAllowed, m_token, m_style);
    // Later documents get it from the creation script.
    QWebEngineScriptCollection &scripts = m_page->scripts();
    for (QWebEngineScript guards : scripts.find(GuardScriptName)) {
        scripts.remove(guards);
        guards.setSourceCode(m_guardScript);
        scripts.insert(guards);
    }
}

void EngineHost::setTextSize(qreal factor)
{
    m_textSize = factor;
    m_page->setZoomFactor(factor);
}

void EngineHost::runScript(const QString &script, const Answer &answer)
{
    if (answer)
        m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld, answer);
    else
        m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld);
}

void EngineHost::load(const QUrl &url)
{
    m_page->load(url);
}

void EngineHost::setArrivalScript(const QString &script)
{
    QWebEngineScriptCollection &scripts = m_page->scripts();
    for (const QWebEngineScript &old : scripts.find(ArrivalScriptName))
        scripts.remove(old);
    QWebEngineScript arrival;
    arrival.setName(ArrivalScriptName);
    arrival.setInjectionPoint(QWebEngineScript::DocumentReady);
    arrival.setWorldId(QWebEngineScript::ApplicationWorld);
    arrival.setRunsOnSubFrames(false);
    arrival.setSourceCode(script);
    scripts.insert(arrival);
}

void EngineHost::forgetHistory()
{
    // Nothing may go back to it, and the engine would keep the pages it leads to.
    m_page->history()->clear();
}

QString EngineHost::reportScript(const QString &report) const
{
    return u"console.log("_s + PageWriter::jsonString(m_token + report) + u");"_s;
}

bool EngineHost::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_browser && (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished)) {
        // Polished on its way to the screen, once it is a window.
        if (event->type() == QEvent::ChildPolished)
            keepOffScreen(static_cast<QChildEvent *>(event)->child());
        // The widget that takes the keys (and shows the page) changes when
        // the engine switches its renderer.
        QMetaObject::invokeMethod(this, &EngineHost::inputWidgetChanged, Qt::QueuedConnection);
    } else if (event->type() == QEvent::Show && watched->isWidgetType()
               && static_cast<QWidget *>(watched)->testAttribute(Qt::WA_DontShowOnScreen)) {
        // Said no to from the event loop, once its opener has done with it.
        auto *window = static_cast<QWidget *>(watched);
        QMetaObject::invokeMethod(
            window,
            [window] {
                if (auto *dialog = qobject_cast<QDialog *>(window))
                    dialog->reject();
                else
                    window->close();
            },
            Qt::QueuedConnection);
    }
    return PageEngine::eventFilter(watched, event);
}

void EngineHost::keepOffScreen(QObject *child)
{
    // The browser widget opens windows of its own for a page's controls: the
    // colour dialog, the pop-up of a select, a date or time picker, a
    // datalist's suggestions. None is let onto the screen: each is shown off
    // it, blocks nothing, and is turned down as it shows, as if the user had
    // dismissed it. Stopped here, where every one of them comes from, rather
    // than in the page, where each control opens its own way (a press, a
    // click, keys) and may stand in a closed shadow root.
    auto *window = qobject_cast<QWidget *>(child);
    if (!window || !window->isWindow() || window->testAttribute(Qt::WA_DontShowOnScreen))
        return;
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->setWindowModality(Qt::NonModal);
    window->installEventFilter(this);
}
