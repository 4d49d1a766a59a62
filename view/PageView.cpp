#include "view/PageView.h"

#include "platform/System.h"
#include "view/AccessibleLeftovers.h"
#include "view/Announcer.h"
#include "view/EngineHost.h"
#include "view/GuardScript.h"
#include "view/InputGuard.h"
#include "view/PageFinder.h"
#include "view/PageText.h"
#include "view/ReadingStyle.h"
#include "view/Watchdog.h"

#include <QAccessible>
#include <QFileInfo>
#include <QPointer>
#include <QWebEngineView>

using namespace Qt::Literals::StringLiterals;

PageView::PageView(QWidget *parent)
    : QWidget(parent), m_engine(new EngineHost(this)), m_input(new InputGuard(m_engine->browser(), this)),
      m_watchdog(new Watchdog(this)), m_loader(new RequestLoader(m_engine, this)), m_pageText(newPageText()),
      m_finder(new PageFinder(m_engine, this)), m_announcer(new Announcer(this))
{
    m_loader->setGuardScript(m_engine->guardScript());

    connect(m_engine, &EngineHost::linkHovered, this, [this](const QString &address) { m_statusText = address; });
    connect(m_engine, &EngineHost::reported, this, &PageView::onReport);
    connect(m_engine, &EngineHost::died, m_watchdog, &Watchdog::failed);
    connect(m_engine, &EngineHost::inputWidgetChanged, m_input, &InputGuard::guard);

    connect(m_input, &InputGuard::textSizeChanged, m_engine, &EngineHost::setTextSize);
    connect(m_input, &InputGuard::textSizeChanged, this, &PageView::zoomChanged);
    connect(m_input, &InputGuard::guarding, m_loader, &RequestLoader::setScreen);

    m_watchdog->setWorkInHand([this]() -> std::optional<Watchdog::Work> {
        const PageWriter &writer = m_loader->writer();
        if (!writer.isBusyWithLatest())
            return std::nullopt;
        return Watchdog::Work{writer.busyPieceSize(), writer.busyMs()};
    });
    connect(m_watchdog, &Watchdog::replaceEngine, this, &PageView::replaceEngine);
    connect(m_watchdog, &Watchdog::giveUp, this, [this] {
        // A request that keeps taking its engine down (too large for the
        // memory there is, say) is given up; the view says so and stays usable.
        const bool gaveUp = m_loader->giveUp(givenUpPage());
        replaceEngine();
        if (gaveUp)
            Q_EMIT givenUp();
    });

    connect(m_loader, &RequestLoader::waiting, m_watchdog, &Watchdog::expect);
    connect(m_loader, &RequestLoader::settled, m_watchdog, &Watchdog::stop);
    connect(m_loader, &RequestLoader::engineUnfit, this, &PageView::replaceEngine);
    connect(m_loader, &RequestLoader::documentArrived, m_input, &InputGuard::takeFocus);
    connect(m_loader, &RequestLoader::shown, this, &PageView::onShown);
    // A long page is told of with its first lines, not when all of it is in.
    connect(m_loader, &RequestLoader::begun, this, [this] {
        if (QAccessible::isActive())
            describePage();
        Q_EMIT begun();
    });
    connect(m_input, &InputGuard::lineStep, this, &PageView::stepLine);
    connect(m_loader, &RequestLoader::readingPlaceChanged, this, &PageView::readingPlaceChanged);
    connect(m_finder, &PageFinder::found, this, &PageView::found);
    connect(m_finder, &PageFinder::matchRead, this, [this](int offset) {
        QString line;
        if (offset >= 0 && m_textSerial == m_loader->requestSerial()) {
            m_pageText->moveCaret(offset);
            line = m_pageText->lineAt(offset);
        }
        Q_EMIT matchShown(m_finder->current(), m_finder->total(), line);
    });

    m_releaseMemory.setSingleShot(true);
    m_releaseMemory.setInterval(ReleaseMemoryDelayMs);
    connect(&m_releaseMemory, &QTimer::timeout, this, [] { platform::releaseFreeMemory(); });

    m_input->guard();
    // The keyboard given to the view goes to the page.
    setFocusProxy(browser());
}

