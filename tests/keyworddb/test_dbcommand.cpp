// "veltrana db list", "veltrana db refresh" and "veltrana db import":
// arguments, output, Ctrl-C after the row in progress, no lost row when the
// process is killed, and an import that stores all of a file or nothing.

#include "keyworddb/DbCommand.h"
#include "support/FileBytes.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringEncoder>
#include <QTest>
#include <csignal>
#include <sys/types.h>

class TestDbCommand : public QObject
{
    Q_OBJECT

private:
    // A program started as a process runs on the real clock, not the test's
    // fake one: its rows are dated with the real day.
    static QString programToday() { return KeywordStore::dateText(QDate::currentDate()); }

    // The program beside the test programs' folder (bin/veltrana).
    static QString program()
    {
        return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../veltrana"));
    }

    // A child process on the fixture's data folder (which holds the stand-in's
    // endpoints, if any), with its settings in that folder too (engine intervals 0).
    static void prepare(QProcess &p, TestEnv &f)
    {
        const QString config = f.dataFile(QStringLiteral("config"));
        QDir().mkpath(config + QStringLiteral("/Veltrana"));
        QFile conf(config + QStringLiteral("/Veltrana/V1.0.0.conf"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("[Config]\ngooglese=0\nyahoose=0\nbingse=0\n");
        conf.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.setProgram(program());
        QVERIFY2(QFile::exists(program()), "build the veltrana target first");
    }

    static QStringList args(TestEnv &f, const QStringList &command)
    {
        return QStringList{QStringLiteral("--data"), f.dataDir} + command;
    }

    // Progress lines ("veltrana: 3/8<TAB>keyword<TAB>...") read so far from
    // stderr, where every line is the program's.
    static void readProgress(QProcess &p, QByteArray &buffer, QStringList &rows)
    {
        buffer += p.readAllStandardError();
        int nl;
        while ((nl = buffer.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(buffer.left(nl));
            buffer.remove(0, nl + 1);
            QVERIFY2(line.startsWith(QLatin1String("veltrana: ")), qPrintable(line));
            const QStringList fields = line.mid(10).split(u'\t');
            if (fields.size() == 6 && fields.first().contains(u'/'))
                rows.append(fields.at(1));
        }
    }

    static QStringList seedRows(TestEnv &f, int n)
    {
        QStringList keywords;
        for (int i = n; i >= 1; --i)
            keywords.append(QStringLiteral("row %1").arg(i));
        f.seed(keywords);
        return keywords;
    }

private Q_SLOTS:
    void badArgumentsGiveUsageAndStatusTwo()
    {
        TestEnv f;
        const QList<QStringList> bad{
            {QStringLiteral("db")},
            {QStringLiteral("db"), QStringLiteral("drop")},
            {QStringLiteral("db"), QStringLiteral("list"), QStringLiteral("extra")},
            {QStringLiteral("db"), QStringLiteral("refresh"), QStringLiteral("--engines")},
            {QStringLiteral("db"), QStringLiteral("refresh"), QStringLiteral("--engines"), QStringLiteral("altavista")},
            {QStringLiteral("db"), QStringLiteral("refresh"), QStringLiteral("--fast")},
        };
        for (const QStringList &a : bad)
            QVERIFY2(runDbCommand(*f.context, a) == 2, qPrintable(a.join(u' ')));
        QCOMPARE(f.store().rowCount(), 0);

        QProcess p;
        prepare(p, f);
        p.setArguments(args(f, {QStringLiteral("db"), QStringLiteral("refresh"), QStringLiteral("--engines=ask")}));
        p.start();
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(p.readAllStandardError().contains("usage: veltrana db"));
        QVERIFY(p.readAllStandardOutput().isEmpty());
    }

    void listPrintsTheTableNewestFirst()
    {
        TestEnv f;
        QVERIFY(f.store().insert(QStringLiteral("old"), QStringLiteral("p"),
                                 {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}, QDate(2024, 1, 1)));
        QVERIFY(f.store().insert(QStringLiteral("新 词"), QStringLiteral("种子"),
                                 {QStringLiteral("4"), QStringLiteral("-"), QStringLiteral("-")}, QDate(2024, 1, 2)));
        QProcess p;
        prepare(p, f);
        p.setArguments(args(f, {QStringLiteral("db"), QStringLiteral("list")}));
        p.start();
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()),
                 QStringLiteral("新 词\t种子\t4\t-\t-\t2024-01-02\nold\tp\t1\t2\t3\t2024-01-01\n"));
    }

    void refreshWithChosenEnginesInProcess()
    {
        TestEnv f(TestEnv::OwnWeb);
        seedRows(f, 2);
        QCOMPARE(runDbCommand(*f.context,
                              {QStringLiteral("db"), QStringLiteral("refresh"), QStringLiteral("--engines"),
                               QStringLiteral("bing,Google")}),
                 0);
        QVERIFY(f.web().log(QStringLiteral("yahoo")).isEmpty());
        QCOMPARE(f.web().log(QStringLiteral("google")).size(), 2);
        QCOMPARE(f.web().log(QStringLiteral("bing")).size(), 2);
        const auto stored = f.store().find(QStringLiteral("row 2"));
        QCOMPARE(stored->counts.yahoo, QStringLiteral("7"));
        QVERIFY(stored->counts.google != QStringLiteral("7"));
        QCOMPARE(stored->adddate, TestEnv::today());
    }

    // A page the rules cannot read is a failed request: status 3, the
    // stored counts stay.
    void refreshOfUnreadablePagesExitsWithThree()
    {
        TestEnv f(TestEnv::OwnWeb);
        seedRows(f, 2);
        standin::Behaviour odd;
        odd.replacesBody = true;
        odd.body = "<html><body><p>We have moved things around.</p></body></html>";
        f.web().setBehaviour(QStringLiteral("/google"), odd);
        QCOMPARE(runDbCommand(*f.context,
                              {QStringLiteral("db"), QStringLiteral("refresh"), QStringLiteral("--engines"),
                               QStringLiteral("google")}),
                 3);
        QCOMPARE(f.store().find(QStringLiteral("row 2"))->counts.google, QStringLiteral("7"));
        QCOMPARE(f.store().find(QStringLiteral("row 1"))->counts.google, QStringLiteral("7"));
    }

    void ctrlCStopsAfterTheRowInProgress()
    {
        TestEnv f(TestEnv::OwnWeb);
        seedRows(f, 8);
        f.web().setBehaviour(QStringLiteral("/google"), standin::Behaviour{250, 200, {}, false, false, -1});
        QProcess p;
        prepare(p, f);
        p.setArguments(args(
            f,
            {QStringLiteral("db"), QStringLiteral("refresh"), QStringLiteral("--engines"), QStringLiteral("google")}));
        p.start();
        QVERIFY(p.waitForStarted(5000));
        QByteArray buffer;
        QStringList reported;
        QVERIFY(QTest::qWaitFor(
            [&] {
                readProgress(p, buffer, reported);
                return reported.size() >= 2;
            },
            15000));
        ::kill(pid_t(p.processId()), SIGINT);
        QVERIFY(QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 10000));
        readProgress(p, buffer, reported);
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 130);
        QVERIFY(reported.size() < 8);

