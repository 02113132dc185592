// "veltrana rank" run as a user (or cron) would: the built program against
// an in-process stand-in, with its own data folder and settings.

#include "RankFixture.h"
#include "rank/RankTracker.h"
#include "store/FavouriteStore.h"
#include "support/Interrupt.h"

#include <QProcess>
#include <csignal>
#include <sys/types.h>

namespace {
QString programPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../veltrana");
}
QString today()
{
    return QDate::currentDate().toString("yyyy-MM-dd");
}
} // namespace

class TestRankCommand : public QObject
{
    Q_OBJECT

    std::unique_ptr<RankFixture> f;
    std::unique_ptr<QTemporaryDir> configDir;
    std::unique_ptr<QTemporaryDir> data;
    int exitCode = -1;
    QString errText;

    void start(QProcess &p, const QStringList &args)
    {
        QVERIFY(f->web().writeEndpoints(data->filePath("endpoints.ini")));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", configDir->path());
        env.remove("VELTRANA_HOME");
        p.setProcessEnvironment(env);
        p.start(programPath(), QStringList{"--data", data->path()} + args);
        QVERIFY(p.waitForStarted(5000));
    }
    void waitForEnd(QProcess &p) { QTRY_VERIFY_WITH_TIMEOUT(p.state() == QProcess::NotRunning, 30000); }
    QStringList run(const QStringList &args)
    {
        QProcess p;
        start(p, args);
        waitForEnd(p);
        exitCode = p.exitCode();
        errText = QString::fromUtf8(p.readAllStandardError());
        return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }
    FavouriteStore favourites() const { return FavouriteStore(data->filePath("myfav")); }

private Q_SLOTS:
    void init()
    {
        QVERIFY2(QFile::exists(programPath()), "build the veltrana target first");
        f = std::make_unique<RankFixture>();
        QVERIFY(f->start());
        configDir = std::make_unique<QTemporaryDir>();
        data = std::make_unique<QTemporaryDir>();
    }
    void cleanup()
    {
        f.reset();
        data.reset();
        configDir.reset();
    }

    void sameRowsAsTheTab()
    {
        const QStringList lines = run({"rank", "--site", "www.trailgear-shop.com", "--keyword", "hiking boots",
                                       "--engines", "google,bing", "--depth", "10", "--all"});
        QCOMPARE(exitCode, 0);

        RankTracker t(*f->context);
        t.lists().sites().setChecked(t.lists().sites().addRow("www.trailgear-shop.com"), true);
        t.lists().keywords().setChecked(t.lists().keywords().addRow("hiking boots"), true);
        t.setEngineTicked(Engine::Google, true);
        t.setEngineTicked(Engine::Bing, true);
        t.setDepthIndex(0);
        t.setAllMatches(true);
        t.start();
        QStringList shown{QStringList{"www.trailgear-shop.com", "hiking boots", today()}.join('\t')};
        for (int r = 1; r < t.result().count(); ++r) {
            // The tab's address went to this test's stand-in base, the program's to the same one.
            shown << QStringList{t.result().cell(r, 0), t.result().cell(r, 1), t.result().cell(r, 2),
                                 t.result().row(r).tag}
                         .join('\t');
        }
        QCOMPARE(lines, shown);
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines.at(1).startsWith("Google\t1\twww.trailgear-shop.com\thttp://127.0.0.1:"));
        // Nothing written for a pair that is no favourite.
        QVERIFY(!QFile::exists(data->filePath("myfav")));
    }

    void favouritesWriteTodaysDayFiles()
    {
        const QString a = "Google,Yahoo#www.veltrana-demo.com#rank tracker#0#1";
        const QString b = "Yahoo#blog.seo-garden.net/guides#seo audit#1#0";
        QVERIFY(favourites().create(a));
        QVERIFY(favourites().create(b));
        QVERIFY(favourites().writeDay(a, "2020-01-01", {"Google|9|old"}));
        const QStringList lines = run({"rank", "--favourites"});
        QCOMPARE(exitCode, 0);
        QCOMPARE(favourites().readDay(b, today()), QStringList{"Yahoo|3|blog.seo-garden.net/guides"});
        QCOMPARE(favourites().readDay(a, today()),
                 (QStringList{"Google|2|www.veltrana-demo.com", "Google|7|www.veltrana-demo.com",
                              "Yahoo|5|www.veltrana-demo.com"}));
        QCOMPARE(favourites().history(a).size(), 2);
        QCOMPARE(lines.size(), 2 + 3 + 1);
        // Each favourite ran with its own engines and depth.
        int seoAudit = 0;
        for (const standin::LoggedRequest &r : f->web().log("yahoo"))
            seoAudit += r.query.contains("seo audit");
        QCOMPARE(seoAudit, 1);
        QVERIFY(f->web().log("bing").isEmpty());
    }

    void aFailedEngineSaysSoAndExitsWithThree()
    {
        const QString a = "Google,Yahoo#www.veltrana-demo.com#rank tracker#0#0";
        const QString b = "Google#www.trailgear-shop.com#hiking boots#0#0";
        QVERIFY(favourites().create(a));
        QVERIFY(favourites().create(b));
        standin::Behaviour refuse;
        refuse.status = 502;
        f->web().setBehaviour("/yahoo", refuse);
        const QStringList lines = run({"rank", "--favourites"});
        QCOMPARE(exitCode, 3);
        QVERIFY(lines.contains("Yahoo\tfailed\t\t"));
        QVERIFY(lines.contains(QStringList{"Google", "1", "www.trailgear-shop.com"}.join('\t')
                               + '\t' + f->web().serviceBase("google")
                               + "/search?q=hiking boots&hl=en&newwindow=1&start=0&sa=N"));
        QCOMPARE(favourites().readDay(a, today()), QStringList{"Google|2|www.veltrana-demo.com"});
        QVERIFY(errText.contains("could not load"));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no site") << QStringList{"rank", "--keyword", "k"};
        QTest::newRow("no keyword") << QStringList{"rank", "--site", "s"};
        QTest::newRow("depth") << QStringList{"rank", "--site", "s", "--keyword", "k", "--depth", "30"};
        QTest::newRow("engine") << QStringList{"rank", "--site", "s", "--keyword", "k", "--engines", "baidu"};
        QTest::newRow("mixed") << QStringList{"rank", "--favourites", "--site", "s"};
        QTest::newRow("word") << QStringList{"rank", "stray"};
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        run(args);
        QCOMPARE(exitCode, 2);
        QVERIFY2(errText.contains("usage: veltrana rank"), qPrintable(errText));
        QVERIFY(f->web().log().isEmpty());
    }

    void interruptStopsAfterTheCurrentPair()
    {
        for (const char *kw : {"rank tracker", "hiking boots", "seo audit", "local seo"})
            QVERIFY(favourites().create("Google#www.veltrana-demo.com#" + QString::fromUtf8(kw) + "#0#0"));
        standin::Behaviour slow;
        slow.delayMs = 300;
        f->web().setBehaviour("/google", slow);
        QProcess p;
        start(p, {"rank", "--favourites"});
        bool sent = false;
        const QByteArray out = interruptAfterLines(p, 2, &sent);
        QVERIFY(sent);
        QCOMPARE(p.exitCode(), 130);
        const int lines = int(out.count('\n'));
        QVERIFY2(lines == 2 || lines == 4, out.constData());
        QVERIFY(f->web().log("google").size() < 4);
    }
};

QTEST_MAIN(TestRankCommand)
#include "test_rank_command.moc"
