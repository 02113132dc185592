// The real waits: events keep running in them and the time really passes.

#include "common/Clock.h"
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

QTEST_GUILESS_MAIN(TestWait)
#include "test_wait.moc"
