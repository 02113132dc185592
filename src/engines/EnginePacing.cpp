#include "engines/EnginePacing.h"

#include "common/Wait.h"

EnginePacing::EnginePacing()
{
    m_clock.start();
}

void EnginePacing::setWaitSeconds(Engine e, int seconds)
{
    m_wait[engineIndex(e)] = qMax(0, seconds);
}

qint64 EnginePacing::pendingWaitMs(Engine e) const
{
    const auto &last = m_last[engineIndex(e)];
    if (!last)
        return 0;
    const qint64 elapsed = m_clock.elapsed() - *last;
    const qint64 wanted = qint64(m_wait[engineIndex(e)]) * 1000;
    return qMax<qint64>(0, wanted - elapsed);
}

void EnginePacing::pace(Engine e)
{
    // A monotonic clock, not the time of day: a wait across midnight or a
    // clock change must neither vanish nor last for hours. The full interval
    // is waited out, not a rounded one, so requests never come closer than
    // the wait value.
    qint64 remaining = pendingWaitMs(e);
    while (remaining > 0) {
        waitWithEvents(int(remaining));
        remaining = pendingWaitMs(e);
    }
    m_last[engineIndex(e)] = m_clock.elapsed();
}

void EnginePacing::requestDone(Engine e)
{
    m_last[engineIndex(e)] = m_clock.elapsed();
}
