#pragma once

#include <QDate>
#include <QElapsedTimer>
#include <QtGlobal>

// Monotonic milliseconds, a way to let time pass, and the day it is. Whatever
// paces requests or dates what it writes takes one, so tests can hand in a
// fake clock: waits are checked without waiting in real time, and dates are
// the same on every run.
class Clock
{
public:
    virtual ~Clock() = default;
    // Milliseconds since some fixed point; never goes back.
    virtual qint64 nowMs() const = 0;
    // Returns about `ms` later. It may return a little early (timers are not
    // exact), so callers check nowMs() again.
    virtual void waitMs(qint64 ms) = 0;
    // The local calendar day: what the keyword table, day files and the
    // daily checks are dated with.
    virtual QDate today() const = 0;
};

// The real clock: a monotonic timer, not the time of day, so a wait across
// midnight or a clock change neither vanishes nor lasts for hours. Waits run
// a local event loop, so the window stays live and the process idle.
class SteadyClock final : public Clock
{
public:
    SteadyClock() { m_timer.start(); }
    qint64 nowMs() const override { return m_timer.elapsed(); }
    void waitMs(qint64 ms) override;
    QDate today() const override { return QDate::currentDate(); }

private:
    QElapsedTimer m_timer;
};
