#include "view/PageView.h"

#include "view/GuardScript.h"
#include "view/GuardedPage.h"
#include "view/NetworkGuard.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString GuardScriptName = u"sobranie-guards"_s;

// After this many escapes from the same request (a page script that keeps
// going to about:blank), the request is shown with page scripts off.
constexpr int MaxEscapes = 2;
// How often the same request may take its renderer down.
constexpr int MaxCrashes = 2;

bool isReadingKey(int key)
{
    return key == Qt::Key_Space || key == Qt::Key_Up || key == Qt::Key_Down;
}

// A secret the page cannot read (it lives in the application world), so no
// page script can pass for the guard script on the console.
QString newLinkToken()
{
    QRandomGenerator *random = QRandomGenerator::system();
    return u"sobranie-link-%1%2:"_s.arg(qulonglong(random->generate64()), 16, 16, QChar(u'0'))
        .arg(qulonglong(random->generate64()), 16, 16, QChar(u'0'));
}

QUrl emptyDocumentUrl()
{
    return {u"data:text/html;charset=UTF-8,"_s
            + QString::fromLatin1(QUrl::toPercentEncoding(u"<html><body></body></html>"_s))};
}

// Whether a load the engine reports is the one the view started.
bool sameTarget(const QUrl &reported, const QUrl &started)
{
    if (reported.isLocalFile() || started.isLocalFile())
        return reported.isLocalFile() && started.isLocalFile() && reported.toLocalFile() == started.toLocalFile();
    // The engine writes data: addresses its own way; a page cannot go to one.
    if (started.scheme() == u"data"_s)
        return reported.scheme() == u"data"_s;
    return reported == started;
}

} // namespace

PageView::PageView(QWidget *parent) : QWidget(parent), m_linkToken(newLinkToken())
{
    // An off-the-record profile of our own: nothing is written to disk, and
    // no page content reaches the network.
    m_profile = new QWebEngineProfile(this);
    m_profile->setUrlRequestInterceptor(new NetworkGuard(m_profile));
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest *download) { download->cancel(); });

    m_browser = new QWebEngineView(this);
    m_browser->setObjectName(u"browser"_s);
    m_browser->setContextMenuPolicy(Qt::PreventContextMenu);
    m_browser->setAcceptDrops(false);
    m_browser->installEventFilter(this);

    m_writer.setGuardScript(guardScript(m_selectionAllowed, m_linkToken));
    connect(&m_writer, &PageWriter::answered, this, [this] {
        m_unanswered.stop();
        carryOut();
    });
    connect(&m_writer, &PageWriter::written, this, [this] {
        if (m_request && m_request->kind == Request::Kind::Html)
            requestShown();
    });

    m_unanswered.setSingleShot(true);
    m_unanswered.setInterval(UnansweredTimeoutMs);
    // Still on the latest request's own piece, the engine is held by that
    // page's script: show it again without. Otherwise the page before held
    // it, and the latest request is not to blame.
    connect(&m_unanswered, &QTimer::timeout, this, [this] { replacePage(m_writer.isBusyWithLatest()); });
    m_heartbeat.setInterval(500);
    connect(&m_heartbeat, &QTimer::timeout, this, &PageView::probe);
    m_heartbeat.start();
    m_busyDelay.setSingleShot(true);
    m_busyDelay.setInterval(BusyPointerDelayMs);
    connect(&m_busyDelay, &QTimer::timeout, this, [this] { setBusyPointer(true); });

    createPage();
    installKeyGuard();
}

PageView::~PageView()
{
    m_writer.setPage(nullptr);
    if (m_page) {
        m_page->disconnect(this);
        // The page must go before the profile it was made with.
        m_browser->setPage(nullptr);
        delete m_page;
    }
}

QWebEnginePage *PageView::page() const
{
    return m_page;
}

void PageView::createPage()
{
    m_page = new GuardedPage(m_profile, this);
    QWebEngineSettings *settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);

    QWebEngineScript guards;
    guards.setName(GuardScriptName);
    guards.setInjectionPoint(QWebEngineScript::DocumentCreation);
    guards.setWorldId(QWebEngineScript::ApplicationWorld);
    guards.setRunsOnSubFrames(true);
    guards.setSourceCode(guardScript(m_selectionAllowed, m_linkToken));
    m_page->scripts().insert(guards);

    connect(m_page, &QWebEnginePage::linkHovered, this, &PageView::onLinkHovered);
    connect(m_page, &QWebEnginePage::loadingChanged, this, &PageView::onLoadingChanged);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status) {
                if (status == QWebEnginePage::NormalTerminationStatus)
                    return;
                // A page that takes its renderer down again and again (too
                // large for the memory there is, say) is given up after the
                // second time; the view stays usable with an empty page.
                if (++m_crashes > MaxCrashes && m_request) {
                    m_request.reset();
                    m_writer.cancel();
                }
                // Replaced from the event loop: the page is the one reporting.
                QMetaObject::invokeMethod(
                    this, [this] { replacePage(false); }, Qt::QueuedConnection);
            });
    m_browser->setPage(m_page);
    m_pageAnswered = false;
    // A document to write into; the first page waits for it.
    loadOwn(emptyDocumentUrl());
}

