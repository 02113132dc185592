#pragma once

#include "common/Engine.h"

#include <QElapsedTimer>
#include <array>
#include <optional>

// Minimum time between two requests to the same engine, shared by mining and
// the database refresh: one wait value and one last request time per engine.
class EnginePacing
{
public:
    EnginePacing();

    int waitSeconds(Engine e) const { return m_wait[engineIndex(e)]; }
    void setWaitSeconds(Engine e, int seconds);

    // Waits (running the event loop) until the engine's wait value has passed
    // since its previous request, then records now as its request time. The
    // first request to an engine does not wait.
    void pace(Engine e);
    // Records the end of the request pace() let through: the next one waits
    // the full interval from here, so the engine never sees two requests
    // closer than the wait value, however long the connection took.
    void requestDone(Engine e);

    // How long pace() would wait now, in milliseconds.
    qint64 pendingWaitMs(Engine e) const;

private:
    QElapsedTimer m_clock;
    std::array<int, 3> m_wait{5, 5, 5};
    std::array<std::optional<qint64>, 3> m_last;
};
