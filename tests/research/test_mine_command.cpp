// "veltrana mine" and "veltrana counts" run as a user would: the built
// program against an in-process stand-in web, with its own data folder and
// settings. The tab mining the same seed shows the same rows.

#include "MiningExpect.h"
#include "common/ResultList.h"
#include "research/ui/MiningTab.h"
#include "store/KeywordStore.h"
#include "support/Interrupt.h"
#include "support/TestEnv.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QStringEncoder>
#include <csignal>
#include <sys/types.h>

namespace {

QString programPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/../veltrana"); }

} // namespace

class TestMineCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY2(QFile::exists(programPath()), "build the veltrana target first");
        f = std::make_unique<TestEnv>(TestEnv::OwnWeb);
        QVERIFY(f->isValid());
        // A fresh program data folder and settings for every case: the
        // database would otherwise answer later cases from today's rows.
        configDir = std::make_unique<QTemporaryDir>();
        programData = std::make_unique<QTemporaryDir>();
        QVERIFY(configDir->isValid() && programData->isValid());
        setIntervals(0);
    }
    void cleanup()
    {
        f.reset();
        programData.reset();
        configDir.reset();
    }

    void mineMatchesTheTab()
    {
        f->web().setRelatedCount(9);
        const QStringList lines = run({QStringLiteral("mine"), QStringLiteral("seo")});
        QCOMPARE(exitCode, 0);

        QStringList expected;
        for (const QString &kw : QStringList{QStringLiteral("seo")} + mining_expect::related(QStringLiteral("seo"), 9))
            expected << QStringList{kw, mining_expect::count(kw, Engine::Google),
                                    mining_expect::count(kw, Engine::Yahoo), mining_expect::count(kw, Engine::Bing)}
                            .join(QLatin1Char('\t'));
        QCOMPARE(lines, expected);

        // The tab, all three counts ticked, gives the same rows.
        MiningTab tab(*f->context);
        for (Engine e : kEngines)
            tab.findChild<QCheckBox *>(QStringLiteral("countBox_") + engineKey(e))->setChecked(true);
        tab.findChild<QLineEdit *>(QStringLiteral("seedEdit"))->setText(QStringLiteral("seo"));
        QTest::mouseClick(tab.findChild<QPushButton *>(QStringLiteral("startButton")), Qt::LeftButton);
        QStringList shown;
        const ResultList &list = tab.miner().result();
        for (int r = 0; r < list.count(); ++r)
            shown << QStringList{list.cell(r, 0), list.cell(r, 1), list.cell(r, 2), list.cell(r, 3)}.join(
                QLatin1Char('\t'));
        QCOMPARE(shown, lines);
    }

    void mineOptions()
    {
        const QStringList lines =
            run({QStringLiteral("mine"), QStringLiteral("seo"), QStringLiteral("--engines"), QStringLiteral("bing"),
                 QStringLiteral("--must-contain"), QStringLiteral("--exclude"), QStringLiteral("free|tips"),
                 QStringLiteral("--save")});
        QCOMPARE(exitCode, 0);
        QVERIFY(lines.size() > 3);
        for (const QString &line : lines) {
            const QStringList cells = line.split(QLatin1Char('\t'));
            QCOMPARE(cells.size(), 4);
            QVERIFY(cells.at(0).contains(QStringLiteral("seo")));
            QVERIFY(!cells.at(0).contains(QStringLiteral("free")) && !cells.at(0).contains(QStringLiteral("tips")));
            QCOMPARE(cells.at(1), QStringLiteral("-"));
            QCOMPARE(cells.at(2), QStringLiteral("-"));
            QCOMPARE(cells.at(3), mining_expect::count(cells.at(0), Engine::Bing));
        }
        // --save stored each row, with the seed as parent.
        KeywordStore store;
        QVERIFY(store.open(programData->filePath(QStringLiteral("db.sqlite"))));
        QCOMPARE(store.rowCount(), lines.size());
        const auto records = store.loadAll();
        QCOMPARE(records.last().keys, QStringLiteral("seo"));
        QCOMPARE(records.last().parentkeys, QStringLiteral("seo"));
        store.close();

        // Counts of today's rows come from the table: no request at all.
        f->web().clearLog();
        const QStringList counts = run({QStringLiteral("counts"), QStringLiteral("seo")});
        QCOMPARE(exitCode, 0);
        QCOMPARE(
            counts,
            QStringList{QStringLiteral("seo\t-\t-\t") + mining_expect::count(QStringLiteral("seo"), Engine::Bing)});
        QVERIFY(f->web().log().isEmpty());
    }

    void countsPrintsEachKeyword()
    {
        const QString odd = QStringLiteral("o'reilly & sons #1");
        const QStringList lines = run({QStringLiteral("counts"), QStringLiteral("seo tools"), odd});
        QCOMPARE(exitCode, 0);
        QStringList expected;
        for (const QString &kw : {QStringLiteral("seo tools"), odd})
            expected << QStringList{kw, mining_expect::count(kw, Engine::Google),
                                    mining_expect::count(kw, Engine::Yahoo), mining_expect::count(kw, Engine::Bing)}
                            .join(QLatin1Char('\t'));
        QCOMPARE(lines, expected);
        QCOMPARE(f->searches(QStringLiteral("yahoo"), odd), 1);
    }

    // The Baidu page count is a fifth column when Baidu is chosen.
    void countsReadsTheBaiduPageCount()
    {
        const QStringList lines =
            run({QStringLiteral("counts"), QStringLiteral("--engines"), QStringLiteral("bing,baidu"),
                 QStringLiteral("seo"), QStringLiteral("seo tools")});
        QCOMPARE(exitCode, 0);
        QStringList expected;
        for (const QString &kw : {QStringLiteral("seo"), QStringLiteral("seo tools")})
            expected << QStringList{kw, QStringLiteral("-"), QStringLiteral("-"),
                                    mining_expect::count(kw, Engine::Bing),
                                    QString::number(standin::detail::resultCount(kw, standin::detail::Baidu))}
                            .join(QLatin1Char('\t'));
        QCOMPARE(lines, expected);
        QCOMPARE(f->searches(QStringLiteral("baidu"), QStringLiteral("seo")), 1);
    }

    // doctor --live asks each engine once through the endpoints; the
    // stand-in's pages are the built-in set's markup.
    void doctorLiveAsksEachEngineOnce()
    {
        const QStringList lines = run({QStringLiteral("doctor"), QStringLiteral("--live")});
        QCOMPARE(exitCode, 0);
        QCOMPARE(lines.size(), 20);
        QCOMPARE(lines.filter(QStringLiteral("\tlive\treads")).size(), 10);
        for (const char *service : {"google", "yahoo", "bing", "baidu"})
            QCOMPARE(f->searches(QLatin1String(service), QStringLiteral("seo")), 1);
        f->web().setBehaviour(QStringLiteral("/bing/"), standin::Behaviour{0, 503, {}, false, false, -1});
        const QStringList failed = run({QStringLiteral("doctor"), QStringLiteral("--live")});
        QCOMPARE(exitCode, 3);
        QCOMPARE(failed.filter(QStringLiteral("Bing\tcount\tlive\tfailed: HTTP status 503")).size(), 1);
    }

    // A page the rules cannot read, or a wall, is said per request on
    // standard error, and the command ends with status 3.
    void unreadablePagesAreSaidAndFail()
    {
        standin::Behaviour odd;
        odd.replacesBody = true;
        odd.body = "<html><body><p>We have moved things around.</p></body></html>";
        f->web().setBehaviour(QStringLiteral("/google/"), odd);
        standin::Behaviour wall;
        wall.replacesBody = true;
        wall.body = QStringEncoder("GB18030").encode(QStringLiteral(
            "<html><head><title>百度安全验证</title></head><body><div id=\"verify\"></div></body></html>"));
        wall.contentType = "text/html; charset=gb2312";
        f->web().setBehaviour(QStringLiteral("/baidu/"), wall);
        run({QStringLiteral("counts"), QStringLiteral("--engines"), QStringLiteral("google,baidu"),
             QStringLiteral("seo")});
        QCOMPARE(exitCode, 3);
        QVERIFY2(errText.contains(QStringLiteral("veltrana: Google count of seo: unrecognised page\n")),
                 qPrintable(errText));
        QVERIFY2(errText.contains(QStringLiteral("veltrana: Baidu count of seo: unrecognised page\n")),
                 qPrintable(errText));
        // The shipped set knows Baidu's wall.
        run({QStringLiteral("--rules"), QStringLiteral("2019"), QStringLiteral("counts"), QStringLiteral("--engines"),
             QStringLiteral("baidu"), QStringLiteral("seo")});
        QCOMPARE(exitCode, 3);
        QVERIFY2(errText.contains(QStringLiteral("veltrana: Baidu count of seo: blocked\n")), qPrintable(errText));
        // Related searches of a page the rules cannot read: no keyword, a line, status 3.
        const QStringList mined =
            run({QStringLiteral("mine"), QStringLiteral("seo"), QStringLiteral("--engines"), QStringLiteral("bing")});
        QCOMPARE(exitCode, 3);
        QVERIFY2(errText.contains(QStringLiteral("veltrana: Google related searches of seo: unrecognised page\n")),
                 qPrintable(errText));
        for (const QString &line : mined)
            QVERIFY(!line.contains(QStringLiteral("moved")));
    }

    void badArgumentsGiveUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("mine without seed") << QStringList{QStringLiteral("mine")};
        QTest::newRow("mine with two seeds")
            << QStringList{QStringLiteral("mine"), QStringLiteral("a"), QStringLiteral("b")};
        QTest::newRow("unknown engine") << QStringList{QStringLiteral("mine"), QStringLiteral("seo"),
                                                       QStringLiteral("--engines"), QStringLiteral("google,altavista")};
        QTest::newRow("engines without list")
            << QStringList{QStringLiteral("counts"), QStringLiteral("seo"), QStringLiteral("--engines")};
        QTest::newRow("unknown option") << QStringList{QStringLiteral("mine"), QStringLiteral("seo"),
                                                       QStringLiteral("--fast")};
        QTest::newRow("counts without keyword") << QStringList{QStringLiteral("counts")};
        QTest::newRow("save is not a counts option")
            << QStringList{QStringLiteral("counts"), QStringLiteral("seo"), QStringLiteral("--save")};
    }
    void badArgumentsGiveUsage()
    {
        QFETCH(QStringList, args);
        const QStringList lines = run(args);
        QCOMPARE(exitCode, 2);
        QVERIFY(lines.isEmpty());
        QVERIFY2(errText.contains(QStringLiteral("usage:")), qPrintable(errText));
        QVERIFY(f->web().log().isEmpty());
    }

    void interruptStopsAfterTheCurrentKeyword()
    {
        f->web().setRelatedCount(12);
        setIntervals(1);
        QProcess p;
        start(p, {QStringLiteral("mine"), QStringLiteral("seo")});
        bool sent = false;
        const QByteArray out = interruptAfterLines(p, 2, &sent);
        QVERIFY(sent);
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 130);
        const QStringList lines = QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(lines.size() >= 2 && lines.size() <= 3, qPrintable(QString::number(lines.size()) + err + out));
        for (const QString &line : lines)
            QCOMPARE(line.split(QLatin1Char('\t')).size(), 4);
        QVERIFY(err.contains(QStringLiteral("interrupted")));
    }

    void secondInterruptEndsAtOnce_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("counts") << QStringList{QStringLiteral("counts"), QStringLiteral("seo"), QStringLiteral("sem")};
        QTest::newRow("mine") << QStringList{QStringLiteral("mine"), QStringLiteral("seo")};
    }

    void secondInterruptEndsAtOnce()
    {
        QFETCH(QStringList, args);
        // Google never answers: the first Ctrl-C waits for a request that
        // would only end at its 10-second limit; the second must not.
        f->web().setBehaviour(QStringLiteral("/google"), standin::Behaviour{0, 200, {}, false, true, -1});
        QProcess p;
        start(p, args);
        QTRY_VERIFY_WITH_TIMEOUT(!f->web().log(QStringLiteral("google")).isEmpty(), 5000);
        ::kill(pid_t(p.processId()), SIGINT);
        // The program says it heard the first one, and goes on waiting.
        QByteArray err;
        QVERIFY(QTest::qWaitFor(
            [&] {
                err += p.readAllStandardError();
                return err.contains("Ctrl-C again ends at once");
            },
            5000));
        QCOMPARE(p.state(), QProcess::Running);
        ::kill(pid_t(p.processId()), SIGINT);
        QTRY_VERIFY_WITH_TIMEOUT(p.state() == QProcess::NotRunning, 5000);
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 130);
    }

    void fieldsNeverSplitALine()
    {
        const QStringList lines =
            run({QStringLiteral("counts"), QStringLiteral("--engines=bing"), QStringLiteral("tab\there"),
                 QStringLiteral("new\nline"), QStringLiteral("--"), QStringLiteral("--looks-like-an-option")});
        QCOMPARE(exitCode, 0);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(0).split(QLatin1Char('\t')).value(0), QStringLiteral("tab here"));
        QCOMPARE(lines.at(1).split(QLatin1Char('\t')).value(0), QStringLiteral("new line"));
        QCOMPARE(lines.at(2).split(QLatin1Char('\t')).value(0), QStringLiteral("--looks-like-an-option"));
        for (const QString &line : lines) {
            const QStringList cells = line.split(QLatin1Char('\t'));
            QCOMPARE(cells.size(), 4);
            QCOMPARE(cells.at(1), QStringLiteral("-")); // Google not asked
        }
        QVERIFY(f->web().log(QStringLiteral("google")).isEmpty());
    }

    void concurrentSavesStoreEachKeywordOnce()
    {
        f->web().setRelatedCount(12);
        std::vector<std::unique_ptr<QProcess>> runs;
        for (int i = 0; i < 3; ++i) {
            runs.push_back(std::make_unique<QProcess>());
            start(*runs.back(), {QStringLiteral("mine"), QStringLiteral("seo"), QStringLiteral("--save")});
        }
        for (auto &p : runs) {
            waitForEnd(*p);
            QCOMPARE(p->exitCode(), 0);
        }
        KeywordStore store;
        QVERIFY(store.open(programData->filePath(QStringLiteral("db.sqlite"))));
        const QVector<KeywordStore::Record> rows = store.loadAll();
        QSet<QString> distinct;
        for (const KeywordStore::Record &r : rows)
            distinct.insert(r.keys);
        QCOMPARE(rows.size(), distinct.size());
        QCOMPARE(rows.size(), 1 + mining_expect::related(QStringLiteral("seo"), 12).size());
    }

    void writeErrorOnOutputFails()
    {
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full here");
        QProcess p;
        p.setStandardOutputFile(QStringLiteral("/dev/full"));
        start(p, {QStringLiteral("counts"), QStringLiteral("--engines=bing"), QStringLiteral("seo")});
        waitForEnd(p);
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(p.readAllStandardError().contains("cannot write"));
    }

