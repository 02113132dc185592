// Related-keyword mining and its counts against the stand-in web: rows and
// counts, word conditions, pause and resume, engines left out, pacing, and
// today's rows of the keyword table used instead of requests.

#include "MiningExpect.h"
#include "common/JobStatus.h"
#include "common/ListPair.h"
#include "common/ResultList.h"
#include "research/CountFiller.h"
#include "research/RelatedMiner.h"
#include "support/FakeClock.h"
#include "support/TestEnv.h"

#include <QTimer>

namespace {

MiningOptions allEngines()
{
    MiningOptions o;
    o.counts.engines = {true, true, true};
    return o;
}

} // namespace

class TestRelatedMiner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<TestEnv>(TestEnv::OwnWeb);
        QVERIFY(f->isValid());
        miner = std::make_unique<RelatedMiner>(*f->context);
        options = allEngines();
        miner->setOptionsSource([this] { return options; });
    }
    void cleanup()
    {
        miner.reset();
        f.reset();
    }

    void emptySeedAsksForOne()
    {
        QCOMPARE(miner->click(QStringLiteral("   ")), RelatedMiner::Outcome::EmptySeed);
        QCOMPARE(f->prompter.prompts.size(), 1);
        QCOMPARE(f->prompter.prompts.first().title, QStringLiteral("提示"));
        QCOMPARE(f->prompter.prompts.first().text, QStringLiteral("请输入要查询的关键词！"));
        QCOMPARE(f->prompter.prompts.first().icon, Prompter::Icon::Information);
        QVERIFY(f->web().log().isEmpty());
        QCOMPARE(miner->state(), RelatedMiner::State::Idle);
    }

    void startIsRefusedWhileAnotherJobRuns()
    {
        // Another tab's job (a database refresh, say) holds the status.
        f->context->jobStatus().setState(JobStatus::Running);
        QCOMPARE(miner->click(QStringLiteral("seo")), RelatedMiner::Outcome::OtherJobBusy);
        QVERIFY(f->web().log().isEmpty());
        QVERIFY(miner->result().isEmpty());
        QCOMPARE(f->context->jobStatus().state(), JobStatus::Running);

        f->context->jobStatus().setState(JobStatus::Idle);
        f->web().setRelatedCount(3);
        QCOMPARE(miner->click(QStringLiteral("seo")), RelatedMiner::Outcome::Finished);
        QCOMPARE(miner->result().count(), 4);
    }

    void runAddsSeedThenEachRelatedOnceWithCounts()
    {
        f->web().setRelatedCount(9);
        QStringList printed;
        connect(miner.get(), &RelatedMiner::rowFilled, this,
                [&](const QStringList &cells) { printed << cells.join(QLatin1Char('|')); });
        QCOMPARE(miner->click(QStringLiteral("  SEO Tools ")), RelatedMiner::Outcome::Finished);

        const QString seed = QStringLiteral("seo tools");
        const QStringList expected = QStringList{seed} + mining_expect::related(seed, 9);
        QCOMPARE(miner->result().columnTexts(), expected);
        QCOMPARE(miner->reserve().columnTexts(), expected);
        QVERIFY(miner->result().row(0).bold);
        QVERIFY(miner->reserve().row(0).bold);
        for (int r = 1; r < expected.size(); ++r)
            QVERIFY(!miner->result().row(r).bold);
        for (int r = 0; r < expected.size(); ++r) {
            const QString kw = expected.at(r);
            const QStringList cells{kw, mining_expect::count(kw, Engine::Google),
                                    mining_expect::count(kw, Engine::Yahoo), mining_expect::count(kw, Engine::Bing)};
            for (int c = 1; c <= 3; ++c) {
                QCOMPARE(miner->result().cell(r, c), cells.at(c));
                QCOMPARE(miner->reserve().cell(r, c), cells.at(c));
            }
            QCOMPARE(printed.value(r), cells.join(QLatin1Char('|')));
        }
        QCOMPARE(miner->reserve().columnCount(), 8);
        for (int c = 4; c <= 7; ++c)
            QCOMPARE(miner->reserve().cell(0, c), QString()); // only the Baidu tools write these

        // Finished: idle, progress cleared, and the next click starts afresh.
        QCOMPARE(miner->state(), RelatedMiner::State::Idle);
        QCOMPARE(f->context->jobStatus().state(), JobStatus::Idle);
        QCOMPARE(f->context->jobStatus().total(), QString());
        QCOMPARE(miner->lastSeed(), QString());
        // Each keyword counted once per engine; the seed's page read once more for its suggestions.
        for (const QString &service : {QStringLiteral("google"), QStringLiteral("yahoo"), QStringLiteral("bing")}) {
            QCOMPARE(f->searches(service, seed), 2);
            QCOMPARE(f->web().log(service).size(), expected.size() + 1);
        }
    }

    void progressPanels()
    {
        f->web().setRelatedCount(3);
        QStringList seen;
        connect(&f->context->jobStatus(), &JobStatus::changed, this, [&] {
            const QString now = f->context->jobStatus().total() + QLatin1Char('/') + f->context->jobStatus().current();
            if (seen.isEmpty() || seen.last() != now)
                seen << now;
        });
        miner->click(QStringLiteral("seo"));
        QVERIFY(seen.contains(QStringLiteral("累计查询到相关关键词：0个/当前相关关键词：seo")));
        const QString firstRelated = mining_expect::related(QStringLiteral("seo"), 3).first();
        QVERIFY(seen.contains(QStringLiteral("累计查询到相关关键词：2个/当前相关关键词：") + firstRelated));
    }

    void mustContainAndExclusion()
    {
        // The natural related searches of "seo" include phrases without the seed.
        options.mustContain = true;
        miner->click(QStringLiteral("seo"));
        const QStringList withSeed = miner->result().columnTexts();
        QVERIFY(withSeed.contains(QStringLiteral("seo tools")));
        QVERIFY(!withSeed.contains(QStringLiteral("search engine optimization")));
        QVERIFY(!withSeed.contains(QStringLiteral("sem")));
        for (const QString &k : withSeed)
            QVERIFY2(k.contains(QStringLiteral("seo")), qPrintable(k));

        options = allEngines();
        options.exclude = true;
        options.excludeWords = QStringLiteral("free|cheap");
        miner->click(QStringLiteral("seo"));
        const QStringList excluded = miner->result().columnTexts();
        QVERIFY(excluded.contains(QStringLiteral("seo tools")));
        QVERIFY(excluded.contains(QStringLiteral("search engine optimization")));
        for (const QString &k : excluded)
            QVERIFY2(!k.contains(QStringLiteral("free")) && !k.contains(QStringLiteral("cheap")), qPrintable(k));
        const QStringList all = QStringList{QStringLiteral("seo")} + mining_expect::related(QStringLiteral("seo"), 0);
        QVERIFY(all.contains(QStringLiteral("free seo")));
        QCOMPARE(excluded.size(), int(std::count_if(all.begin(), all.end(), [](const QString &k) {
                     return !k.contains(QStringLiteral("free")) && !k.contains(QStringLiteral("cheap"));
                 })));

        // A trailing or doubled bar adds no empty word that rejects everything.
        options.excludeWords = QStringLiteral("free||cheap|");
        miner->click(QStringLiteral("seo"));
        QCOMPARE(miner->result().columnTexts(), excluded);
    }

    void pauseParksAndSameSeedResumesSkippingFinishedEngines()
    {
        f->web().setRelatedCount(12);
        const QString seed = QStringLiteral("keyword tool");
        const QStringList expected = QStringList{seed} + mining_expect::related(seed, 12);
        // Yahoo offers 4, so row 6 is the second keyword of the Google step.
        bool asked = false;
        RelatedMiner::Outcome pauseClick{};
        connect(miner.get(), &RelatedMiner::rowFilled, this, [&] {
            if (!asked && miner->result().count() == 6) {
                asked = true;
                pauseClick = miner->click(seed);
                QCOMPARE(miner->state(), RelatedMiner::State::Stopping);
                QCOMPARE(f->context->jobStatus().stateText(), QStringLiteral("正在停止..."));
            }
        });
        QCOMPARE(miner->click(seed), RelatedMiner::Outcome::Paused);
        QCOMPARE(pauseClick, RelatedMiner::Outcome::PauseRequested);
        QCOMPARE(miner->state(), RelatedMiner::State::Paused);
        QCOMPARE(f->context->jobStatus().stateText(), QStringLiteral("已暂停"));
        QCOMPARE(miner->result().columnTexts(), expected.mid(0, 6));
        QVERIFY(miner->engineDone(Engine::Yahoo));
        QVERIFY(!miner->engineDone(Engine::Google));
        QCOMPARE(miner->lastSeed(), seed);

        f->web().clearLog();
        QCOMPARE(miner->click(QStringLiteral("Keyword Tool")), RelatedMiner::Outcome::Finished);
        QCOMPARE(miner->result().columnTexts(), expected);
        // Yahoo's suggestions were finished: its page for the seed is not read again;
        // Google's page is read again and walked from its start.
        QCOMPARE(f->searches(QStringLiteral("yahoo"), seed), 0);
        QCOMPARE(f->searches(QStringLiteral("google"), seed), 1);
        QCOMPARE(f->searches(QStringLiteral("bing"), seed), 1);
        // Keywords already listed are not counted again.
        QCOMPARE(f->web().log(QStringLiteral("google")).size(), 1 + (expected.size() - 6));
    }

    void resumeAfterADeleteAddsNoKeywordTwice()
    {
        f->web().setRelatedCount(12);
        const QString seed = QStringLiteral("keyword tool");
        const QStringList expected = QStringList{seed} + mining_expect::related(seed, 12);
        bool paused = false;
        connect(miner.get(), &RelatedMiner::rowFilled, this, [&] {
            if (!paused && miner->result().count() == 6) {
                paused = true;
                miner->requestPause();
            }
        });
        QCOMPARE(miner->click(seed), RelatedMiner::Outcome::Paused);
        // The user deletes two rows and filters while the run is parked.
        miner->result().setChecked(1, true);
        miner->result().setChecked(5, true);
        miner->lists().removeCheckedShown();
        QCOMPARE(miner->result().count(), 4);
        f->web().clearLog();
        QCOMPARE(miner->click(seed), RelatedMiner::Outcome::Finished);
        // The reserve holds each keyword once, and "还原" shows each once.
        QCOMPARE(miner->reserve().columnTexts(), expected);
        miner->lists().restore();
        QCOMPARE(miner->result().columnTexts(), expected);
        // Only the keywords new to this run were counted.
        QCOMPARE(f->web().log(QStringLiteral("google")).size(), 1 + (expected.size() - 6));
    }

    void engineUntickedDuringAWaitCountsAtOnce()
    {
        // Google answers slowly; while its count request waits, the user
        // unticks Yahoo: the same keyword's Yahoo step is skipped.
        f->web().setBehaviour(QStringLiteral("/google"), standin::Behaviour{300, 200, {}, false, false, 1});
        CountFiller filler(f->store(), f->context->endpoints(), f->context->pacing(), f->context->clock(),
                           f->context->pageRules());
        CountFiller::Options o;
        o.engines = {true, true, true};
        QTimer::singleShot(100, this, [&] { o.engines[engineIndex(Engine::Yahoo)] = false; });
        ListPair lists(RelatedMiner::resultHeaders(), RelatedMiner::reserveHeaders(), RelatedMiner::kRestoredColumns);
        lists.addRow(QStringLiteral("seo"));
        const CountFiller::Filled filled = filler.AddIndex(QStringLiteral("seo"), lists, [&o] { return o; });
        QCOMPARE(f->web().log(QStringLiteral("google")).size(), 1);
        QVERIFY(f->web().log(QStringLiteral("yahoo")).isEmpty());
        QCOMPARE(f->web().log(QStringLiteral("bing")).size(), 1);
        QCOMPARE(filled.counts.yahoo, QStringLiteral("-"));
        QCOMPARE(lists.shown().cell(0, 2), QStringLiteral("-"));
    }

    void anotherSeedStartsAfresh()
    {
        f->web().setRelatedCount(6);
        bool asked = false;
        connect(miner.get(), &RelatedMiner::rowFilled, this, [&] {
            if (!asked && miner->result().count() == 3) {
                asked = true;
                miner->requestPause();
            }
        });
        QCOMPARE(miner->click(QStringLiteral("seo")), RelatedMiner::Outcome::Paused);
        QCOMPARE(miner->result().count(), 3);

        QCOMPARE(miner->click(QStringLiteral("backlinks")), RelatedMiner::Outcome::Finished);
        const QStringList expected =
            QStringList{QStringLiteral("backlinks")} + mining_expect::related(QStringLiteral("backlinks"), 6);
        QCOMPARE(miner->result().columnTexts(), expected);
        QCOMPARE(miner->reserve().columnTexts(), expected);
    }

    void seedChangedDuringRunEmptiesListsThenPauses()
    {
        f->web().setRelatedCount(6);
        bool asked = false;
        connect(miner.get(), &RelatedMiner::rowFilled, this, [&] {
            if (!asked && miner->result().count() == 2) {
                asked = true;
                QCOMPARE(miner->click(QStringLiteral("backlinks")), RelatedMiner::Outcome::PauseRequested);
                QVERIFY(miner->result().isEmpty());
            }
        });
        QCOMPARE(miner->click(QStringLiteral("seo")), RelatedMiner::Outcome::Paused);
        QVERIFY(miner->result().isEmpty());
        QVERIFY(miner->reserve().isEmpty());
        QCOMPARE(miner->lastSeed(), QStringLiteral("backlinks"));
        for (Engine e : kEngines)
            QVERIFY(!miner->engineDone(e));
        QCOMPARE(miner->click(QStringLiteral("backlinks")), RelatedMiner::Outcome::Finished);
        QCOMPARE(miner->result().cell(0, 0), QStringLiteral("backlinks"));
        QCOMPARE(miner->result().count(), 7);
    }

    void untickedEnginesShowDashAndSendNothing()
    {
        f->web().setRelatedCount(6);
        options.counts.engines = {true, false, false};
        miner->click(QStringLiteral("seo"));
        QCOMPARE(miner->result().count(), 7);
        for (int r = 0; r < miner->result().count(); ++r) {
            QCOMPARE(miner->result().cell(r, 1), mining_expect::count(miner->result().cell(r, 0), Engine::Google));
            QCOMPARE(miner->result().cell(r, 2), QStringLiteral("-"));
            QCOMPARE(miner->result().cell(r, 3), QStringLiteral("-"));
            QCOMPARE(miner->reserve().cell(r, 3), QStringLiteral("-"));
        }
        // Only the suggestion pages of the seed reach Yahoo and Bing.
        QCOMPARE(f->web().log(QStringLiteral("yahoo")).size(), 1);
        QCOMPARE(f->web().log(QStringLiteral("bing")).size(), 1);
        QCOMPARE(f->web().log(QStringLiteral("google")).size(), 7 + 1);
    }

    void pacingSpacesRequestsToAnEngine()
    {
        f->web().setRelatedCount(3);
        options.counts.engines = {true, false, false};
        FakeClock clock;
        f->context->pacing().setClock(clock);
        f->context->pacing().setWaitSeconds(Engine::Google, 1);
        miner->click(QStringLiteral("seo"));
        const auto google = f->web().log(QStringLiteral("google"));
        QCOMPARE(google.size(), 4 + 1);
        // The first request after start does not wait; each later one waits
        // the full interval. Other engines keep their own (zero) interval.
        QCOMPARE(clock.waits, QList<qint64>(google.size() - 1, 1000));
        QCOMPARE(f->web().log(QStringLiteral("yahoo")).size(), 1);
    }

    void countedTodayComesFromTheTable()
    {
        KeywordStore &store = f->context->keywords();
        QVERIFY(store.insert(QStringLiteral("seo tips"), QStringLiteral("seo"),
                             {QStringLiteral("111"), QStringLiteral("222"), QStringLiteral("333")}, f->clock.today()));
        // Counted on another day: not a cache hit.
        QVERIFY(store.insert(QStringLiteral("seo guide"), QStringLiteral("seo"),
                             {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")},
                             f->clock.today().addDays(-1)));

        CountFiller filler(f->store(), f->context->endpoints(), f->context->pacing(), f->context->clock(),
                           f->context->pageRules());
        ListPair lists(RelatedMiner::resultHeaders(), RelatedMiner::reserveHeaders(), RelatedMiner::kRestoredColumns);
        ResultList &result = lists.shown();
        ResultList &reserve = lists.reserve();
        CountFiller::Options o;
        o.engines = {true, true, false};
        o.store = true;
        o.parentBox = QStringLiteral("seo");

        result.addRow(QStringLiteral("seo tips"));
        reserve.addRow(QStringLiteral("seo tips"));
        filler.AddIndex(QStringLiteral("seo tips"), lists, o);
        QVERIFY(f->web().log().isEmpty());
        QCOMPARE(result.cell(0, 1), QStringLiteral("111"));
        QCOMPARE(result.cell(0, 2), QStringLiteral("222"));
        QCOMPARE(result.cell(0, 3), QStringLiteral("-")); // not asked, even when stored
        QCOMPARE(reserve.cell(0, 2), QStringLiteral("222"));
        QCOMPARE(store.rowCount(), 2);

        result.addRow(QStringLiteral("seo guide"));
        reserve.addRow(QStringLiteral("seo guide"));
        filler.AddIndex(QStringLiteral("seo guide"), lists, o);
        QCOMPARE(f->web().log().size(), 2);
        QCOMPARE(result.cell(1, 1), mining_expect::count(QStringLiteral("seo guide"), Engine::Google));
        // Yesterday's row is refreshed in place, not stored twice.
        QCOMPARE(store.rowCount(), 2);
        QCOMPARE(store.findOnDay(QStringLiteral("seo guide"), f->clock.today())->counts.yahoo,
                 mining_expect::count(QStringLiteral("seo guide"), Engine::Yahoo));
    }

    void apostropheKeywordIsStoredAndFound()
    {
        CountFiller filler(f->store(), f->context->endpoints(), f->context->pacing(), f->context->clock(),
                           f->context->pageRules());
        ListPair lists(RelatedMiner::resultHeaders(), RelatedMiner::reserveHeaders(), RelatedMiner::kRestoredColumns);
        ResultList &result = lists.shown();
        ResultList &reserve = lists.reserve();
        CountFiller::Options o;
        o.engines = {true, true, true};
        o.store = true;
        o.parentBox = QStringLiteral("seo");
        const QString kw = QStringLiteral("o'reilly seo & sem #1");

        result.addRow(kw);
        reserve.addRow(kw);
        filler.AddIndex(kw, lists, o);
        // Sent as typed: the stand-in decodes the query back to the keyword.
        QCOMPARE(f->searches(QStringLiteral("google"), kw), 1);
        QCOMPARE(f->searches(QStringLiteral("yahoo"), kw), 1);
        QCOMPARE(f->searches(QStringLiteral("bing"), kw), 1);
        QCOMPARE(result.cell(0, 1), mining_expect::count(kw, Engine::Google));
        const auto stored = f->context->keywords().findOnDay(kw, f->clock.today());
        QVERIFY(stored.has_value());
        QCOMPARE(stored->counts.bing, mining_expect::count(kw, Engine::Bing));

        // The second time it comes from the table.
        f->web().clearLog();
        bool cached = false;
        const KeywordStore::Counts again = filler.lookup(kw, o, &cached).counts;
        QVERIFY(cached);
        QVERIFY(f->web().log().isEmpty());
        QCOMPARE(again.yahoo, mining_expect::count(kw, Engine::Yahoo));
        QCOMPARE(f->context->keywords().rowCount(), 1);
    }

    void countsLandOnTheirRowWhenRowsChangeMeanwhile()
    {
        // The user deletes rows while a count request runs: the counts still
        // go to the keyword's own row, never to another one.
        f->web().setBehaviour(QStringLiteral("/yahoo"), {200, 200, {}, false, false, -1});
        CountFiller filler(f->store(), f->context->endpoints(), f->context->pacing(), f->context->clock(),
                           f->context->pageRules());
        ListPair lists(RelatedMiner::resultHeaders(), RelatedMiner::reserveHeaders(), RelatedMiner::kRestoredColumns);
        ResultList &result = lists.shown();
        ResultList &reserve = lists.reserve();
        result.addRow(QStringLiteral("seo"));
        result.addRow(QStringLiteral("seo tips"));
        reserve.addRow(QStringLiteral("seo"));
        reserve.addRow(QStringLiteral("seo tips"));
        result.setChecked(1, true);
        QTimer::singleShot(50, &result, [&] { result.removeChecked(); });
        CountFiller::Options o;
        o.engines = {true, true, true};
        filler.AddIndex(QStringLiteral("seo tips"), lists, o);
        QCOMPARE(result.count(), 1);
        QCOMPARE(result.cell(0, 2), QString());
        QCOMPARE(reserve.cell(1, 2), mining_expect::count(QStringLiteral("seo tips"), Engine::Yahoo));
    }

private:
    std::unique_ptr<TestEnv> f;
    std::unique_ptr<RelatedMiner> miner;
    MiningOptions options;
};

QTEST_GUILESS_MAIN(TestRelatedMiner)
#include "test_related_miner.moc"
