// The database refresh against the stand-in engines: counts shown and
// stored, pause and resume at the bold row, engines switched off mid-run,
// the fetch time limit rule for Bing, and pacing shared with mining.

#include "common/JobStatus.h"
#include "common/ResultList.h"
#include "engines/IndexCounts.h"
#include "keyworddb/DatabaseRefresh.h"
#include "keyworddb/KeywordDatabase.h"
#include "support/FakeClock.h"
#include "support/TestEnv.h"
#include "web/CXHtml.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <array>

using Outcome = DatabaseRefresh::Outcome;

namespace {
bool isWholeNumber(const QString &s)
{
    bool ok = false;
    s.toLongLong(&ok);
    return ok;
}
} // namespace

class TestDatabaseRefresh : public QObject
{
    Q_OBJECT

private:
    struct Run {
        TestEnv f{TestEnv::OwnWeb};
        KeywordDatabase db{f.store()};
        DatabaseRefresh refresh{db.lists(),
                                f.store(),
                                f.context->endpoints(),
                                f.context->pacing(),
                                f.context->clock(),
                                f.context->pageRules(),
                                f.context->jobStatus()};
        std::array<bool, 3> engines{true, true, true};

        explicit Run(const QStringList &keywords)
        {
            f.seed(keywords);
            db.GetDb();
            refresh.setEngineSwitch([this](Engine e) { return engines[engineIndex(e)]; });
        }
        ResultList &list() { return db.list(); }
        QStringList queried(const QString &service, const QString &key) const
        {
            QStringList out;
            for (const auto &r : f.web().log(service))
                for (const auto &item : r.items)
                    if (item.first == key)
                        out.append(item.second);
            return out;
        }
    };

    static QStringList oldestFirst(int n)
    {
        // Seeded oldest first, so the loaded list reads k1, k2, ... from the top.
        QStringList out;
        for (int i = n; i >= 1; --i)
            out.append(QStringLiteral("keyword %1").arg(i));
        return out;
    }

private Q_SLOTS:
    void noEngineTickedChangesNothing()
    {
        Run run(oldestFirst(2));
        run.engines = {false, false, false};
        QVERIFY(!run.refresh.anyEngineTicked());
        QCOMPARE(run.refresh.start(), Outcome::NoEngine);
        QCOMPARE(run.f.context->jobStatus().state(), JobStatus::Idle);
        QVERIFY(run.f.web().log().isEmpty());
        QCOMPARE(run.list().cell(0, KeywordDatabase::Google), QStringLiteral("7"));
        QCOMPARE(run.list().cell(0, KeywordDatabase::Date), QStringLiteral("2020-01-02"));
        QVERIFY(!run.list().row(0).bold);
    }

