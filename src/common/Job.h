#pragma once

#include "common/JobStatus.h"

#include <QObject>

// One long task of the program (mining, the database refresh, a rank run,
// catalogue paging). Only one job runs at a time: start() claims the
// program-wide JobStatus and is refused while another job holds it. The
// task itself polls stopRequested() at its step boundaries and ends with
// park() (stopped early) or finish() (ran to its end).
//
//   Idle/Paused --start--> Running --requestStop--> Stopping --park--> Paused (or Idle)
//                          Running/Stopping --finish--> Idle
class Job : public QObject
{
    Q_OBJECT
public:
    using State = JobStatus::State;
    enum class Resume { Resumable, StartsAfresh };

    // A resumable job parks as Paused ("已暂停") and continues where it
    // stopped; the other kind parks as Idle.
    Job(JobStatus &status, Resume resume, QObject *parent = nullptr);

    State state() const { return m_state; }
    // Running or stopping: this job holds the program.
    bool isActive() const { return m_state == JobStatus::Running || m_state == JobStatus::Stopping; }
    bool isResumable() const { return m_resume == Resume::Resumable; }
    // Whether start() would be refused because another job holds the program.
    bool otherJobBusy() const { return !isActive() && m_status.isBusy(); }
    bool stopRequested() const { return m_state == JobStatus::Stopping; }

    // Claims the program for this job. False (and nothing changes) while
    // another job runs, or while this one is already running.
    bool start();
    // Asks the running task to stop at its next step boundary.
    void requestStop();
    // The task stopped early at a boundary: Paused, or Idle for a job that
    // cannot resume. The progress panels keep their last texts.
    void park();
    // The task is over: Idle, progress panels cleared.
    void finish();

    JobStatus &status() { return m_status; }

Q_SIGNALS:
    void stateChanged(JobStatus::State state);

private:
    void setState(State s);

    JobStatus &m_status;
    Resume m_resume;
    State m_state = JobStatus::Idle;
};
