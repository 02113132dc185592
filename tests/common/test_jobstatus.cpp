// JobStatus: the program-wide job state and its texts.

#include "common/JobStatus.h"

#include <QSignalSpy>
#include <QtTest>

class TestJobStatus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void jobStatus();
};

void TestJobStatus::jobStatus()
{
    JobStatus status;
    QSignalSpy changed(&status, &JobStatus::changed);
    QCOMPARE(status.state(), JobStatus::Idle);
    QCOMPARE(status.stateText(), QStringLiteral("就绪"));
    QVERIFY(!status.isBusy());

    const QList<QPair<JobStatus::State, QString>> states = {
        {JobStatus::Running, QStringLiteral("进行中...")},
        {JobStatus::Stopping, QStringLiteral("正在停止...")},
        {JobStatus::Paused, QStringLiteral("已暂停")},
        {JobStatus::Idle, QStringLiteral("就绪")},
    };
    for (const auto &s : states) {
        status.setState(s.first);
        QCOMPARE(status.stateText(), s.second);
        QCOMPARE(JobStatus::textFor(s.first), s.second);
        QCOMPARE(status.isBusy(), s.first == JobStatus::Running || s.first == JobStatus::Stopping);
    }
    QCOMPARE(changed.count(), 4);
    status.setState(JobStatus::Idle); // no change, no signal
    QCOMPARE(changed.count(), 4);

    status.setTotal(QStringLiteral("共 12 个"));
    status.setCurrent(QStringLiteral("seo tools"));
    QCOMPARE(status.total(), QStringLiteral("共 12 个"));
    QCOMPARE(status.current(), QStringLiteral("seo tools"));
    status.clearProgress();
    QVERIFY(status.total().isEmpty() && status.current().isEmpty());
    QCOMPARE(changed.count(), 7);
}

QTEST_GUILESS_MAIN(TestJobStatus)
#include "test_jobstatus.moc"
