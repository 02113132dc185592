// The real executable: the demo comes up offscreen and leaves cleanly, and
// the command dispatcher answers bad arguments with its usage.

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString programPath()
{
    // Tests live in bin/tests, the program in bin.
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../veltrana"));
}

struct Run {
    int status = -1;
    QString out;
    QString err;
    bool finished = false;
};

Run runProgram(const QStringList &args, const QProcessEnvironment &env, int timeoutMs)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(programPath(), args);
    Run r;
    if (!p.waitForStarted(5000))
        return r;
    r.finished = p.waitForFinished(timeoutMs);
    if (!r.finished) {
        p.kill();
        p.waitForFinished(2000);
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// Lines that Qt and Chromium print on a headless machine and that say
// nothing about the program.
bool harmless(const QString &line)
{
    static const QRegularExpression noise(QStringLiteral(
        "^\\s*$|^\\[\\d+:\\d+:|QStandardPaths|XDG_RUNTIME_DIR|propagateSizeHints|offscreen|"
        "Sandboxing disabled|sandbox|GPU|gpu|OpenGL|GL |dbus|D-Bus|libva|vaapi|Fontconfig|fontconfig|"
        "QSystemTrayIcon|This plugin does not support|Release of profile requested|"
        "Qt WebEngine|qt\\.webenginecontext|^\\s+\\*|^Surface |^Using |^Init Parameters|^GL Type|^QSG RHI|"
        "No suitable graphics backend|Path override failed|Could not find|Warning:"));
    return noise.match(line).hasMatch();
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(programPath()).isExecutable(), qPrintable(programPath() + " is not built"));
        QVERIFY(m_home.isValid());
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (!m_env.contains(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS")))
            m_env.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"), QStringLiteral("--no-sandbox --disable-gpu"));
        // Whatever the demo might wrongly write lands here, not in the user's home.
        m_env.insert(QStringLiteral("HOME"), m_home.path());
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        m_env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("share")));
        m_env.remove(QStringLiteral("VELTRANA_HOME"));
    }

    void demoComesUpAndLeaves()
    {
        // "ver.txt" goes to the demo's own copy of the program folder, never beside the program.
        const QString realVersionFile = QFileInfo(programPath()).absoluteDir().filePath(QStringLiteral("ver.txt"));
        const QFileInfo before(realVersionFile);
        const QDateTime writtenBefore = before.exists() ? before.lastModified() : QDateTime();
        const Run r = runProgram({QStringLiteral("--demo"), QStringLiteral("--quit-after"), QStringLiteral("1500")},
                                 m_env, 25000);
        QVERIFY2(r.finished, qPrintable(r.err));
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains(QStringLiteral("veltrana: window shown")), qPrintable(r.out));
        QStringList unexpected;
        for (const QString &line : r.err.split(QLatin1Char('\n'))) {
            if (!harmless(line))
                unexpected.append(line);
        }
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(QLatin1Char('\n'))));
        // The demo kept its settings in its throw-away folder.
        QVERIFY(!QFileInfo::exists(m_home.filePath(QStringLiteral("config/Veltrana/V1.0.0.conf"))));
        const QFileInfo after(realVersionFile);
        QCOMPARE(after.exists() ? after.lastModified() : QDateTime(), writtenBefore);
    }

    void badCommandLines_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("says");
        QTest::newRow("unknown command") << QStringList{QStringLiteral("frobnicate")}
                                         << QStringLiteral("unknown command: frobnicate");
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--bogus")}
                                        << QStringLiteral("unknown option: --bogus");
        QTest::newRow("with a data folder")
            << QStringList{QStringLiteral("--data"), m_home.filePath(QStringLiteral("d")), QStringLiteral("nope")}
            << QStringLiteral("unknown command: nope");
        QTest::newRow("data without a value") << QStringList{QStringLiteral("counts"), QStringLiteral("--data")}
                                              << QStringLiteral("unknown option: --data");
        QTest::newRow("data last") << QStringList{QStringLiteral("--data")}
                                   << QStringLiteral("missing value for --data");
        QTest::newRow("data empty") << QStringList{QStringLiteral("--data"), QString(), QStringLiteral("db"),
                                                   QStringLiteral("list")}
                                    << QStringLiteral("missing value for --data");
        QTest::newRow("data= empty") << QStringList{QStringLiteral("--data="), QStringLiteral("db"),
                                                    QStringLiteral("list")}
                                     << QStringLiteral("missing value for --data");
        QTest::newRow("demo with a command")
            << QStringList{QStringLiteral("--demo"), QStringLiteral("db"), QStringLiteral("list")}
            << QStringLiteral("--demo opens the window");
        QTest::newRow("demo with a data folder")
            << QStringList{QStringLiteral("--demo"), QStringLiteral("--data"), m_home.filePath(QStringLiteral("mine"))}
            << QStringLiteral("--demo keeps its own throw-away data folder");
    }
    void badCommandLines()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        const Run r = runProgram(args, m_env, 10000);
        QVERIFY(r.finished);
        QCOMPARE(r.status, 2);
        // "veltrana: <what failed>: <reason>" first, then the usage.
        const QString first = r.err.section(u'\n', 0, 0);
        QVERIFY2(first.startsWith(QStringLiteral("veltrana: ")) && first.contains(says), qPrintable(r.err));
        QVERIFY2(first.indexOf(QStringLiteral(": "), 10) > 10, qPrintable(first));
        QVERIFY2(r.err.section(u'\n', 1).startsWith(QStringLiteral("usage: veltrana")), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        // Nothing was written into a folder the command line named.
        QVERIFY(!QFileInfo::exists(m_home.filePath(QStringLiteral("mine/endpoints.ini"))));
    }

    void dataFolderAndOptionsEnd()
    {
        // "--" ends the program's options: what follows is the command.
        const QString data = m_home.filePath(QStringLiteral("listing"));
        QVERIFY(QDir().mkpath(data));
        const Run r = runProgram(
            {QStringLiteral("--data=") + data, QStringLiteral("--"), QStringLiteral("db"), QStringLiteral("list")},
            m_env, 10000);
        QCOMPARE(r.status, 0);
        QVERIFY(QFileInfo::exists(data + QStringLiteral("/db.sqlite")));
    }

    // Mistakes leave no trace: a missing data folder is not made by a
    // command that only reads, and a rejected command line makes no database.
    void mistakesCreateNothing_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("says");
        QTest::newRow("db list") << QStringList{"db", "list"} << QString();
        QTest::newRow("db refresh") << QStringList{"db", "refresh"} << QString();
        QTest::newRow("rank --favourites") << QStringList{"rank", "--favourites"} << QString();
        QTest::newRow("rank") << QStringList{"rank", "--site", "a.com", "--keyword", "k"} << QString();
        QTest::newRow("export db") << QStringList{"export", "db", "out.csv"} << QString();
        QTest::newRow("export favourites") << QStringList{"export", "favourites", "out.csv"} << QString();
        QTest::newRow("counts") << QStringList{"counts", "seo"} << QString();
        QTest::newRow("mine without --save, bad engines")
            << QStringList{"mine", "seo", "--engines", "altavista"} << QStringLiteral("--engines");
    }
    void mistakesCreateNothing()
    {
        QFETCH(QStringList, command);
        QFETCH(QString, says);
        const QString missing = m_home.filePath(QStringLiteral("no-such-folder"));
        const Run r = runProgram(QStringList{QStringLiteral("--data"), missing} + command, m_env, 10000);
        QVERIFY(r.finished);
        QCOMPARE(r.status, 2);
        const QString expected = says.isEmpty()
            ? QStringLiteral("veltrana: no such data folder: ") + QDir::toNativeSeparators(missing)
            : says;
        QVERIFY2(r.err.contains(expected), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        QVERIFY(!QFileInfo::exists(missing));
    }
    void wrongArgumentsMakeNoDatabase_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<int>("status");
        QTest::newRow("db lst") << QStringList{"db", "lst"} << 2;
        QTest::newRow("db list extra") << QStringList{"db", "list", "x"} << 2;
        QTest::newRow("db refresh bad engine") << QStringList{"db", "refresh", "--engines", "x"} << 2;
        QTest::newRow("export nothing") << QStringList{"export"} << 2;
        QTest::newRow("mine two seeds") << QStringList{"mine", "a", "b", "--save"} << 2;
        QTest::newRow("counts no keyword") << QStringList{"counts"} << 2;
        // Accepted, but these never need the database.
        QTest::newRow("export favourites") << QStringList{"export", "favourites", "fav.csv"} << -1;
        QTest::newRow("rank --favourites") << QStringList{"rank", "--favourites"} << -1;
        QTest::newRow("rank") << QStringList{"rank", "--site", "a.com", "--keyword", "k", "--engines", "google"} << -1;
        QTest::newRow("counts") << QStringList{"counts", "seo", "--engines", "google"} << -1;
        QTest::newRow("mine") << QStringList{"mine", "seo", "--engines", "google"} << -1;
    }
    void wrongArgumentsMakeNoDatabase()
    {
        QFETCH(QStringList, command);
        QFETCH(int, status);
        QTemporaryDir data;
        QVERIFY(data.isValid());
        // Nothing answers here: the requests fail at once.
        QFile ini(data.filePath(QStringLiteral("endpoints.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[endpoints]\ngoogle=http://127.0.0.1:9\nyahoo=http://127.0.0.1:9\nbing=http://127.0.0.1:9\n");
        ini.close();
        // No pacing waits between the requests that fail.
        QVERIFY(QDir(data.path()).mkpath(QStringLiteral("config/Veltrana")));
        QFile conf(data.filePath(QStringLiteral("config/Veltrana/V1.0.0.conf")));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("[Config]\ngooglese=0\nyahoose=0\nbingse=0\n");
        conf.close();
        QProcessEnvironment env = m_env;
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), data.filePath(QStringLiteral("config")));
        const QString cwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(data.path()));
        const Run r = runProgram(QStringList{QStringLiteral("--data"), data.path()} + command, env, 15000);
        QDir::setCurrent(cwd);
        QVERIFY(r.finished);
        if (status >= 0)
            QCOMPARE(r.status, status);
        QVERIFY2(!QFileInfo::exists(data.filePath(QStringLiteral("db.sqlite"))), qPrintable(r.err));
    }
    void helpIsUsage()
    {
        const Run r = runProgram({QStringLiteral("--help")}, m_env, 10000);
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains(QStringLiteral("usage: veltrana")));
        // Every command on a line of its own, with what it does.
        const QStringList lines =
            r.out.section(QStringLiteral("commands:\n"), 1).section(QStringLiteral("\n\n"), 0, 0).split(u'\n');
        QCOMPARE(lines.size(), 6);
        for (const char *command : {"mine", "counts", "db", "rank", "export", "doctor"}) {
            const QStringList own =
                lines.filter(QRegularExpression(QStringLiteral("^  %1 +\\S").arg(QLatin1String(command))));
            QVERIFY2(own.size() == 1, command);
        }
    }

    // doctor reads each set's sample pages beside the program: every line
    // "reads" and status 0; a rule that finds nothing is named, status 3.
    void doctorChecksTheRuleSets_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("lines");
        QTest::newRow("built-in") << QStringList{"doctor"} << 10;
        QTest::newRow("2019") << QStringList{"doctor", "--rules", "2019"} << 12;
        QTest::newRow("2026 chosen before the command") << QStringList{"--rules", "2026", "doctor"} << 12;
    }
    void doctorChecksTheRuleSets()
    {
        QFETCH(QStringList, args);
        QFETCH(int, lines);
        const Run r = runProgram(QStringList{QStringLiteral("--data"), m_home.path()} + args, m_env, 20000);
        QVERIFY(r.finished);
        QCOMPARE(r.status, 0);
        const QStringList rows = r.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), lines);
        for (const QString &row : rows) {
            const QStringList cells = row.split(u'\t');
            QCOMPARE(cells.size(), 4);
            QCOMPARE(cells.at(3), QStringLiteral("reads"));
        }
    }
    void doctorNamesWhatReadsNothing()
    {
        const QString samples = QFileInfo(programPath())
                                    .absoluteDir()
                                    .filePath(QStringLiteral("rules/samples/google-2019-attack-on-titan.html"));
        QVERIFY(QFileInfo::exists(samples));
        const QString file = m_home.filePath(QStringLiteral("stale.ini"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[set]\nname = stale\n[google]\ncount = //div[@id='resultStatsGone']\ncount.step = digits\n"
                "results = //div[hasclass('r')]/a/@href\nsample = "
                + samples.toUtf8() + "\n");
        f.close();
        const Run r = runProgram(
            {QStringLiteral("--data"), m_home.path(), QStringLiteral("doctor"), QStringLiteral("--rules"), file}, m_env,
            20000);
        QVERIFY(r.finished);
        QCOMPARE(r.status, 3);
        QCOMPARE(r.out,
                 QStringLiteral("Google\tcount\tgoogle-2019-attack-on-titan.html\tunrecognised page (missing: "
                                "count)\nGoogle\tresults\tgoogle-2019-attack-on-titan.html\treads\n"));
        QVERIFY2(r.err.contains(QStringLiteral("veltrana: doctor: some rules read nothing")), qPrintable(r.err));
        // A set that does not parse is no set that reads.
        const Run bad = runProgram({QStringLiteral("--data"), m_home.path(), QStringLiteral("doctor"),
                                    QStringLiteral("--rules"), QStringLiteral("1999")},
                                   m_env, 20000);
        QCOMPARE(bad.status, 3);
        QVERIFY2(bad.err.contains(QStringLiteral("no rule set named 1999")), qPrintable(bad.err));
        const Run usage =
            runProgram({QStringLiteral("--data"), m_home.path(), QStringLiteral("doctor"), QStringLiteral("--lively")},
                       m_env, 20000);
        QCOMPARE(usage.status, 2);
    }

    void bothProgramsSayTheirVersion()
    {
        const Run r = runProgram({QStringLiteral("--version")}, m_env, 10000);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QStringLiteral("veltrana 1.0\n"));
        QProcess update;
        update.start(QFileInfo(programPath()).absoluteDir().filePath(QStringLiteral("update")),
                     {QStringLiteral("--version")});
        QVERIFY(update.waitForFinished(10000));
        QCOMPARE(update.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(update.readAllStandardOutput()), QStringLiteral("update 1.0\n"));
    }

private:
    QTemporaryDir m_home;
    QProcessEnvironment m_env;
};

QTEST_GUILESS_MAIN(TestProgram)
#include "test_program.moc"
