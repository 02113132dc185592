// "veltrana rank" run as a user (or cron) would: the built program against
// an in-process stand-in, with its own data folder and settings.

#include "RankFixture.h"
#include "rank/RankTracker.h"
#include "store/DayResults.h"
#include "store/FavouriteStore.h"
#include "support/Interrupt.h"
#include "support/TinyHttpServer.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <csignal>
#include <sys/types.h>

namespace {
QString programPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/../veltrana"); }
QString today() { return QDate::currentDate().toString("yyyy-MM-dd"); }
QString yesterday() { return QDate::currentDate().addDays(-1).toString("yyyy-MM-dd"); }
} // namespace

class TestRankCommand : public QObject
{
    Q_OBJECT

    std::unique_ptr<RankFixture> f;
    std::unique_ptr<QTemporaryDir> configDir;
    std::unique_ptr<QTemporaryDir> data;
    int exitCode = -1;
    QString errText;
    QByteArray outBytes;
    QString googleBase; // non-empty: Google is this server instead of the stand-in

    void start(QProcess &p, const QStringList &args)
    {
        QVERIFY(f->web().writeEndpoints(data->filePath("endpoints.ini")));
        if (!googleBase.isEmpty()) {
            QFile ini(data->filePath("endpoints.ini"));
            QVERIFY(ini.open(QIODevice::ReadWrite));
            QByteArray text = ini.readAll();
            const qsizetype at = text.indexOf("google=");
            QVERIFY(at >= 0);
            const qsizetype end = text.indexOf('\n', at);
            const QByteArray line = "google=" + googleBase.toUtf8();
            text.replace(at, end - at, line);
            QVERIFY(ini.resize(0));
            ini.write(text);
        }
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
        outBytes = p.readAllStandardOutput();
        return QString::fromUtf8(outBytes).split('\n', Qt::SkipEmptyParts);
    }
    FavouriteStore favourites() const { return FavouriteStore(data->filePath("myfav")); }
    // A favourite folder named exactly `name`, as an older version made it.
    void makeFolder(const QString &name) { QVERIFY(QDir(data->path()).mkpath("myfav/" + name)); }
    bool hasDayFile(const QString &folder) const
    {
        return QFile::exists(data->filePath("myfav/" + folder + "/" + today() + ".txt"));
    }
    static QString googlePath(int page)
    {
        return QString("/search?q=widgets&hl=en&newwindow=1&start=%1&sa=N").arg(page * 10);
    }

