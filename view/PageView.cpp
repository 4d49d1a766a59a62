#include "view/PageView.h"

#include "platform/RuntimeError.h"
#include "view/GuardedPage.h"
#include "view/NetworkGuard.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int CreationTimeoutMs = 10000;
// A written page of several megabytes takes a second or two to lay out.
constexpr int WriteTimeoutMs = 60000;

const QString GuardScriptName = u"sobranie-guards"_s;

// html as a JavaScript string literal.
QString jsonString(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16 + 2);
    out += u'"';
    for (QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'"':
            out += u"\\\"";
            break;
        case u'\\':
            out += u"\\\\";
            break;
        case u'\n':
            out += u"\\n";
            break;
        case u'\r':
            out += u"\\r";
            break;
        default:
            if (u < 0x20 || u == 0x2028 || u == 0x2029 || (u >= 0xD800 && u <= 0xDFFF))
                out += u"\\u"_s + QString::number(u, 16).rightJustified(4, u'0');
            else
                out += c;
        }
    }
    out += u'"';
    return out;
}

bool isReadingKey(int key)
{
    return key == Qt::Key_Space || key == Qt::Key_Up || key == Qt::Key_Down;
}

} // namespace

PageView::PageView(QWidget *parent) : QWidget(parent)
{
    // An off-the-record profile of our own: nothing is written to disk, and
    // no page content reaches the network.
    m_profile = new QWebEngineProfile(this);
    m_profile->setUrlRequestInterceptor(new NetworkGuard(m_profile));
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest *download) { download->cancel(); });

    m_page = new GuardedPage(m_profile, this);
    m_page->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    m_page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    m_page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    m_page->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    m_page->settings()->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    m_page->settings()->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    connect(m_page, &QWebEnginePage::linkHovered, this, &PageView::onLinkHovered);

    m_browser = new QWebEngineView(this);
    m_browser->setObjectName(u"browser"_s);
    m_browser->setPage(m_page);
    m_browser->setContextMenuPolicy(Qt::PreventContextMenu);
    m_browser->setAcceptDrops(false);
    m_browser->installEventFilter(this);
    installKeyGuard();
    installDocumentGuards();
    // Should the engine's renderer die (a page too large for memory, say),
    // start again from an empty document so the next page can be written.
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status) {
                if (status != QWebEnginePage::NormalTerminationStatus)
                    loadEmptyDocument();
            });
    connect(m_page, &QWebEnginePage::loadFinished, this, [this] {
        m_awaitingDocument = false;
        takeBackKeys();
    });

    loadEmptyDocument();
    waitForEmptyDocument();
}

void PageView::loadEmptyDocument()
{
    m_awaitingDocument = true;
    m_page->setHtml(u"<html><body></body></html>"_s);
}

void PageView::waitForEmptyDocument()
{
    // A document to write into; wait (bounded) until it is there.
    if (!m_awaitingDocument)
        return;
    QEventLoop loop;
    connect(m_page, &QWebEnginePage::loadFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(CreationTimeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
}

PageView::~PageView()
{
    // The page must go before the profile it was created with.
    m_browser->setPage(nullptr);
    delete m_page;
    m_page = nullptr;
}

QWebEnginePage *PageView::page() const
{
    return m_page;
}

void PageView::setSelectionAllowed(bool value)
{
    m_selectionAllowed = value;
    // Later documents get the new value from the creation script, the
    // current one at once.
    installDocumentGuards();
    m_page->runJavaScript(guardScript(), QWebEngineScript::ApplicationWorld);
}

QString PageView::guardScript() const
{
    // Runs in an isolated world, so page scripts neither see nor undo it.
    // The listener is one function object per window, so adding it again
    // after a rewrite of the document is harmless.
    return uR"JS((function () {
  var w = window;
  w.__sobranieSelectionAllowed = %1;
  if (!w.__sobranieSelect)
    w.__sobranieSelect = function (e) { if (!w.__sobranieSelectionAllowed) e.preventDefault(); };
  document.addEventListener('selectstart', w.__sobranieSelect, true);
})();)JS"_s.arg(m_selectionAllowed ? u"true"_s : u"false"_s);
}

