// The organic results kept beside favourites' day files: the file format,
// the results a favourites run keeps, competitors' histories read back from
// them, folders from before they were kept, and favourites imported with
// their history.

#include "RankFixture.h"
#include "engines/BuiltinRules.h"
#include "rank/ResultsHistory.h"
#include "store/DayResults.h"
#include "store/FavouriteStore.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>

namespace {

using Row = DayResults::Row;

Row row(const QString &engine, int position, const QString &link)
{
    return {QStringLiteral("me.com"), QStringLiteral("kw"), engine, position, DayResults::hostOf(link), link};
}

QString programPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/../veltrana"); }

} // namespace

class TestRankResults : public QObject
{
    Q_OBJECT

    // The built program on `dataDir`, with settings of its own.
    struct Run {
        int exitCode = -1;
        QStringList out;
        QString err;
    };
    Run program(const QString &dataDir, const QStringList &args)
    {
        QTemporaryDir config;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config.path());
        env.remove("VELTRANA_HOME");
        p.setProcessEnvironment(env);
        p.start(programPath(), QStringList{"--data", dataDir} + args);
        Run r;
        if (!p.waitForStarted(5000) || !p.waitForFinished(20000))
            return r;
        r.exitCode = p.exitCode();
        r.out = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    // Every file under `folder` with its bytes, by relative path.
    static QMap<QString, QByteArray> filesUnder(const QString &folder)
    {
        QMap<QString, QByteArray> out;
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile f(path);
            if (f.open(QIODevice::ReadOnly))
                out.insert(QDir(folder).relativeFilePath(path), f.readAll());
        }
        return out;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(QFile::exists(programPath()), "build the veltrana target first"); }

    void fileIsGzipTextThatReadsBack()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(DayResults::fileName(QStringLiteral("2024-03-09")));
        QCOMPARE(path.section(u'/', -1), QStringLiteral("2024-03-09.results.gz"));
        const QVector<Row> rows{row("Google", 1, "http://www.Rival.com/a"),
                                {"me.com", "蓝色 kw\tx", "Bing", 2, "me.com", "http://me.com/b"},
                                {"me.com", "kw", "Yahoo", 0, "", ""}};
        QString failure;
        QVERIFY2(DayResults::write(path, rows, &failure), qPrintable(failure));

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray packed = file.readAll();
        QVERIFY(packed.startsWith("\x1f\x8b")); // what gzip(1) reads
        QByteArray text;
        QVERIFY(DayResults::gunzip(packed, &text));
        QVERIFY(text.startsWith("# site\tkeyword\tengine\tposition\thost\tlink\n"));
        QVERIFY(text.contains("me.com\tkw\tGoogle\t1\twww.rival.com\thttp://www.Rival.com/a\n"));
        // A tab in a field would shift the columns: it reads as a space.
        QVERIFY(text.contains(QStringLiteral("蓝色 kw x\tBing").toUtf8()));

        bool exists = false;
        const QVector<Row> back = DayResults::read(path, &exists, &failure);
        QVERIFY(exists);
        QCOMPARE(back.size(), 3);
        QCOMPARE(back[0], rows[0]);
        QCOMPARE(back[1].keyword, QStringLiteral("蓝色 kw x"));
        QCOMPARE(back[2], rows[2]);

        // Cut short or damaged: an error, never an empty list.
        QFile cut(path);
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(packed.left(packed.size() - 9));
        cut.close();
        failure.clear();
        QVERIFY(DayResults::read(path, &exists, &failure).isEmpty());
        QVERIFY(exists);
        QVERIFY(!failure.isEmpty());
        QVERIFY(!DayResults::parse("a\tb\tGoogle\tx\th\tl\n", nullptr, &failure));
        QVERIFY(failure.contains(QStringLiteral("line 1")));

        QVERIFY(DayResults::read(dir.filePath(QStringLiteral("none.results.gz")), &exists).isEmpty());
        QVERIFY(!exists);
    }

    void hostsAndMerging()
    {
        QCOMPARE(DayResults::hostOf(QStringLiteral("HTTP://WWW.A.com:8080/x?y")), QStringLiteral("www.a.com"));
        QCOMPARE(DayResults::hostOf(QStringLiteral("b.org/path")), QStringLiteral("b.org"));
        QCOMPARE(DayResults::hostOf(QString()), QString());
        QVERIFY(ResultsHistory::hostMatches(QStringLiteral("www.rival.com"), QStringLiteral("Rival.com")));
        QVERIFY(!ResultsHistory::hostMatches(QStringLiteral("notrival.com"), QStringLiteral("rival.com")));

        const QVector<Row> earlier{row("Google", 1, "a.com"), row("Bing", 1, "b.com"), row("Bing", 2, "c.com")};
        const QVector<Row> fresh{row("Google", 1, "d.com"), row("Google", 2, "e.com")};
        // Google answered again and replaces its list; Bing failed and keeps the earlier one.
        const QVector<Row> m = DayResults::merged(earlier, fresh, {QStringLiteral("Google")});
        QCOMPARE(m.size(), 4);
        QCOMPARE(m[0].host, QStringLiteral("b.com"));
        QCOMPARE(m[2].host, QStringLiteral("d.com"));
    }

    void competitorsReadBackFromKeptResults()
    {
        QTemporaryDir dir;
        const QString myfav = dir.filePath(QStringLiteral("myfav"));
        FavouriteStore store(myfav);
        const QString key = QStringLiteral("Google,Bing#me.com#kw#0#0");
        QVERIFY(store.create(key));
        // Day 1: me.com third behind a.com and b.com; Bing listed nothing.
        QVERIFY(store.writeDay(key, "2024-03-01", {"Google|3|me.com/x", "Bing|0|"}));
        QVERIFY(DayResults::write(store.resultsPath(key, "2024-03-01"),
                                  {row("Google", 1, "http://a.com/"), row("Google", 2, "http://www.b.com/1"),
                                   row("Google", 3, "http://me.com/x"), row("Google", 4, "http://c.com/"),
                                   row("Bing", 0, "")}));
        // Day 2: c.com and a deeper b.com link jumped above; me.com fifth.
        QVERIFY(store.writeDay(key, "2024-03-02", {"Google|5|me.com/x"}));
        QVERIFY(DayResults::write(store.resultsPath(key, "2024-03-02"),
                                  {row("Google", 1, "http://c.com/"), row("Google", 2, "http://a.com/"),
                                   row("Google", 3, "http://b.com/"), row("Google", 4, "http://d.com/"),
                                   row("Google", 5, "http://me.com/x")}));
        // Day 3: no results kept (as before results were kept); Google failed.
        QVERIFY(store.writeDay(key, "2024-03-03", {"Bing|4|me.com"}));
        // Another favourite of another pair is not read.
        QVERIFY(store.create("Google#other.com#kw#0#0"));
        QVERIFY(store.writeDay("Google#other.com#kw#0#0", "2024-03-02", {"Google|1|other.com"}));

        // The day files list no results file as a day.
        QCOMPARE(store.history(key).size(), 3);

        const ResultsHistory history(myfav);
        QVERIFY(history.tracked("me.com", "kw"));
        QVERIFY(!history.tracked("me.com", "other"));
        const QVector<ResultsHistory::Day> days = history.days("me.com", "kw");
        QCOMPARE(days.size(), 4); // 03-01 Google, Bing; 03-02 Google; 03-03 Bing
        QCOMPARE(days[0].date, QStringLiteral("2024-03-01"));
        QCOMPARE(days[0].engine, Engine::Google);
        QCOMPARE(days[0].sitePosition.value(), 3);
        QCOMPARE(ResultsHistory::positionOf(days[0], "www.b.com").value(), 2);
        QCOMPARE(ResultsHistory::positionOf(days[0], "b.com").value(), 2);
        QCOMPARE(ResultsHistory::positionOf(days[0], "d.com").value(), 0);
        QCOMPARE(ResultsHistory::positionOf(days[2], "d.com").value(), 4);
        // Bing answered and listed nobody: known, nobody above.
        QCOMPARE(days[1].engine, Engine::Bing);
        QVERIFY(days[1].hasResults);
        QCOMPARE(ResultsHistory::positionOf(days[1], "a.com").value(), 0);
        // No results kept on day 3: a position for the site, nothing for others.
        QCOMPARE(days[3].date, QStringLiteral("2024-03-03"));
        QCOMPARE(days[3].sitePosition.value(), 4);
        QVERIFY(!ResultsHistory::positionOf(days[3], "a.com").has_value());

        bool known = false;
        QCOMPARE(history.hostsAbove("me.com", "kw", Engine::Google, "2024-03-01", &known),
                 (QStringList{"a.com", "www.b.com"}));
        QVERIFY(known);
        QCOMPARE(history.hostsAbove("me.com", "kw", Engine::Google, "2024-03-02", &known),
                 (QStringList{"c.com", "a.com", "b.com", "d.com"}));
        QCOMPARE(history.newlyAbove("me.com", "kw", Engine::Google, "2024-03-01", "2024-03-02", &known),
                 (QStringList{"c.com", "b.com", "d.com"}));
        QVERIFY(known);
        // A day without kept results says nothing, rather than "nobody".
        QVERIFY(history.hostsAbove("me.com", "kw", Engine::Bing, "2024-03-03", &known).isEmpty());
        QVERIFY(!known);
        QVERIFY(history.newlyAbove("me.com", "kw", Engine::Google, "2024-03-02", "2024-03-03", &known).isEmpty());
        QVERIFY(!known);
        QCOMPARE(history.latestResultsDate("me.com", "kw"), QStringLiteral("2024-03-02"));
    }

    void siteNotFoundHasEveryoneAbove()
    {
        QTemporaryDir dir;
        FavouriteStore store(dir.filePath("myfav"));
        const QString key = QStringLiteral("Yahoo#me.com#kw#0#0");
        QVERIFY(store.create(key));
        QVERIFY(store.writeDay(key, "2024-03-01", {"Yahoo|0|"}));
        QVERIFY(DayResults::write(
            store.resultsPath(key, "2024-03-01"),
            {row("Yahoo", 1, "http://a.com/"), row("Yahoo", 2, "http://a.com/2"), row("Yahoo", 3, "http://b.com/")}));
        bool known = false;
        QCOMPARE(ResultsHistory(dir.filePath("myfav")).hostsAbove("me.com", "kw", Engine::Yahoo, "2024-03-01", &known),
                 (QStringList{"a.com", "b.com"}));
        QVERIFY(known);
    }

    // The kept list must number results as the scan numbers the site, or
    // "who stood above" would be off by one.
    void keptResultsAreNumberedAsTheRank()
    {
        const BuiltinRuleSet rules;
        const QString google = "<html><h3 class=r><a href=\"http://a.com/x\">A</a></h3>"
                               "<h3 class=r><a href=\"http://www.b.com/\">B</a></h3>"
                               "<h3 class=r><a href=\"http://c.org/\">C</a></h3></html>";
        // Yahoo's text above its first result counts as a position when it holds a link.
        const QString yahoo = "<html><a href=\"http://r.y.com/**http%3a//top.net/\">ad</a>"
                              "<div><h3><a href=\"http://r.y.com/**http%3a//a.com/x\">A</a></h3></div>"
                              "<div><h3><a href=\"http://r.y.com/**http%3a//www.b.com/\">B</a></h3></div></html>";
        const QString bing = "<html><div class=\"sb_tlst\"><h3><a href=\"http://a.com/x\">A</a></h3></div>"
                             "<div class=\"sb_tlst\"><h3><a href=\"http://www.b.com/\">B</a></h3></div></html>";
        for (const auto &[engine, page, count] :
             {std::tuple{Engine::Google, google, 3}, std::tuple{Engine::Yahoo, yahoo, 3},
              std::tuple{Engine::Bing, bing, 2}}) {
            PageRules::Reading reading;
            const QVector<PageRules::Organic> listed = rules.organicResults(engineKey(engine), page, 2, &reading);
            QVERIFY(!reading.failed());
            QCOMPARE(listed.size(), count);
            for (const PageRules::Organic &o : listed) {
                const QString host = DayResults::hostOf(o.link);
                QVERIFY2(!host.isEmpty(), qPrintable(o.link));
                QString link;
                QCOMPARE(rules.rankOnPage(engineKey(engine), page, 2, host, 0, &link, nullptr), o.position);
                QVERIFY(o.position > 20 && o.position <= 30);
            }
        }
        // A page nobody can read lists nothing (and says so).
        PageRules::Reading reading;
        QVERIFY(rules.organicResults("google", "<html>captcha</html>", 0, &reading).isEmpty());
        QVERIFY(reading.failed());
    }

    void favouritesRunKeepsEachPagesResults()
    {
        RankFixture f;
        QVERIFY(f.start());
        f.clock.day = QDate(2024, 3, 9);
        RankTracker t(*f.context);
        t.run().setPageTimeLimit(2);
        t.setDepthIndex(0); // "10": one page
        f.web().plantRank("google", "kept widgets", "www.rival.com", 0);
        f.web().plantRank("google", "kept widgets", "www.me.com/a", 2);
        f.web().plantRank("bing", "kept widgets", "www.me.com/b", 4);
        fillLists(t, {"www.me.com"}, {"kept widgets"});
        t.setEngineTicked(Engine::Google, true);
        t.setEngineTicked(Engine::Bing, true);
        t.start();
        const FavouriteStore store(f.dataFile("myfav"));
        // Not a favourite yet: nothing kept.
        QVERIFY(!QDir(f.dataFile("myfav")).exists() || store.keys().isEmpty());
        t.recent().setChecked(0, true);
        QCOMPARE(t.favourites().addFromRecent(t.recent(), "2024-03-09"), 1);
        const QString key = store.keys().value(0);
        QVERIFY(!QFile::exists(store.resultsPath(key, "2024-03-09")));

        t.start();
        const QStringList day = store.readDay(key, "2024-03-09");
        QCOMPARE(day, (QStringList{"Google|3|www.me.com/a", "Bing|5|www.me.com/b"}));
        bool exists = false;
        QString failure;
        const QVector<Row> rows = DayResults::read(store.resultsPath(key, "2024-03-09"), &exists, &failure);
        QVERIFY2(exists && failure.isEmpty(), qPrintable(failure));
        QVector<Row> google, bing;
        for (const Row &r : rows) {
            QCOMPARE(r.site, QStringLiteral("www.me.com"));
            QCOMPARE(r.keyword, QStringLiteral("kept widgets"));
            (r.engine == u"Google" ? google : bing).append(r);
        }
        QCOMPARE(google.size() + bing.size(), rows.size());
        // The whole page, in order, numbered as the rank is.
        QCOMPARE(google.size(), 10);
        for (int i = 0; i < google.size(); ++i)
            QCOMPARE(google[i].position, i + 1);
        QCOMPARE(google[0].host, QStringLiteral("www.rival.com"));
        QCOMPARE(google[2].host, QStringLiteral("www.me.com"));
        QVERIFY(google[2].link.contains("www.me.com/a"));
        QVERIFY(!google[1].host.isEmpty() && google[1].host != google[0].host);
        QCOMPARE(bing.size(), 10);
        QCOMPARE(bing[4].host, QStringLiteral("www.me.com"));
        QCOMPARE(bing[4].position, 5);

        // The same day again with Bing failing: Google's list is the new
        // one, Bing's the earlier one, as in the day file.
        f.web().plantRank("google", "kept widgets", "www.newcomer.org", 1);
        standin::Behaviour broken;
        broken.status = 500;
        f.web().setBehaviour("/bing", broken);
        t.start();
        QCOMPARE(store.readDay(key, "2024-03-09"), (QStringList{"Google|3|www.me.com/a", "Bing|5|www.me.com/b"}));
        const ResultsHistory history(f.dataFile("myfav"));
        bool known = false;
        QCOMPARE(history.hostsAbove("www.me.com", "kept widgets", Engine::Google, "2024-03-09", &known),
                 (QStringList{"www.rival.com", "www.newcomer.org"}));
        QVERIFY(known);
        const auto bingDay = history.day("www.me.com", "kept widgets", Engine::Bing, "2024-03-09");
        QVERIFY(bingDay && bingDay->hasResults);
        QCOMPARE(bingDay->results.size(), 10);
        QCOMPARE(ResultsHistory::positionOf(*bingDay, "www.me.com").value(), 5);

        // A new day on which Bing fails: no Bing list at all, never an empty one.
        f.clock.day = QDate(2024, 3, 10);
        t.start();
        const QVector<Row> next = DayResults::read(store.resultsPath(key, "2024-03-10"));
        QVERIFY(!next.isEmpty());
        for (const Row &r : next)
            QCOMPARE(r.engine, QStringLiteral("Google"));
        const auto failedDay = history.day("www.me.com", "kept widgets", Engine::Bing, "2024-03-10");
        QVERIFY(!failedDay);
        QVERIFY(history.hostsAbove("www.me.com", "kept widgets", Engine::Bing, "2024-03-10", &known).isEmpty());
        QVERIFY(!known);
        // The history view lists day files only.
        QCOMPARE(store.history(key).size(), 2);
    }

    void historyCommandPrintsSiteAndCompetitors()
    {
        QTemporaryDir data;
        FavouriteStore store(data.filePath("myfav"));
        const QString key = QStringLiteral("Google,Bing#me.com#kw#0#0");
        QVERIFY(store.create(key));
        // An old day without results, then a day with them.
        QVERIFY(store.writeDay(key, "2024-03-01", {"Google|4|me.com", "Bing|0|"}));
        QVERIFY(store.writeDay(key, "2024-03-02", {"Google|2|me.com/x", "Bing|0|"}));
        QVERIFY(DayResults::write(store.resultsPath(key, "2024-03-02"),
                                  {row("Google", 1, "http://www.rival.com/"), row("Google", 2, "http://me.com/x"),
                                   row("Google", 3, "http://other.net/"), row("Bing", 1, "http://other.net/")}));

        Run r = program(data.path(),
                        {"rank", "--history", "--site", "me.com", "--keyword", "kw", "--competitor", "rival.com",
                         "--competitor=other.net"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out,
                 (QStringList{"2024-03-01\tGoogle\t4\t\t", "2024-03-01\tBing\t-\t\t", "2024-03-02\tGoogle\t2\t1\t3",
                              "2024-03-02\tBing\t-\t-\t1"}));
        r = program(data.path(), {"rank", "--history", "--site", "me.com", "--keyword", "kw", "--engines", "bing"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, (QStringList{"2024-03-01\tBing\t-", "2024-03-02\tBing\t-"}));

        // Usage errors.
        for (const QStringList &args :
             {QStringList{"rank", "--history", "--site", "me.com"},
              QStringList{"rank", "--history", "--site", "me.com", "--keyword", "kw", "--depth", "10"},
              QStringList{"rank", "--history", "--site", "me.com", "--keyword", "kw", "--engines", "altavista"},
              QStringList{"rank", "--site", "me.com", "--keyword", "kw", "--competitor", "rival.com"}}) {
            r = program(data.path(), args);
            QVERIFY2(r.exitCode == 2, qPrintable(args.join(' ')));
            QVERIFY(r.out.isEmpty());
        }
        // A pair no favourite tracks is said, not an empty history.
        r = program(data.path(), {"rank", "--history", "--site", "me.com", "--keyword", "other"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains("no favourite tracks me.com"));
    }

    void importedExportGivesTheSameFavourites()
    {
        QTemporaryDir from;
        FavouriteStore store(from.filePath("myfav"));
        const QStringList keys{"Google,Bing#www.example.com#蓝色, \"widgets\"#2#1", "Yahoo#b.org#-minus#0#0",
                               "Bing Google#c.net#a/b keyword#1#0"};
        for (const QString &key : keys)
            QVERIFY(store.create(key));
        QVERIFY(store.writeDay(keys[0], "2024-03-01", {"Google|5|www.example.com/b", "Google|12|www.example.com/c"}));
        QVERIFY(store.writeDay(keys[0], "2024-03-02", {"Google|3|www.example.com/a", "Bing|0|"}));
        QVERIFY(store.writeDay(keys[1], "2024-02-28", {"Yahoo|1|b.org"}));
        // keys[2] has no day file yet: it comes back all the same.

        const QString csv = from.filePath("fav.csv");
        Run r = program(from.path(), {"export", "favourites", csv});
        QCOMPARE(r.exitCode, 0);
        QTemporaryDir to;
        r = program(to.path(), {"rank", "--import-favourites", csv});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY(r.err.contains("3 favourites added"));
        QCOMPARE(FavouriteStore(to.filePath("myfav")).keys(), store.keys());
        QCOMPARE(filesUnder(to.filePath("myfav")), filesUnder(from.filePath("myfav")));
        QCOMPARE(filesUnder(to.filePath("myfav")).size(), 3);

        // Again: nothing new, and a day file already there is kept.
        QVERIFY(FavouriteStore(to.filePath("myfav")).writeDay(keys[1], "2024-02-28", {"Yahoo|2|b.org"}));
        r = program(to.path(), {"rank", "--import-favourites", csv});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.err.contains("0 favourites added, 3 there already"));
        QCOMPARE(FavouriteStore(to.filePath("myfav")).readDay(keys[1], "2024-02-28"), QStringList{"Yahoo|2|b.org"});
    }

    void badImportFileWritesNothing()
    {
        QTemporaryDir data;
        const auto file = [&](const QString &name, const QByteArray &text) {
            QFile f(data.filePath(name));
            if (f.open(QIODevice::WriteOnly))
                f.write(text);
            return data.filePath(name);
        };
        const QString good = "site,keyword,engines,depth,all\r\n"
                             "a.com,kw,Google,10,0\r\n";
        const QList<QPair<QByteArray, QString>> bad{
            {good.toUtf8() + "b.com,kw,Google,30,0\r\n", "line 3"},
            {good.toUtf8() + "b.com,kw,Altavista,10,0\r\n", "line 3"},
            {good.toUtf8() + "b.com,,Google,10,0\r\n", "line 3"},
            {good.toUtf8() + "b.com,kw,Google,10,yes\r\n", "line 3"},
            {"site,keyword,engines,depth\r\na.com,kw,Google,10\r\n", "line 1"},
            {good.toUtf8() + "\"b.com,kw,Google,10,0\r\n", "line 3"},
            {"site,keyword,engines,depth,all,date,engine,position,link\r\n"
             "a.com,kw,Google,10,0,2024-03-01,Google,1,a.com\r\n"
             "a.com,kw,Google,10,0,2024-13-01,Google,1,a.com\r\n",
             "line 3"},
            {"site,keyword,engines,depth,all,date,engine,position,link\r\n"
             "a.com,kw,Google,10,0,2024-03-01,Google,first,a.com\r\n",
             "line 2"},
        };
        for (int i = 0; i < bad.size(); ++i) {
            const QString path = file(QStringLiteral("bad%1.csv").arg(i), bad[i].first);
            const Run r = program(data.path(), {"rank", "--import-favourites", path});
            QVERIFY2(r.exitCode == 1, qPrintable(QString::number(i)));
            QVERIFY2(r.err.contains(path) && r.err.contains(bad[i].second), qPrintable(r.err));
            QVERIFY2(!QFileInfo::exists(data.filePath("myfav")), qPrintable(QString::number(i)));
        }
        Run r = program(data.path(), {"rank", "--import-favourites", data.filePath("missing.csv")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(!QFileInfo::exists(data.filePath("myfav")));
        r = program(data.path(), {"rank", "--import-favourites", file("good.csv", good.toUtf8()), "--all"});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(!QFileInfo::exists(data.filePath("myfav")));
        // The good file, with English captions and no history columns.
        r = program(data.path(), {"rank", "--import-favourites", data.filePath("good.csv")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(FavouriteStore(data.filePath("myfav")).keys(), QStringList{"Google#a.com#kw#0#0"});
    }
};

QTEST_GUILESS_MAIN(TestRankResults)
#include "test_rank_results.moc"
