#include "common/Job.h"

#include "common/Wait.h"

Job::Job(JobStatus &status, Resume resume, QObject *parent)
    : QObject(parent),
      m_status(status),
      m_resume(resume)
{
}

bool Job::start()
{
    // A job started inside another job's wait would share its status panels
    // and leave them wrong when either ends. One started inside any wait
    // would hold that wait until the job ends: clicks reach here through
    // afterWaits(), which holds them until the waits have returned.
    if (isActive() || m_status.isBusy() || Wait::anyRunning())
        return false;
    setState(JobStatus::Running);
    return true;
}

void Job::requestStop()
{
    if (m_state == JobStatus::Running)
        setState(JobStatus::Stopping);
}

void Job::park()
{
    if (!isActive())
        return;
    setState(isResumable() ? JobStatus::Paused : JobStatus::Idle);
}

void Job::finish()
{
    const bool held = isActive();
    setState(JobStatus::Idle);
    // Another job may hold the panels by now if this one was merely paused.
    if (held)
        m_status.clearProgress();
}

void Job::setState(State s)
{
    if (m_state == s)
        return;
    const bool wasActive = isActive();
    m_state = s;
    // The panel is this job's while it runs, and stays so when it parks;
    // a parked job that ends while another one runs leaves the panel alone.
    const bool held = s != JobStatus::Idle || wasActive || !m_status.isBusy();
    if (held)
        m_status.setState(s);
    Q_EMIT stateChanged(s);
}