PageView::~PageView()
{
    // The loader's writer goes before the engine it writes into.
    delete m_loader;
}

QString PageView::givenUpPage()
{
    return u"<html><body><p>Эту страницу показать не удалось.</p></body></html>"_s;
}

QWebEngineView *PageView::browser() const
{
    return m_engine->browser();
}

QWebEnginePage *PageView::page() const
{
    return m_engine->page();
}

void PageView::replaceEngine()
{
    // Nothing is owed by an engine on its way out; the fresh one starts over
    // with the latest request (the loader hears of it from the engine).
    m_watchdog->stop();
    m_engine->replace();
    m_statusText.clear();
    m_input->rehome();
    m_input->guard();
    Q_EMIT engineReplaced();
}

quint64 PageView::showHtml(const QString &html, const PageOutline &outline, const ReadingPlace &place, bool complete)
{
    m_outline = outline;
    m_placeRestored = place.offset > 0 || place.fraction > 0;
    m_loader->setGuardScript(
        m_engine->guardScript()
        + (outline.work ? u"__sobranieGuards.setKind('work');"_s : u"__sobranieGuards.setKind('other');"_s));
    m_loader->setFreshEngineAfterLargePages(QAccessible::isActive());
    m_watchdog->newRequest();
    m_input->setLoading(true);
    m_loader->showHtml(html, place, complete);
    return m_loader->requestSerial();
}

void PageView::appendHtml(quint64 request, const QString &more, bool complete)
{
    m_loader->appendHtml(request, more, complete);
}

void PageView::setReadingStyle(const ReadingChoices &choices)
{
    m_engine->setStyle(readingStyleJson(readingStyle(choices)));
}

void PageView::showFile(const QUrl &file, const PageOutline &outline)
{
    m_outline = outline;
    m_placeRestored = false;
    m_loader->setGuardScript(m_engine->guardScript());
    m_loader->setFreshEngineAfterLargePages(QAccessible::isActive());
    m_watchdog->newRequest();
    m_input->setLoading(true);
    m_loader->showFile(file, QFileInfo(file.toLocalFile()).size());
}

void PageView::announce(const QString &message)
{
    m_announcer->say(message);
}

qreal PageView::zoom() const
{
    return m_input->textSize();
}

void PageView::zoomIn()
{
    m_input->larger();
}

void PageView::zoomOut()
{
    m_input->smaller();
}

void PageView::resetZoom()
{
    m_input->resetTextSize();
}

void PageView::setZoom(qreal factor)
{
    m_input->setTextSize(factor);
}

void PageView::find(const QString &phrase, int start)
{
    m_finder->find(phrase, start);
}

void PageView::findNext()
{
    m_finder->next();
}

void PageView::findPrevious()
{
    m_finder->previous();
}

void PageView::clearFind()
{
    m_finder->clear();
}

void PageView::setSelectionAllowed(bool value)
{
    m_selectionAllowed = value;
    m_engine->setSelectionAllowed(value);
}

void PageView::onShown()
{
    // A while after a page is shown, what the last one took is given back.
    m_releaseMemory.start();
    m_finder->forget();
    m_input->setLoading(false);
    m_input->takeFocus();
    const bool reading = QAccessible::isActive();
    m_input->setLineKeys(reading);
    if (reading)
        dropAccessibleLeftovers(browser());
    describePage();
    Q_EMIT shown();
}

