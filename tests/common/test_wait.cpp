// The real waits: events keep running in them and the time really passes;
// each ends once, and no job starts inside one.

#include "common/Clock.h"
#include "common/Job.h"
#include "common/JobStatus.h"
#include "common/Wait.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

class TestWait : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void waitRunsEvents();
    void steadyClockWaitRunsEvents();
    void aWaitEndsOnceWithItsOutcome();
    void aWaitTimesOutWithinItsLimit();
    void aStartDuringAWaitIsQueuedUntilItReturns();
    void aStartDuringNestedWaitsWaitsForTheOutermost();
};

void TestWait::waitRunsEvents()
{
    // Nothing to wait: no event loop runs, so a queued timer stays queued.
    bool early = false;
    QTimer::singleShot(0, this, [&] { early = true; });
    waitWithEvents(0);
    waitWithEvents(-5);
    QVERIFY(!early);

    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
    timer.start(20);
    QElapsedTimer clock;
    clock.start();
    waitWithEvents(250);
    timer.stop();
    QVERIFY(early);
    QVERIFY(clock.elapsed() >= 250);
    QVERIFY2(clock.elapsed() < 2000, "a 250 ms wait must not hang");
    QVERIFY(ticks >= 5);
}

void TestWait::steadyClockWaitRunsEvents()
{
    // What pacing waits on in the program: the wait really passes (checked
    // on the clock itself), and events keep running in it.
    SteadyClock clock;
    const qint64 start = clock.nowMs();
    bool ticked = false;
    QTimer::singleShot(0, this, [&] { ticked = true; });
    clock.waitMs(100);
    QVERIFY(ticked);
    QVERIFY2(clock.nowMs() - start >= 90, qPrintable(QString::number(clock.nowMs() - start)));
    QVERIFY(clock.nowMs() >= start);
}

void TestWait::aWaitEndsOnceWithItsOutcome()
{
    QElapsedTimer clock;
    clock.start();
    {
        Wait wait;
        QTimer::singleShot(10, &wait, &Wait::done);
        QCOMPARE(wait.run(1000), Wait::Outcome::Done);
        QVERIFY(wait.hasEnded());
    }
    {
        // Interrupted, as a fetch is by a Stop: a later done() changes nothing,
        // and another run() gives the same answer at once.
        Wait wait;
        QTimer::singleShot(10, &wait, [&] {
            wait.interrupt();
            wait.done();
        });
        QCOMPARE(wait.run(1000), Wait::Outcome::Interrupted);
        QCOMPARE(wait.run(1000), Wait::Outcome::Interrupted);
    }
    QVERIFY2(clock.elapsed() < 900, qPrintable(QString::number(clock.elapsed())));

    // Ended before it runs (an answer that came at once): no event runs.
    Wait early;
    bool ran = false;
    QTimer::singleShot(0, this, [&] { ran = true; });
    early.done();
    QCOMPARE(early.run(Wait::kNoLimit), Wait::Outcome::Done);
    QVERIFY(!ran);
    QVERIFY(!Wait::anyRunning());
    QTRY_VERIFY_WITH_TIMEOUT(ran, 1000);
}

void TestWait::aWaitTimesOutWithinItsLimit()
{
    Wait wait;
    bool running = false;
    QTimer::singleShot(0, this, [&] { running = Wait::anyRunning(); });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(wait.run(150), Wait::Outcome::TimedOut);
    QVERIFY(clock.elapsed() >= 150);
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(running);
    QVERIFY(!Wait::anyRunning());
    // A limit of nothing still lets what is already due run first.
    Wait none;
    QTimer::singleShot(0, &none, &Wait::done);
    QCOMPARE(none.run(0), Wait::Outcome::Done);
}

void TestWait::aStartDuringAWaitIsQueuedUntilItReturns()
{
    JobStatus status;
    Job job(status, Job::Resume::StartsAfresh);
    QStringList order;

    // No wait running: the start runs at once.
    afterWaits(this, [&] { order << QStringLiteral("at once"); });
    QCOMPARE(order, QStringList{QStringLiteral("at once")});
    order.clear();

    Wait wait;
    QTimer::singleShot(0, this, [&] {
        // The click, handled inside the wait.
        order << QStringLiteral("clicked");
        QVERIFY(!job.start()); // nothing starts inside a wait, even with the program free
        afterWaits(this, [&] {
            order << (Wait::anyRunning() ? QStringLiteral("nested") : QStringLiteral("started"));
            QVERIFY(job.start());
        });
        QTimer::singleShot(20, &wait, &Wait::done);
    });
    QCOMPARE(wait.run(1000), Wait::Outcome::Done);
    order << QStringLiteral("returned");
    QTRY_COMPARE_WITH_TIMEOUT(order.size(), 3, 1000);
    QCOMPARE(order, (QStringList{QStringLiteral("clicked"), QStringLiteral("returned"), QStringLiteral("started")}));
    QCOMPARE(job.state(), JobStatus::Running);
    QCOMPARE(status.state(), JobStatus::Running);
    job.finish();
}

void TestWait::aStartDuringNestedWaitsWaitsForTheOutermost()
{
    // A start held in a wait inside another wait runs only once both have
    // returned; and when a job's loop waits again straight away, the start
    // does not slip into that next wait either. One whose tab is gone by
    // then is dropped.
    QStringList order;
    auto *gone = new QObject(this);
    Wait outer;
    QTimer::singleShot(0, this, [&] {
        Wait inner;
        QTimer::singleShot(0, this, [&] {
            afterWaits(this,
                       [&] { order << (Wait::anyRunning() ? QStringLiteral("nested") : QStringLiteral("started")); });
            afterWaits(gone, [&] { order << QStringLiteral("dropped one ran"); });
            inner.done();
        });
        inner.run(1000);
        order << QStringLiteral("inner returned");
        delete gone;
        QTimer::singleShot(20, &outer, &Wait::done);
    });
    QCOMPARE(outer.run(1000), Wait::Outcome::Done);
    order << QStringLiteral("outer returned");
    Wait next;
    QTimer::singleShot(30, &next, &Wait::done);
    QCOMPARE(next.run(1000), Wait::Outcome::Done);
    order << QStringLiteral("next returned");
    QTRY_COMPARE_WITH_TIMEOUT(order.size(), 4, 1000);
    QCOMPARE(order,
             (QStringList{QStringLiteral("inner returned"), QStringLiteral("outer returned"),
                          QStringLiteral("next returned"), QStringLiteral("started")}));
}

QTEST_GUILESS_MAIN(TestWait)
#include "test_wait.moc"
