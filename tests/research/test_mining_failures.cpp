// Mining when requests or writes fail: a failed count is shown as the
// engine's not-found value but never stored or served from today's rows, an
// engine failing three times in a row is asked nothing more, and a database
// that cannot be written stops the run loudly.

#include "MiningExpect.h"
#include "common/CommandLine.h"
#include "common/ResultList.h"
#include "context/AppContext.h"
#include "engines/EnginePacing.h"
#include "research/CountFiller.h"
#include "research/MineCommand.h"
#include "research/RelatedMiner.h"
#include "store/KeywordStore.h"
#include "support/LockHolder.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>

class TestMiningFailures : public QObject
{
    Q_OBJECT

    static MiningOptions googleOnly(bool store)
    {
        MiningOptions o;
        o.counts.engines = {true, false, false};
        o.counts.store = store;
        o.counts.parentBox = QStringLiteral("seo");
        return o;
    }

    static void noWaits(AppContext &context)
    {
        for (Engine e : kEngines)
            context.pacing().setWaitSeconds(e, 0);
    }

private Q_SLOTS:
    void failedCountsAreNeitherStoredNorCached()
    {
        TestEnv f(TestEnv::OwnWeb);
        QVERIFY(f.store().insert(QStringLiteral("seo"), QStringLiteral("x"),
                                 {QStringLiteral("1230000"), QStringLiteral("4500"), QStringLiteral("45600")},
                                 QDate(2026, 11, 1)));
        f.web().setRelatedCount(6);
        f.web().setBehaviour(QStringLiteral("/google"), standin::Behaviour{0, 503, {}, false, false, -1});
        RelatedMiner miner(*f.context);
        const MiningOptions options = googleOnly(true);
        miner.setOptionsSource([&] { return options; });
        QSignalSpy gaveUp(&miner, &RelatedMiner::engineGaveUp);
        QCOMPARE(miner.click(QStringLiteral("seo")), RelatedMiner::Outcome::Finished);

        // The list shows Google's not-found value; the table keeps its figures.
        QCOMPARE(miner.result().cell(0, 1), QStringLiteral("0"));
        const auto stored = f.store().find(QStringLiteral("seo"));
        QCOMPARE(stored->counts.google, QStringLiteral("1230000"));
        QCOMPARE(stored->adddate, QStringLiteral("2026-11-01"));
        QCOMPARE(f.store().rowCount(), 1); // no mined keyword stored with a false count
        // Three failures in a row, then nothing more to Google in this run.
        QCOMPARE(f.web().log(QStringLiteral("google")).size(), 3);
        QCOMPARE(gaveUp.count(), 1);
        QVERIFY(miner.result().count() > 3);

        // The next lookup today asks Google again instead of trusting a cache.
        f.web().clearBehaviours();
        f.web().clearLog();
        CountFiller filler(f.store(), f.context->endpoints(), f.context->pacing(), f.context->clock(),
                           f.context->pageRules());
        bool cached = true;
        const CountFiller::Filled again = filler.lookup(QStringLiteral("seo"), googleOnly(false).counts, &cached);
        QVERIFY(!cached);
        QCOMPARE(f.web().log(QStringLiteral("google")).size(), 1);
        QCOMPARE(again.counts.google, mining_expect::count(QStringLiteral("seo"), Engine::Google));
        QVERIFY(!again.anyFailed());
    }

    void lockedDatabaseStopsTheRunAndEveryReportedRowIsStored()
    {
        TestEnv f(TestEnv::OwnWeb);
        f.web().setRelatedCount(6);
        f.store().setLockWaitMs(300);
        RelatedMiner miner(*f.context);
        const MiningOptions options = googleOnly(true);
        miner.setOptionsSource([&] { return options; });
        QStringList reported;
        std::unique_ptr<LockHolder> other;
        connect(&miner, &RelatedMiner::rowFilled, this, [&](const QStringList &cells) {
            reported.append(cells.first());
            // Another program takes the lock after the second row.
            if (reported.size() == 2) {
                other = std::make_unique<LockHolder>(f.dataFile(QStringLiteral("db.sqlite")));
                QVERIFY(other->waitUntilHeld());
            }
        });
        QCOMPARE(miner.click(QStringLiteral("seo")), RelatedMiner::Outcome::WriteFailed);
        QVERIFY(other);
        other->release();
        QCOMPARE(reported.size(), 2);
        for (const QString &k : reported)
            QVERIFY2(f.store().find(k).has_value(), qPrintable(k));
        QCOMPARE(f.store().rowCount(), 2);
        QCOMPARE(f.prompter.prompts.size(), 1);
        QVERIFY(f.prompter.lastText().contains(f.dataFile(QStringLiteral("db.sqlite"))));
        QCOMPARE(miner.state(), RelatedMiner::State::Idle);
    }

    void saveWithoutADatabaseFailsLoudly()
    {
        TestEnv f(TestEnv::OwnWeb, TestEnv::BeforeStartUp);
        QVERIFY(QDir(f.dataDir).mkpath(QStringLiteral("db.sqlite"))); // a folder where the file belongs
        f.context->loadEndpoints();
        const QStringList args{QStringLiteral("mine"), QStringLiteral("seo"), QStringLiteral("--save")};
        QCOMPARE(mineCommand().run(*f.context, args), int(Cli::Failed));
        QVERIFY(f.web().log().isEmpty());
        // Without --save the counts are still looked up.
        QCOMPARE(countsCommand().run(
                     *f.context, {QStringLiteral("counts"), QStringLiteral("--engines=bing"), QStringLiteral("seo")}),
                 int(Cli::Done));
    }

    // Saving is the one command use that may make a data folder; mining
    // without --save reads no database into being.
    void onlySavingMakesTheDataFolder()
    {
        TestEnv f(TestEnv::OwnWeb, TestEnv::BeforeStartUp);
        f.web().setRelatedCount(2);
        const QString reading = QDir(f.dataDir).filePath(QStringLiteral("reading/here"));
        const QString saving = QDir(f.dataDir).filePath(QStringLiteral("saving/here"));
        {
            AppContext context(f.programDir, reading, f.settingsFile);
            context.endpoints() = f.context->endpoints();
            noWaits(context);
            QCOMPARE(mineCommand().run(
                         context, {QStringLiteral("mine"), QStringLiteral("seo"), QStringLiteral("--engines=bing")}),
                     int(Cli::Done));
            QVERIFY(!QFileInfo::exists(reading));
            QCOMPARE(countsCommand().run(context, {QStringLiteral("counts"), QStringLiteral("seo")}), int(Cli::Done));
            QVERIFY(!QFileInfo::exists(reading));
        }
        AppContext context(f.programDir, saving, f.settingsFile);
        context.endpoints() = f.context->endpoints();
        noWaits(context);
        QCOMPARE(mineCommand().run(context,
                                   {QStringLiteral("mine"), QStringLiteral("seo"), QStringLiteral("--engines=bing"),
                                    QStringLiteral("--save")}),
                 int(Cli::Done));
        KeywordStore store;
        QVERIFY(store.open(QDir(saving).filePath(QStringLiteral("db.sqlite"))));
        QCOMPARE(store.loadAll().size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestMiningFailures)
#include "test_mining_failures.moc"