    void fullRunShowsStoresAndDatesEveryRow()
    {
        Run run(QStringList{QStringLiteral("seo noresult"), QStringLiteral("kid's toys"), QStringLiteral("seo tools")});
        QSignalSpy states(&run.refresh, &DatabaseRefresh::stateChanged);
        QStringList statusTexts;
        connect(&run.f.context->jobStatus(), &JobStatus::changed, this,
                [&] { statusTexts.append(run.f.context->jobStatus().stateText()); });
        QStringList shownWhileFetching;
        QStringList progress;
        connect(&run.refresh, &DatabaseRefresh::engineStarted, this, [&](int row, Engine e) {
            shownWhileFetching.append(run.list().cell(row, e == Engine::Google ? 2 : e == Engine::Yahoo ? 3 : 4));
            if (e == Engine::Google)
                progress.append(run.f.context->jobStatus().total() + QLatin1Char('|')
                                + run.f.context->jobStatus().current());
        });

        QCOMPARE(run.refresh.start(), Outcome::Finished);

        QCOMPARE(shownWhileFetching.size(), 9);
        // The list shows the newest keyword first.
        QCOMPARE(progress,
                 (QStringList{QStringLiteral("数据库更新：1/3|当前关键词：seo tools"),
                              QStringLiteral("数据库更新：2/3|当前关键词：kid's toys"),
                              QStringLiteral("数据库更新：3/3|当前关键词：seo noresult")}));
        QVERIFY(run.f.context->jobStatus().total().isEmpty());
        QCOMPARE(shownWhileFetching.count(DatabaseRefresh::updatingText()), 9);
        QVERIFY(statusTexts.contains(QStringLiteral("进行中...")));
        QCOMPARE(run.f.context->jobStatus().stateText(), QStringLiteral("就绪"));
        QCOMPARE(run.refresh.state(), DatabaseRefresh::State::Idle);
        QCOMPARE(states.size(), 2);

        // Rows with results: numbers from the engines, the same as a direct lookup.
        for (int r = 0; r < 2; ++r) {
            const QString keyword = run.list().cell(r, 0);
            const auto stored = run.f.store().find(keyword);
            QVERIFY(stored);
            for (int c = KeywordDatabase::Google; c <= KeywordDatabase::Bing; ++c)
                QVERIFY2(isWholeNumber(run.list().cell(r, c)), qPrintable(keyword + run.list().cell(r, c)));
            QCOMPARE(stored->counts.google, run.list().cell(r, KeywordDatabase::Google));
            QCOMPARE(stored->counts.yahoo, run.list().cell(r, KeywordDatabase::Yahoo));
            QCOMPARE(stored->counts.bing, run.list().cell(r, KeywordDatabase::Bing));
            QCOMPARE(stored->adddate, TestEnv::today());
            QCOMPARE(run.list().cell(r, KeywordDatabase::Date), TestEnv::today());
        }
        CXHtml direct;
        QCOMPARE(IndexCounts::fetch(Engine::Bing, QStringLiteral("seo tools"), direct, run.f.context->endpoints(),
                                    run.f.context->pacing(), run.f.context->pageRules()),
                 run.list().cell(0, KeywordDatabase::Bing));
        // The apostrophe reached the engine as typed.
        QVERIFY(run.queried(QStringLiteral("google"), QStringLiteral("q")).contains(QStringLiteral("kid's toys")));

        // No results: "0" for Google, "-" for Yahoo and Bing, shown and stored, dated today.
        QCOMPARE(run.list().cell(2, 0), QStringLiteral("seo noresult"));
        QCOMPARE(run.list().cell(2, KeywordDatabase::Google), QStringLiteral("0"));
        QCOMPARE(run.list().cell(2, KeywordDatabase::Yahoo), QStringLiteral("-"));
        QCOMPARE(run.list().cell(2, KeywordDatabase::Bing), QStringLiteral("-"));
        QCOMPARE(run.list().cell(2, KeywordDatabase::Date), TestEnv::today());
        const auto none = run.f.store().find(QStringLiteral("seo noresult"));
        QCOMPARE(none->counts.google, QStringLiteral("0"));
        QCOMPARE(none->counts.yahoo, QStringLiteral("-"));
        QCOMPARE(none->counts.bing, QStringLiteral("-"));
        QCOMPARE(none->adddate, TestEnv::today());

        // A finished run leaves no resume mark; the reserve carries the new counts.
        for (const auto &row : run.list().rows())
            QVERIFY(!row.bold);
        QCOMPARE(run.refresh.resumeRow(), 0);
        QCOMPARE(run.db.reserve().cell(1, KeywordDatabase::Google), run.list().cell(1, KeywordDatabase::Google));
        QCOMPARE(run.db.reserve().cell(2, KeywordDatabase::Date), TestEnv::today());
        run.db.restore();
        QCOMPARE(run.list().cell(2, KeywordDatabase::Google), QStringLiteral("0"));
    }

