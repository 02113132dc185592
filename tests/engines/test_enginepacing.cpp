// EnginePacing on a fake clock: the waits between requests to one engine,
// and the intervals a context loads from the settings.

#include "common/SettingNames.h"
#include "common/SettingsStore.h"
#include "context/AppContext.h"
#include "engines/EnginePacing.h"
#include "support/FakeClock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestEnginePacing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pacing();
    void contextLoadsPacing();
};

void TestEnginePacing::pacing()
{
    FakeClock clock;
    EnginePacing pacing(clock);
    for (Engine e : kEngines)
        QCOMPARE(pacing.waitSeconds(e), 5);
    pacing.setWaitSeconds(Engine::Google, 1);
    pacing.setWaitSeconds(Engine::Yahoo, 1);
    pacing.setWaitSeconds(Engine::Bing, 0);

    pacing.pace(Engine::Google); // first request: no wait
    QVERIFY(clock.waits.isEmpty());
    QCOMPARE(pacing.pendingWaitMs(Engine::Google), 1000);

    // Other engines do not wait for Google.
    QCOMPARE(pacing.pendingWaitMs(Engine::Yahoo), 0);
    pacing.pace(Engine::Yahoo);
    pacing.pace(Engine::Bing);
    pacing.pace(Engine::Bing); // wait 0: never waits
    QVERIFY(clock.waits.isEmpty());

    // The interval runs from the end of the request, not its start: a
    // 300 ms answer and 200 ms of other work leave 800 ms of the second.
    clock.advance(300);
    pacing.requestDone(Engine::Google);
    const qint64 googleDone = clock.nowMs();
    clock.advance(200);
    QCOMPARE(pacing.pendingWaitMs(Engine::Google), 800);
    pacing.pace(Engine::Google);
    QCOMPARE(clock.waits, QList<qint64>{800});
    QCOMPARE(clock.nowMs() - googleDone, 1000);

    // Yahoo's interval ran out during Google's wait.
    pacing.pace(Engine::Yahoo);
    QCOMPARE(clock.waits.size(), 1);

    // A wait that returns early is waited out to the full interval.
    clock.waits.clear();
    clock.returnsEarlyBy = 30;
    const qint64 yahooPaced = clock.nowMs();
    pacing.pace(Engine::Yahoo);
    QCOMPARE(clock.waits, (QList<qint64>{1000, 30}));
    QCOMPARE(clock.nowMs() - yahooPaced, 1000);
    clock.returnsEarlyBy = 0;

    // A new value takes effect with the next request; negatives count as 0.
    clock.waits.clear();
    pacing.pace(Engine::Google);
    pacing.setWaitSeconds(Engine::Google, 3);
    QCOMPARE(pacing.pendingWaitMs(Engine::Google), 3000);
    pacing.setWaitSeconds(Engine::Google, -3);
    QCOMPARE(pacing.waitSeconds(Engine::Google), 0);
    QCOMPARE(pacing.pendingWaitMs(Engine::Google), 0);
    pacing.pace(Engine::Google);
    QVERIFY(clock.waits.isEmpty());

    // Request times taken on another clock are forgotten with it.
    pacing.setWaitSeconds(Engine::Google, 1);
    pacing.pace(Engine::Google);
    FakeClock other;
    pacing.setClock(other);
    QCOMPARE(pacing.pendingWaitMs(Engine::Google), 0);
}

void TestEnginePacing::contextLoadsPacing()
{
    QTemporaryDir dir;
    AppContext context(dir.path(), dir.path(), dir.filePath(QStringLiteral("settings.ini")));
    context.settings().WriteValue(QStringLiteral("googlese"), QStringLiteral("8"));
    context.settings().WriteValue(QStringLiteral("bingse"), QStringLiteral("abc"));
    context.loadPacing();
    QCOMPARE(context.pacing().waitSeconds(Engine::Google), 8);
    QCOMPARE(context.pacing().waitSeconds(Engine::Yahoo), 5); // missing
    QCOMPARE(context.pacing().waitSeconds(Engine::Bing), 5);  // not a number
    QCOMPARE(SettingNames::engineInterval(Engine::Yahoo), QStringLiteral("yahoose"));
    QVERIFY(!QFile::exists(QDir(dir.path()).filePath(QStringLiteral("db.sqlite"))));
}

QTEST_GUILESS_MAIN(TestEnginePacing)
#include "test_enginepacing.moc"
