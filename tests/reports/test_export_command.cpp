// "veltrana export db|favourites FILE": the keyword table and the favourites'
// history written as reports for scripts.

#include "context/AppContext.h"
#include "reports/ExportCommand.h"
#include "reports/ReadBack.h"
#include "store/FavouriteStore.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QStringEncoder>
#include <QtTest>

class TestExportCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void databaseAsCsv();
    void favouritesHistoryAsWorkbookAndText();
    void badArgumentsAndFailedWrites();

private:
    static int run(TestEnv &env, const QStringList &args)
    {
        return runExportCommand(*env.context, QStringList{QStringLiteral("export")} + args);
    }
};

void TestExportCommand::databaseAsCsv()
{
    TestEnv env;
    QVERIFY(env.isValid());
    env.seed({QStringLiteral("seo tools"), QStringLiteral("keyword, \"research\"")}, QStringLiteral("42"));
    const QString path = env.dataFile(QStringLiteral("db.csv"));
    QCOMPARE(run(env, {QStringLiteral("db"), path}), 0);
    const QList<QStringList> rows = readback::csv(path);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(0),
             (QStringList{QStringLiteral("关键词"), QStringLiteral("父关键词"), QStringLiteral("Google收录"),
                          QStringLiteral("Yahoo收录"), QStringLiteral("Bing收录"), QStringLiteral("更新日期")}));
    // Newest first, like the database tab.
    QCOMPARE(rows.at(1),
             (QStringList{QStringLiteral("keyword, \"research\""), QStringLiteral("seed"), QStringLiteral("42"),
                          QStringLiteral("42"), QStringLiteral("42"), QStringLiteral("2020-01-02")}));
    QCOMPARE(rows.at(2).first(), QStringLiteral("seo tools"));
}