    void pauseDuringRowThreeResumesAtRowFour()
    {
        Run run(oldestFirst(6));
        run.engines = {true, false, true};
        // Row 3's Google request is in flight when the pause comes.
        run.f.web().setBehaviour(QStringLiteral("/google"), standin::Behaviour{300, 200, {}, false, false, -1});
        connect(&run.refresh, &DatabaseRefresh::engineStarted, this, [&](int row, Engine e) {
            if (row == 2 && e == Engine::Google)
                QTimer::singleShot(100, &run.refresh, [&] { run.refresh.requestPause(); });
        });
        QList<DatabaseRefresh::State> states;
        connect(&run.refresh, &DatabaseRefresh::stateChanged, this,
                [&](DatabaseRefresh::State s) { states.append(s); });

        QCOMPARE(run.refresh.start(), Outcome::Paused);
        QCOMPARE(states,
                 (QList<DatabaseRefresh::State>{DatabaseRefresh::State::Running, DatabaseRefresh::State::Stopping,
                                                DatabaseRefresh::State::Paused}));
        QCOMPARE(run.f.context->jobStatus().stateText(), QStringLiteral("已暂停"));

        // Row 3 finished: both ticked engines and its date.
        QCOMPARE(run.list().cell(2, 0), QStringLiteral("keyword 3"));
        QVERIFY(isWholeNumber(run.list().cell(2, KeywordDatabase::Google)));
        QVERIFY(run.list().cell(2, KeywordDatabase::Bing) != QStringLiteral("7"));
        QCOMPARE(run.list().cell(2, KeywordDatabase::Yahoo), QStringLiteral("7"));
        QCOMPARE(run.list().cell(2, KeywordDatabase::Date), TestEnv::today());
        QCOMPARE(run.f.store().find(QStringLiteral("keyword 3"))->adddate, TestEnv::today());
        // Row 4 is the bold resume row and untouched.
        for (int r = 0; r < run.list().count(); ++r)
            QCOMPARE(run.list().row(r).bold, r == 3);
        QCOMPARE(run.list().cell(3, KeywordDatabase::Google), QStringLiteral("7"));
        QCOMPARE(run.f.store().find(QStringLiteral("keyword 4"))->adddate, QStringLiteral("2020-01-02"));
        QCOMPARE(run.queried(QStringLiteral("google"), QStringLiteral("q")),
                 (QStringList{QStringLiteral("keyword 1"), QStringLiteral("keyword 2"), QStringLiteral("keyword 3")}));

        // The next start begins at row 4 and runs to the end.
        run.f.web().clearBehaviours();
        run.f.web().clearLog();
        QCOMPARE(run.refresh.resumeRow(), 3);
        QCOMPARE(run.refresh.start(), Outcome::Finished);
        QCOMPARE(run.queried(QStringLiteral("google"), QStringLiteral("q")),
                 (QStringList{QStringLiteral("keyword 4"), QStringLiteral("keyword 5"), QStringLiteral("keyword 6")}));
        QCOMPARE(run.f.context->jobStatus().stateText(), QStringLiteral("就绪"));
        QCOMPARE(run.list().cell(0, KeywordDatabase::Date), TestEnv::today());
        QCOMPARE(run.list().cell(5, KeywordDatabase::Date), TestEnv::today());
    }

    void engineUntickedDuringRunIsSkippedFromItsNextStep()
    {
        Run run(oldestFirst(3));
        run.f.web().setBehaviour(QStringLiteral("/google"), standin::Behaviour{200, 200, {}, false, false, 1});
        // Yahoo is switched off while row 1's Google request is in flight:
        // row 1 already skips it.
        connect(&run.refresh, &DatabaseRefresh::engineStarted, this, [&](int row, Engine e) {
            if (row == 0 && e == Engine::Google)
                QTimer::singleShot(50, this, [&] { run.engines[engineIndex(Engine::Yahoo)] = false; });
        });
        QCOMPARE(run.refresh.start(), Outcome::Finished);
        QVERIFY(run.f.web().log(QStringLiteral("yahoo")).isEmpty());
        QCOMPARE(run.f.web().log(QStringLiteral("google")).size(), 3);
        QCOMPARE(run.f.web().log(QStringLiteral("bing")).size(), 3);
        QCOMPARE(run.list().cell(0, KeywordDatabase::Yahoo), QStringLiteral("7"));
        QCOMPARE(run.f.store().find(QStringLiteral("keyword 1"))->counts.yahoo, QStringLiteral("7"));
        QCOMPARE(run.list().cell(0, KeywordDatabase::Date), TestEnv::today());
    }

