// A failure is never a result: a refresh whose requests fail keeps every
// stored count and date, says how many failed, gives up on an engine after
// three failures in a row, and stops on a database it cannot write.

#include "common/JobStatus.h"
#include "common/ResultList.h"
#include "keyworddb/DatabaseRefresh.h"
#include "keyworddb/DbCommand.h"
#include "keyworddb/KeywordDatabase.h"
#include "pagerules/XPathRuleSet.h"
#include "support/LockHolder.h"
#include "support/TestEnv.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <array>

using Outcome = DatabaseRefresh::Outcome;

class TestRefreshFailures : public QObject
{
    Q_OBJECT

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
        std::array<bool, 3> engines{true, false, true};

        explicit Run(int rows)
        {
            QStringList keywords;
            for (int i = rows; i >= 1; --i)
                keywords.append(QStringLiteral("keyword %1").arg(i));
            // Real figures from an earlier day.
            f.seed(keywords, QStringLiteral("4500"), QDate(2026, 11, 1));
            db.GetDb();
            refresh.setEngineSwitch([this](Engine e) { return engines[engineIndex(e)]; });
            refresh.setPrompter(&f.prompter);
        }
        KeywordStore::Stored stored(int i) { return *f.store().find(QStringLiteral("keyword %1").arg(i)); }
        ResultList &list() { return db.list(); }
    };

    static void refuse(Run &run, Endpoints::Service service)
    {
        run.f.context->endpoints().setBase(service, QStringLiteral("http://127.0.0.1:1"));
    }

