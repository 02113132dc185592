// The demo's seeded folder: the rank tab reads it back as sites, keywords
// and options it can run at once.

#include "app/Demo.h"
#include "rank/RankTracker.h"
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
};

QTEST_GUILESS_MAIN(TestDemo)
#include "test_demo.moc"
