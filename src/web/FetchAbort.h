#pragma once

#include <QObject>

// A stop switch for page requests. A job that can be stopped hands one to
// its fetchers: abort() ends the request in flight at once (it comes back
// failed, as Aborted) and makes every later request fail without being sent,
// until reset(). A stop then costs no page time-out.
class FetchAbort : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    bool isAborted() const { return m_aborted; }
    void abort();
    void reset() { m_aborted = false; }

Q_SIGNALS:
    void aborted();

private:
    bool m_aborted = false;
};