void PageView::describePage()
{
    const bool reading = QAccessible::isActive();
    const quint64 serial = ++m_shownSerial;
    const quint64 request = m_loader->requestSerial();
    // A large work's text is read from the page's own text object alone:
    // the engine's tree of it (an object per node in this process, hundreds
    // of megabytes, and seconds of this thread to build) is never read.
    const bool prune = reading && m_outline.work && m_loader->requestSize() > RequestLoader::LargePageSize;
    const QString script = uR"((function (title, heading, focus, reading, prune) {
  if (!document.title && title) document.title = title;
  var body = prune && document.querySelector('body > table');
  if (body) body.setAttribute('aria-hidden', 'true');
  var h = heading && document.querySelector(heading);
  if (h) { h.setAttribute('role', 'heading'); h.setAttribute('aria-level', '1'); }
  var f = focus && document.querySelector(focus);
  if (f) f.focus();
  var g = window.__sobranieGuards, text = reading && g && document.body ? g.readText() : '';
  var caret = g && reading ? g.readOffset(g.kept ? g.kept.offset : g.placeAt()) : 0;
  return [document.title, text, !!f, caret];
})(%1, %2, %3, %4, %5))"_s.arg(PageWriter::jsonString(m_outline.title), PageWriter::jsonString(m_outline.heading),
                               PageWriter::jsonString(m_outline.focus), reading ? u"true"_s : u"false"_s,
                               prune ? u"true"_s : u"false"_s);
    const QPointer<PageView> self(this);
    m_engine->runScript(script, [self, serial, request](const QVariant &result) {
        if (!self || serial != self->m_shownSerial || request != self->m_loader->requestSerial())
            return;
        const QVariantList page = result.toList();
        if (page.size() == 4)
            self->takePageText(page[0].toString(), page[1].toString(), !page[2].toBool(), page[3].toInt());
    });
}

void PageView::takePageText(const QString &title, const QString &text, bool takeFocus, int caret)
{
    if (m_textSerial == m_loader->requestSerial()) {
        // The same page, more of it (or the same again on a fresh engine):
        // the object a screen reader reads stays, and reads on.
        m_pageText->update(text);
    } else {
        // An object of its own for every page: a screen reader announces a
        // focus that moves to another object, not one that stays where it was.
        m_textSerial = m_loader->requestSerial();
        delete m_pageText;
        m_pageText = newPageText();
        m_pageText->show(title, text, takeFocus, std::max(caret, 0));
    }
    // Back where it was left (once all of it is in), the reader is told where.
    if (m_placeRestored && loadState() == LoadState::Ready && caret > 0) {
        m_placeRestored = false;
        m_pageText->moveCaret(caret);
        const qsizetype line = QStringView(text).left(caret).count(u'\n') + 1 - m_outline.headLines;
        const qsizetype lines = QStringView(text).count(u'\n') + 1 - m_outline.headLines;
        if (line > 0 && lines > 0)
            announce(u"строка %1 из %2"_s.arg(line).arg(lines));
    }
}

PageText *PageView::newPageText()
{
    auto *text = new PageText(this);
    connect(text, &PageText::caretSet, this, &PageView::followCaret);
    return text;
}

void PageView::stepLine(int step)
{
    if (m_textSerial != m_loader->requestSerial() || loadState() != LoadState::Ready)
        return;
    m_pageText->moveCaret(m_pageText->lineStart(step));
    followCaret();
}

void PageView::followCaret()
{
    if (m_textSerial != m_loader->requestSerial() || loadState() != LoadState::Ready)
        return;
    // The page follows: the caret's line at the top, the caret where it is.
    m_engine->runScript(uR"((function (read) {
  var g = window.__sobranieGuards;
  if (!g) return;
  g.goTo(g.placeOfRead(read), 0);
  g.caretHeldAt = scrollY;
})(%1))"_s.arg(m_pageText->caret()),
                        {});
}

void PageView::onReport(const QString &report)
{
    // Where the reader is, as a screen reader reads the page: the caret
    // follows the line at the top (unless the view put it elsewhere).
    static const QString ScrollReport = u"scrolled:"_s;
    if (report.startsWith(ScrollReport) && loadState() == LoadState::Ready
        && m_textSerial == m_loader->requestSerial()) {
        bool number = false;
        const int caret = QStringView(report).mid(ScrollReport.size()).split(u':').value(2).toInt(&number);
        if (number && caret >= 0)
            m_pageText->moveCaret(caret);
    }
    if (m_loader->takeReport(report))
        return;
    if (report == QStringView(GuardFocusReport)) {
        m_pageText->release();
        return;
    }
    // Any other report is a click on a link; the status text stays the hover
    // report. Carried out right after the engine's callback returns.
    QMetaObject::invokeMethod(
        this,
        [this, report] {
            if (m_linkHandler)
                m_linkHandler(report);
        },
        Qt::QueuedConnection);
}

void PageView::resizeEvent(QResizeEvent *)
{
    browser()->setGeometry(0, 0, width(), height());
}
