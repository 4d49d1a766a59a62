#include "view/PageFinder.h"

#include "view/FindScript.h"
#include "view/PageEngine.h"
#include "view/PageWriter.h"

#include <QPointer>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

PageFinder::PageFinder(PageEngine *engine, QObject *parent) : QObject(parent), m_engine(engine)
{
}

void PageFinder::find(const QString &phrase, int start)
{
    const quint64 serial = ++m_serial;
    m_total = 0;
    m_current = -1;
    const QPointer<PageFinder> self(this);
    m_engine->runScript(findScript() + u"__sobranieFind.find("_s + PageWriter::jsonString(phrase) + u")"_s,
                        [self, serial, start](const QVariant &result) {
                            if (!self || serial != self->m_serial)
                                return;
                            self->m_total = result.toInt();
                            if (self->m_total > 0)
                                self->go(std::clamp(start, 0, self->m_total - 1));
                            else
                                Q_EMIT self->found(-1, 0);
                        });
}

void PageFinder::go(int index)
{
    m_current = index;
    m_engine->runScript(findScript() + u"__sobranieFind.go(%1)"_s.arg(index), {});
    Q_EMIT found(m_current, m_total);
}

void PageFinder::next()
{
    if (m_total > 0)
        go((m_current + 1) % m_total);
}

void PageFinder::previous()
{
    if (m_total > 0)
        go((m_current + m_total - 1) % m_total);
}

void PageFinder::clear()
{
    ++m_serial;
    m_total = 0;
    m_current = -1;
    m_engine->runScript(u"window.__sobranieFind && __sobranieFind.clear()"_s, {});
}

void PageFinder::forget()
{
    ++m_serial;
    m_total = 0;
    m_current = -1;
}
