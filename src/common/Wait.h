#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

class QEventLoop;

// Every wait of the program goes through here: a fetch, a page's answer, a
// pause between requests, a lock held by another program. The caller blocks
// while the event loop runs, so the window stays live (Pause clicks are
// handled) and the process sits idle; nothing else in src/ runs a local event
// loop.
//
//   Wait wait;
//   connect(reply, &QNetworkReply::finished, &wait, &Wait::done);
//   connect(abort, &FetchAbort::aborted, &wait, &Wait::interrupt);
//   switch (wait.run(limitMs)) { ... }
//
// A wait ends once: the first of done(), interrupt() or the limit decides its
// outcome. done() or interrupt() before run() makes run() return at once.
class Wait : public QObject
{
    Q_OBJECT
public:
    enum class Outcome { Done, TimedOut, Interrupted };
    // For run(): no limit, only done() or interrupt() end the wait.
    static constexpr qint64 kNoLimit = -1;

    explicit Wait(QObject *parent = nullptr);
    ~Wait() override;

    Outcome run(qint64 limitMs);
    bool hasEnded() const { return m_outcome.has_value(); }

    // Whether any wait runs on this thread now.
    static bool anyRunning();

public Q_SLOTS:
    void done();
    void interrupt();

private:
    void end(Outcome outcome);

    std::optional<Outcome> m_outcome;
    QPointer<QEventLoop> m_loop;
};

// Blocks the caller for `ms` milliseconds while the event loop runs. Nothing
// to wait (0 or less) returns at once without running any event.
void waitWithEvents(int ms);

// The re-entrancy guard. A job started from a click handled inside a wait
// would run to its end inside that wait, holding its caller (a fetch, a pause,
// another job's step) for as long: so `start` runs now when no wait is
// running, and otherwise is queued until every running wait has returned,
// then runs from the event loop. Dropped when `context` is gone by then.
void afterWaits(QObject *context, std::function<void()> start);
