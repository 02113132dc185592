#include "engines/EnginePacing.h"

void EnginePacing::setClock(Clock &clock)
{
    m_clock = &clock;
    m_last.fill(std::nullopt);
}

void EnginePacing::setWaitSeconds(Engine e, int seconds) { m_wait[engineIndex(e)] = qMax(0, seconds); }

qint64 EnginePacing::pendingWaitMs(Engine e) const
{
    const auto &last = m_last[engineIndex(e)];
    if (!last)
        return 0;
    const qint64 elapsed = m_clock->nowMs() - *last;
    const qint64 wanted = qint64(m_wait[engineIndex(e)]) * 1000;
    return qMax<qint64>(0, wanted - elapsed);
}

void EnginePacing::pace(Engine e)
{
    // The full interval is waited out, not a rounded one, so requests never
    // come closer than the wait value even when a wait returns early.
    qint64 remaining = pendingWaitMs(e);
    while (remaining > 0) {
        m_clock->waitMs(remaining);
        remaining = pendingWaitMs(e);
    }
    m_last[engineIndex(e)] = m_clock->nowMs();
}

void EnginePacing::requestDone(Engine e) { m_last[engineIndex(e)] = m_clock->nowMs(); }