    // Three favourites with yesterday's day files: one moved up, one changed
    // its link, one was found.
    void makeMovedFavourites()
    {
        const QString boots = "Google#www.trailgear-shop.com#hiking boots#0#0";
        const QString tracker = "Google,Yahoo#www.veltrana-demo.com#rank tracker#0#0";
        const QString audit = "Yahoo#blog.seo-garden.net/guides#seo audit#1#0";
        for (const QString &key : {boots, tracker, audit})
            QVERIFY(favourites().create(key));
        QVERIFY(favourites().writeDay(boots, yesterday(), {"Google|1|www.trailgear-shop.com/old"}));
        QVERIFY(favourites().writeDay(tracker, yesterday(),
                                      {"Google|4|www.veltrana-demo.com", "Yahoo|5|www.veltrana-demo.com"}));
        QVERIFY(favourites().writeDay(audit, yesterday(), {"Yahoo|0|"}));
    }
    QStringList movedLines() const
    {
        return {"www.trailgear-shop.com\thiking boots\tGoogle\t1\t1\t0\twww.trailgear-shop.com\turl changed\t",
                "www.veltrana-demo.com\trank tracker\tGoogle\t4\t2\t+2\t\tup\t",
                "blog.seo-garden.net/guides\tseo audit\tYahoo\t0\t3\t\tblog.seo-garden.net/guides\tfound\t"};
    }
    QByteArray fileBytes(const QString &path) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

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
        googleBase.clear();
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
        // Pair rows, then what moved since the last day file: Google 9 -> 2 on
        // another link; Yahoo answered for the first time.
        QCOMPARE(lines.size(), 2 + 3 + 1 + 1);
        QCOMPARE(lines.last(),
                 QStringList({"www.veltrana-demo.com", "rank tracker", "Google", "9", "2", "+7",
                              "www.veltrana-demo.com", "up", ""})
                     .join('\t'));
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
        // A failed scan is reported as such, even with nothing to compare with.
        QCOMPARE(lines.last(), QString("www.veltrana-demo.com\trank tracker\tYahoo\t-\t-\t\t\tfailed\t"));
        QVERIFY(lines.contains(QStringList{"Google", "1", "www.trailgear-shop.com"}.join('\t') + '\t'
                               + f->web().serviceBase("google")
                               + "/search?q=hiking boots&hl=en&newwindow=1&start=0&sa=N"));
        QCOMPARE(favourites().readDay(a, today()), QStringList{"Google|2|www.veltrana-demo.com"});
        QVERIFY(errText.contains("could not load"));
    }

    // A page the rules cannot read is a failed scan too, said with why.
    void anUnreadablePageIsAFailedScan()
    {
        const QString a = "Google,Yahoo#www.veltrana-demo.com#rank tracker#0#0";
        QVERIFY(favourites().create(a));
        standin::Behaviour odd;
        odd.replacesBody = true;
        odd.body = "<html><body><p>We have moved things around.</p></body></html>";
        f->web().setBehaviour("/yahoo", odd);
        const QStringList lines = run({"rank", "--favourites"});
        QCOMPARE(exitCode, 3);
        QVERIFY2(lines.contains("Yahoo\tfailed\t\t"), qPrintable(lines.join('\n')));
        QCOMPARE(favourites().readDay(a, today()), QStringList{"Google|2|www.veltrana-demo.com"});
        QVERIFY2(errText.contains("veltrana: Yahoo for \"rank tracker\" on www.veltrana-demo.com: unrecognised page\n"),
                 qPrintable(errText));
    }

    void aFailedPageIsNeverNotFound()
    {
        // Depth 50, all matches: page 1 loads without the site, pages 2-5 are not there.
        TinyHttpServer google;
        QVERIFY(google.listen());
        googleBase = google.baseUrl();
        google.setPage(googlePath(0), "<h3 class=r><a href=\"http://other.example/\">r</a></h3>");
        const QString key = "Google#www.site.example#widgets#2#1";
        QVERIFY(favourites().create(key));
        QVERIFY(favourites().writeDay(key, today(), {"Google|12|www.site.example"}));
        QStringList lines = run({"rank", "--favourites"});
        QCOMPARE(exitCode, 3);
        QCOMPARE(lines.value(1), QString("Google\tfailed\t\t"));
        QCOMPARE(favourites().readDay(key, today()), QStringList{"Google|12|www.site.example"});
        QVERIFY2(errText.contains("veltrana: Google for \"widgets\" on www.site.example: HTTP status 404"),
                 qPrintable(errText));

        lines = run({"rank", "--site", "www.site.example", "--keyword", "widgets", "--engines", "google", "--depth",
                     "50", "--all"});
        QCOMPARE(exitCode, 3);
        QCOMPARE(lines.value(1), QString("Google\tfailed\t\t"));

        // An engine with no address set is said as such.
        googleBase = " "; // "google= ": empty
        run({"rank", "--site", "www.site.example", "--keyword", "widgets", "--engines", "google"});
        QCOMPARE(exitCode, 3);
        QVERIFY2(errText.contains("widgets\" on www.site.example: no address configured"), qPrintable(errText));
    }

    void positionsAreWholeNumbersAndLinksStayOneLine()
    {
        TinyHttpServer google;
        QVERIFY(google.listen());
        googleBase = google.baseUrl();
        QByteArray page;
        for (int k = 1; k <= 33000; ++k)
            page += k == 32770 ? QByteArray("<h3 class=r><a href=\"http://www.site.example/p\">r</a>")
                               : QByteArray("<h3 class=r><a href=\"http://x.example/\">r</a>");
        google.setPage(googlePath(0), page);
        QStringList lines =
            run({"rank", "--site", "www.site.example", "--keyword", "widgets", "--engines", "google", "--depth", "10"});
        QCOMPARE(exitCode, 0);
        QVERIFY2(lines.value(1).startsWith("Google\t32770\twww.site.example/p\t"), qPrintable(lines.join('\n')));

        // A link with a line break, "|" and NUL in it: one line on stdout and in the day file.
        google.setPage(googlePath(0),
                       QByteArray("<h3 class=r><a href=\"http://www.site.example/a|b\r\n"
                                  "bing|1|forged.example\0z\">r</a>",
                                  75));
        const QString key = "Google#www.site.example#widgets#0#0";
        QVERIFY(favourites().create(key));
        lines = run({"rank", "--favourites"});
        QCOMPARE(exitCode, 0);
        QVERIFY(!outBytes.contains('\0'));
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines.at(1).startsWith("Google\t1\twww.site.example/a|b  bing|1|forged.example z\t"),
                 qPrintable(lines.at(1)));
        QCOMPARE(favourites().readDay(key, today()),
                 QStringList{"Google|1|www.site.example/a%7Cbbing%7C1%7Cforged.examplez"});
    }

    void nothingToTrackExitsOne()
    {
        run({"rank", "--favourites"});
        QCOMPARE(exitCode, 1);
        QVERIFY2(errText.contains("veltrana: nothing to track"), qPrintable(errText));
        QVERIFY(QDir(data->path()).mkpath("myfav"));
        run({"rank", "--favourites"});
        QCOMPARE(exitCode, 1);
        QVERIFY2(errText.contains("no favourites in"), qPrintable(errText));
        QVERIFY(QDir(data->filePath("myfav")).removeRecursively());
        QFile file(data->filePath("myfav"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        run({"rank", "--favourites"});
        QCOMPARE(exitCode, 1);
        QVERIFY2(errText.contains("nothing to track"), qPrintable(errText));
        QVERIFY(f->web().log().isEmpty());
    }

    void favouriteFoldersAsOlderVersionsWroteThem()
    {
        // Keys written raw: "#" inside a keyword, "%" that no encoding made.
        const QStringList raw{"Google#www.trailgear-shop.com#c# tutorial#0#0",
                              "Google#www.trailgear-shop.com#100%cotton#0#0", "Google#www.trailgear-shop.com#a%20b#0#0",
                              "Yahoo#blog.example.net%2fguides#seo audit#0#0"};
        for (const QString &name : raw)
            makeFolder(name);
        makeFolder("notes");                             // no favourite at all
        makeFolder("#www.trailgear-shop.com#boots#0#0"); // names no engine
        run({"rank", "--favourites"});
        QCOMPARE(exitCode, 1);
        for (const QString &name : raw)
            QVERIFY2(hasDayFile(name), qPrintable(name));
        QVERIFY(!hasDayFile("#www.trailgear-shop.com#boots#0#0"));
        QVERIFY2(errText.contains("favourite folder notes:"), qPrintable(errText));
        QVERIFY2(errText.contains("favourite folder #www.trailgear-shop.com#boots#0#0: it names no engine"),
                 qPrintable(errText));
        // Each folder's own keyword went to the engine, whole.
        QStringList asked;
        for (const standin::LoggedRequest &r : f->web().log("google"))
            asked << r.items.value(0).second;
        asked.sort();
        QCOMPARE(asked, (QStringList{"100%cotton", "a b", "c# tutorial"}));
        QCOMPARE(QDir(data->filePath("myfav")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 6);

        // The export reads those folders whole and names the one it cannot.
        run({"export", "favourites", data->filePath("history.csv")});
        QCOMPARE(exitCode, 1);
        QVERIFY2(errText.contains("left out favourite folder notes"), qPrintable(errText));
        QFile csv(data->filePath("history.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(csv.readAll());
        for (const char *cell : {",c# tutorial,", ",100%cotton,", ",a%20b,", "blog.example.net%2fguides,seo audit,"})
            QVERIFY2(text.contains(QString::fromUtf8(cell)), cell);
    }

    void aHangingEngineStopsWithinASecondOfCtrlC()
    {
        for (const char *kw : {"rank tracker", "hiking boots", "seo audit"})
            QVERIFY(favourites().create("Google#www.veltrana-demo.com#" + QString::fromUtf8(kw) + "#2#0"));
        standin::Behaviour hang;
        hang.neverAnswer = true;
        f->web().setBehaviour("/google", hang);
        QProcess p;
        start(p, {"rank", "--favourites"});
        QTRY_VERIFY_WITH_TIMEOUT(!f->web().log("google").isEmpty(), 5000);
        QElapsedTimer clock;
        clock.start();
        ::kill(pid_t(p.processId()), SIGINT);
        QTRY_VERIFY_WITH_TIMEOUT(p.state() == QProcess::NotRunning, 2000);
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(p.exitCode(), 130);
        QCOMPARE(f->web().log("google").size(), 1);
        const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.value(1), QString("Google\tfailed\t\t"));
        // The abandoned scan is no failure in the change report.
        QCOMPARE(lines.size(), 2);
    }

    void anEngineThatKeepsFailingIsAskedNoMore()
    {
        for (const char *kw : {"rank tracker", "hiking boots", "seo audit", "local seo", "trail running shoes"})
            QVERIFY(favourites().create("Google,Bing#www.veltrana-demo.com#" + QString::fromUtf8(kw) + "#0#0"));
        standin::Behaviour refuse;
        refuse.status = 503;
        f->web().setBehaviour("/google", refuse);
        const QStringList lines = run({"rank", "--favourites"});
        QCOMPARE(exitCode, 3);
        QCOMPARE(f->web().log("google").size(), 3);
        QCOMPARE(f->web().log("bing").size(), 5);
        QCOMPARE(lines.count("Google\tfailed\t\t"), 5);
        QCOMPARE(errText.count("failed three times in a row"), 1);
        QCOMPARE(errText.count("HTTP status 503"), 3);
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

    void theRunEndsWithWhatMoved()
    {
        makeMovedFavourites();
        const QString json = data->filePath("changes.json");
        QStringList lines = run({"rank", "--favourites", "--changes", json});
        QCOMPARE(exitCode, 0);
        QCOMPARE(lines.mid(lines.size() - 3), movedLines());
        QCOMPARE(lines.size(), 3 * 2 + 1 + 3);
        const QJsonObject root = QJsonDocument::fromJson(fileBytes(json)).object();
        QCOMPARE(root.value("date").toString(), today());
        const QJsonArray changes = root.value("changes").toArray();
        QCOMPARE(changes.size(), 3);
        QCOMPARE(changes[1].toObject().value("previous").toInt(), 4);
        QCOMPARE(changes[1].toObject().value("current").toInt(), 2);
        QCOMPARE(changes[1].toObject().value("previousDate").toString(), yesterday());
        QCOMPARE(changes[2].toObject().value("kind").toString(), QString("found"));

        // A second run the same day compares with yesterday again; moves of
        // fewer places than asked for drop out, the rest stay.
        const QString csv = data->filePath("changes.csv");
        lines = run({"rank", "--favourites", "--min-change", "3", "--changes", csv});
        QCOMPARE(exitCode, 0);
        QCOMPARE(lines.mid(lines.size() - 2), (QStringList{movedLines()[0], movedLines()[2]}));
        QCOMPARE(lines.size(), 3 * 2 + 1 + 2);
        QCOMPARE(fileBytes(csv),
                 QByteArray("\xEF\xBB\xBF"
                            "site,keyword,engine,previous,new,change,link,kind,hosts now above\r\n"
                            "www.trailgear-shop.com,hiking boots,Google,1,1,0,www.trailgear-shop.com,"
                            "url changed,\r\n"
                            "blog.seo-garden.net/guides,seo audit,Yahoo,0,3,,"
                            "blog.seo-garden.net/guides,found,\r\n"));

        const QString html = data->filePath("changes.HTM");
        run({"rank", "--favourites", "--changes", html});
        QCOMPARE(exitCode, 0);
        const QString page = QString::fromUtf8(fileBytes(html));
        QVERIFY2(page.contains("<td>www.veltrana-demo.com</td><td>rank tracker</td><td>Google</td><td>4</td>"
                               "<td>2</td><td>+2</td><td></td><td>up</td>"),
                 qPrintable(page));
        QCOMPARE(page.count("<tr>"), 4);
    }

    void theReportGoesToAWebhook()
    {
        makeMovedFavourites();
        const QString url = f->web().webhookUrl();
        run({"rank", "--favourites", "--notify", url, "--changes", data->filePath("c.json")});
        QCOMPARE(exitCode, 0);
        QVERIFY2(errText.contains("veltrana: notify " + url + ": 3 changes sent (HTTP status 200)"),
                 qPrintable(errText));
        const QList<standin::LoggedRequest> posts = f->web().log("webhook");
        QCOMPARE(posts.size(), 1);
        QCOMPARE(posts[0].method, QString("POST"));
        QCOMPARE(posts[0].headers.value("content-type"), QByteArray("application/json"));
        QCOMPARE(f->web().webhookBodies(), QList<QByteArray>{fileBytes(data->filePath("c.json"))});
        const QJsonArray sent = QJsonDocument::fromJson(posts[0].body).object().value("changes").toArray();
        QCOMPARE(sent.size(), 3);
        QCOMPARE(sent[0].toObject().value("kind").toString(), QString("url changed"));

        // A webhook that fails: said, and the run does not count as done.
        standin::Behaviour broken;
        broken.status = 500;
        f->web().setBehaviour("/webhook", broken);
        const QStringList lines = run({"rank", "--favourites", "--notify", url, "--changes", data->filePath("d.csv")});
        QCOMPARE(exitCode, 3);
        QVERIFY2(errText.contains("veltrana: notify " + url + ": HTTP status 500"), qPrintable(errText));
        QCOMPARE(lines.mid(lines.size() - 3), movedLines());
        QVERIFY(QFile::exists(data->filePath("d.csv")));
        QCOMPARE(f->web().webhookBodies().size(), 2);

        // Nobody listening at all.
        f->web().clearBehaviours();
        run({"rank", "--favourites", "--notify", "http://127.0.0.1:1/hook"});
        QCOMPARE(exitCode, 3);
        QVERIFY2(errText.contains("veltrana: notify http://127.0.0.1:1/hook: "), qPrintable(errText));
        QCOMPARE(f->web().webhookBodies().size(), 2);
    }

    void changeReportOptionsAreChecked()
    {
        QVERIFY(favourites().create("Google#www.trailgear-shop.com#hiking boots#0#0"));
        const QList<QStringList> wrong{
            {"rank", "--favourites", "--changes", data->filePath("c.txt")},
            {"rank", "--favourites", "--changes", ""},
            {"rank", "--favourites", "--min-change", "0"},
            {"rank", "--favourites", "--min-change", "two"},
            {"rank", "--favourites", "--notify", "ftp://127.0.0.1/x"},
            {"rank", "--favourites", "--notify", "hook"},
            {"rank", "--site", "s", "--keyword", "k", "--changes", data->filePath("c.json")},
        };
        for (const QStringList &args : wrong) {
            run(args);
            QVERIFY2(exitCode == 2, qPrintable(args.join(' ')));
            QVERIFY2(errText.contains("usage: veltrana rank"), qPrintable(errText));
        }
        QVERIFY(f->web().log().isEmpty());
        QVERIFY(!QFile::exists(data->filePath("c.txt")));

        // A report that cannot be written: the run's rows stand, the exit says it.
        const QString nowhere = data->filePath("no/such/folder/c.json");
        const QStringList lines = run({"rank", "--favourites", "--changes", nowhere});
        QCOMPARE(exitCode, 1);
        QVERIFY2(errText.contains("veltrana: cannot write " + nowhere + ": "), qPrintable(errText));
        QCOMPARE(lines.size(), 2);
        QVERIFY(hasDayFile(FavouriteStore::encodeName("Google#www.trailgear-shop.com#hiking boots#0#0")));
    }

    void aFallNamesWhoReplacedTheSite()
    {
        const QString key = "Google#www.me.example#kept widgets#0#0";
        QVERIFY(favourites().create(key));
        QVERIFY(favourites().writeDay(key, yesterday(), {"Google|2|www.me.example"}));
        const QVector<DayResults::Row> kept{
            {"www.me.example", "kept widgets", "Google", 1, "x.example", "http://x.example/"},
            {"www.me.example", "kept widgets", "Google", 2, "www.me.example", "http://www.me.example/"}};
        QVERIFY(DayResults::write(favourites().resultsPath(key, yesterday()), kept));
        f->web().plantRank("google", "kept widgets", "www.rival.example", 0);
        f->web().plantRank("google", "kept widgets", "www.me.example", 3);
        const QString json = data->filePath("c.json");
        const QStringList lines = run({"rank", "--favourites", "--changes", json});
        QCOMPARE(exitCode, 0);
        const QStringList fields = lines.last().split('\t');
        QCOMPARE(fields.mid(0, 8),
                 (QStringList{"www.me.example", "kept widgets", "Google", "2", "4", "-2", "", "down"}));
        const QStringList above = fields.value(8).split(' ');
        QCOMPARE(above.size(), 3);
        QCOMPARE(above.first(), QString("www.rival.example"));
        QVERIFY(!above.contains("x.example"));
        const QJsonArray hosts = QJsonDocument::fromJson(fileBytes(json))
                                     .object()
                                     .value("changes")
                                     .toArray()[0]
                                     .toObject()
                                     .value("hostsAbove")
                                     .toArray();
        QCOMPARE(hosts, QJsonArray::fromStringList(above));
    }
};

QTEST_MAIN(TestRankCommand)
#include "test_rank_command.moc"
