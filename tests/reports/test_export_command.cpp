// "veltrana export db|favourites FILE": the keyword table and the favourites'
// history written as reports for scripts.

#include "context/AppContext.h"
#include "reports/ExportCommand.h"
#include "reports/ReadBack.h"
#include "store/FavouriteStore.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QtTest>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace {

// Runs `run` with standard error going to `fd`.
int withStderr(int fd, const std::function<int()> &run)
{
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(fd, STDERR_FILENO);
    const int result = run();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    return result;
}

} // namespace

class TestExportCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void databaseAsCsv();
    void favouritesHistoryAsWorkbookAndText();
    void badArgumentsAndFailedWrites();
    void progressOnlyOnATerminal();
    void tableTooLongForAWorkbookIsRefusedBeforeAnythingIsWritten();

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

void TestExportCommand::progressOnlyOnATerminal()
{
    TestEnv env;
    QVERIFY(env.isValid());
    const QDir data(env.dataDir);
    const QString folder = QStringLiteral("myfav/Google#a.com#seo#0#0");
    QVERIFY(data.mkpath(folder));
    {
        QFile f(data.filePath(folder + QStringLiteral("/2024-03-01.txt")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        for (int i = 0; i < 12000; ++i)
            f.write(QStringLiteral("Google|%1|http://a.com/%1\r\n").arg(i).toLatin1());
    }
    const QStringList args = {QStringLiteral("favourites"), env.dataFile(QStringLiteral("fav.csv"))};

    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        QSKIP("no pseudo-terminal on this machine");
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    QCOMPARE(withStderr(slave, [&] { return run(env, args); }), 0);
    QByteArray seen;
    char buffer[4096];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
        seen.append(buffer, n);
    ::close(slave);
    ::close(master);
    const QString terminal = QString::fromUtf8(seen);
    QList<int> percents;
    const QRegularExpression step(QStringLiteral("\rveltrana: exporting: (\\d+)%"));
    for (auto it = step.globalMatch(terminal); it.hasNext();)
        percents.append(it.next().captured(1).toInt());
    QVERIFY2(percents.size() >= 3, qPrintable(terminal));
    QCOMPARE(percents.first(), 0);
    QCOMPARE(percents.last(), 100);
    for (int i = 1; i < percents.size(); ++i)
        QVERIFY(percents.at(i) > percents.at(i - 1));
    QVERIFY(terminal.contains(QStringLiteral("veltrana: wrote 12000 rows")));
    QCOMPARE(readback::csv(args.at(1)).size(), 12001);

    // Into a file (a script's log) nothing but the usual lines.
    QTemporaryFile log;
    QVERIFY(log.open());
    QCOMPARE(withStderr(log.handle(), [&] { return run(env, args); }), 0);
    log.seek(0);
    const QByteArray logged = log.readAll();
    QVERIFY2(!logged.contains("exporting"), logged.constData());
    for (const QByteArray &l : logged.split('\n').mid(0, logged.count('\n')))
        QVERIFY2(l.startsWith("veltrana: "), logged.constData());
    QVERIFY(logged.contains("veltrana: wrote 12000 rows"));
}

void TestExportCommand::tableTooLongForAWorkbookIsRefusedBeforeAnythingIsWritten()
{
    TestEnv env;
    QVERIFY(env.isValid());
    env.seed({QStringLiteral("first")});
    {
        // One row more than a sheet holds under its header, stored in one go.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bulk"));
        db.setDatabaseName(env.dataFile(QStringLiteral("db.sqlite")));
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(
            q.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1048575)"
                                  " INSERT INTO keywords (keys) SELECT 'k' FROM n")));
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bulk"));
    const QString path = env.dataFile(QStringLiteral("all.xlsx"));
    const QString fresh = env.dataFile(QStringLiteral("new.xlsx"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("last week's workbook");
    }
    QTemporaryFile log;
    QVERIFY(log.open());
    QCOMPARE(withStderr(log.handle(), [&] { return run(env, {QStringLiteral("db"), path}); }), 1);
    QCOMPARE(withStderr(log.handle(), [&] { return run(env, {QStringLiteral("db"), fresh}); }), 1);
    log.seek(0);
    const QString said = QString::fromUtf8(log.readAll());
    QVERIFY2(said.startsWith(QStringLiteral("veltrana: cannot write ") + path
                             + QStringLiteral(": 1048576 rows do not fit a workbook")),
             qPrintable(said));
    QVERIFY(said.contains(QStringLiteral("列表共有1048576行")));
    QFile old(path);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("last week's workbook"));
    QVERIFY(!QFile::exists(fresh));
    QCOMPARE(QDir(env.dataDir).entryList({QStringLiteral("*.part")}, QDir::Files | QDir::Hidden), QStringList());
}

QTEST_GUILESS_MAIN(TestExportCommand)
#include "test_export_command.moc"
