#include "view/PageView.h"

#include "view/GuardScript.h"
#include "view/GuardedPage.h"
#include "view/NetworkGuard.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWheelEvent>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString GuardScriptName = u"sobranie-guards"_s;
const QString FirstPieceScriptName = u"sobranie-first-piece"_s;
const QString ArrivalReport = u"arrived:"_s;

// After this many loads the view did not start, the latest request is left
// as the engine has it rather than shown again and again.
constexpr int MaxEscapes = 2;

// Space, Up and Down read on; Tab and Shift+Tab move between links, Enter
// follows the one marked.
bool isReadingKey(int key)
{
    switch (key) {
    case Qt::Key_Space:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        return false;
    }
}

// The text sizes Ctrl+plus and Ctrl+minus step through.
constexpr qreal TextSizes[] = {0.5, 0.67, 0.75, 0.8, 0.9, 1.0, 1.1, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0};

// A secret the page cannot read (it lives in the application world), so
// nothing in a page can pass for the guard script on the console.
QString newLinkToken()
{
    QRandomGenerator *random = QRandomGenerator::system();
    return u"sobranie-link-%1%2:"_s.arg(qulonglong(random->generate64()), 16, 16, QChar(u'0'))
        .arg(qulonglong(random->generate64()), 16, 16, QChar(u'0'));
}

// An empty document of its own for every page: a new document and a new
// window, so no state of the page before survives. The serial makes each
// address unique, so the load that finishes is known to be the latest one.
const QString FreshDocumentPrefix =
    u"data:text/html;charset=UTF-8,%3Chtml%3E%3Cbody%3E%3C%2Fbody%3E%3C%2Fhtml%3E%3C!--"_s;

QUrl freshDocumentUrl(quint64 serial)
{
    return {FreshDocumentPrefix + QString::number(serial) + u"--%3E"_s};
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
    connect(&m_writer, &PageWriter::answered, this, &PageView::watch);
    connect(&m_writer, &PageWriter::written, this, [this] {
        if (m_request && m_request->kind == Request::Kind::Html)
            requestShown();
    });

    m_unanswered.setSingleShot(true);
    connect(&m_unanswered, &QTimer::timeout, this, &PageView::onUnanswered);
    m_busyDelay.setSingleShot(true);
    m_busyDelay.setInterval(BusyPointerDelayMs);
    connect(&m_busyDelay, &QTimer::timeout, this, [this] { setBusyPointer(true); });

    createPage();
    // The engine starts meanwhile; the first page does not wait for it.
    loadOwn(freshDocumentUrl(++m_documentSerial));
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

QString PageView::givenUpPage()
{
    return u"<html><body><p>Эту страницу показать не удалось.</p></body></html>"_s;
}

void PageView::createPage()
{
    m_page = new GuardedPage(m_profile, this);
    QWebEngineSettings *settings = m_page->settings();
    // Pages are data: whatever scripts a collection's markup holds never
    // run. The view's own guards run in the application world regardless.
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
    guards.setSourceCode(guardScript(m_selectionAllowed, m_linkToken));
    m_page->scripts().insert(guards);

    connect(m_page, &QWebEnginePage::linkHovered, this, &PageView::onLinkHovered);
    connect(m_page, &QWebEnginePage::loadingChanged, this, &PageView::onLoadingChanged);
    connect(m_page, &QWebEnginePage::scrollPositionChanged, this, &PageView::trackReadingPosition);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status) {
                if (status == QWebEnginePage::NormalTerminationStatus)
                    return;
                // Nothing more from this engine: its last reports (a scroll
                // to the top as it goes) are not the reader's.
                m_page->disconnect(this);
                // Replaced from the event loop: the page is the one reporting.
                QMetaObject::invokeMethod(this, &PageView::onEngineFailed, Qt::QueuedConnection);
            });
    m_browser->setPage(m_page);
    m_page->setZoomFactor(m_zoom);
    m_pageAnswered = false;
}

void PageView::onEngineFailed()
{
    // A request that keeps taking its engine down (too large for the memory
    // there is, say) is given up; the view says so and stays usable.
    if (m_request && ++m_failures > MaxFailures && m_request->content != givenUpPage()) {
        m_request = Request{Request::Kind::Html, givenUpPage(), givenUpPage().size()};
        m_restorePosition.reset();
        replacePage();
        Q_EMIT givenUp();
        return;
    }
    replacePage();
}

void PageView::replacePage()
{
    m_unanswered.stop();
    m_layout.reset();
    m_writer.setPage(nullptr);
    m_ownLoad.reset();
    // The page in place comes back where the reader was; one not yet back
    // from an earlier replacement keeps the place it had then.
    if (m_loadState == LoadState::Ready)
        m_restorePosition = m_readingPosition;
    GuardedPage *old = m_page;
    old->disconnect(this);
    createPage();
    // Deleting the page ends its renderer, however busy it is.
    delete old;
    m_statusText.clear();
    if (m_request) {
        m_loadState = LoadState::Loading;
        begin();
    } else {
        loadOwn(freshDocumentUrl(++m_documentSerial));
    }
    if (m_busyWidget) {
        setBusyPointer(false);
        setBusyPointer(true);
    }
    installKeyGuard();
    Q_EMIT engineReplaced();
}

