#include "view/Watchdog.h"

#include <algorithm>

Watchdog::Watchdog(QObject *parent, int baseMs) : QObject(parent), m_baseMs(baseMs)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &Watchdog::onSilence);
}

int Watchdog::allowanceMs(qsizetype work) const
{
    return m_baseMs + int(std::min<qsizetype>(work / UnitsPerMs, 600000));
}

void Watchdog::expect(qsizetype work)
{
    m_timer.start(allowanceMs(work));
}

void Watchdog::onSilence()
{
    // A long piece of the latest request takes the time its size asks for.
    if (const std::optional<Work> work = m_workInHand ? m_workInHand() : std::nullopt) {
        const qint64 left = allowanceMs(work->size) - work->elapsedMs;
        if (left > 0) {
            m_timer.start(int(left));
            return;
        }
    }
    failed();
}

void Watchdog::failed()
{
    m_timer.stop();
    if (++m_failures > MaxFailures)
        Q_EMIT giveUp();
    else
        Q_EMIT replaceEngine();
}
