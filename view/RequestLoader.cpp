#include "view/RequestLoader.h"

#include "view/PageEngine.h"

#include <QPointer>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString ArrivalReport = u"arrived:"_s;
const QString ScrollReport = u"scrolled:"_s;

// After this many loads the view did not start, the latest request is left
// as the engine has it rather than shown again and again.
constexpr int MaxEscapes = 2;

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

RequestLoader::RequestLoader(PageEngine *engine, QObject *parent) : QObject(parent), m_engine(engine)
{
    connect(&m_writer, &PageWriter::answered, this, &RequestLoader::watch);
    connect(&m_writer, &PageWriter::written, this, [this] {
        if (m_request && m_request->kind == Request::Kind::Html)
            requestShown();
    });
    connect(m_engine, &PageEngine::loadEnded, this, &RequestLoader::onLoadEnded);
    connect(m_engine, &PageEngine::replaced, this, &RequestLoader::restart);
    // The engine starts meanwhile; the first page does not wait for it.
    loadOwn(freshDocumentUrl(++m_documentSerial));
}

PageWriter::Runner RequestLoader::runner() const
{
    return [engine = QPointer<PageEngine>(m_engine)](const QString &script, const PageEngine::Answer &answer) {
        if (engine)
            engine->runScript(script, answer);
    };
}

void RequestLoader::showHtml(const QString &html, const ReadingPlace &place, bool complete)
{
    show(Request{Request::Kind::Html, html, html.size(), complete}, place);
}

void RequestLoader::appendHtml(quint64 request, const QString &more, bool complete)
{
    if (request != m_requestSerial || !m_request || m_request->kind != Request::Kind::Html || m_request->complete)
        return;
    m_request->content += more;
    m_request->size = m_request->content.size();
    m_request->complete = complete;
    if (m_writer.isWriting())
        m_writer.append(more, complete);
    watch();
}

void RequestLoader::showFile(const QUrl &file, qsizetype size, const ReadingPlace &place)
{
    show(Request{Request::Kind::File, file.toString(QUrl::FullyEncoded), size}, place);
}

void RequestLoader::show(Request request, ReadingPlace place)
{
    // An engine busy with a long piece would take longer than a fresh one;
    // one that has shown a large page may be asked to make way too.
    const bool heldByLongPiece = m_engineAnswered && m_writer.busyPieceSize() > LongPieceSize;
    const bool afterLargePage = m_freshAfterLargePage && m_request && m_request->size > LargePageSize;
    m_request = std::move(request);
    ++m_requestSerial;
    m_escapes = 0;
    m_readingPlace = {};
    m_restorePlace.reset();
    if (place.offset > 0 || place.fraction > 0)
        m_restorePlace = ReadingPlace{place.offset, std::clamp(place.fraction, 0.0, 1.0)};
    m_loadState = LoadState::Loading;
    if (heldByLongPiece || afterLargePage)
        Q_EMIT engineUnfit();
    else
        begin();
}

bool RequestLoader::giveUp(const QString &page)
{
    if (!m_request || m_request->content == page)
        return false;
    m_request = Request{Request::Kind::Html, page, page.size()};
    m_restorePlace.reset();
    return true;
}

void RequestLoader::restart()
{
    // Nothing of the old engine's work will answer.
    m_layout.reset();
    m_writer.setRunner({});
    m_ownLoad.reset();
    m_engineAnswered = false;
    // The page in place comes back where the reader was; one not yet back
    // from an earlier replacement keeps the place it had then.
    if (m_loadState == LoadState::Ready)
        m_restorePlace = m_readingPlace;
    if (m_request) {
        m_loadState = LoadState::Loading;
        begin();
    } else {
        loadOwn(freshDocumentUrl(++m_documentSerial));
    }
}

void RequestLoader::begin()
{
    // The engine answers the script in hand before it takes the navigation:
    // that wait is the older request's, and short.
    const bool heldByOlderWork = m_writer.isBusy() || m_layout.has_value();
    m_layout.reset();
    const Request &request = *m_request;
    m_writer.setRunner({});
    if (request.kind == Request::Kind::Html) {
        const QUrl document = freshDocumentUrl(++m_documentSerial);
        if (m_engineAnswered && !m_showsFile) {
            // From one written page to the next the first piece goes with
            // its document: no empty document is ever painted between them.
            // Run once: the page it writes is ready in turn, and would run
            // it again.
            const QString firstPiece = m_writer.writeOnArrival(
                request.content, m_engine->reportScript(ArrivalReport + QString::number(m_documentSerial)),
                request.complete);
            m_engine->setArrivalScript(
                u"if (location.href === "_s + PageWriter::jsonString(document.toString(QUrl::FullyEncoded))
                + u" && !window.__sobranieFirstPiece) { window.__sobranieFirstPiece = true;"_s + firstPiece + u"}"_s);
        } else {
            // A document that comes up in another renderer (after a file, on
            // a fresh engine) is written once it is there: written as it
            // comes up, it would take no pointer until the next page.
            m_writer.write(request.content, request.complete);
        }
        loadOwn(document);
    } else {
        m_writer.cancel();
        loadOwn(QUrl(request.content, QUrl::StrictMode));
    }
    if (heldByOlderWork)
        Q_EMIT waiting(0);
    else
        watch();
}

