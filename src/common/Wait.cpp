#include "common/Wait.h"

#include <QEventLoop>
#include <QList>
#include <QMetaObject>
#include <QTimer>

#include <chrono>
#include <limits>
#include <utility>

namespace {

struct Deferred {
    QPointer<QObject> context;
    std::function<void()> start;
};

// The waits running on this thread and the starts held back until they have
// all returned. Per thread, as Qt keeps each thread's loop level: an event
// loop belongs to one thread, and so does the question "is a wait running?".
struct Waits {
    int running = 0;
    QList<Deferred> held;
};

Waits &waits()
{
    thread_local Waits state;
    return state;
}

// Queued rather than called: the wait's caller goes on first. Each start asks
// again when it comes up, since another wait may have begun meanwhile.
void releaseHeld()
{
    const QList<Deferred> held = std::exchange(waits().held, {});
    for (const Deferred &d : held) {
        if (!d.context)
            continue;
        QObject *context = d.context.data();
        QMetaObject::invokeMethod(
            context, [context, start = d.start] { afterWaits(context, start); }, Qt::QueuedConnection);
    }
}

} // namespace

Wait::Wait(QObject *parent)
    : QObject(parent)
{
}

Wait::~Wait() = default;

bool Wait::anyRunning() { return waits().running > 0; }

void Wait::done() { end(Outcome::Done); }

void Wait::interrupt() { end(Outcome::Interrupted); }

void Wait::end(Outcome outcome)
{
    if (m_outcome)
        return;
    m_outcome = outcome;
    if (m_loop)
        m_loop->quit();
}

Wait::Outcome Wait::run(qint64 limitMs)
{
    if (m_outcome)
        return *m_outcome;
    QEventLoop loop;
    m_loop = &loop;
    QTimer limit;
    limit.setSingleShot(true);
    // A coarse timer may end a wait 5 % early or late; pacing and limits are
    // checked against the clock afterwards, and must not come short.
    limit.setTimerType(Qt::PreciseTimer);
    connect(&limit, &QTimer::timeout, this, [this] { end(Outcome::TimedOut); });
    if (limitMs >= 0)
        limit.start(std::chrono::milliseconds(qMin<qint64>(limitMs, std::numeric_limits<int>::max())));

    ++waits().running;
    loop.exec();
    --waits().running;
    m_loop = nullptr;
    if (waits().running == 0 && !waits().held.isEmpty())
        releaseHeld();
    // A loop ended from outside (the program quitting) interrupted the wait.
    if (!m_outcome)
        m_outcome = Outcome::Interrupted;
    return *m_outcome;
}

void waitWithEvents(int ms)
{
    if (ms <= 0)
        return;
    Wait pause;
    pause.run(ms);
}

void afterWaits(QObject *context, std::function<void()> start)
{
    if (!context || !start)
        return;
    if (!Wait::anyRunning()) {
        start();
        return;
    }
    waits().held.append({context, std::move(start)});
}