void PageView::loadOwn(const QUrl &url)
{
    m_ownLoad = url;
    m_page->load(url);
}

void PageView::setFirstPieceScript(const QUrl &document, const QString &script)
{
    // Run by the document itself once it is there, and by no other.
    QWebEngineScriptCollection &scripts = m_page->scripts();
    for (const QWebEngineScript &old : scripts.find(FirstPieceScriptName))
        scripts.remove(old);
    QWebEngineScript firstPiece;
    firstPiece.setName(FirstPieceScriptName);
    firstPiece.setInjectionPoint(QWebEngineScript::DocumentReady);
    firstPiece.setWorldId(QWebEngineScript::ApplicationWorld);
    firstPiece.setRunsOnSubFrames(false);
    // Once: the page it writes is ready in turn, and would run it again.
    firstPiece.setSourceCode(u"if (location.href === "_s + PageWriter::jsonString(document.toString(QUrl::FullyEncoded))
                             + u" && !window.__sobranieFirstPiece) { window.__sobranieFirstPiece = true;"_s + script
                             + u"}"_s);
    scripts.insert(firstPiece);
}

void PageView::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    const QWebEngineLoadingInfo::LoadStatus status = info.status();
    if (status == QWebEngineLoadingInfo::LoadStartedStatus)
        return;
    if (m_ownLoad && info.url() == *m_ownLoad) {
        // Ended, whichever way: a file the guard stopped to cancel its
        // refresh, or one that went away, is as far as it will get.
        ownLoadEnded();
        if (!m_request)
            return;
        if (m_request->kind == Request::Kind::File)
            layOutFile();
        else if (m_writer.waitsForPage())
            m_writer.setPage(m_page);
        watch();
        return;
    }
    // A document of the view's own whose first piece came with it may be
    // reported ended late, or not at all: it is no stranger.
    if (info.url().toString(QUrl::FullyEncoded).startsWith(FreshDocumentPrefix))
        return;
    // Something else replaced the document, though nothing in a page can
    // navigate: show the latest request again, a few times at most.
    if (status != QWebEngineLoadingInfo::LoadSucceededStatus || m_ownLoad || !m_request || ++m_escapes > MaxEscapes)
        return;
    m_loadState = LoadState::Loading;
    begin();
}

void PageView::ownLoadEnded()
{
    m_pageAnswered = true;
    m_showsFile = m_ownLoad->isLocalFile();
    m_ownLoad.reset();
    // Our own loads leave history behind; nothing may go back to it, and
    // the engine would keep the pages it leads to.
    m_page->history()->clear();
    takeBackKeys();
}

void PageView::layOutFile()
{
    // Shown once it is laid out, as a written page is.
    const quint64 serial = m_requestSerial;
    m_layout = serial;
    const QPointer<PageView> self(this);
    m_page->runJavaScript(u"document.body&&document.body.offsetHeight"_s, QWebEngineScript::ApplicationWorld,
                          [self, serial](const QVariant &) {
                              if (self && self->m_layout == serial) {
                                  self->m_layout.reset();
                                  self->requestShown();
                              }
                          });
}

void PageView::showHtml(const QString &html)
{
    startRequest(Request{Request::Kind::Html, html, html.size()});
}

void PageView::showFile(const QUrl &file)
{
    startRequest(Request{Request::Kind::File, file.toString(QUrl::FullyEncoded), QFileInfo(file.toLocalFile()).size()});
}

void PageView::startRequest(Request request)
{
    // An engine busy with a long piece would take longer than a fresh one.
    const bool heldByLongPiece = m_pageAnswered && m_writer.busyPieceSize() > LongPieceSize;
    m_request = std::move(request);
    ++m_requestSerial;
    m_failures = 0;
    m_escapes = 0;
    m_readingPosition = 0;
    m_restorePosition.reset();
    m_loadState = LoadState::Loading;
    if (!m_busyWidget)
        m_busyDelay.start();
    if (heldByLongPiece)
        replacePage();
    else
        begin();
}

