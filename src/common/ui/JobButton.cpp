#include "common/ui/JobButton.h"

#include "common/Job.h"

#include <QAbstractButton>

JobButton::JobButton(QAbstractButton *button, Job &job, const Captions &captions, QObject *parent)
    : QObject(parent ? parent : button),
      m_button(button),
      m_job(job),
      m_captions(captions)
{
    connect(&job, &Job::stateChanged, this, &JobButton::refresh);
    connect(&job.status(), &JobStatus::changed, this, &JobButton::refresh);
    refresh();
}

void JobButton::refresh()
{
    switch (m_job.state()) {
    case JobStatus::Running:
        m_button->setText(m_captions.stop);
        m_button->setEnabled(true);
        break;
    case JobStatus::Stopping:
        m_button->setText(m_captions.stopping);
        m_button->setEnabled(false);
        break;
    case JobStatus::Paused:
    case JobStatus::Idle:
        m_button->setText(m_captions.start);
        m_button->setEnabled(!m_job.otherJobBusy());
        break;
    }
}
