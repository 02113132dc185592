#pragma once

#include <QObject>
#include <QString>

class Job;
class QAbstractButton;

// Drives a tab's start/stop button from its job: the caption of each state,
// clickable to stop while running, locked while stopping, and not startable
// while another tab's job holds the program.
class JobButton : public QObject
{
    Q_OBJECT
public:
    struct Captions {
        QString start;    // idle or paused
        QString stop;     // running: the click asks the job to stop
        QString stopping; // stop requested, waiting for the step to end
    };

    JobButton(QAbstractButton *button, Job &job, const Captions &captions, QObject *parent = nullptr);

    // Re-reads the job; called on every job or program state change.
    void refresh();

private:
    QAbstractButton *m_button;
    Job &m_job;
    Captions m_captions;
};
