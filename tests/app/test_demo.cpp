// The demo's seeded folder: the rank tab reads it back as sites, keywords
// and options it can run at once.

#include "app/Demo.h"
#include "rank/RankTracker.h"
#include "rank/ResultsHistory.h"
#include "rank/SiteKeywordLists.h"
#include "support/TestEnv.h"

#include <QObject>
#include <QTest>

class TestDemo : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void seededRankListsLoadInTheTracker()
    {
        TestEnv env;
        QVERIFY(env.isValid());
        Demo::seedRankLists(env.dataDir);
        RankTracker tracker(env.reopen());
        tracker.load();
        QCOMPARE(tracker.lists().sites().count(), 3);
        QCOMPARE(tracker.lists().sites().cell(0, 0), QStringLiteral("www.veltrana-demo.com"));
        QCOMPARE(tracker.lists().keywords().count(), 5);
        QCOMPARE(tracker.lists().keywords().cell(4, 0), QString::fromUtf8("登山鞋"));
        QCOMPARE(tracker.engines().checkedCount(), 3);
        QCOMPARE(tracker.depthIndex(), 1);
        QVERIFY(tracker.allMatches());
        QCOMPARE(tracker.options().mode, 0);
    }

    // The seeded week must read back as favourites with history and kept
    // pages, or the chart and its competitor list would start out empty.
    void seededFavouritesHaveAWeekOfPages()
    {
        TestEnv env;
        QVERIFY(env.isValid());
        Demo::seedFavourites(env.dataDir);
        const ResultsHistory history(env.dataFile("myfav"));
        const QString site = QStringLiteral("www.veltrana-demo.com");
        const QString keyword = QStringLiteral("rank tracker");
        QVERIFY(history.tracked(site, keyword));
        QStringList unreadable;
        const QVector<ResultsHistory::Day> days = history.days(site, keyword, &unreadable);
        QVERIFY(unreadable.isEmpty());
        QCOMPARE(days.size(), 7 * 3);
        const QString yesterday = QDate::currentDate().addDays(-1).toString(QStringLiteral("yyyy-MM-dd"));
        const auto bing = history.day(site, keyword, Engine::Bing, yesterday);
        QVERIFY(bing);
        QCOMPARE(ResultsHistory::positionOf(*bing, site), std::optional<int>(9));
        const QStringList above = ResultsHistory::hostsAbove(*bing, site);
        QCOMPARE(above.size(), 8);
        QCOMPARE(QSet<QString>(above.begin(), above.end()).size(), 8); // each host listed once
        QVERIFY(!above.contains(site));
        QCOMPARE(history.latestResultsDate(QStringLiteral("www.trailgear-shop.com"), QStringLiteral("hiking boots")),
                 yesterday);
    }
};

QTEST_GUILESS_MAIN(TestDemo)
#include "test_demo.moc"
