// Favourites and the two history views: adding, deleting, day files in date
// order, restoring a query, folder names that cannot escape "myfav", and the
// lists a view leaves behind.

#include "RankFixture.h"
#include "common/SettingsStore.h"
#include "rank/HistorySeries.h"
#include "rank/RankTracker.h"
#include "store/FavouriteStore.h"

#include <QDir>

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
};

QTEST_GUILESS_MAIN(TestFavourites)
#include "test_favourites.moc"