void PageView::replacePage(bool scriptsOff)
{
    m_unanswered.stop();
    m_probe.reset();
    m_layout.reset();
    m_writer.setPage(nullptr);
    m_ownLoad.reset();
    GuardedPage *old = m_page;
    old->disconnect(this);
    createPage();
    setPageScripts(!scriptsOff);
    // Deleting the page ends its renderer, however busy it is.
    delete old;
    m_statusText.clear();
    // The fresh engine shows the latest request from the start.
    if (!m_request && m_loadState != LoadState::Empty)
        m_loadState = LoadState::Ready;
    if (m_request) {
        m_loadState = LoadState::Loading;
        if (m_request->kind == Request::Kind::Html)
            m_writer.write(m_request->content);
        else
            m_request->started = false;
    }
    if (m_busyWidget) {
        setBusyPointer(false);
        setBusyPointer(true);
    }
    installKeyGuard();
    Q_EMIT engineReplaced();
}

void PageView::setPageScripts(bool on)
{
    // Every change of a setting goes to the renderer, which styles the
    // document anew: only when it is a change.
    QWebEngineSettings *settings = m_page->settings();
    if (settings->testAttribute(QWebEngineSettings::JavascriptEnabled) != on)
        settings->setAttribute(QWebEngineSettings::JavascriptEnabled, on);
}

void PageView::probe()
{
    // Only a page the engine has shown before, in a window on the screen,
    // is expected to answer.
    if (!m_pageAnswered || m_ownLoad || !isVisible() || window()->isMinimized())
        return;
    if (m_writer.isBusy()) {
        // A first screenful takes moments; a script in it that runs on and
        // on holds the view. The rest of a page may take long: leave it be.
        if (m_writer.busyPieceSize() <= PageWriter::FirstPieceSize && m_writer.busyMs() > HangTimeoutMs)
            replacePage(true);
        return;
    }
    if (m_probe) {
        if (m_probe->elapsed() > HangTimeoutMs)
            replacePage(true);
        return;
    }
    if (m_loadState != LoadState::Ready || !m_request || m_request->size > ProbedPageSize
        || !m_page->settings()->testAttribute(QWebEngineSettings::JavascriptEnabled))
        return;
    m_probe.emplace();
    m_probe->start();
    const quint64 serial = ++m_probeSerial;
    const QPointer<PageView> self(this);
    m_page->runJavaScript(u"0"_s, QWebEngineScript::ApplicationWorld, [self, serial](const QVariant &) {
        if (self && serial == self->m_probeSerial)
            self->m_probe.reset();
    });
}

void PageView::loadOwn(const QUrl &url)
{
    m_ownLoad = url;
    m_writer.setPage(nullptr);
    m_page->load(url);
}

void PageView::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    const QWebEngineLoadingInfo::LoadStatus status = info.status();
    if (status == QWebEngineLoadingInfo::LoadStartedStatus)
        return;
    if (m_ownLoad && sameTarget(info.url(), *m_ownLoad)) {
        m_ownLoad.reset();
        m_pageAnswered = true;
        m_unanswered.stop();
        m_writer.setPage(m_page);
        takeBackKeys();
        if (m_request && m_request->kind == Request::Kind::File && m_request->started)
            layOutFile();
        carryOut();
        return;
    }
    // Something else replaced the document: a page script going to
    // about:blank, or a link the engine turned into about:blank#blocked.
    // Only the view's own loads and the reader's links may do that. (A
    // navigation the view refused ends as a failed load and replaced nothing.)
    if (status != QWebEngineLoadingInfo::LoadSucceededStatus || m_ownLoad || m_loadState == LoadState::Empty
        || !m_request)
        return;
    if (++m_escapes > MaxEscapes)
        setPageScripts(false);
    m_loadState = LoadState::Loading;
    if (m_request->kind == Request::Kind::Html) {
        m_writer.write(m_request->content);
    } else {
        m_request->started = false;
        carryOut();
    }
}

void PageView::layOutFile()
{
    // Shown once it is laid out, as a written page is.
    const quint64 serial = m_requestSerial;
    m_layout = serial;
    const QPointer<PageView> self(this);
    m_page->runJavaScript(u"document.body&&document.body.offsetHeight"_s, QWebEngineScript::ApplicationWorld,
                          [self, serial](const QVariant &) {
                              if (!self || self->m_layout != serial)
                                  return;
                              self->m_layout.reset();
                              self->m_unanswered.stop();
                              if (self->m_requestSerial == serial)
                                  self->requestShown();
                              self->carryOut();
                          });
}

void PageView::showHtml(const QString &html)
{
    startRequest(Request{Request::Kind::Html, html, true, html.size()});
}

void PageView::showFile(const QUrl &file)
{
    startRequest(
        Request{Request::Kind::File, file.toString(QUrl::FullyEncoded), false, QFileInfo(file.toLocalFile()).size()});
}

