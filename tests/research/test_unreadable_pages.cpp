// A result page the rules cannot read, or a wall, is a failed request and
// never a 0: nothing stored, stored values kept, counted toward the give-up
// rule, exit 3. A real "no results" page still gives 0 / "-".

#include "common/CommandLine.h"
#include "common/ResultList.h"
#include "engines/cKeyrank.h"
#include "pagerules/XPathRuleSet.h"
#include "research/CountFiller.h"
#include "research/MineCommand.h"
#include "research/RelatedMiner.h"
#include "store/TickedRowsToStore.h"
#include "support/TestEnv.h"
#include "support/TinyHttpServer.h"

#include <QtTest>

class TestUnreadablePages : public QObject
{
    Q_OBJECT

    static constexpr const char *kOdd = "<html><body><p>We have moved things around.</p></body></html>";
    static constexpr const char *kGoogleNone =
        "<html><body><p>Your search - <b>seo</b> - did not match any documents.</p></body></html>";

    // Every engine's count, related and first rank page of "seo" answers `body`
    // (the last path is the 2026 set's own Google rank request).
    static void serveEverywhere(TinyHttpServer &web, AppContext &context, const QByteArray &body)
    {
        for (const char *path : {"/search?hl=en&q=seo", "/search?p=seo", "/search?q=seo&setmkt=en-US",
                                 "/search?q=seo&hl=en&newwindow=1&start=0&sa=N", "/search?q=seo&hl=en&start=0"})
            web.setPage(QString::fromLatin1(path), body);
        for (Endpoints::Service s : {Endpoints::Service::Google, Endpoints::Service::Yahoo, Endpoints::Service::Bing})
            context.endpoints().setBase(s, web.baseUrl());
        for (Engine e : kEngines)
            context.pacing().setWaitSeconds(e, 0);
    }

    static CountFiller::Options allEngines(bool store)
    {
        CountFiller::Options o;
        o.engines = {true, true, true};
        o.store = store;
        return o;
    }

private Q_SLOTS:
    void countsOfAnUnrecognisedPageAreFailuresAndNotStored()
    {
        TestEnv f;
        TinyHttpServer web;
        QVERIFY(web.listen());
        serveEverywhere(web, *f.context, kOdd);
        QVERIFY(f.store().insert(QStringLiteral("seo"), QStringLiteral("x"),
                                 {QStringLiteral("1230000"), QStringLiteral("4500"), QStringLiteral("45600")},
                                 QDate(2026, 11, 1)));
        CountFiller filler(f.store(), f.context->endpoints(), f.context->pacing(), f.context->clock(),
                           f.context->pageRules());
        const CountFiller::Filled got = filler.lookup(QStringLiteral("seo"), allEngines(true));
        QVERIFY(got.failed[0] && got.failed[1] && got.failed[2]);
        // The stored figures stay; no false zero replaces them.
        const auto stored = f.store().find(QStringLiteral("seo"));
        QCOMPARE(stored->counts.google, QStringLiteral("1230000"));
        QCOMPARE(stored->adddate, QStringLiteral("2026-11-01"));
        for (Engine e : kEngines)
            QCOMPARE(filler.failures().failures(e), 1);
        // Three in a row and the engine is given up, as for a failed request.
        filler.lookup(QStringLiteral("seo"), allEngines(false));
        filler.lookup(QStringLiteral("seo"), allEngines(false));
        QVERIFY(filler.failures().gaveUp(Engine::Google));

        // The command says so with status 3.
        const int status = countsCommand().run(*f.context, {QStringLiteral("counts"), QStringLiteral("seo")});
        QCOMPARE(status, int(Cli::Incomplete));
    }

    // The mining list says why instead of showing a 0 or "-"; a wall says
    // it is one.
    void theMiningListSaysWhy()
    {
        TestEnv f;
        TinyHttpServer web;
        QVERIFY(web.listen());
        serveEverywhere(web, *f.context, kOdd);
        web.setPage(QStringLiteral("/search?p=seo"),
                    "<html><body><form action=\"https://consent.yahoo.com/v2/collectConsent\"></form></body></html>");
        RuleSetError error;
        auto set = XPathRuleSet::load(QStringLiteral(VELTRANA_SOURCE_DIR "/rules/2019.ini"), &error);
        QVERIFY2(set, qPrintable(error.toString()));
        f.context->setPageRules(std::move(set));
        RelatedMiner miner(*f.context);
        MiningOptions options;
        options.counts.engines = {true, true, true};
        options.counts.store = true;
        miner.setOptionsSource([&] { return options; });
        QCOMPARE(miner.click(QStringLiteral("seo")), RelatedMiner::Outcome::Finished);
        QCOMPARE(miner.result().count(), 1);
        QCOMPARE(miner.result().cell(0, 1), QStringLiteral("页面无法识别"));
        QCOMPARE(miner.result().cell(0, 2), QStringLiteral("被搜索引擎拦截"));
        // The count and the related searches of each engine: two failures
        // each, the wall's as well.
        for (Engine e : kEngines)
            QCOMPARE(miner.failures().failures(e), 2);
        QCOMPARE(miner.result().cell(0, 3), QStringLiteral("页面无法识别"));
        QVERIFY(!f.store().find(QStringLiteral("seo")).has_value());
        // "加入关键词数据库" stores no row whose cells are no counts.
        miner.result().setChecked(0, true);
        QCOMPARE(TickedRowsToStore::addAndReport(f.store(), f.prompter, miner.result(), QStringLiteral("seo"), true,
                                                 f.context->clock().today()),
                 0);
        QVERIFY(!f.store().find(QStringLiteral("seo")).has_value());
    }