void PageView::begin()
{
    // The engine answers the script in hand before it takes the navigation:
    // that wait is the older request's, and short.
    const bool heldByOlderWork = m_writer.isBusy() || m_layout.has_value();
    m_layout.reset();
    const Request &request = *m_request;
    m_writer.setPage(nullptr);
    if (request.kind == Request::Kind::Html) {
        const QUrl document = freshDocumentUrl(++m_documentSerial);
        if (m_pageAnswered && !m_showsFile) {
            // From one written page to the next the first piece goes with
            // its document: no empty document is ever painted between them.
            const QString report =
                u"console.log("_s
                + PageWriter::jsonString(m_linkToken + ArrivalReport + QString::number(m_documentSerial)) + u");"_s;
            setFirstPieceScript(document, m_writer.writeOnArrival(request.content, report));
        } else {
            // A document that comes up in another renderer (after a file, on
            // a fresh engine) is written once it is there: written as it
            // comes up, it would take no pointer until the next page.
            m_writer.write(request.content);
        }
        loadOwn(document);
    } else {
        m_writer.cancel();
        loadOwn(QUrl(request.content, QUrl::StrictMode));
    }
    if (heldByOlderWork)
        m_unanswered.start(UnansweredTimeoutMs);
    else
        watch();
}

void PageView::watch()
{
    // Progress: the engine gets its time again, from now. Only an engine
    // seen alive is watched (a first start may be slow).
    if (m_loadState != LoadState::Loading || !m_pageAnswered) {
        m_unanswered.stop();
        return;
    }
    const bool readingFile = m_ownLoad && m_request && m_request->kind == Request::Kind::File;
    m_unanswered.start(allowanceMs(readingFile ? m_request->size : 0));
}

int PageView::allowanceMs(qsizetype work)
{
    return UnansweredTimeoutMs + int(std::min<qsizetype>(work / UnansweredCharsPerMs, 600000));
}

void PageView::onUnanswered()
{
    // A long piece of the latest page takes the time its size asks for.
    if (m_writer.isBusyWithLatest()) {
        const qint64 left = allowanceMs(m_writer.busyPieceSize()) - m_writer.busyMs();
        if (left > 0) {
            m_unanswered.start(int(left));
            return;
        }
    }
    onEngineFailed();
}

void PageView::requestShown()
{
    m_loadState = LoadState::Ready;
    m_unanswered.stop();
    m_busyDelay.stop();
    setBusyPointer(false);
    takeBackKeys();
    if (m_restorePosition) {
        m_readingPosition = *m_restorePosition;
        m_page->runJavaScript(u"window.scrollTo(0, %1 * (document.documentElement.scrollHeight - innerHeight));"_s.arg(
                                  *m_restorePosition, 0, 'g', 17),
                              QWebEngineScript::ApplicationWorld);
        m_restorePosition.reset();
    }
    Q_EMIT shown();
}

void PageView::trackReadingPosition()
{
    // Only the page in place has a reading position; a page on its way
    // scrolls by itself (to the top, as it is written).
    if (m_loadState != LoadState::Ready || m_restorePosition)
        return;
    const qreal viewport = m_browser->height() / std::max(m_page->zoomFactor(), 0.01);
    const qreal range = m_page->contentsSize().height() - viewport;
    m_readingPosition = range > 1 ? std::clamp(m_page->scrollPosition().y() / range, 0.0, 1.0) : 0.0;
}

void PageView::zoomIn()
{
    const auto *larger = std::upper_bound(std::begin(TextSizes), std::end(TextSizes), m_zoom + 0.001);
    setZoom(larger == std::end(TextSizes) ? m_zoom : *larger);
}

void PageView::zoomOut()
{
    const auto *smaller = std::lower_bound(std::begin(TextSizes), std::end(TextSizes), m_zoom - 0.001);
    setZoom(smaller == std::begin(TextSizes) ? m_zoom : *(smaller - 1));
}

void PageView::resetZoom()
{
    setZoom(1.0);
}

void PageView::setZoom(qreal factor)
{
    m_zoom = factor;
    m_page->setZoomFactor(factor);
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
    // Only the view's own loads come as typed navigations, and only they go
    // ahead. Links are cancelled in the page and reported from the click
    // (onConsoleMessage); a refresh, a form or a frame of the page's own
    // replaces nothing.
    return type == QWebEnginePage::NavigationTypeTyped;
}

void PageView::onConsoleMessage(const QString &message)
{
    if (!message.startsWith(m_linkToken))
        return;
    const QString report = message.mid(m_linkToken.size());
    if (report.startsWith(ArrivalReport)) {
        if (report.mid(ArrivalReport.size()) == QString::number(m_documentSerial)) {
            // The document is there: its load is as good as ended (the
            // engine need not say so, the page having been opened anew).
            if (m_ownLoad)
                ownLoadEnded();
            m_writer.arrived(m_page);
            watch();
        }
        return;
    }
    // The status text stays the hover report: the click says which link.
    dispatch(report);
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
        // is not looked at. Shortcuts (F1, F4, the text size) are matched
        // before this.
        return !isReadingKey(static_cast<QKeyEvent *>(event)->key());
    case QEvent::Wheel:
        // Ctrl+wheel sets the reader's one text size, not the engine's own.
        if (static_cast<QWheelEvent *>(event)->modifiers() & Qt::ControlModifier) {
            const int delta = static_cast<QWheelEvent *>(event)->angleDelta().y();
            if (delta > 0)
                zoomIn();
            else if (delta < 0)
                zoomOut();
            return true;
        }
        break;
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