        // Exactly the reported rows carry today's date.
        for (int i = 1; i <= 8; ++i) {
            const QString keyword = QStringLiteral("row %1").arg(i);
            const auto stored = f.store().find(keyword);
            QVERIFY(stored);
            QCOMPARE(stored->adddate == programToday(), reported.contains(keyword));
        }
    }

    void killedRefreshLosesNoReportedRow()
    {
        TestEnv f(TestEnv::OwnWeb);
        seedRows(f, 10);
        f.web().setBehaviour(QStringLiteral("/google"), standin::Behaviour{200, 200, {}, false, false, -1});
        QProcess p;
        prepare(p, f);
        p.setArguments(args(f, {QStringLiteral("db"), QStringLiteral("refresh")}));
        p.start();
        QVERIFY(p.waitForStarted(5000));
        QByteArray buffer;
        QStringList reported;
        QVERIFY(QTest::qWaitFor(
            [&] {
                readProgress(p, buffer, reported);
                return reported.size() >= 3;
            },
            15000));
        p.kill(); // SIGKILL
        QVERIFY(QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 5000));
        QCOMPARE(p.exitStatus(), QProcess::CrashExit);
        QVERIFY(reported.size() < 10);

        // A fresh connection sees every reported row's new counts and date.
        KeywordStore reopened;
        QVERIFY(reopened.open(f.dataFile(QStringLiteral("db.sqlite"))));
        QCOMPARE(reopened.rowCount(), 10);
        for (const QString &keyword : reported) {
            const auto stored = reopened.find(keyword);
            QVERIFY(stored);
            QCOMPARE(stored->adddate, programToday());
            for (const QString &count : {stored->counts.google, stored->counts.yahoo, stored->counts.bing}) {
                bool ok = false;
                count.toLongLong(&ok);
                QVERIFY2(ok && count != QStringLiteral("7"), qPrintable(keyword + QLatin1Char(' ') + count));
            }
        }
    }

    void importArgumentsAndFilesThatStoreNothing()
    {
        TestEnv f;
        const QList<QStringList> bad{
            {QStringLiteral("db"), QStringLiteral("import")},
            {QStringLiteral("db"), QStringLiteral("import"), QStringLiteral("a.txt"), QStringLiteral("b.txt")},
            {QStringLiteral("db"), QStringLiteral("import"), QStringLiteral("--fast"), QStringLiteral("a.txt")},
        };
        for (const QStringList &a : bad)
            QVERIFY2(runDbCommand(*f.context, a) == 2, qPrintable(a.join(u' ')));
        QCOMPARE(
            runDbCommand(*f.context,
                         {QStringLiteral("db"), QStringLiteral("import"), f.dataFile(QStringLiteral("missing.txt"))}),
            1);
        // A report of the table whose last row lost a field: not even its
        // good rows are stored.
        const QString cut = f.dataFile(QStringLiteral("cut.csv"));
        TestFiles::put(cut,
                       QStringLiteral("\uFEFF关键词,父关键词,Google收录,Yahoo收录,Bing收录,更新日期\r\n"
                                      "a,p,1,2,3,2024-01-01\r\nb,p,1,2,3\r\n")
                           .toUtf8());
        QCOMPARE(runDbCommand(*f.context, {QStringLiteral("db"), QStringLiteral("import"), cut}), 1);
        QCOMPARE(f.store().rowCount(), 0);
    }

    void importInProcessSaysAddedAndSkipped()
    {
        TestEnv f;
        f.seed({QStringLiteral("seo")});
        const QString list = f.dataFile(QStringLiteral("list.txt"));
        QStringEncoder gb("GB18030");
        TestFiles::put(list, gb.encode(QStringLiteral("seo\r\n小说\r\n 小说 \r\n")));
        QProcess p;
        prepare(p, f);
        p.setArguments(args(f, {QStringLiteral("db"), QStringLiteral("import"), list}));
        p.start();
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()),
                 QStringLiteral("veltrana: imported %1 (keyword list): added 1, skipped 2 (already stored, repeated or "
                                "without a keyword)\n")
                     .arg(list));
        QVERIFY(p.readAllStandardOutput().isEmpty());
        QCOMPARE(f.store().loadAll().first().keys, QStringLiteral("小说"));
        QCOMPARE(f.store().loadAll().first().adddate, programToday());

        const QString bad = f.dataFile(QStringLiteral("bad.tsv"));
        TestFiles::put(bad, "Keyword\tAvg. monthly searches\nnew\t10\nseo\t10\t\"x\n");
        p.setArguments(args(f, {QStringLiteral("db"), QStringLiteral("import"), bad}));
        p.start();
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()),
                 QStringLiteral("veltrana: cannot import %1: line 3: a quoted field is never closed\n").arg(bad));
        QCOMPARE(f.store().rowCount(), 2);

        // A bad file on a folder without a database does not make one.
        const QString fresh = f.dataFile(QStringLiteral("fresh"));
        QVERIFY(QDir().mkpath(fresh));
        p.setArguments({QStringLiteral("--data"), fresh, QStringLiteral("db"), QStringLiteral("import"), bad});
        p.start();
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(QDir(fresh).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestDbCommand)
#include "test_dbcommand.moc"
