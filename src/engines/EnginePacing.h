#pragma once

#include "common/Clock.h"
#include "common/Engine.h"

#include <array>
#include <optional>

// Minimum time between two requests to the same engine, shared by mining and
// the database refresh: one wait value and one last request time per engine.
class EnginePacing
{
public:
    // Measures and waits with the steady clock.
    EnginePacing() = default;
    // Measures and waits with `clock`, which must outlive the pacing.
    explicit EnginePacing(Clock &clock)
        : m_clock(&clock)
    {
    }
    EnginePacing(const EnginePacing &) = delete;
    EnginePacing &operator=(const EnginePacing &) = delete;

    // Uses `clock` from now on (a test's fake one). Request times taken on
    // the previous clock mean nothing on it, so they are forgotten.
    void setClock(Clock &clock);

    int waitSeconds(Engine e) const { return m_wait[engineIndex(e)]; }
    void setWaitSeconds(Engine e, int seconds);

    // Waits (the steady clock runs the event loop meanwhile) until the
    // engine's wait value has passed since its previous request, then
    // records now as its request time. The first request does not wait.
    void pace(Engine e);
    // Records the end of the request pace() let through: the next one waits
    // the full interval from here, so the engine never sees two requests
    // closer than the wait value, however long the connection took.
    void requestDone(Engine e);

    // How long pace() would wait now, in milliseconds.
    qint64 pendingWaitMs(Engine e) const;

private:
    SteadyClock m_steady;
    Clock *m_clock = &m_steady;
    std::array<int, 3> m_wait{5, 5, 5};
    std::array<std::optional<qint64>, 3> m_last;
};