void TestExportCommand::favouritesHistoryAsWorkbookAndText()
{
    TestEnv env;
    QVERIFY(env.isValid());
    const QDir data(env.dataDir);
    const QString key = QStringLiteral("Google Bing#www.example.com#蓝色 widgets#0#0");
    QVERIFY(data.mkpath(QStringLiteral("myfav/") + key));
    QVERIFY(data.mkpath(QStringLiteral("myfav/Yahoo#b.org#b#1#1")));
    const auto dayFile = [&](const QString &folder, const QString &date, const QString &text) {
        QFile f(data.filePath(QStringLiteral("myfav/") + folder + u'/' + date + QStringLiteral(".txt")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringEncoder("GB18030").encode(text));
    };
    dayFile(key, QStringLiteral("2024-03-02"), QStringLiteral("Google|3|http://www.example.com/a\r\nBing|0|\r\n"));
    dayFile(key, QStringLiteral("2024-03-01"), QStringLiteral("Google|5|http://www.example.com/b\r\n"));
    dayFile(QStringLiteral("Yahoo#b.org#b#1#1"), QStringLiteral("2024-03-01"),
            QStringLiteral("Yahoo|1|http://b.org/\n"));

    const QString xlsx = env.dataFile(QStringLiteral("fav.xlsx"));
    QCOMPARE(run(env, {QStringLiteral("favourites"), xlsx}), 0);
    const QList<QStringList> expected = {
        {QStringLiteral("网站"), QStringLiteral("关键词"), QStringLiteral("查询日期"), QStringLiteral("搜索引擎"),
         QStringLiteral("排名"), QStringLiteral("收录网址"), QStringLiteral("查询引擎"), QStringLiteral("查询深度"),
         QStringLiteral("全部匹配")},
        {QStringLiteral("www.example.com"), QStringLiteral("蓝色 widgets"), QStringLiteral("2024-03-01"),
         QStringLiteral("Google"), QStringLiteral("5"), QStringLiteral("http://www.example.com/b"),
         QStringLiteral("Google Bing"), QStringLiteral("10"), QStringLiteral("0")},
        {QStringLiteral("www.example.com"), QStringLiteral("蓝色 widgets"), QStringLiteral("2024-03-02"),
         QStringLiteral("Google"), QStringLiteral("3"), QStringLiteral("http://www.example.com/a"),
         QStringLiteral("Google Bing"), QStringLiteral("10"), QStringLiteral("0")},
        {QStringLiteral("www.example.com"),
         QStringLiteral("蓝色 widgets"),
         QStringLiteral("2024-03-02"),
         QStringLiteral("Bing"),
         QStringLiteral("0"),
         {},
         QStringLiteral("Google Bing"),
         QStringLiteral("10"),
         QStringLiteral("0")},
        {QStringLiteral("b.org"), QStringLiteral("b"), QStringLiteral("2024-03-01"), QStringLiteral("Yahoo"),
         QStringLiteral("1"), QStringLiteral("http://b.org/"), QStringLiteral("Yahoo"), QStringLiteral("20"),
         QStringLiteral("1")},
    };
    // Favourites and days in name order.
    QCOMPARE(readback::xlsx(xlsx).rows, expected);

    // A favourite whose keyword holds a path character: its folder name is
    // encoded by the store and read back decoded.
    FavouriteStore store(data.filePath(QStringLiteral("myfav")));
    const QString slashKey = QStringLiteral("Bing#c.net#a/b keyword#0#0");
    QVERIFY(store.create(slashKey));
    QVERIFY(store.writeDay(slashKey, QStringLiteral("2024-03-05"), {QStringLiteral("Bing|2|http://c.net/x")}));
    const QString csv = env.dataFile(QStringLiteral("fav.csv"));
    QCOMPARE(run(env, {QStringLiteral("favourites"), csv}), 0);
    QVERIFY(readback::csv(csv).contains(
        QStringList{QStringLiteral("c.net"), QStringLiteral("a/b keyword"), QStringLiteral("2024-03-05"),
                    QStringLiteral("Bing"), QStringLiteral("2"), QStringLiteral("http://c.net/x"),
                    QStringLiteral("Bing"), QStringLiteral("10"), QStringLiteral("0")}));
    // A favourite without any day file yet is a row of its own, so the
    // report names every favourite.
    QVERIFY(store.create(QStringLiteral("Google#d.org#new#2#1")));
    QCOMPARE(run(env, {QStringLiteral("favourites"), csv}), 0);
    QVERIFY(readback::csv(csv).contains(QStringList{QStringLiteral("d.org"),
                                                    QStringLiteral("new"),
                                                    {},
                                                    {},
                                                    {},
                                                    {},
                                                    QStringLiteral("Google"),
                                                    QStringLiteral("50"),
                                                    QStringLiteral("1")}));

    const QString txt = env.dataFile(QStringLiteral("fav.txt"));
    QCOMPARE(run(env, {QStringLiteral("favourites"), txt}), 0);
    QFile f(txt);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll().count("\r\n"), 3 + 6); // warning, empty line, header, six rows
}

void TestExportCommand::badArgumentsAndFailedWrites()
{
    TestEnv env;
    QVERIFY(env.isValid());
    QCOMPARE(run(env, {QStringLiteral("db")}), 2);
    QCOMPARE(run(env, {QStringLiteral("db"), env.dataFile(QStringLiteral("x.pdf"))}), 2);
    QCOMPARE(run(env, {QStringLiteral("ranks"), env.dataFile(QStringLiteral("x.csv"))}), 2);
    QVERIFY(!QFile::exists(env.dataFile(QStringLiteral("x.csv"))));
    QCOMPARE(run(env, {QStringLiteral("db"), env.dataFile(QStringLiteral("no/such/x.csv"))}), 1);
    // No favourites yet: a report with the header alone.
    QCOMPARE(run(env, {QStringLiteral("favourites"), env.dataFile(QStringLiteral("f.csv"))}), 0);
    QCOMPARE(readback::csv(env.dataFile(QStringLiteral("f.csv"))).size(), 1);
}

QTEST_GUILESS_MAIN(TestExportCommand)
#include "test_export_command.moc"
