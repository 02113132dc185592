#pragma once

#include "common/Clock.h"

#include <QDate>
#include <QList>

// A clock for tests: time moves only when the test advances it or someone
// waits, and every wait is recorded, so pacing is checked without real
// waiting and without depending on the machine's speed. The day is fixed
// until the test moves it, so no test depends on the date it runs.
class FakeClock final : public Clock
{
public:
    qint64 nowMs() const override { return m_now; }
    void waitMs(qint64 ms) override
    {
        waits.append(ms);
        // A real timer may fire a little early; so can this one, when asked.
        m_now += ms > returnsEarlyBy ? ms - returnsEarlyBy : ms;
    }

    QDate today() const override { return day; }
    // The day every fake clock starts on.
    static QDate fixedDay() { return QDate(2024, 3, 1); }

    // Time spent elsewhere, such as a request on the wire.
    void advance(qint64 ms) { m_now += ms; }

    QList<qint64> waits;       // every wait asked for, in order
    qint64 returnsEarlyBy = 0; // how much sooner than asked a wait returns
    QDate day = fixedDay();    // what today() says

private:
    qint64 m_now = 100000; // not 0: a request time of 0 must be nothing special
};
