#include "common/JobStatus.h"

QString JobStatus::textFor(State s)
{
    switch (s) {
    case Running: return QStringLiteral("进行中...");
    case Stopping: return QStringLiteral("正在停止...");
    case Paused: return QStringLiteral("已暂停");
    case Idle: break;
    }
    return QStringLiteral("就绪");
}

void JobStatus::setState(State s)
{
    if (m_state == s)
        return;
    m_state = s;
    Q_EMIT changed();
}

void JobStatus::setTotal(const QString &text)
{
    m_total = text;
    Q_EMIT changed();
}

void JobStatus::setCurrent(const QString &text)
{
    m_current = text;
    Q_EMIT changed();
}

void JobStatus::clearProgress()
{
    m_total.clear();
    m_current.clear();
    Q_EMIT changed();
}
