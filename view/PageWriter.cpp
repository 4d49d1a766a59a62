#include "view/PageWriter.h"

#include <QEvent>
#include <QWebEnginePage>
#include <QWebEngineScript>

using namespace Qt::Literals::StringLiterals;

PageWriter::PageWriter(QObject *parent) : QObject(parent)
{
    m_paintWait.setSingleShot(true);
    m_paintWait.setInterval(FirstPaintWaitMs);
    connect(&m_paintWait, &QTimer::timeout, this, &PageWriter::stopWaitingForPaint);
}

void PageWriter::setScreen(QWidget *screen)
{
    if (screen == m_screen)
        return;
    if (m_screen)
        m_screen->removeEventFilter(this);
    m_screen = screen;
    if (m_screen)
        m_screen->installEventFilter(this);
}

bool PageWriter::eventFilter(QObject *watched, QEvent *event)
{
    // Carry on once the painting is done, not inside it.
    if (m_waitingForPaint && watched == m_screen && event->type() == QEvent::Paint)
        QMetaObject::invokeMethod(this, &PageWriter::stopWaitingForPaint, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

void PageWriter::stopWaitingForPaint()
{
    if (!m_waitingForPaint)
        return;
    m_waitingForPaint = false;
    m_paintWait.stop();
    pump();
}

namespace {

// Characters that may not stand as they are in a JSON string: control
// characters, line separators (JavaScript ends a line there), and lone
// surrogates, which would not survive the way to the engine.
bool needsUnicodeEscape(char16_t c)
{
    return c < 0x20 || c == 0x2028 || c == 0x2029 || (c >= 0xD800 && c <= 0xDFFF);
}

} // namespace

QString PageWriter::jsonString(QStringView text)
{
    static constexpr char16_t Hex[] = u"0123456789abcdef";
    // Sized exactly first: pages run to tens of millions of characters.
    qsizetype size = text.size() + 2;
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c == u'"' || c == u'\\')
            size += 1;
        else if (needsUnicodeEscape(c))
            size += 5;
    }
    QString out(size, Qt::Uninitialized);
    auto *dst = reinterpret_cast<char16_t *>(out.data());
    *dst++ = u'"';
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c == u'"' || c == u'\\') {
            *dst++ = u'\\';
            *dst++ = c;
        } else if (needsUnicodeEscape(c)) {
            *dst++ = u'\\';
            *dst++ = u'u';
            *dst++ = Hex[(c >> 12) & 0xF];
            *dst++ = Hex[(c >> 8) & 0xF];
            *dst++ = Hex[(c >> 4) & 0xF];
            *dst++ = Hex[c & 0xF];
        } else {
            *dst++ = c;
        }
    }
    *dst = u'"';
    return out;
}

qsizetype PageWriter::firstPieceEnd(QStringView html)
{
    if (html.size() <= OnePieceSize)
        return html.size();
    qsizetype end = FirstPieceSize;
    if (html[end - 1].isHighSurrogate() && html[end].isLowSurrogate())
        --end;
    return end;
}

void PageWriter::setPage(QWebEnginePage *page)
{
    if (!page) {
        setRunner({});
        return;
    }
    setRunner([page = QPointer<QWebEnginePage>(page)](const QString &script,
                                                      const std::function<void(const QVariant &)> &answer) {
        if (page)
            page->runJavaScript(script, QWebEngineScript::ApplicationWorld, answer);
    });
}

void PageWriter::setRunner(Runner runner)
{
    m_runner = std::move(runner);
    m_waitingForPaint = false;
    m_paintWait.stop();
    // Answers still owed by an earlier page no longer count, nor a first
    // piece that was to come with a document.
    ++m_callSerial;
    m_inFlight = false;
    if (m_job)
        *m_job = m_job->restarted();
    pump();
}

void PageWriter::write(const QString &html, bool complete)
{
    m_job = Job{html, 0, false, complete};
    ++m_jobSerial;
    // A newer page does not wait for the older one's first screen.
    m_waitingForPaint = false;
    m_paintWait.stop();
    pump();
}

void PageWriter::append(const QString &more, bool complete)
{
    if (!m_job)
        return;
    m_job->html += more;
    m_job->complete = complete;
    pump();
}

void PageWriter::cancel()
{
    m_job.reset();
    ++m_jobSerial;
}

QString PageWriter::nextPiece(Job &job) const
{
    const QStringView html(job.html);
    QString script;
    if (!job.opened) {
        const qsizetype end = firstPieceEnd(html);
        // document.open() drops every listener of the document: the guards
        // go on again before any of the page is parsed.
        script = u"document.open();"_s + m_guardScript + u"document.write("_s + jsonString(html.first(end)) + u");"_s;
        job.opened = true;
        job.written = end;
    } else {
        script = u"document.write("_s + jsonString(html.sliced(job.written)) + u");"_s;
        job.written = html.size();
    }
    // The page is laid out before the engine answers, so an answered page is
    // a finished one, and no layout of it is left to hold the engine later.
    // What the view's scripts know of the page's text goes with the last
    // piece: it was the first piece's alone.
    if (job.written == html.size() && job.complete)
        script += u"document.close();window.__sobranieGuards&&(__sobranieGuards.idx=null);"
                  u"document.body&&document.body.offsetHeight;"_s;
    return script;
}

void PageWriter::startCall(qsizetype size)
{
    m_inFlight = true;
    m_inFlightJob = m_jobSerial;
    m_inFlightSize = size;
    m_inFlightSince.start();
    ++m_callSerial;
}

void PageWriter::pump()
{
    if (!m_runner || m_inFlight || m_waitingForPaint || !m_job)
        return;
    if (m_job->awaitsRest())
        return;
    const qsizetype from = m_job->written;
    const QString script = nextPiece(*m_job);
    startCall(m_job->written - from);
    const quint64 call = m_callSerial;
    const QPointer<PageWriter> self(this);
    m_runner(script, [self, call](const QVariant &) {
        if (self)
            self->onAnswer(call);
    });
}

QString PageWriter::writeOnArrival(const QString &html, const QString &report, bool complete)
{
    m_runner = nullptr;
    write(html, complete);
    QString script = nextPiece(*m_job) + report;
    // With the engine from now on, as a piece sent is.
    startCall(m_job->written);
    m_arrivalCall = m_callSerial;
    return script;
}

void PageWriter::arrived(Runner runner)
{
    if (!awaitsArrival())
        return;
    m_runner = std::move(runner);
    onAnswer(m_arrivalCall);
}

void PageWriter::onAnswer(quint64 call)
{
    if (call != m_callSerial || !m_inFlight)
        return;
    m_inFlight = false;
    if (m_job && m_inFlightJob == m_jobSerial) {
        if (m_job->written == m_job->html.size() && m_job->complete) {
            m_job.reset();
            Q_EMIT written();
        } else if (m_job->written == m_job->html.size()) {
            // The rest is still to come: nothing to wait for on the screen.
        } else if (m_screen && m_screen->isVisible()) {
            m_waitingForPaint = true;
            m_paintWait.start();
        }
    }
    pump();
    Q_EMIT answered();
}
