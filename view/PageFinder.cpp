#include "view/PageFinder.h"

#include "view/FindScript.h"
#include "view/PageEngine.h"
#include "view/PageWriter.h"

#include <QPointer>

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
    m_engine->runScript(findScript() + u"__sobranieFind.find(%1, %2)"_s.arg(PageWriter::jsonString(phrase)).arg(start),
                        [self, serial](const QVariant &result) {
                            if (!self || serial != self->m_serial)
                                return;
                            const QVariantList answer = result.toList();
                            self->m_total = answer.value(0).toInt();
                            self->m_current = self->m_total > 0 ? answer.value(1).toInt() : -1;
                            Q_EMIT self->found(self->m_current, self->m_total);
                            if (self->m_total > 0)
                                Q_EMIT self->matchRead(answer.value(2).toInt());
                        });
}

void PageFinder::go(int index)
{
    m_current = index;
    const quint64 serial = m_serial;
    const QPointer<PageFinder> self(this);
    m_engine->runScript(u"window.__sobranieFind && __sobranieFind.go(%1)"_s.arg(index),
                        [self, serial](const QVariant &result) {
                            if (self && serial == self->m_serial)
                                Q_EMIT self->matchRead(result.toList().value(1, -1).toInt());
                        });
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
