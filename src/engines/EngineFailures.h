#pragma once

#include "common/Engine.h"

#include <array>

// Failed requests per engine during one run. Three failures in a row from
// one engine mean it is not answering (down, or blocking the user's
// address): the run then sends it nothing more, which also spares an engine
// that blocks.
class EngineFailures
{
public:
    static constexpr int kGiveUpAfter = 3;

    // Records one request's result; true when this failure made the engine
    // count as not answering.
    bool record(Engine e, bool failed);
    bool gaveUp(Engine e) const { return m_streak[engineIndex(e)] >= kGiveUpAfter; }
    int failures(Engine e) const { return m_total[engineIndex(e)]; }
    int totalFailures() const { return m_total[0] + m_total[1] + m_total[2]; }
    void reset();

    // "Google 无响应，本次不再查询" for the status bar.
    static QString gaveUpText(Engine e);

private:
    std::array<int, 3> m_streak{0, 0, 0};
    std::array<int, 3> m_total{0, 0, 0};
};
