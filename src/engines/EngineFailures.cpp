#include "engines/EngineFailures.h"

bool EngineFailures::record(Engine e, bool failed)
{
    const int i = engineIndex(e);
    if (!failed) {
        m_streak[i] = 0;
        return false;
    }
    ++m_total[i];
    return ++m_streak[i] == kGiveUpAfter;
}

void EngineFailures::reset()
{
    m_streak = {0, 0, 0};
    m_total = {0, 0, 0};
}

QString EngineFailures::gaveUpText(Engine e) { return engineLabel(e) + QStringLiteral(" 无响应，本次不再查询"); }
