// Favourites and the two history views: adding, deleting, day files in date
// order, restoring a query, folder names that cannot escape "myfav", and the
// lists a view leaves behind.

#include "RankFixture.h"
#include "common/SettingsStore.h"
#include "rank/ChangeReport.h"
#include "rank/FavouriteList.h"
#include "rank/HistorySeries.h"
#include "rank/RankChanges.h"
#include "rank/RankTracker.h"
#include "rank/ResultsHistory.h"
#include "store/FavouriteStore.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using RankChanges::Answer;
using RankChanges::Change;

namespace {

// A favourite asked on Google only, compared on 2024-03-09 with the day
// files given ("date" -> lines).
RankChanges::Input googleInput(const QList<QPair<QString, QStringList>> &days, std::optional<Answer> today)
{
    RankChanges::Input in;
    in.favouriteKey = "Google#www.shine.example#widget polish#2#0";
    in.site = "www.shine.example";
    in.keyword = "widget polish";
    in.date = "2024-03-09";
    in.asked = {true, false, false};
    in.today[0] = today;
    for (const auto &day : days)
        in.history.append({day.first, day.second});
    return in;
}

// One change as the command prints it, fields joined by "|".
QStringList printed(const QList<Change> &changes)
{
    QStringList out;
    for (const Change &c : changes)
        out << ChangeReport::fields(c).join('|');
    return out;
}

} // namespace

class TestFavourites : public QObject
{
    Q_OBJECT

    std::unique_ptr<RankFixture> f;
    std::unique_ptr<RankTracker> t;