void RequestLoader::loadOwn(const QUrl &url)
{
    m_ownLoad = url;
    m_engine->load(url);
}

void RequestLoader::onLoadEnded(const QUrl &url, bool succeeded)
{
    if (m_ownLoad && url == *m_ownLoad) {
        // Ended, whichever way: a file the guard stopped to cancel its
        // refresh, or one that went away, is as far as it will get.
        ownLoadEnded();
        if (!m_request)
            return;
        if (m_request->kind == Request::Kind::File)
            layOutFile();
        else if (m_writer.waitsForPage())
            m_writer.setRunner(runner());
        watch();
        return;
    }
    // A document of the view's own whose first piece came with it may be
    // reported ended late, or not at all: it is no stranger.
    if (url.toString(QUrl::FullyEncoded).startsWith(FreshDocumentPrefix))
        return;
    // Something else replaced the document, though nothing in a page can
    // navigate: show the latest request again, a few times at most.
    if (!succeeded || m_ownLoad || !m_request || ++m_escapes > MaxEscapes)
        return;
    m_loadState = LoadState::Loading;
    begin();
}

bool RequestLoader::takeReport(const QString &report)
{
    if (report.startsWith(ScrollReport)) {
        // "scrolled:<how far down, 0..1>:<the place's offset in the text>:
        // <the caret's>[:focus]": where a focus moved the page (to a link
        // at the top, say), the reader has not read to.
        const QList<QStringView> parts = QStringView(report).mid(ScrollReport.size()).split(u':');
        if (parts.value(3) == u"focus")
            return true;
        bool fraction = false;
        bool offset = false;
        const ReadingPlace place{parts.value(1).toLongLong(&offset), parts.value(0).toDouble(&fraction)};
        if (fraction && offset && place.offset >= 0 && !std::isnan(place.fraction))
            onScrolled(ReadingPlace{place.offset, std::clamp(place.fraction, 0.0, 1.0)});
        return true;
    }
    if (!report.startsWith(ArrivalReport))
        return false;
    if (report.mid(ArrivalReport.size()) == QString::number(m_documentSerial)) {
        // The document is there: its load is as good as ended (the engine
        // need not say so, the page having been opened anew).
        if (m_ownLoad)
            ownLoadEnded();
        m_writer.arrived(runner());
        watch();
        if (m_loadState == LoadState::Loading)
            Q_EMIT begun();
    }
    return true;
}

void RequestLoader::ownLoadEnded()
{
    m_engineAnswered = true;
    m_showsFile = m_ownLoad->isLocalFile();
    m_ownLoad.reset();
    m_engine->forgetHistory();
    Q_EMIT documentArrived();
}

void RequestLoader::layOutFile()
{
    // Shown once it is laid out, as a written page is.
    const quint64 serial = m_requestSerial;
    m_layout = serial;
    const QPointer<RequestLoader> self(this);
    m_engine->runScript(u"document.body&&document.body.offsetHeight"_s, [self, serial](const QVariant &) {
        if (self && self->m_layout == serial) {
            self->m_layout.reset();
            self->requestShown();
        }
    });
}

void RequestLoader::watch()
{
    // Progress: the engine gets its time again, from now. Only an engine
    // seen alive is watched (a first start may be slow), and only while it
    // owes something (not while the rest of a page is still being made).
    if (m_loadState != LoadState::Loading || !m_engineAnswered || m_writer.waitsForMore()) {
        Q_EMIT settled();
        return;
    }
    const bool readingFile = m_ownLoad && m_request && m_request->kind == Request::Kind::File;
    Q_EMIT waiting(readingFile ? m_request->size : 0);
}

void RequestLoader::requestShown()
{
    m_loadState = LoadState::Ready;
    Q_EMIT settled();
    if (m_restorePlace) {
        m_readingPlace = *m_restorePlace;
        m_restorePlace.reset();
        keepPlace();
    }
    Q_EMIT shown();
}

void RequestLoader::keepPlace()
{
    if (m_loadState != LoadState::Ready)
        return;
    // Placed by the text where the place is known, else by the height.
    m_engine->runScript(
        u"window.__sobranieGuards ? __sobranieGuards.goTo(%1, %2) : "
        u"window.scrollTo(0, %2 * (document.documentElement.scrollHeight - innerHeight));"_s.arg(m_readingPlace.offset)
            .arg(m_readingPlace.fraction, 0, 'g', 17),
        {});
}

void RequestLoader::onScrolled(const ReadingPlace &place)
{
    // Only the page in place has a reading place; a page on its way
    // scrolls by itself (to the top, as it is written).
    if (m_loadState != LoadState::Ready || m_restorePlace)
        return;
    if (place == m_readingPlace)
        return;
    m_readingPlace = place;
    Q_EMIT readingPlaceChanged(place);
}