private:
    void setIntervals(int seconds)
    {
        QDir(configDir->path()).mkpath(QStringLiteral("Veltrana"));
        QFile ini(configDir->filePath(QStringLiteral("Veltrana/V1.0.0.conf")));
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(QStringLiteral("[Config]\ngooglese=%1\nyahoose=%1\nbingse=%1\n").arg(seconds).toLatin1());
    }

    void start(QProcess &p, const QStringList &args)
    {
        QFile::remove(programData->filePath(QStringLiteral("endpoints.ini")));
        QVERIFY(f->web().writeEndpoints(programData->filePath(QStringLiteral("endpoints.ini"))));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir->path());
        env.remove(QStringLiteral("VELTRANA_HOME"));
        p.setProcessEnvironment(env);
        p.start(programPath(), QStringList{QStringLiteral("--data"), programData->path()} + args);
        QVERIFY(p.waitForStarted(5000));
    }

    void waitForEnd(QProcess &p) { QTRY_VERIFY_WITH_TIMEOUT(p.state() == QProcess::NotRunning, 20000); }

    // Runs the program to its end while this test's event loop keeps the
    // stand-in answering; returns its stdout lines.
    QStringList run(const QStringList &args)
    {
        QProcess p;
        start(p, args);
        waitForEnd(p);
        exitCode = p.exitCode();
        errText = QString::fromUtf8(p.readAllStandardError());
        return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    std::unique_ptr<TestEnv> f;
    std::unique_ptr<QTemporaryDir> configDir;
    std::unique_ptr<QTemporaryDir> programData;
    int exitCode = -1;
    QString errText;
};

QTEST_MAIN(TestMineCommand)
#include "test_mine_command.moc"
