// The rank run over the stand-in: pair headers and engine rows, records,
// all matches, favourites' day files, failures, options and the status panel.

#include "RankFixture.h"
#include "common/JobStatus.h"
#include "common/SettingsStore.h"
#include "rank/RankTracker.h"
#include "store/FavouriteStore.h"

#include "support/TinyHttpServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

class TestRankRun : public QObject
{
    Q_OBJECT

    std::unique_ptr<RankFixture> f;
    std::unique_ptr<RankTracker> t;

    QString today() const { return f->clock.today().toString("yyyy-MM-dd"); }

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<RankFixture>();
        QVERIFY(f->start());
        t = std::make_unique<RankTracker>(*f->context);
        t->run().setPageTimeLimit(2);
    }
    void cleanup()
    {
        t.reset();
        f.reset();
    }

    void everyPairWithEveryEngine()
    {
        fillLists(*t, {"www.veltrana-demo.com", "www.trailgear-shop.com"},
                  {"rank tracker", "hiking boots", "seo audit"});
        t->setEngineTicked(Engine::Google, true);
        t->setEngineTicked(Engine::Bing, true);
        t->setDepthIndex(0);
        QStringList panel;
        connect(&f->context->jobStatus(), &JobStatus::changed, this, [&] {
            if (!f->context->jobStatus().total().isEmpty() && !panel.contains(f->context->jobStatus().total()))
                panel << f->context->jobStatus().total();
        });
        QCOMPARE(t->start(), RankRun::Outcome::Finished);
        QCOMPARE(t->result().count(), 18);
        QStringList expected;
        const QString d = today();
        expected << "www.veltrana-demo.com|rank tracker|" + d << "Google|2|www.veltrana-demo.com"
                 << "Bing|0|";
        expected << "www.veltrana-demo.com|hiking boots|" + d << "Google|0|"
                 << "Bing|0|";
        expected << "www.veltrana-demo.com|seo audit|" + d << "Google|0|"
                 << "Bing|0|";
        expected << "www.trailgear-shop.com|rank tracker|" + d << "Google|0|"
                 << "Bing|0|";
        expected << "www.trailgear-shop.com|hiking boots|" + d << "Google|1|www.trailgear-shop.com"
                 << "Bing|3|www.trailgear-shop.com";
        expected << "www.trailgear-shop.com|seo audit|" + d << "Google|0|"
                 << "Bing|0|";
        QCOMPARE(resultRows(*t), expected);
        // Engine rows carry their image and the page they were found on.
        QCOMPARE(t->result().row(1).imageKey, QString("google"));
        QVERIFY(t->result().row(1).tag.contains("/google/search?q=rank tracker&hl=en&newwindow=1&start=0&sa=N"));
        QVERIFY(t->resultAddress(2).isEmpty());
        QVERIFY(t->resultAddress(0).isEmpty());

        QCOMPARE(t->recent().count(), 6);
        QCOMPARE(t->recent().row(0).text, QString("Google,Bing"));
        QCOMPARE(t->recent().row(0).tag,
                 "www.veltrana-demo.com#1#rank tracker#1#" + d
                     + "#1#$1$Google|2|www.veltrana-demo.com$1$Bing|0|#1#0#1#0");
        QCOMPARE(f->prompter.lastText(), QString("查询完毕"));
        QCOMPARE(panel.first(), QString("正在查询第1/6组"));
        QCOMPARE(panel.last(), QString("正在查询第6/6组"));
        QCOMPARE(f->context->jobStatus().state(), JobStatus::Idle);
    }

    void allMatchesWithinTheDepth()
    {
        f->web().plantRank("google", "deck paint", "www.deck-co.com/a", 2);
        f->web().plantRank("google", "deck paint", "www.deck-co.com/b", 6);
        f->web().plantRank("google", "deck paint", "www.deck-co.com/c", 24); // beyond 20
        fillLists(*t, {"www.deck-co.com"}, {"deck paint"});
        t->setEngineTicked(Engine::Google, true);
        t->setDepthIndex(1);
        t->setAllMatches(true);
        t->start();
        QCOMPARE(resultRows(*t).mid(1), (QStringList{"Google|3|www.deck-co.com/a", "Google|7|www.deck-co.com/b"}));
        QVERIFY(
            t->recent().row(0).tag.contains("#1#$1$Google|3|www.deck-co.com/a$1$Google|7|www.deck-co.com/b#1#1#1#1"));
        t->setAllMatches(false);
        t->start();
        QCOMPARE(resultRows(*t).mid(1), QStringList{"Google|3|www.deck-co.com/a"});
        // Changing the all-matches box made a second record.
        QCOMPARE(t->recent().count(), 2);
    }

    void samePairTwiceKeepsOneRecord()
    {
        fillLists(*t, {"www.veltrana-demo.com"}, {"rank tracker"});
        t->setEngineTicked(Engine::Yahoo, true);
        t->start();
        t->start();
        QCOMPARE(t->recent().count(), 1);
        t->setDepthIndex(2);
        t->start();
        QCOMPARE(t->recent().count(), 2);
        QCOMPARE(resultRows(*t).mid(1), QStringList{"Yahoo|5|www.veltrana-demo.com"});
    }

    void depthBackAndForthKeepsOneRecordPerOption()
    {
        // 20, 10, 20, 10: the second 20 finds its record behind the one for 10.
        fillLists(*t, {"www.veltrana-demo.com"}, {"rank tracker"});
        t->setEngineTicked(Engine::Yahoo, true);
        for (int depthIndex : {1, 0, 1, 0}) {
            t->setDepthIndex(depthIndex);
            t->start();
        }
        QCOMPARE(t->recent().count(), 2);
        QCOMPARE(RankFormats::parseTag(t->recent().row(0).tag).depthIndex, 1);
        QCOMPARE(RankFormats::parseTag(t->recent().row(1).tag).depthIndex, 0);
    }

    void nothingTickedChangesNothing()
    {
        fillLists(*t, {"a.com"}, {"k"});
        t->result().addRow("kept");
        QCOMPARE(t->start(), RankRun::Outcome::NothingSelected);
        QCOMPARE(f->prompter.lastText(), QString("请至少选择一个要查询搜索引擎！"));
        QCOMPARE(f->prompter.prompts.last().title, QString("提示"));
        QCOMPARE(resultRows(*t), QStringList{"kept||"});
        t->setEngineTicked(Engine::Bing, true);
        t->lists().keywords().setAllChecked(false);
        t->start();
        QCOMPARE(f->prompter.lastText(), QString("请添加或选择至少一个要查询的关键词！"));
        t->lists().sites().setAllChecked(false);
        t->start();
        QCOMPARE(f->prompter.lastText(), QString("请添加或选择至少一个要查询的网站！"));
        QCOMPARE(resultRows(*t), QStringList{"kept||"});
        QVERIFY(f->web().log().isEmpty());
    }

    void favouriteDayFileIsReplacedTheSameDay()
    {
        fillLists(*t, {"www.trailgear-shop.com"}, {"hiking boots"});
        t->setEngineTicked(Engine::Google, true);
        t->setEngineTicked(Engine::Bing, true);
        t->setDepthIndex(0);
        t->setAllMatches(true);
        const QString key = "Google,Bing#www.trailgear-shop.com#hiking boots#0#1";
        FavouriteStore store(f->dataFile("myfav"));
        QVERIFY(store.create(key));
        QVERIFY(store.writeDay(key, today(), {"Google|9|old"}));
        t->start();
        const QStringList lines{"Google|1|www.trailgear-shop.com", "Google|5|www.trailgear-shop.com",
                                "Bing|3|www.trailgear-shop.com"};
        QCOMPARE(store.readDay(key, today()), lines);
        t->start();
        QCOMPARE(store.readDay(key, today()), lines);
        QCOMPARE(store.history(key).size(), 1);
    }

    void aDayFileThatCannotBeWrittenIsSaid()
    {
        fillLists(*t, {"www.trailgear-shop.com"}, {"hiking boots"});
        t->setEngineTicked(Engine::Google, true);
        t->setDepthIndex(0);
        const QString key = "Google#www.trailgear-shop.com#hiking boots#0#0";
        FavouriteStore store(f->dataFile("myfav"));
        QVERIFY(store.create(key));
        // A folder where today's day file belongs: the write must fail.
        QVERIFY(QDir(store.folder()).mkpath(FavouriteStore::encodeName(key) + "/" + today() + ".txt"));
        t->start();
        QCOMPARE(t->run().dayFileFailures(), 1);
        const QStringList texts = f->prompter.allTexts();
        QVERIFY2(
            std::any_of(texts.begin(), texts.end(), [&](const QString &m) { return m.contains(f->dataFile("myfav")); }),
            qPrintable(texts.join('\n')));
    }

    // A page the rules cannot read, or a wall, is no answer either: its
    // link cell says why, and the day file keeps the earlier answer.
    void anUnreadablePageSaysWhyInTheLinkCell()
    {
        fillLists(*t, {"www.trailgear-shop.com"}, {"hiking boots"});
        t->setEngineTicked(Engine::Google, true);
        t->setEngineTicked(Engine::Bing, true);
        t->setDepthIndex(0);
        const QString key = "Google,Bing#www.trailgear-shop.com#hiking boots#0#0";
        FavouriteStore store(f->dataFile("myfav"));
        QVERIFY(store.create(key));
        QVERIFY(store.writeDay(key, today(), {"Google|1|earlier", "Bing|3|earlier"}));
        standin::Behaviour odd;
        odd.replacesBody = true;
        odd.body = "<html><body><p>We have moved things around.</p></body></html>";
        f->web().setBehaviour("/google", odd);
        t->start();
        // Bing's page is the stand-in's own: it answers.
        const QStringList rows = resultRows(*t);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(1), QStringLiteral("Google|-|页面无法识别"));
        QVERIFY2(rows.at(2).startsWith("Bing|") && !rows.at(2).startsWith("Bing|-|"), qPrintable(rows.at(2)));
        QCOMPARE(t->run().failedSteps(), 1);
        const QStringList day = store.readDay(key, today());
        QVERIFY2(day.contains(QStringLiteral("Google|1|earlier")), qPrintable(day.join(u' ')));
        QCOMPARE(day.filter(QStringLiteral("Google|")).size(), 1);
    }

    void aScanThatCouldNotLoadIsNoAnswer()
    {
        fillLists(*t, {"www.trailgear-shop.com"}, {"hiking boots"});
        t->setEngineTicked(Engine::Google, true);
        t->setEngineTicked(Engine::Bing, true);
        t->setDepthIndex(0);
        const QString key = "Google,Bing#www.trailgear-shop.com#hiking boots#0#0";
        FavouriteStore store(f->dataFile("myfav"));
        QVERIFY(store.create(key));
        QVERIFY(store.writeDay(key, today(), {"Google|1|www.trailgear-shop.com", "Bing|3|earlier"}));
        standin::Behaviour refuse;
        refuse.status = 503;
        f->web().setBehaviour("/bing", refuse);
        t->start();
        QCOMPARE(resultRows(*t).mid(1), (QStringList{"Google|1|www.trailgear-shop.com", "Bing|-|查询失败"}));
        QCOMPARE(t->run().failedSteps(), 1);
        QVERIFY(t->recent().row(0).tag.contains("#1#$1$Google|1|www.trailgear-shop.com#1#"));
        // The day file has no line of this failure; the earlier answer of the day stays.
        QCOMPARE(store.readDay(key, today()), (QStringList{"Google|1|www.trailgear-shop.com", "Bing|3|earlier"}));
        // Showing the record restores both engines, the failed one too.
        t->setEngineTicked(Engine::Bing, false);
        t->showRecent(0);
        QVERIFY(t->engines().row(2).checked);
        QCOMPARE(resultRows(*t),
                 (QStringList{"www.trailgear-shop.com|hiking boots|" + today(), "Google|1|www.trailgear-shop.com"}));

        // Every engine failing writes nothing and records nothing.
        f->web().setBehaviour("/google", refuse);
        t->recent().clear();
        QVERIFY(store.writeDay(key, today(), {"Google|1|kept"}));
        t->start();
        QCOMPARE(resultRows(*t).mid(1), (QStringList{"Google|-|查询失败", "Bing|-|查询失败"}));
        QCOMPARE(store.readDay(key, today()), QStringList{"Google|1|kept"});
        QVERIFY(t->recent().isEmpty());
    }

    void anEngineFailingThreeTimesInARowIsAskedNoMore()
    {
        fillLists(*t, {"www.trailgear-shop.com"}, {"hiking boots", "rank tracker", "seo audit", "local seo", "x"});
        t->setEngineTicked(Engine::Google, true);
        t->setEngineTicked(Engine::Bing, true);
        t->setDepthIndex(0);
        standin::Behaviour refuse;
        refuse.status = 500;
        f->web().setBehaviour("/google", refuse);
        QSignalSpy gaveUp(&t->run(), &RankRun::engineGaveUp);
        QSignalSpy failed(&t->run(), &RankRun::scanFailed);
        QStringList panel;
        connect(&f->context->jobStatus(), &JobStatus::changed, this,
                [&] { panel << f->context->jobStatus().current(); });
        t->start();
        QCOMPARE(f->searches("google"), 3);
        QCOMPARE(f->searches("bing"), 5);
        QCOMPARE(gaveUp.count(), 1);
        QVERIFY(panel.contains("Google 无响应，本次不再查询"));
        QCOMPARE(f->prompter.lastText(), QString("Google 无响应，本次不再查询"));
        // Every pair still says Google gave no answer, never "not found".
        QCOMPARE(t->result().columnTexts(1).count("-"), 5);
        QCOMPARE(failed.count(), 5);
        QCOMPARE(failed.first().at(3).toString(), QString("HTTP status 500"));
        QVERIFY(failed.last().at(3).toString().contains("not answering"));
        QCOMPARE(t->run().failedSteps(), 5);

        // A new run asks it again.
        f->web().clearBehaviours();
        t->start();
        QCOMPARE(f->searches("google"), 3 + 5);
        QCOMPARE(t->run().failedSteps(), 0);
    }

    void aStopEndsThePageInFlightAndTheRunAfterThePair()
    {
        fillLists(*t, {"www.trailgear-shop.com"}, {"hiking boots", "rank tracker"});
        t->setEngineTicked(Engine::Google, true);
        t->setEngineTicked(Engine::Bing, true);
        t->run().setPageTimeLimit(10);
        standin::Behaviour hang;
        hang.neverAnswer = true;
        f->web().setBehaviour("/google", hang);
        // The window's stop: the start button clicked again while the run goes.
        QTimer::singleShot(300, this, [&] { t->run().requestStop(); });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(t->start(), RankRun::Outcome::Stopped);
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
        // The pair in hand ends with no answer from either engine; the next is not begun.
        QCOMPARE(resultRows(*t).mid(1), (QStringList{"Google|-|查询失败", "Bing|-|查询失败"}));
        QCOMPARE(f->searches("google"), 1);
        QCOMPARE(f->searches("bing"), 0);
        QCOMPARE(f->context->jobStatus().state(), JobStatus::Idle);
    }

    void anAnswerCutShortIsNotStored()
    {
        // All matches: the first positions are on page 1, page 2 does not come.
        TinyHttpServer server;
        QVERIFY(server.listen());
        f->context->endpoints().setBase(Endpoints::Service::Google, server.baseUrl());
        QByteArray page;
        for (int k = 1; k <= 10; ++k)
            page += "<h3 class=r><a href=\"http://" + QByteArray(k == 3 || k == 8 ? "www.site.example" : "x.example")
                + "/\">r</a></h3>";
        server.setPage("/search?q=widgets&hl=en&newwindow=1&start=0&sa=N", page);
        fillLists(*t, {"www.site.example"}, {"widgets"});
        t->setEngineTicked(Engine::Google, true);
        t->setDepthIndex(1);
        t->setAllMatches(true);
        const QString key = "Google#www.site.example#widgets#1#1";
        FavouriteStore store(f->dataFile("myfav"));
        QVERIFY(store.create(key));
        QVERIFY(store.writeDay(key, today(), {"Google|12|earlier"}));
        QSignalSpy failed(&t->run(), &RankRun::scanFailed);
        t->start();
        // The positions found are shown; the engine's answer is not whole.
        QCOMPARE(resultRows(*t).mid(1),
                 (QStringList{"Google|3|www.site.example", "Google|8|www.site.example", "Google|-|查询失败"}));
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.first().at(3).toString(), QString("HTTP status 404"));
        QCOMPARE(store.readDay(key, today()), QStringList{"Google|12|earlier"});
        QVERIFY(t->recent().isEmpty());
    }

    void valuesFromPagesStayOneLine()
    {
        TinyHttpServer server;
        QVERIFY(server.listen());
        f->context->endpoints().setBase(Endpoints::Service::Google, server.baseUrl());
        server.setPage("/search?q=widgets&hl=en&newwindow=1&start=0&sa=N",
                       "<h3 class=r><a href=\"http://www.site.example/a|b\r\nBing|1|forged.example\x01$1$Yahoo|2|x\">"
                       "r</a></h3>");
        fillLists(*t, {"www.site.example"}, {"widgets"});
        t->setEngineTicked(Engine::Google, true);
        t->setDepthIndex(0);
        const QString key = "Google#www.site.example#widgets#0#0";
        FavouriteStore store(f->dataFile("myfav"));
        QVERIFY(store.create(key));
        t->start();
        const QStringList day = store.readDay(key, today());
        QCOMPARE(day.size(), 1);
        const RankFormats::EngineLine line = RankFormats::parseEngineLine(day.first());
        QCOMPARE(line.label, QString("Google"));
        QCOMPARE(line.position, QString("1"));
        // (Links with a scheme come lower-cased, as they always did.)
        QCOMPARE(line.link, QString("www.site.example/a%7Cbbing%7C1%7Cforged.example$1%24yahoo%7C2%7Cx"));
        // The record keeps one engine row too.
        QCOMPARE(RankFormats::recordLines(RankFormats::parseTag(t->recent().row(0).tag).record), day);
    }

    void rankOptionsAreStoredAndRestored()
    {
        f->context->settings().setLoaded(false);
        t->load();
        QCOMPARE(f->context->settings().ReadValue("setting3"), QString("0#1#0#0#0"));
        QCOMPARE(t->engines().checkedCount(), 0);
        QCOMPARE(t->depthIndex(), 1);
        f->context->settings().setLoaded(true);
        t->setEngineTicked(Engine::Google, true);
        t->setEngineTicked(Engine::Bing, true);
        t->setDepthIndex(2);
        t->setAllMatches(true);
        QCOMPARE(f->context->settings().ReadValue("setting3"), QString("Google$Bing#2#1#0"));
        // A user tick in the engine list saves too.
        t->engines().setData(t->engines().index(1, 0), Qt::Checked, Qt::CheckStateRole);
        QCOMPARE(f->context->settings().ReadValue("setting3"), QString("Google$Yahoo$Bing#2#1#0"));

        f->context->settings().WriteValue("setting3", "Bing$Nobody#0#1#1");
        RankTracker again(*f->context);
        QSignalSpy changed(&again, &RankTracker::optionsChanged);
        again.load();
        QCOMPARE(again.engines().checkedCount(), 1);
        QVERIFY(again.engines().row(2).checked);
        QCOMPARE(again.depthIndex(), 0);
        QVERIFY(again.allMatches());
        QCOMPARE(again.lists().mode(), 1);
        QVERIFY(changed.count() >= 1);
        QCOMPARE(f->context->settings().ReadValue("setting3"), QString("Bing#0#1#1"));
    }
};

QTEST_GUILESS_MAIN(TestRankRun)
#include "test_rank_run.moc"