    // Mining reads a related-search region by its class names as the page
    // writes them ("AlsoTry"), not from a lowered copy of the page.
    void miningReadsRelatedSearchesUnderAFileSet()
    {
        TestEnv f;
        TinyHttpServer web;
        QVERIFY(web.listen());
        serveEverywhere(web, *f.context, kOdd);
        QFile page(QStringLiteral(VELTRANA_SOURCE_DIR "/rules/samples/yahoo-2019-sudoku.html"));
        QVERIFY(page.open(QIODevice::ReadOnly));
        web.setPage(QStringLiteral("/search?p=seo"), page.readAll());
        RuleSetError error;
        auto set = XPathRuleSet::load(QStringLiteral(VELTRANA_SOURCE_DIR "/rules/2019.ini"), &error);
        QVERIFY2(set, qPrintable(error.toString()));
        f.context->setPageRules(std::move(set));
        RelatedMiner miner(*f.context);
        MiningOptions options;
        options.counts.engines = {false, false, false};
        miner.setOptionsSource([&] { return options; });
        QCOMPARE(miner.click(QStringLiteral("seo")), RelatedMiner::Outcome::Finished);
        QStringList rows;
        for (int r = 0; r < miner.result().count(); ++r)
            rows << miner.result().cell(r, 0);
        QCOMPARE(rows,
                 (QStringList{"seo", "games puzzles brain teasers sudoku free", "puzzles brain teasers iq tests",
                              "games puzzles brain teasers sudoku printable", "puzzles brain teasers games",
                              "games puzzles brain teasers sudoku answers", "brain teasers jigsaw puzzles",
                              "games puzzles brain teasers sudoku online", "puzzles brain teasers worksheets"}));
        QCOMPARE(miner.failures().failures(Engine::Yahoo), 0);
        QCOMPARE(miner.failures().failures(Engine::Google), 1);
    }

    void aRealNoResultsPageIsStillAZero()
    {
        TestEnv f;
        TinyHttpServer web;
        QVERIFY(web.listen());
        serveEverywhere(web, *f.context, kGoogleNone);
        CountFiller filler(f.store(), f.context->endpoints(), f.context->pacing(), f.context->clock(),
                           f.context->pageRules());
        CountFiller::Options google = allEngines(false);
        google.engines = {true, false, false};
        const CountFiller::Filled got = filler.lookup(QStringLiteral("seo"), google);
        QVERIFY(!got.anyFailed());
        QCOMPARE(got.counts.google, QStringLiteral("0"));
    }

    void blockedUnderAFileSetIsAFailure()
    {
        TestEnv f;
        TinyHttpServer web;
        QVERIFY(web.listen());
        serveEverywhere(web, *f.context,
                        "<html><body><form id=\"captcha-form\" action=\"/sorry\"></form>"
                        "<div id=\"result-stats\">About 5 results</div></body></html>");
        RuleSetError error;
        auto set = XPathRuleSet::load(QStringLiteral(VELTRANA_SOURCE_DIR "/rules/2026.ini"), &error);
        QVERIFY2(set, qPrintable(error.toString()));
        f.context->setPageRules(std::move(set));
        CountFiller filler(f.store(), f.context->endpoints(), f.context->pacing(), f.context->clock(),
                           f.context->pageRules());
        CountFiller::Options google = allEngines(false);
        google.engines = {true, false, false};
        QVERIFY(filler.lookup(QStringLiteral("seo"), google).failed[0]);

        cKeyrank k(f.context->endpoints());
        k.rules = &f.context->pageRules();
        k.url = QStringLiteral("a.com");
        k.Keyword = QStringLiteral("seo");
        k.maxnum = 1;
        QCOMPARE(k.GetGoogleRank(0, 0), 0);
        QVERIFY(k.GoogleFailed);
        QCOMPARE(k.output(Engine::Google).reason(), QStringLiteral("blocked"));
    }

    void rankAndRelatedOfAnUnrecognisedPageFail()
    {
        TestEnv f;
        TinyHttpServer web;
        QVERIFY(web.listen());
        serveEverywhere(web, *f.context, kOdd);
        cKeyrank k(f.context->endpoints());
        k.rules = &f.context->pageRules();
        k.url = QStringLiteral("a.com");
        k.Keyword = QStringLiteral("seo");
        k.maxnum = 1;
        QCOMPARE(k.GetGoogleRank(0, 0), 0);
        QVERIFY(k.GoogleFailed);
        QCOMPARE(k.output(Engine::Google).reason(), QStringLiteral("unrecognised page"));

        RelatedMiner miner(*f.context);
        MiningOptions options;
        options.counts.engines = {false, false, false};
        miner.setOptionsSource([&] { return options; });
        QCOMPARE(miner.click(QStringLiteral("seo")), RelatedMiner::Outcome::Finished);
        QCOMPARE(miner.result().count(), 1); // the seed alone
        for (Engine e : kEngines)
            QCOMPARE(miner.failures().failures(e), 1);
    }
};

QTEST_GUILESS_MAIN(TestUnreadablePages)
#include "test_unreadable_pages.moc"