    FavouriteStore store() const { return FavouriteStore(f->dataFile("myfav")); }

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<RankFixture>();
        QVERIFY(f->start());
        f->clock.day = QDate(2024, 3, 9);
        t = std::make_unique<RankTracker>(*f->context);
        t->run().setPageTimeLimit(2);
        t->setDepthIndex(0);
    }
    void cleanup()
    {
        t.reset();
        f.reset();
    }

    void addingTicksRecordsOnce()
    {
        fillLists(*t, {"www.veltrana-demo.com"}, {"rank tracker", "keyword rank checker", "seo audit"});
        t->setEngineTicked(Engine::Google, true);
        t->start();
        QCOMPARE(t->recent().count(), 3);
        t->recent().setChecked(1, true);
        QCOMPARE(t->favourites().addFromRecent(t->recent(), "2024-03-09"), 1);
        QCOMPARE(f->prompter.lastText(), QString("成功加入1条收藏记录！"));
        t->recent().setAllChecked(true);
        QCOMPARE(t->favourites().addFromRecent(t->recent(), "2024-03-09"), 2);
        QCOMPARE(f->prompter.lastText(), QString("成功加入2条收藏记录！"));
        QCOMPARE(store().keys().size(), 3);
        const QString key = "Google#www.veltrana-demo.com#keyword rank checker#0#0";
        QVERIFY(store().contains(key));
        QCOMPARE(store().readDay(key, "2024-03-09"), QStringList{"Google|4|www.veltrana-demo.com"});
        QCOMPARE(t->favourites().list().count(), 3);
        QCOMPARE(t->favourites().list().row(0).sub, (QStringList{"www.veltrana-demo.com", "keyword rank checker"}));

        t->recent().setAllChecked(false);
        QCOMPARE(t->favourites().addFromRecent(t->recent(), "2024-03-09"), -1);
        QCOMPARE(f->prompter.lastText(), QString("请至少选择一条记录！"));

        // Reloading lists the folders; deleting recent records leaves them.
        t->favourites().list().clear();
        t->favourites().load();
        QCOMPARE(t->favourites().list().count(), 3);
        QCOMPARE(t->favourites().list().row(0).tag, key);
        t->recent().setAllChecked(true);
        f->prompter.answers.enqueue(Prompter::Answer::Yes);
        t->favourites().deleteRecent(t->recent());
        QCOMPARE(f->prompter.prompts.last().title, QString("是否删除"));
        QVERIFY(t->recent().isEmpty());
        QCOMPARE(store().keys().size(), 3);

        // Deleting a favourite asks, then removes its folder with its day files.
        t->favourites().list().setChecked(0, true);
        t->favourites().deleteTicked();
        QCOMPARE(f->prompter.prompts.last().title, QString("询问"));
        QCOMPARE(store().keys().size(), 3);
        f->prompter.answers.enqueue(Prompter::Answer::Yes);
        QVERIFY(QDir().rmdir(
                    QDir(f->dataFile("myfav")).filePath(FavouriteStore::encodeName(t->favourites().list().row(1).tag)))
                == false); // not empty: it holds a day file
        t->favourites().list().setChecked(1, true);
        t->favourites().deleteTicked();
        QCOMPARE(store().keys().size(), 1);
        QCOMPARE(t->favourites().list().count(), 1);
    }

    void historyShowsEachDayInDateOrder()
    {
        fillLists(*t, {"www.veltrana-demo.com"}, {"rank tracker"});
        t->setEngineTicked(Engine::Google, true);
        t->setEngineTicked(Engine::Yahoo, true);
        t->start();
        t->recent().setChecked(0, true);
        t->favourites().addFromRecent(t->recent(), "2024-03-09");
        f->clock.day = QDate(2024, 3, 10);
        f->web().plantRank("google", "rank tracker", "www.veltrana-demo.com/x", 0);
        t->start();
        f->clock.day = QDate(2024, 2, 28); // an older file written later still comes first
        standin::Behaviour broken;
        broken.status = 500;
        f->web().setBehaviour("/yahoo", broken);
        t->start();

        t->favourites().load();
        QCOMPARE(t->favourites().list().count(), 1);
        const auto days = t->showHistory(0);
        QCOMPARE(days.size(), 3);
        QCOMPARE(resultRows(*t),
                 (QStringList{"www.veltrana-demo.com|rank tracker|2024-02-28", "Google|1|www.veltrana-demo.com/x",
                              "www.veltrana-demo.com|rank tracker|2024-03-09", "Google|2|www.veltrana-demo.com",
                              "Yahoo|5|www.veltrana-demo.com", "www.veltrana-demo.com|rank tracker|2024-03-10",
                              "Google|1|www.veltrana-demo.com/x", "Yahoo|5|www.veltrana-demo.com"}));
        QCOMPARE(t->result().row(1).imageKey, QString("google"));

        // The chart's lines: the failed Yahoo day has no point.
        const auto series = HistorySeries::build(days);
        QCOMPARE(series.size(), 2);
        QCOMPARE(series[0].engine, Engine::Google);
        QCOMPARE(series[0].points.size(), 3);
        QCOMPARE(series[0].points[1].position, 2);
        QCOMPARE(series[1].engine, Engine::Yahoo);
        QCOMPARE(series[1].points.size(), 2);
        QCOMPARE(series[1].points[0].date, QDate(2024, 3, 9));
    }

    void historySeriesKeepsNotFoundApart()
    {
        const QVector<FavouriteStore::DayFile> days{
            {"2024-01-01", {"Bing|0|", "Google|4|a", "Google|2|b"}},
            {"2024-01-02", {"Bing|7|c", "Bing|-|x", "Nobody|1|y"}},
            {"not-a-date", {"Bing|1|z"}},
        };
        const auto series = HistorySeries::build(days);
        QCOMPARE(series.size(), 2);
        QCOMPARE(series[0].points.size(), 1);
        QCOMPARE(series[0].points[0].position, 2); // the best of the day
        QCOMPARE(series[1].engine, Engine::Bing);
        QCOMPARE(series[1].points[0].position, 0); // not found, not a rank
        QCOMPARE(series[1].points[1].position, 7);
    }

    void recentRecordRestoresTheQuery()
    {
        f->web().plantRank("bing", "deck paint", "www.deck-co.com", 1);
        f->web().plantRank("bing", "deck paint", "www.deck-co.com", 4);
        fillLists(*t, {"www.deck-co.com", "other.com"}, {"deck paint"});
        t->setEngineTicked(Engine::Bing, true);
        t->setAllMatches(true);
        t->start();
        QCOMPARE(t->recent().count(), 2);
        // Something else on screen, then the record of the first pair.
        t->setEngineTicked(Engine::Google, true);
        t->setEngineTicked(Engine::Bing, false);
        t->setAllMatches(false);
        t->setDepthIndex(2);
        QSignalSpy changed(t.get(), &RankTracker::optionsChanged);
        t->showRecent(0);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(
            resultRows(*t),
            (QStringList{"www.deck-co.com|deck paint|2024-03-09", "Bing|2|www.deck-co.com", "Bing|5|www.deck-co.com"}));
        QVERIFY(t->allMatches());
        QCOMPARE(t->depthIndex(), 0);
        QVERIFY(t->engines().row(2).checked);
        QVERIFY(!t->engines().row(0).checked);
        QCOMPARE(f->context->settings().ReadValue("setting3"), QString("Bing#0#1#0"));
        // Only the pair is ticked; the other site stays in the list.
        QCOMPARE(t->lists().sites().texts(), (QStringList{"www.deck-co.com", "other.com"}));
        QCOMPARE(t->lists().sites().checkedCount(), 1);
    }

    void keysCannotLeaveTheFolder()
    {
        const QString key = "Google#../../x#a/b?#1#0";
        const QString odd = ".hidden#C:\\t\"<>|*%20\x01#k#0#0";
        FavouriteStore favs = store();
        QVERIFY(favs.create(key));
        QVERIFY(favs.create(odd));
        QVERIFY(favs.writeDay(key, "2024-03-09", {"Google|3|x"}));
        const QStringList inside = QDir(f->dataFile("myfav")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(inside.size(), 2);
        for (const QString &name : inside)
            QVERIFY2(!name.contains('/') && !name.contains('\\') && !name.startsWith('.'), qPrintable(name));
        QCOMPARE(QDir(f->dataDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"myfav"});
        QVERIFY(!QFile::exists(f->dataFile("x")));
        // Read back as typed.
        QCOMPARE(favs.keys().size(), 2);
        QVERIFY(favs.keys().contains(key));
        QVERIFY(favs.keys().contains(odd));
        QVERIFY(favs.contains(key));
        QCOMPARE(favs.readDay(key, "2024-03-09"), QStringList{"Google|3|x"});
        t->favourites().load();
        QCOMPARE(t->favourites().list().count(), 2);
        const int row = t->favourites().list().row(0).tag == key ? 0 : 1;
        QCOMPARE(t->favourites().list().row(row).sub, (QStringList{"../../x", "a/b?"}));
        // An old name without escapes reads back unchanged.
        QVERIFY(QDir(f->dataFile("myfav")).mkdir("Bing#plain.com#seo#1#0"));
        QVERIFY(favs.contains("Bing#plain.com#seo#1#0"));
        QCOMPARE(FavouriteStore::decodeName("Bing#plain.com#seo#1#0"), QString("Bing#plain.com#seo#1#0"));
        // Deleting removes only the favourite's own folder.
        QVERIFY(favs.remove(key));
        QVERIFY(!favs.contains(key));
        QCOMPARE(QDir(f->dataDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"myfav"});
        QCOMPARE(favs.keys().size(), 2);
    }

    void foldersAsOlderVersionsWroteThem()
    {
        // Keys read from their fixed ends.
        FavouriteStore::Key k;
        QVERIFY(FavouriteStore::parseKey("Google,Bing#a.com#c# and #1# too#2#1", &k));
        QCOMPARE(k.engineList, QString("Google,Bing"));
        QCOMPARE(k.site, QString("a.com"));
        QCOMPARE(k.keyword, QString("c# and #1# too"));
        QCOMPARE(k.depthIndex, 2);
        QVERIFY(k.allMatches);
        for (const char *bad : {"notes", "Google#a.com#kw#1", "Google#a.com#kw#7#0", "Google#a.com#kw#1#x", "##"})
            QVERIFY2(!FavouriteStore::parseKey(QString::fromUtf8(bad), nullptr), bad);
        // A name this version did not encode is its own key.
        QCOMPARE(FavouriteStore::keyOfName("G#s#100%cotton#0#0"), QString("G#s#100%cotton#0#0"));
        QCOMPARE(FavouriteStore::keyOfName("G#s#a%20b#0#0"), QString("G#s#a%20b#0#0"));
        QCOMPARE(FavouriteStore::keyOfName("G#s#a%25b#0#0"), QString("G#s#a%b#0#0"));

        const QString sharp = "Google#www.veltrana-demo.com#c# tutorial#0#0";
        const QString percent = "Google#www.veltrana-demo.com#100%cotton#0#0";
        QDir myfav(f->dataFile("myfav"));
        QVERIFY(myfav.mkpath(sharp));
        QVERIFY(myfav.mkpath(percent));
        QVERIFY(store().writeDay(sharp, "2024-03-08", {"Google|4|www.veltrana-demo.com"}));

        // The window's run writes each day into the very folder the favourite has.
        fillLists(*t, {"www.veltrana-demo.com"}, {"100%cotton", "c# tutorial"});
        t->setEngineTicked(Engine::Google, true);
        t->start();
        QCOMPARE(myfav.entryList(QDir::Dirs | QDir::NoDotAndDotDot), (QStringList{percent, sharp}));
        QVERIFY(QFile::exists(myfav.filePath(percent + "/2024-03-09.txt")));
        QVERIFY(QFile::exists(myfav.filePath(sharp + "/2024-03-09.txt")));

        t->favourites().load();
        QCOMPARE(t->favourites().list().row(0).sub, (QStringList{"www.veltrana-demo.com", "100%cotton"}));
        QCOMPARE(t->favourites().list().row(1).sub, (QStringList{"www.veltrana-demo.com", "c# tutorial"}));
        QCOMPARE(t->showHistory(1).size(), 2);
        QCOMPARE(resultRows(*t).mid(0, 2),
                 (QStringList{"www.veltrana-demo.com|c# tutorial|2024-03-08", "Google|4|www.veltrana-demo.com"}));
    }

    void oddPairsBecomeFavouritesInsideTheFolder()
    {
        fillLists(*t, {"../../x"}, {"a/b?"});
        t->setEngineTicked(Engine::Google, true);
        t->start();
        t->recent().setChecked(0, true);
        QCOMPARE(t->favourites().addFromRecent(t->recent(), "2024-03-09"), 1);
        QCOMPARE(QDir(f->dataDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).contains("x"), false);
        QVERIFY(!QFile::exists(QDir(f->dataDir).filePath("../x")));
        const QStringList inside = QDir(f->dataFile("myfav")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(inside.size(), 1);
        QCOMPARE(QDir(f->dataFile("myfav") + "/" + inside.first()).entryList(QDir::Files),
                 QStringList{"2024-03-09.txt"});
        t->favourites().list().clear();
        t->favourites().load();
        QCOMPARE(t->favourites().list().row(0).sub, (QStringList{"../../x", "a/b?"}));
        // A later run of the pair finds its favourite and writes the day there.
        f->clock.day = QDate(2024, 3, 10);
        t->start();
        QCOMPARE(store().history("Google#../../x#a/b?#0#0").size(), 2);
    }

    void aViewNeverCostsStoredRows()
    {
        f->prompter.texts << "a.com"
                          << "b.com"
                          << "c.com";
        for (int i = 0; i < 3; ++i)
            t->lists().addSite();
        f->prompter.texts << "k1"
                          << "k2";
        t->lists().addKeyword();
        t->lists().addKeyword();
        const QString key = "Google#zz.com#k9#0#0";
        QVERIFY(store().create(key));
        t->favourites().load();
        t->showHistory(0);
        QCOMPARE(t->lists().sites().texts(), (QStringList{"a.com", "b.com", "c.com", "zz.com"}));
        QCOMPARE(t->lists().sites().checkedCount(), 1);
        QVERIFY(t->lists().sites().row(3).checked);
        QCOMPARE(t->lists().keywords().checkedCount(), 1);
        QVERIFY(t->lists().keywords().row(2).checked);
        QVERIFY(t->engines().row(0).checked);
        // An add afterwards keeps every stored site.
        f->prompter.texts << "d.com";
        t->lists().addSite();
        QCOMPARE(f->context->settings().ReadValue("settingurl"), QString("a.com$b.com$c.com$zz.com$d.com"));
        // And the next run covers exactly the viewed pair (and the new site).
        t->lists().sites().setChecked(4, false);
        t->start();
        QCOMPARE(t->result().cell(0, 0), QString("zz.com"));
        QCOMPARE(t->result().count(), 2);
        QVERIFY(store().readDay(key, "2024-03-09").size() == 1);
    }

    void changesSinceThePreviousDay_data()
    {
        QTest::addColumn<QStringList>("before"); // the day file of 2024-03-08
        QTest::addColumn<int>("position");       // today; -1: the scan failed
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("minChange");
        QTest::addColumn<QStringList>("expected");
        const QString s = "www.shine.example|widget polish|Google|";
        QTest::newRow("up") << QStringList{"Google|8|a"} << 5 << "a" << 1 << QStringList{s + "8|5|+3||up|"};
        QTest::newRow("down") << QStringList{"Google|3|a"} << 6 << "a" << 1 << QStringList{s + "3|6|-3||down|"};
        QTest::newRow("entered top 10") << QStringList{"Google|14|a"} << 9 << "a" << 1
                                        << QStringList{s + "14|9|+5||entered top 10|"};
        QTest::newRow("tightest top entered")
            << QStringList{"Google|45|a"} << 8 << "a" << 1 << QStringList{s + "45|8|+37||entered top 10|"};
        QTest::newRow("entered top 20") << QStringList{"Google|25|a"} << 18 << "a" << 1
                                        << QStringList{s + "25|18|+7||entered top 20|"};
        QTest::newRow("left top 10") << QStringList{"Google|9|a"} << 12 << "a" << 1
                                     << QStringList{s + "9|12|-3||left top 10|"};
        QTest::newRow("widest top left") << QStringList{"Google|8|a"} << 25 << "a" << 1
                                         << QStringList{s + "8|25|-17||left top 20|"};
        QTest::newRow("left top 50") << QStringList{"Google|50|a"} << 51 << "a" << 1
                                     << QStringList{s + "50|51|-1||left top 50|"};
        QTest::newRow("found") << QStringList{"Google|0|"} << 7 << "a" << 1 << QStringList{s + "0|7||a|found|"};
        QTest::newRow("lost") << QStringList{"Google|4|a"} << 0 << "" << 1 << QStringList{s + "4|0|||lost|"};
        QTest::newRow("url changed") << QStringList{"Google|5|a"} << 5 << "b" << 1
                                     << QStringList{s + "5|5|0|b|url changed|"};
        QTest::newRow("move with a new link")
            << QStringList{"Google|5|a"} << 2 << "b" << 1 << QStringList{s + "5|2|+3|b|up|"};
        QTest::newRow("nothing moved") << QStringList{"Google|5|a"} << 5 << "a" << 1 << QStringList{};
        QTest::newRow("still not found") << QStringList{"Google|0|"} << 0 << "" << 1 << QStringList{};
        QTest::newRow("failed") << QStringList{"Google|5|a"} << -1 << "" << 1 << QStringList{s + "5|-|||failed|"};
        QTest::newRow("failed, first time") << QStringList{} << -1 << "" << 1 << QStringList{s + "-|-|||failed|"};
        QTest::newRow("first answer") << QStringList{} << 3 << "a" << 1 << QStringList{};
        QTest::newRow("below min-change") << QStringList{"Google|5|a"} << 4 << "a" << 2 << QStringList{};
        QTest::newRow("at min-change") << QStringList{"Google|5|a"} << 3 << "a" << 2 << QStringList{s + "5|3|+2||up|"};
        QTest::newRow("small move, new link")
            << QStringList{"Google|5|a"} << 4 << "b" << 2 << QStringList{s + "5|4|+1|b|url changed|"};
        QTest::newRow("small move into top 10") << QStringList{"Google|11|a"} << 10 << "a" << 5 << QStringList{};
        QTest::newRow("found beats min-change")
            << QStringList{"Google|0|"} << 49 << "a" << 40 << QStringList{s + "0|49||a|found|"};
        QTest::newRow("lost beats min-change")
            << QStringList{"Google|49|a"} << 0 << "" << 40 << QStringList{s + "49|0|||lost|"};
        QTest::newRow("failed beats min-change")
            << QStringList{"Google|3|a"} << -1 << "" << 40 << QStringList{s + "3|-|||failed|"};
        // With all matches a day holds several lines: the best one counts.
        QTest::newRow("best of all matches")
            << QStringList{"Google|7|a", "Google|3|b", "Yahoo|1|y"} << 3 << "b" << 1 << QStringList{};
        QTest::newRow("damaged lines") << QStringList{"Google|x|a", "Google", "Bing|2|c"} << 3 << "a" << 1
                                       << QStringList{};
    }
    void changesSinceThePreviousDay()
    {
        QFETCH(QStringList, before);
        QFETCH(int, position);
        QFETCH(QString, link);
        QFETCH(int, minChange);
        QFETCH(QStringList, expected);
        std::optional<Answer> today;
        if (position >= 0)
            today = Answer{position, link};
        QList<QPair<QString, QStringList>> days;
        if (!before.isEmpty())
            days.append({"2024-03-08", before});
        const QList<Change> changes = RankChanges::Comparer(minChange).compare(googleInput(days, today));
        QCOMPARE(printed(changes), expected);
    }

    void aFailedDayIsNoPosition()
    {
        // 03-07 failed on Google (no line), 03-09 is today's own file.
        const QList<QPair<QString, QStringList>> days{
            {"2024-03-06", {"Google|5|a"}}, {"2024-03-07", {"Yahoo|2|y"}}, {"2024-03-09", {"Google|1|a"}}};
        RankChanges::Comparer compare;
        QVERIFY(compare.compare(googleInput(days, Answer{5, "a"})).isEmpty());
        const QList<Change> down = compare.compare(googleInput(days, Answer{9, "a"}));
        QCOMPARE(down.size(), 1);
        QCOMPARE(down[0].previousDate, QString("2024-03-06"));
        QCOMPARE(printed(down), QStringList{"www.shine.example|widget polish|Google|5|9|-4||down|"});
        // Only dated files are days.
        QList<QPair<QString, QStringList>> odd = days;
        odd.append(qMakePair(QString("2024-03-08x"), QStringList{"Google|9|a"}));
        QCOMPARE(printed(compare.compare(googleInput(odd, Answer{9, "a"}))), printed(down));
        odd = {qMakePair(QString(), QStringList{"Google|9|a"})};
        QCOMPARE(printed(compare.compare(googleInput(odd, std::nullopt))),
                 QStringList{"www.shine.example|widget polish|Google|-|-|||failed|"});
        // A folder listed out of date order changes nothing.
        const QList<QPair<QString, QStringList>> shuffled{days[2], days[1], days[0], {"2024-03-01", {"Google|40|z"}}};
        QCOMPARE(printed(compare.compare(googleInput(shuffled, Answer{9, "a"}))), printed(down));
        // Every engine the run asked, each against its own last answer.
        RankChanges::Input in = googleInput(days, Answer{5, "a"});
        in.asked = {true, true, true};
        in.today[1] = Answer{4, "y"};
        const QList<Change> all = compare.compare(in);
        QCOMPARE(printed(all),
                 (QStringList{"www.shine.example|widget polish|Yahoo|2|4|-2||down|",
                              "www.shine.example|widget polish|Bing|-|-|||failed|"}));
        QCOMPARE(all[0].favouriteKey, in.favouriteKey);
    }

    void whoReplacedTheSiteIsAskedOnFalls()
    {
        QStringList asked;
        const auto replacedBy = [&](const Change &c) {
            asked << c.previousDate + ">" + c.date + ":" + RankChanges::kindText(c);
            return QStringList{"x.example"};
        };
        RankChanges::Comparer compare;
        const QList<QPair<QString, QStringList>> days{{"2024-03-07", {"Google|3|www.shine.example"}}};
        QList<Change> changes;
        for (const std::optional<Answer> &a :
             {std::optional<Answer>{Answer{5, "www.shine.example"}},
              std::optional<Answer>{Answer{25, "www.shine.example"}}, std::optional<Answer>{Answer{0, ""}},
              std::optional<Answer>{Answer{1, "www.shine.example"}},
              std::optional<Answer>{Answer{3, "www.shine.example/b"}}, std::optional<Answer>{}})
            changes += compare.compare(googleInput(days, a));
        RankChanges::nameReplacements(changes, replacedBy);
        QCOMPARE(asked,
                 (QStringList{"2024-03-07>2024-03-09:down", "2024-03-07>2024-03-09:left top 20",
                              "2024-03-07>2024-03-09:lost"}));
        QCOMPARE(ChangeReport::fields(changes[0]).last(), QString("x.example"));
        // Rises, a new link and failures name nobody.
        for (int i = 3; i < changes.size(); ++i)
            QVERIFY(changes[i].hostsAbove.isEmpty());
    }

    void theKeptPagesNameWhoReplacedTheSite()
    {
        const QString key = "Google#www.shine.example#kept widgets#0#0";
        QVERIFY(store().create(key));
        t->favourites().load();
        fillLists(*t, {"www.shine.example"}, {"kept widgets"});
        t->setEngineTicked(Engine::Google, true);
        f->clock.day = QDate(2024, 3, 8);
        f->web().plantRank("google", "kept widgets", "www.shine.example", 1);
        t->start();
        QCOMPARE(store().readDay(key, "2024-03-08"), QStringList{"Google|2|www.shine.example"});
        QVERIFY(t->changes().isEmpty());

        // A rival takes the site's place, which falls to 5th.
        f->clock.day = QDate(2024, 3, 9);
        f->web().plantRank("google", "kept widgets", "www.rival.example", 1);
        f->web().plantRank("google", "kept widgets", "www.shine.example", 4);
        t->start();
        QCOMPARE(t->changes().size(), 1);
        const Change c = t->changes().first();
        QCOMPARE(c.kind, RankChanges::Kind::Down);
        QCOMPARE(c.previous, 2);
        QCOMPARE(c.current, 5);
        // Everyone above it now but the one host that was above it before.
        const ResultsHistory kept(f->dataFile("myfav"));
        const auto before = kept.day("www.shine.example", "kept widgets", Engine::Google, "2024-03-08");
        QVERIFY(before && before->hasResults);
        const QString first = before->results.value(0).host;
        QVERIFY(!first.isEmpty());
        QCOMPARE(c.hostsAbove.size(), 3);
        QCOMPARE(c.hostsAbove.value(0), QString("www.rival.example"));
        QVERIFY(!c.hostsAbove.contains(first));
        QVERIFY(!c.hostsAbove.contains("www.shine.example"));
        QCOMPARE(kept.hostsAbove("www.shine.example", "kept widgets", Engine::Google, "2024-03-09"),
                 QStringList{first} + c.hostsAbove);
    }

    void changeReportFiles()
    {
        Change up;
        up.favouriteKey = "Google#s.example#k#0#0";
        up.site = "s.example";
        up.keyword = "<b>\"tea\" & 'co'</b>";
        up.engine = Engine::Bing;
        up.previousDate = "2024-03-08";
        up.previous = 12;
        up.previousLink = "s.example/a";
        up.current = 4;
        up.link = "=HYPERLINK(\"http://evil\")";
        up.kind = RankChanges::Kind::EnteredTop;
        up.top = 10;
        Change failed;
        failed.site = "s.example";
        failed.keyword = "k2, more";
        failed.engine = Engine::Yahoo;
        failed.kind = RankChanges::Kind::Failed;
        failed.hostsAbove = {"x.example"};
        const QList<Change> changes{up, failed};

        const QByteArray csv = ChangeReport::csv(changes);
        QCOMPARE(csv,
                 QByteArray("\xEF\xBB\xBF"
                            "site,keyword,engine,previous,new,change,link,kind,hosts now above\r\n"
                            "s.example,\"<b>\"\"tea\"\" & 'co'</b>\",Bing,12,4,+8,"
                            "\"'=HYPERLINK(\"\"http://evil\"\")\",entered top 10,\r\n"
                            "s.example,\"k2, more\",Yahoo,-,-,,,failed,x.example\r\n"));

        const QJsonObject root = QJsonDocument::fromJson(ChangeReport::json(changes, "2024-03-09")).object();
        QCOMPARE(root.value("date").toString(), QString("2024-03-09"));
        const QJsonArray list = root.value("changes").toArray();
        QCOMPARE(list.size(), 2);
        const QJsonObject first = list[0].toObject();
        QCOMPARE(first.value("keyword").toString(), up.keyword);
        QCOMPARE(first.value("engine").toString(), QString("Bing"));
        QCOMPARE(first.value("previous").toInt(), 12);
        QCOMPARE(first.value("current").toInt(), 4);
        QCOMPARE(first.value("change").toInt(), 8);
        QCOMPARE(first.value("link").toString(), up.link);
        QCOMPARE(first.value("previousLink").toString(), QString("s.example/a"));
        QCOMPARE(first.value("kind").toString(), QString("entered top 10"));
        const QJsonObject second = list[1].toObject();
        QVERIFY(second.value("previous").isNull());
        QVERIFY(second.value("current").isNull());
        QVERIFY(second.value("change").isNull());
        QCOMPARE(second.value("kind").toString(), QString("failed"));
        QCOMPARE(second.value("hostsAbove").toArray(), QJsonArray{"x.example"});

        const QString html = QString::fromUtf8(ChangeReport::html(changes, "2024-03-09"));
        QVERIFY(html.contains("<td>&lt;b&gt;&quot;tea&quot; &amp; 'co'&lt;/b&gt;</td>"));
        QVERIFY(html.contains("<td>=HYPERLINK(&quot;http://evil&quot;)</td>"));
        QVERIFY(!html.contains("<b>"));
        QCOMPARE(html.count("<tr>"), 3);

        QCOMPARE(ChangeReport::formatOfPath("/x/r.CSV"), ChangeReport::Format::Csv);
        QCOMPARE(ChangeReport::formatOfPath("r.json"), ChangeReport::Format::Json);
        QCOMPARE(ChangeReport::formatOfPath("r.htm"), ChangeReport::Format::Html);
        QCOMPARE(ChangeReport::formatOfPath("r.html"), ChangeReport::Format::Html);
        QVERIFY(!ChangeReport::formatOfPath("r.txt"));
        QVERIFY(!ChangeReport::formatOfPath("csv"));
    }

    void theListMarksWhatTheRunMoved()
    {
        const QString shine = "Google,Bing#www.shine.example#widget polish#0#0";
        const QString tea = "Google#www.tea.example#green tea#0#0";
        const QString other = "Google#www.other.example#green tea#0#0";
        QVERIFY(store().create(shine));
        QVERIFY(store().create(tea));
        QVERIFY(store().create(other));
        QVERIFY(store().writeDay(shine, "2024-03-08", {"Google|14|www.shine.example", "Bing|2|www.shine.example"}));
        QVERIFY(store().writeDay(tea, "2024-03-08", {"Google|4|www.tea.example"}));
        QVERIFY(store().writeDay(other, "2024-03-08", {"Google|4|www.other.example"}));
        t->favourites().load();
        f->web().plantRank("google", "widget polish", "www.shine.example", 2);
        f->web().plantRank("google", "green tea", "www.tea.example", 6);
        standin::Behaviour broken;
        broken.status = 500;
        f->web().setBehaviour("/bing", broken);

        QSignalSpy found(t.get(), &RankTracker::changesFound);
        fillLists(*t, {"www.shine.example", "www.tea.example"}, {"widget polish", "green tea"});
        t->setEngineTicked(Engine::Google, true);
        t->setEngineTicked(Engine::Bing, true);
        t->start();
        // Only the tea pair with Google alone is a favourite: run it again so.
        t->setEngineTicked(Engine::Bing, false);
        t->lists().sites().setChecked(0, false);
        t->start();
        QCOMPARE(found.size(), 2);
        QCOMPARE(printed(found[0][0].value<QList<Change>>()),
                 (QStringList{"www.shine.example|widget polish|Google|14|3|+11||entered top 10|",
                              "www.shine.example|widget polish|Bing|2|-|||failed|"}));
        QCOMPARE(printed(t->changes()), QStringList{"www.tea.example|green tea|Google|4|7|-3||down|"});

        // The list shows the last run's marks, by key, whatever the order of its rows.
        FavouriteList &list = t->favourites().list();
        const auto rowOf = [&](const QString &key) {
            for (int r = 0; r < list.count(); ++r)
                if (list.row(r).tag == key)
                    return r;
            return -1;
        };
        const auto mark = [&](const QString &key) {
            return list.data(list.index(rowOf(key), 0), FavouriteList::ChangeMarkRole).toString();
        };
        const auto tone = [&](const QString &key) {
            return RankChanges::Tone(list.data(list.index(rowOf(key), 0), FavouriteList::ChangeToneRole).toInt());
        };
        QCOMPARE(mark(tea), QString("↓3"));
        QCOMPARE(tone(tea), RankChanges::Tone::Worse);
        QCOMPARE(mark(other), QString());
        QCOMPARE(mark(shine), QString()); // not part of the last run
        list.setChanges(found[0][0].value<QList<Change>>());
        QCOMPARE(mark(shine), QString("G↑11 B查询失败"));
        QCOMPARE(tone(shine), RankChanges::Tone::Better);
        QVERIFY(list.data(list.index(rowOf(shine), 0), Qt::ToolTipRole).toString().contains("Bing：2 → - 查询失败"));
        QCOMPARE(list.data(list.index(rowOf(shine), 1), FavouriteList::ChangeMarkRole), QVariant());
        QCOMPARE(RankChanges::summary(found[0][0].value<QList<Change>>(), 1),
                 QString("www.shine.example  widget polish  Google：14 → 3 进入前10\n……\n共2项排名变化"));
    }

    void answersOfARunsRows()
    {
        RankList result(RankRun::resultHeaders());
        const auto engineRow = [&](const QString &label, const QString &position, const QString &link) {
            const int r = result.addRow(label, {position, link});
            result.setImageKey(r, label.toLower());
        };
        result.addRow("a.example", {"k", "2024-03-09"});
        engineRow("Google", "7", "a.example/x");
        engineRow("Google", "3", "a.example/y");
        engineRow("Yahoo", "4", "a.example");
        engineRow("Yahoo", "-", "页面无法识别"); // all matches, a later page unreadable
        engineRow("Bing", "-", "查询失败");
        result.addRow("b.example", {"k", "2024-03-09"});
        engineRow("Bing", "0", "");
        const RankChanges::DayAnswers first = RankChanges::answersOfRows(result, 0);
        QCOMPARE(first[0]->position, 3);
        QCOMPARE(first[0]->link, QString("a.example/y"));
        QVERIFY(!first[1]); // its list of positions is not whole
        QVERIFY(!first[2]);
        QCOMPARE(RankChanges::enginesOfRows(result, 0), (std::array<bool, 3>{true, true, true}));
        const RankChanges::DayAnswers second = RankChanges::answersOfRows(result, 6);
        QCOMPARE(second[2]->position, 0);
        QCOMPARE(RankChanges::enginesOfRows(result, 6), (std::array<bool, 3>{false, false, true}));
    }
};

QTEST_GUILESS_MAIN(TestFavourites)
#include "test_favourites.moc"