void PageView::installDocumentGuards()
{
    QWebEngineScriptCollection &scripts = m_page->scripts();
    for (const QWebEngineScript &old : scripts.find(GuardScriptName))
        scripts.remove(old);
    QWebEngineScript script;
    script.setName(GuardScriptName);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(true);
    script.setSourceCode(guardScript());
    scripts.insert(script);
}

void PageView::installKeyGuard()
{
    // The widget that takes the keys changes when the engine switches its
    // renderer: guard whatever is there now.
    if (QWidget *proxy = m_browser->focusProxy())
        proxy->installEventFilter(this);
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
            QTimer::singleShot(0, this, [this] { installKeyGuard(); });
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

void PageView::runScript(const QString &source, int timeoutMs)
{
    // A renderer that dies meanwhile never answers: start again once on the
    // fresh document that replaces it.
    for (int attempt = 0; attempt < 2; ++attempt) {
        waitForEmptyDocument();
        // Shared with the callback, which may outlive this call after a time-out.
        auto done = std::make_shared<bool>(false);
        QEventLoop loop;
        QPointer<QEventLoop> guard(&loop);
        bool rendererDied = false;
        const auto died = connect(m_page, &QWebEnginePage::renderProcessTerminated, &loop, [&] {
            rendererDied = true;
            loop.quit();
        });
        m_page->runJavaScript(source, QWebEngineScript::ApplicationWorld, [done, guard](const QVariant &) {
            *done = true;
            if (guard)
                guard->quit();
        });
        if (!*done) {
            QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
            loop.exec();
        }
        disconnect(died);
        if (*done)
            return;
        if (!rendererDied)
            break;
    }
    throw platform::RuntimeError(platform::ErrorNumber::Automation, u"the document did not answer"_s);
}

void PageView::showHtml(const QString &html)
{
    m_loadState = LoadState::Loading;
    QCoreApplication::processEvents();
    // document.open/write/close: the document's content is replaced in place,
    // without a navigation. open() drops every listener, so the guards go on again.
    // Reading the body's height lays the page out before the call returns.
    runScript(u"document.open();document.write("_s + jsonString(html) + u");document.close();"_s + guardScript()
                  + u"document.body && document.body.offsetHeight;"_s,
              WriteTimeoutMs);
    QCoreApplication::processEvents();
    m_loadState = LoadState::Ready;
    takeBackKeys();
}

void PageView::showFile(const QString &file)
{
    m_loadState = LoadState::Loading;
    QCoreApplication::processEvents();
    const QFileInfo info(file);
    m_browser->load(info.isAbsolute() ? QUrl::fromLocalFile(file) : QUrl(file));
    QCoreApplication::processEvents();
    m_loadState = LoadState::Ready;
}

bool PageView::acceptNavigation(const QUrl &, QWebEnginePage::NavigationType type, bool)
{
    // Only our own loads (setHtml, load) arrive as typed navigations: they
    // always go ahead.
    if (type == QWebEnginePage::NavigationTypeTyped)
        return true;
    // History would lead back to a document that is no longer ours.
    if (type == QWebEnginePage::NavigationTypeBackForward)
        return false;
    // A link is recognised by the address the pointer rests on, whatever the
    // request says of itself.
    if (m_statusText.left(4) == u"http"_s) {
        const QString address = m_statusText;
        m_statusText.clear();
        // The engine answers no script while it waits for this decision, so
        // the link is carried out right after it, not inside it.
        QMetaObject::invokeMethod(
            this,
            [this, address] {
                if (m_linkHandler)
                    m_linkHandler(address);
            },
            Qt::QueuedConnection);
        return false;
    }
    // Once a page is in place nothing else is downloaded into the view.
    return m_loadState != LoadState::Ready;
}
