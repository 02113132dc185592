// The pieces every job and command shares: the one-job-at-a-time rule and
// its states, the start button that follows a job, the shown/reserve list
// pair, the option parser and the row printer.

#include "common/CommandLine.h"
#include "common/Job.h"
#include "common/ListPair.h"
#include "common/ResultList.h"
#include "common/ui/JobButton.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <cstdio>

class TestPlumbing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void jobRunsStopsParksAndFinishes()
    {
        JobStatus status;
        Job job(status, Job::Resume::Resumable);
        QSignalSpy states(&job, &Job::stateChanged);

        QVERIFY(job.start());
        QVERIFY(!job.start()); // already running
        QCOMPARE(status.stateText(), QStringLiteral("进行中..."));
        status.setTotal(QStringLiteral("12"));
        job.requestStop();
        QVERIFY(job.stopRequested());
        QCOMPARE(status.stateText(), QStringLiteral("正在停止..."));
        job.park();
        QCOMPARE(job.state(), JobStatus::Paused);
        QCOMPARE(status.stateText(), QStringLiteral("已暂停"));
        QCOMPARE(status.total(), QStringLiteral("12")); // a parked job keeps its progress texts

        QVERIFY(job.start()); // resume
        job.finish();
        QCOMPARE(job.state(), JobStatus::Idle);
        QCOMPARE(status.stateText(), QStringLiteral("就绪"));
        QVERIFY(status.total().isEmpty());
        QCOMPARE(states.count(), 5); // running, stopping, paused, running, idle

        // A stop request while idle changes nothing.
        job.requestStop();
        QCOMPARE(job.state(), JobStatus::Idle);

        // A job that cannot resume parks as idle.
        Job once(status, Job::Resume::StartsAfresh);
        QVERIFY(once.start());
        once.requestStop();
        once.park();
        QCOMPARE(once.state(), JobStatus::Idle);
        QCOMPARE(status.stateText(), QStringLiteral("就绪"));
    }

    void oneJobAtATime()
    {
        JobStatus status;
        Job mining(status, Job::Resume::Resumable);
        Job refresh(status, Job::Resume::Resumable);
        QVERIFY(mining.start());
        QVERIFY(refresh.otherJobBusy());
        QVERIFY(!refresh.start());
        QCOMPARE(refresh.state(), JobStatus::Idle);

        // A paused job gives way; when it is then ended for good, the panel
        // stays with the job that runs.
        mining.requestStop();
        mining.park();
        QVERIFY(refresh.start());
        status.setCurrent(QStringLiteral("row 3"));
        QVERIFY(!mining.start());
        mining.finish();
        QCOMPARE(status.state(), JobStatus::Running);
        QCOMPARE(status.current(), QStringLiteral("row 3"));
        refresh.finish();
        QCOMPARE(status.state(), JobStatus::Idle);
    }

    void buttonFollowsItsJob()
    {
        JobStatus status;
        Job job(status, Job::Resume::Resumable);
        Job other(status, Job::Resume::Resumable);
        QPushButton button;
        new JobButton(&button, job,
                      {QStringLiteral("开始查询"), QStringLiteral("暂停查询"), QStringLiteral("正在停止")});
        QCOMPARE(button.text(), QStringLiteral("开始查询"));
        QVERIFY(button.isEnabled());

        QVERIFY(job.start());
        QCOMPARE(button.text(), QStringLiteral("暂停查询"));
        QVERIFY(button.isEnabled());
        job.requestStop();
        QCOMPARE(button.text(), QStringLiteral("正在停止"));
        QVERIFY(!button.isEnabled());
        job.park();
        QCOMPARE(button.text(), QStringLiteral("开始查询"));
        QVERIFY(button.isEnabled());

        QVERIFY(other.start());
        QVERIFY(!button.isEnabled());
        other.finish();
        QVERIFY(button.isEnabled());
    }

    void pairMatchesRowsByKeywordNotPosition()
    {
        ListPair pair({QStringLiteral("k"), QStringLiteral("a"), QStringLiteral("b")},
                      {QStringLiteral("k"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}, 1);
        for (const QString &k : {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")})
            pair.addRow(k, {QStringLiteral("1"), QStringLiteral("x"), QStringLiteral("y")});
        pair.shown().setChecked(0, true);
        QCOMPARE(pair.removeCheckedShown(), 1);
        QVERIFY(pair.contains(QStringLiteral(" one "))); // the reserve still has it

        // Rows drifted apart: "three" is shown row 1 but reserve row 2.
        pair.setCell(QStringLiteral("three"), 1, QStringLiteral("300"));
        QCOMPARE(pair.shown().cell(1, 1), QStringLiteral("300"));
        QCOMPARE(pair.reserve().cell(2, 1), QStringLiteral("300"));
        QCOMPARE(pair.reserve().cell(1, 1), QStringLiteral("1"));
        pair.setCellAt(0, 2, QStringLiteral("z"));
        QCOMPARE(pair.reserve().cell(1, 2), QStringLiteral("z"));
        pair.setBold(QStringLiteral("two"), true);
        QVERIFY(pair.shown().row(0).bold && pair.reserve().row(1).bold);

        // "还原" copies the named number of sub-columns.
        pair.restore();
        QCOMPARE(pair.shown().count(), 3);
        QCOMPARE(pair.shown().cell(2, 1), QStringLiteral("300"));
        QCOMPARE(pair.shown().cell(2, 2), QString());

        // Only spaces are trimmed: a keyword ending in a tab is another one.
        pair.setCell(QStringLiteral("two\t"), 1, QStringLiteral("bad"));
        QCOMPARE(pair.shown().cell(1, 1), QStringLiteral("1"));

        pair.shown().setChecked(1, true);
        QCOMPARE(pair.removeCheckedFromBoth(), QStringList{QStringLiteral("two")});
        QCOMPARE(pair.reserve().columnTexts(), (QStringList{QStringLiteral("one"), QStringLiteral("three")}));
        QCOMPARE(pair.shown().columnTexts(), (QStringList{QStringLiteral("one"), QStringLiteral("three")}));
    }

    void optionsInEveryForm()
    {
        const QList<Cli::Option> known{{QStringLiteral("engines"), true}, {QStringLiteral("save"), false}};
        Cli::Arguments a;
        QVERIFY(
            a.parse({QStringLiteral("seo"), QStringLiteral("--engines"), QStringLiteral("bing"),
                     QStringLiteral("--save"), QStringLiteral("--"), QStringLiteral("--save"), QStringLiteral("-x")},
                    known));
        QCOMPARE(a.value(QStringLiteral("engines")), QStringLiteral("bing"));
        QVERIFY(a.isSet(QStringLiteral("save")));
        QCOMPARE(a.words(), (QStringList{QStringLiteral("seo"), QStringLiteral("--save"), QStringLiteral("-x")}));

        QVERIFY(a.parse({QStringLiteral("--engines=google,yahoo")}, known));
        QCOMPARE(a.value(QStringLiteral("engines")), QStringLiteral("google,yahoo"));
        QVERIFY(!a.isSet(QStringLiteral("save")));
        QVERIFY(a.parse({QStringLiteral("--engines=")}, known));
        QVERIFY(a.isSet(QStringLiteral("engines")) && a.value(QStringLiteral("engines")).isEmpty());

        QVERIFY(!a.parse({QStringLiteral("--engines")}, known));
        QCOMPARE(a.error(), QStringLiteral("missing value for --engines"));
        QVERIFY(!a.parse({QStringLiteral("--fast")}, known));
        QCOMPARE(a.error(), QStringLiteral("unknown option: --fast"));
        QVERIFY(!a.parse({QStringLiteral("--save=yes")}, known));
    }

    void rowsStayOneLineAndWriteErrorsAreKept()
    {
        QCOMPARE(Cli::RowPrinter::field(QStringLiteral("a\tb\r\nc")), QStringLiteral("a b  c"));

        QTemporaryFile file;
        QVERIFY(file.open());
        FILE *stream = std::fopen(QFile::encodeName(file.fileName()).constData(), "w");
        QVERIFY(stream);
        Cli::RowPrinter out(stream);
        out.print({QStringLiteral("新\n词"), QStringLiteral("1\t2"), QString()});
        QVERIFY(!out.failed());
        std::fclose(stream);
        QCOMPARE(file.readAll(), QByteArray("新 词\t1 2\t\n"));

        if (FILE *full = std::fopen("/dev/full", "w")) {
            Cli::RowPrinter broken(full);
            broken.print({QStringLiteral("seo")});
            QVERIFY(broken.failed());
            std::fclose(full);
        }
    }
};

QTEST_MAIN(TestPlumbing)
#include "test_plumbing.moc"