private Q_SLOTS:
    void failedEnginesKeepEveryStoredCountAndDate_data()
    {
        QTest::addColumn<bool>("refused");
        QTest::newRow("refused connection") << true;
        QTest::newRow("503 answer") << false;
    }

    void failedEnginesKeepEveryStoredCountAndDate()
    {
        QFETCH(bool, refused);
        Run run(2);
        if (refused) {
            refuse(run, Endpoints::Service::Google);
            refuse(run, Endpoints::Service::Bing);
        } else {
            for (const QString &path : {QStringLiteral("/google"), QStringLiteral("/bing")})
                run.f.web().setBehaviour(path, standin::Behaviour{0, 503, {}, false, false, -1});
        }
        QCOMPARE(run.refresh.start(), Outcome::Finished);
        for (int i = 1; i <= 2; ++i) {
            const KeywordStore::Stored s = run.stored(i);
            QCOMPARE(s.counts.google, QStringLiteral("4500"));
            QCOMPARE(s.counts.bing, QStringLiteral("4500"));
            QCOMPARE(s.adddate, QStringLiteral("2026-11-01"));
            for (const ResultList *list : {&run.db.list(), &run.db.reserve()}) {
                QCOMPARE(list->cell(i - 1, KeywordDatabase::Google), QStringLiteral("4500"));
                QCOMPARE(list->cell(i - 1, KeywordDatabase::Bing), QStringLiteral("4500"));
                QCOMPARE(list->cell(i - 1, KeywordDatabase::Date), QStringLiteral("2026-11-01"));
            }
        }
        QCOMPARE(run.refresh.failures().totalFailures(), 4);
        QCOMPARE(run.f.context->jobStatus().total(), QStringLiteral("更新完成，4次查询失败"));
        QCOMPARE(run.f.context->jobStatus().state(), JobStatus::Idle);
    }

    // A page the rules cannot read, or a wall, says so in the shown cell;
    // the table and the reserve copy keep the stored count and date.
    void unreadablePagesSayWhyAndKeepTheStoredCounts()
    {
        Run run(2);
        standin::Behaviour odd;
        odd.replacesBody = true;
        odd.body = "<html><body><p>We have moved things around.</p></body></html>";
        run.f.web().setBehaviour(QStringLiteral("/google"), odd);
        standin::Behaviour wall = odd;
        wall.body = "<html><body><div id=\"b_captcha\"></div>"
                    "<span class=\"sb_count\">About 5 results</span></body></html>";
        run.f.web().setBehaviour(QStringLiteral("/bing"), wall);
        RuleSetError error;
        auto set = XPathRuleSet::load(QStringLiteral(VELTRANA_SOURCE_DIR "/rules/2026.ini"), &error);
        QVERIFY2(set, qPrintable(error.toString()));
        DatabaseRefresh refresh(run.db.lists(), run.f.store(), run.f.context->endpoints(), run.f.context->pacing(),
                                run.f.context->clock(), *set, run.f.context->jobStatus());
        refresh.setEngineSwitch([&run](Engine e) { return run.engines[engineIndex(e)]; });
        QSignalSpy failed(&refresh, &DatabaseRefresh::requestFailed);
        QCOMPARE(refresh.start(), Outcome::Finished);
        for (int i = 1; i <= 2; ++i) {
            const KeywordStore::Stored s = run.stored(i);
            QCOMPARE(s.counts.google, QStringLiteral("4500"));
            QCOMPARE(s.counts.bing, QStringLiteral("4500"));
            QCOMPARE(s.adddate, QStringLiteral("2026-11-01"));
            QCOMPARE(run.db.list().cell(i - 1, KeywordDatabase::Google), QStringLiteral("页面无法识别"));
            QCOMPARE(run.db.list().cell(i - 1, KeywordDatabase::Bing), QStringLiteral("被搜索引擎拦截"));
            QCOMPARE(run.db.reserve().cell(i - 1, KeywordDatabase::Google), QStringLiteral("4500"));
            QCOMPARE(run.db.reserve().cell(i - 1, KeywordDatabase::Bing), QStringLiteral("4500"));
            QCOMPARE(run.db.list().cell(i - 1, KeywordDatabase::Date), QStringLiteral("2026-11-01"));
        }
        QCOMPARE(refresh.failures().totalFailures(), 4);
        QCOMPARE(failed.size(), 4);
        QCOMPARE(failed.at(0).at(2).toString(), QStringLiteral("unrecognised page"));
        QCOMPARE(failed.at(1).at(2).toString(), QStringLiteral("blocked"));
    }

    void oneEngineAnsweringUpdatesItAndTheDate()
    {
        Run run(2);
        run.f.web().setBehaviour(QStringLiteral("/bing"), standin::Behaviour{0, 503, {}, false, false, -1});
        QCOMPARE(run.refresh.start(), Outcome::Finished);
        const KeywordStore::Stored s = run.stored(1);
        QVERIFY(s.counts.google != QStringLiteral("4500"));
        QCOMPARE(s.counts.bing, QStringLiteral("4500"));
        QCOMPARE(s.adddate, TestEnv::today());
        QCOMPARE(run.list().cell(0, KeywordDatabase::Google), s.counts.google);
        QCOMPARE(run.list().cell(0, KeywordDatabase::Bing), QStringLiteral("4500"));
        QCOMPARE(run.list().cell(0, KeywordDatabase::Date), TestEnv::today());
    }

    void threeFailuresInARowSilenceAnEngine()
    {
        Run run(6);
        run.f.web().setBehaviour(QStringLiteral("/bing"), standin::Behaviour{0, 503, {}, false, false, -1});
        QList<Engine> gaveUp;
        connect(&run.refresh, &DatabaseRefresh::engineGaveUp, this, [&](Engine e) { gaveUp.append(e); });
        QCOMPARE(run.refresh.start(), Outcome::Finished);
        QCOMPARE(run.f.web().log(QStringLiteral("bing")).size(), 3);
        QCOMPARE(run.f.web().log(QStringLiteral("google")).size(), 6);
        QCOMPARE(gaveUp, QList<Engine>{Engine::Bing});
        QCOMPARE(run.stored(6).counts.bing, QStringLiteral("4500"));

        // A success in between starts the count again.
        EngineFailures failures;
        QVERIFY(!failures.record(Engine::Yahoo, true));
        QVERIFY(!failures.record(Engine::Yahoo, true));
        QVERIFY(!failures.record(Engine::Yahoo, false));
        QVERIFY(!failures.record(Engine::Yahoo, true));
        QVERIFY(!failures.gaveUp(Engine::Yahoo));
        QCOMPARE(failures.failures(Engine::Yahoo), 3);
    }

    void commandExitsThreeWhenRequestsFailed()
    {
        Run run(2);
        run.f.web().setBehaviour(QStringLiteral("/google"), standin::Behaviour{0, 503, {}, false, false, -1});
        QCOMPARE(runDbCommand(*run.f.context,
                              {QStringLiteral("db"), QStringLiteral("refresh"), QStringLiteral("--engines=google")}),
                 3);
        QCOMPARE(run.stored(1).counts.google, QStringLiteral("4500"));
        QCOMPARE(run.stored(1).adddate, QStringLiteral("2026-11-01"));
    }

    void lockHeldTooLongStopsTheRunWithAMessage()
    {
        Run run(3);
        run.f.store().setLockWaitMs(300);
        LockHolder other(run.f.dataFile(QStringLiteral("db.sqlite")));
        QVERIFY(other.waitUntilHeld());
        QCOMPARE(run.refresh.start(), Outcome::WriteFailed);
        other.release();
        QCOMPARE(run.f.prompter.prompts.size(), 1);
        QVERIFY(run.f.prompter.lastText().contains(run.f.dataFile(QStringLiteral("db.sqlite"))));
        // Nothing shown as updated that is not stored.
        QCOMPARE(run.list().cell(0, KeywordDatabase::Google), QStringLiteral("4500"));
        QCOMPARE(run.list().cell(0, KeywordDatabase::Date), QStringLiteral("2026-11-01"));
        QCOMPARE(run.refresh.resumeRow(), 0);
        QCOMPARE(run.f.context->jobStatus().state(), JobStatus::Paused);

        // The command says so with its exit status.
        LockHolder again(run.f.dataFile(QStringLiteral("db.sqlite")));
        QVERIFY(again.waitUntilHeld());
        QCOMPARE(runDbCommand(*run.f.context, {QStringLiteral("db"), QStringLiteral("refresh")}), 1);
        again.release();
        QCOMPARE(run.stored(1).adddate, QStringLiteral("2026-11-01"));
    }

    void shortLockLosesNothing()
    {
        Run run(3);
        run.f.store().setLockWaitMs(2000);
        // The other program ends its transaction well within the lock wait.
        LockHolder other(run.f.dataFile(QStringLiteral("db.sqlite")));
        QVERIFY(other.waitUntilHeld());
        QTimer::singleShot(300, this, [&] { other.release(); });
        QCOMPARE(runDbCommand(*run.f.context, {QStringLiteral("db"), QStringLiteral("refresh")}), 0);
        for (int i = 1; i <= 3; ++i) {
            QCOMPARE(run.stored(i).adddate, TestEnv::today());
            QVERIFY(run.stored(i).counts.google != QStringLiteral("4500"));
        }
        QCOMPARE(run.f.store().rowCount(), 3);
    }
};

QTEST_GUILESS_MAIN(TestRefreshFailures)
#include "test_refresh_failures.moc"