void PageView::startRequest(Request request)
{
    const bool engineBusy = m_writer.isBusy() || m_ownLoad || m_layout;
    m_request = std::move(request);
    ++m_requestSerial;
    m_crashes = 0;
    // Page scripts may have been turned off for the request before.
    setPageScripts(true);
    m_escapes = 0;
    m_loadState = LoadState::Loading;
    if (!m_busyWidget)
        m_busyDelay.start();
    if (m_request->kind == Request::Kind::Html)
        m_writer.write(m_request->content);
    else
        m_writer.cancel();
    // An engine seen alive answers a request at once, unless it is still
    // busy with the one before; it gets a little time for that. One busy
    // with a long piece would take longer than a fresh one.
    if (m_pageAnswered) {
        if (engineBusy && m_writer.busyPieceSize() > LongPieceSize) {
            replacePage(false);
            return;
        }
        if (!m_unanswered.isActive())
            m_unanswered.start();
    }
    carryOut();
}

void PageView::carryOut()
{
    // Pages are the writer's; a file is loaded once the engine is free.
    if (!m_request || m_request->started || m_writer.isBusy() || m_ownLoad || m_layout)
        return;
    m_request->started = true;
    loadOwn(QUrl(m_request->content, QUrl::StrictMode));
}

void PageView::requestShown()
{
    m_loadState = LoadState::Ready;
    m_busyDelay.stop();
    setBusyPointer(false);
    takeBackKeys();
    Q_EMIT shown();
}

void PageView::setSelectionAllowed(bool value)
{
    m_selectionAllowed = value;
    updateGuards();
}

void PageView::updateGuards()
{
    const QString script = guardScript(m_selectionAllowed, m_linkToken);
    m_writer.setGuardScript(script);
    // Later documents get it from the creation script, the current one at once.
    QWebEngineScriptCollection &scripts = m_page->scripts();
    for (QWebEngineScript guards : scripts.find(GuardScriptName)) {
        scripts.remove(guards);
        guards.setSourceCode(script);
        scripts.insert(guards);
    }
    m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld);
}

bool PageView::acceptNavigation(const QUrl &, QWebEnginePage::NavigationType type, bool)
{
    // Only the view's own loads come as typed navigations: they always go ahead.
    if (type == QWebEnginePage::NavigationTypeTyped)
        return true;
    // History would lead back to a document that is no longer ours.
    if (type == QWebEnginePage::NavigationTypeBackForward)
        return false;
    // A link is recognised by the address the pointer rests on, whatever the
    // request says of itself.
    if (m_statusText.left(4) == u"http"_s) {
        dispatch(std::exchange(m_statusText, QString()));
        return false;
    }
    // Nothing else replaces a page once one is asked for.
    return m_loadState == LoadState::Empty;
}

void PageView::onConsoleMessage(const QString &message)
{
    if (!message.startsWith(m_linkToken))
        return;
    m_statusText.clear();
    dispatch(message.mid(m_linkToken.size()));
}

void PageView::dispatch(const QString &address)
{
    // Carried out right after the engine's callback returns, not inside it.
    QMetaObject::invokeMethod(
        this,
        [this, address] {
            if (m_linkHandler)
                m_linkHandler(address);
        },
        Qt::QueuedConnection);
}

void PageView::installKeyGuard()
{
    // The widget that takes the keys (and shows the page) changes when the
    // engine switches its renderer: guard whatever is there now.
    if (QWidget *proxy = m_browser->focusProxy()) {
        proxy->installEventFilter(this);
        m_writer.setScreen(proxy);
    }
    for (QWidget *child : m_browser->findChildren<QWidget *>())
        child->installEventFilter(this);
}

void PageView::takeBackKeys()
{
    // A new document may come with a new widget taking the keys: guard it,
    // and give it the focus so the reading keys work at once.
    installKeyGuard();
    if (isActiveWindow())
        m_browser->setFocus();
}

void PageView::setBusyPointer(bool busy)
{
    if (busy) {
        if (m_loadState != LoadState::Loading || m_busyWidget)
            return;
        m_busyWidget = m_browser->focusProxy() ? m_browser->focusProxy() : m_browser;
        m_busyWidget->setCursor(Qt::BusyCursor);
    } else if (m_busyWidget) {
        m_busyWidget->unsetCursor();
        m_busyWidget = nullptr;
    }
}

bool PageView::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // Only the reading keys reach the page; the state of the modifiers
        // is not looked at. Shortcuts (F1, F4) are matched before this.
        return !isReadingKey(static_cast<QKeyEvent *>(event)->key());
    case QEvent::ChildAdded:
    case QEvent::ChildPolished:
        if (watched == m_browser)
            QMetaObject::invokeMethod(this, &PageView::installKeyGuard, Qt::QueuedConnection);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void PageView::resizeEvent(QResizeEvent *)
{
    m_browser->setGeometry(0, 0, width(), height());
}