    void bingRequestLengthensTheTimeLimitForTheRestOfTheRun()
    {
        Run run(oldestFirst(2));
        run.engines = {true, false, true};
        // Limits of 1 s before the run's first Bing request and 2 s after it
        // (the fetcher gives up half a second past its limit), against a
        // Google that answers in 2 s: row 1's Google times out (its stored
        // count stays), row 2's does not.
        run.refresh.setTimeLimits(1, 2);
        run.f.web().setBehaviour(QStringLiteral("/google"), standin::Behaviour{2000, 200, {}, false, false, -1});
        QCOMPARE(run.refresh.start(), Outcome::Finished);
        QCOMPARE(run.list().cell(0, KeywordDatabase::Google), QStringLiteral("7"));
        const QString fresh = run.list().cell(1, KeywordDatabase::Google);
        QVERIFY(isWholeNumber(fresh));
        QVERIFY(fresh != QStringLiteral("7"));
        QCOMPARE(run.f.context->jobStatus().total(), QStringLiteral("更新完成，1次查询失败"));

        // A new run starts again with the short limit (one row is enough):
        // row 2's Google times out now and keeps the count it had.
        run.engines = {true, false, false};
        run.list().setBold(1, true);
        QCOMPARE(run.refresh.start(), Outcome::Finished);
        QCOMPARE(run.list().cell(1, KeywordDatabase::Google), fresh);
        QCOMPARE(run.refresh.failures().failures(Engine::Google), 1);
    }

    void pacingIsSharedWithOtherRequestsToTheEngine()
    {
        Run run(oldestFirst(1));
        run.engines = {true, false, false};
        FakeClock clock;
        run.f.context->pacing().setClock(clock);
        run.f.context->pacing().setWaitSeconds(Engine::Google, 1);
        // A mining request to Google has just been made.
        run.f.context->pacing().pace(Engine::Google);
        const qint64 mined = clock.nowMs();
        QCOMPARE(run.refresh.start(), Outcome::Finished);
        QCOMPARE(clock.waits, QList<qint64>{1000});
        QCOMPARE(clock.nowMs() - mined, 1000);
        QCOMPARE(run.f.web().log(QStringLiteral("google")).size(), 1);
    }

    void startIsRefusedWhileAnotherJobRuns()
    {
        Run run(oldestFirst(2));
        run.engines = {true, false, false};
        run.f.context->jobStatus().setState(JobStatus::Running); // a mining run, say
        QCOMPARE(run.refresh.start(), Outcome::OtherJobBusy);
        QVERIFY(run.f.web().log().isEmpty());
        QCOMPARE(run.f.context->jobStatus().state(), JobStatus::Running);
        QCOMPARE(run.refresh.state(), DatabaseRefresh::State::Idle);
    }

    void pauseIsIgnoredWhenIdleAndStartWhileRunningIsRefused()
    {
        Run run(oldestFirst(2));
        run.engines = {true, false, false};
        run.refresh.requestPause();
        QCOMPARE(run.refresh.state(), DatabaseRefresh::State::Idle);
        Outcome nested = Outcome::Finished;
        connect(&run.refresh, &DatabaseRefresh::rowFinished, this, [&](int row) {
            if (row == 0)
                nested = run.refresh.start();
        });
        QCOMPARE(run.refresh.start(), Outcome::Finished);
        QCOMPARE(nested, Outcome::AlreadyRunning);
        QCOMPARE(run.f.web().log(QStringLiteral("google")).size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestDatabaseRefresh)
#include "test_databaserefresh.moc"
