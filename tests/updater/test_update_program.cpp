// The real `update` program, copied into a throw-away program folder and run
// against the stand-in: single instance, the command line, the working
// folder at exit, an automatic update, and the main program's hand-over.

#include "StandIn.h"
#include "app/Startup.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QEventLoop>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

namespace {

const QByteArray FakeProgram = "#!/bin/sh\n"
                               "d=$(dirname \"$0\")\n"
                               "{ echo \"$0\"; echo \"$#\"; for a in \"$@\"; do echo \"$a\"; done; } > \"$d/started.part\"\n"
                               "mv \"$d/started.part\" \"$d/started.txt\"\n";

QString builtUpdater()
{
    // Tests live in bin/tests, the programs in bin.
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../update"));
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
}

// The updater works on the folder it lives in, so each test gets its own copy.
QString installUpdater(const QString &programDir)
{
    QDir().mkpath(programDir);
    const QString path = QDir(programDir).filePath(QStringLiteral("update"));
    if (!QFile::copy(builtUpdater(), path))
        return {};
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
    return path;
}

int pageRequests(const standin::StandIn &standIn)
{
    int n = 0;
    for (const auto &r : standIn.log(QStringLiteral("update")))
        n += r.path == QLatin1String("/veltrana/ver.htm") ? 1 : 0;
    return n;
}

struct Program {
    QProcess process;
    Program(const QString &path, const QStringList &args, const QString &home = QString())
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("VELTRANA_HOME"));
        if (!home.isEmpty()) {
            // Whatever it wrote to the user's folders would land here.
            env.insert(QStringLiteral("HOME"), home);
            env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
            env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/share"));
            env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
        }
        process.setProcessEnvironment(env);
        process.start(path, args);
    }
    ~Program()
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            process.waitForFinished(3000);
        }
    }
    // Waits in a local event loop, so the stand-in in this process keeps answering.
    bool finishes(int ms)
    {
        if (process.state() == QProcess::NotRunning)
            return true;
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        loop.exec();
        return process.state() == QProcess::NotRunning;
    }
};

} // namespace

class TestUpdateProgram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(builtUpdater()).isExecutable(), qPrintable(builtUpdater() + " is not built"));
        QVERIFY(m_standIn.listen());
        m_endpoint = m_standIn.serviceBase(QStringLiteral("update"));
    }

    void init()
    {
        m_standIn.clearBehaviours();
        m_standIn.clearLog();
        m_standIn.setPublishedVersion(QStringLiteral("1.0"));
        m_standIn.setUpdateFiles(m_standIn.downloadUrl(QStringLiteral("notes.txt")) + QStringLiteral("||")
                                 + m_standIn.downloadUrl(QStringLiteral("veltrana-newver")));
        m_standIn.setDownload(QStringLiteral("veltrana-newver"), FakeProgram);
    }

    void secondInstanceDoesNothing()
    {
        QTemporaryDir root;
        const QString program = root.filePath(QStringLiteral("program"));
        const QString updater = installUpdater(program);
        QVERIFY(!updater.isEmpty());
        writeFile(QDir(program).filePath(QStringLiteral("ver.txt")), "1.0\r\n");

        Program first(updater, {QStringLiteral("--endpoint"), m_endpoint});
        QTRY_VERIFY_WITH_TIMEOUT(pageRequests(m_standIn) == 1, 10000);
        QVERIFY(QFileInfo(QDir(program).filePath(QStringLiteral("Temp/Tidewise_0000"))).isDir());

        Program second(updater, {QStringLiteral("--endpoint"), m_endpoint});
        QVERIFY(second.finishes(10000));
        QCOMPARE(second.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.process.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(QDir(program).filePath(QStringLiteral("Temp/Tidewise_0001"))));
        QCOMPARE(pageRequests(m_standIn), 1);
        QCOMPARE(first.process.state(), QProcess::Running);
    }

    void missingScriptFolderEndsAtOnce()
    {
        QTemporaryDir root;
        const QString program = root.filePath(QStringLiteral("program"));
        const QString updater = installUpdater(program);
        Program run(updater, {root.filePath(QStringLiteral("no/such/folder/update.ris")), QStringLiteral("--endpoint"),
                              m_endpoint});
        QVERIFY(run.finishes(10000));
        QCOMPARE(run.process.exitCode(), 1);
        QVERIFY(!QFileInfo::exists(QDir(program).filePath(QStringLiteral("Temp"))));
        QCOMPARE(pageRequests(m_standIn), 0);
    }

    void quietCheckWithoutUpdateLeavesNoTemp_data()
    {
        QTest::addColumn<bool>("earlierFolderLeft");
        QTest::newRow("clean start") << false;
        QTest::newRow("an earlier Tidewise_0000 is left") << true;
    }
    void quietCheckWithoutUpdateLeavesNoTemp()
    {
        QFETCH(bool, earlierFolderLeft);
        QTemporaryDir root;
        const QString program = root.filePath(QStringLiteral("program"));
        const QString updater = installUpdater(program);
        writeFile(QDir(program).filePath(QStringLiteral("ver.txt")), "1.0\r\n");
        // The working folder goes beside the script path, not the program.
        const QString base = root.filePath(QStringLiteral("base"));
        QVERIFY(QDir().mkpath(base));
        if (earlierFolderLeft) {
            QVERIFY(QDir().mkpath(base + QStringLiteral("/Temp/Tidewise_0000")));
            writeFile(base + QStringLiteral("/Temp/Tidewise_0000/left.txt"), "x");
        }

        Program run(updater, {QStringLiteral("/n"), base + QStringLiteral("/update.ris"), QStringLiteral("--endpoint"),
                              m_endpoint});
        QVERIFY(run.finishes(10000));
        QCOMPARE(run.process.exitCode(), 0);
        QCOMPARE(pageRequests(m_standIn), 1);
        QVERIFY(!QFileInfo::exists(QDir(program).filePath(QStringLiteral("Temp"))));
        if (earlierFolderLeft) {
            QCOMPARE(QDir(base + QStringLiteral("/Temp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                     QStringList{QStringLiteral("Tidewise_0000")});
            QVERIFY(QFileInfo::exists(base + QStringLiteral("/Temp/Tidewise_0000/left.txt")));
        } else {
            QVERIFY(!QFileInfo::exists(base + QStringLiteral("/Temp")));
        }
    }

    void automaticUpdateInstallsAndStartsTheNewProgram()
    {
        QTemporaryDir root;
        const QString program = root.filePath(QStringLiteral("program"));
        const QString updater = installUpdater(program);
        writeFile(QDir(program).filePath(QStringLiteral("ver.txt")), "1.0\r\n");
        writeFile(QDir(program).filePath(QStringLiteral("veltrana")), "#!/bin/sh\necho old\n");
        m_standIn.setPublishedVersion(QStringLiteral("1.1"));

        const QString home = root.filePath(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(home));
        Program run(updater, {QStringLiteral("/a"), QStringLiteral("--endpoint"), m_endpoint}, home);
        QVERIFY(run.finishes(10000));
        QCOMPARE(run.process.exitCode(), 0);
        const QString main = QDir(program).filePath(QStringLiteral("veltrana"));
        QCOMPARE(readFile(main), FakeProgram);
        QVERIFY(readFile(QDir(program).filePath(QStringLiteral("notes.txt"))).startsWith("Veltrana 1.1"));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(QDir(program).filePath(QStringLiteral("started.txt"))), 5000);
        QCOMPARE(readFile(QDir(program).filePath(QStringLiteral("started.txt"))), main.toUtf8() + "\n0\n");
        QStringList left = QDir(program).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        left.sort();
        QCOMPARE(left, (QStringList{"notes.txt", "started.txt", "update", "veltrana", "ver.txt"}));
        // Nothing outside the program folder: not in the user's folders, not beside it.
        QCOMPARE(QDir(home).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
        QCOMPARE(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 (QStringList{"home", "program"}));
    }

    // The main program's start-up finds a new version and starts the real
    // updater from its program folder; the updater reads the endpoint from the
    // data folder and asks the stand-in.
    void mainProgramHandsOverToTheUpdater()
    {
        TestEnv env(&m_standIn, TestEnv::BeforeStartUp);
        const QString updater = installUpdater(env.programDir);
        QVERIFY(!updater.isEmpty());
        m_standIn.setPublishedVersion(QStringLiteral("1.1"));
        const QByteArray oldHome = qgetenv("VELTRANA_HOME");
        qputenv("VELTRANA_HOME", env.dataDir.toUtf8()); // what a user with a data folder of their own has
        qputenv("QT_QPA_PLATFORM", "offscreen");

        Startup startup(*env.context);
        const Startup::Outcome outcome = startup.run();
        if (oldHome.isNull())
            qunsetenv("VELTRANA_HOME");
        else
            qputenv("VELTRANA_HOME", oldHome);
        QCOMPARE(outcome, Startup::Outcome::HandedOver);

        QTRY_VERIFY_WITH_TIMEOUT(pageRequests(m_standIn) == 1, 10000);
        QVERIFY(QFileInfo(QDir(env.programDir).filePath(QStringLiteral("Temp/Tidewise_0000"))).isDir());
        QCOMPARE(readFile(QDir(env.programDir).filePath(QStringLiteral("ver.txt"))), QByteArray("1.0\r\n"));

        // It waits for the user; the test ends the process it had started.
        qint64 pid = 0;
        QString host;
        QString app;
        QLockFile lock(QDir(env.programDir).filePath(QStringLiteral("update.lock")));
        QVERIFY(lock.getLockInfo(&pid, &host, &app));
        QCOMPARE(app, QStringLiteral("update"));
        QVERIFY(pid > 0);
        QCOMPARE(::kill(pid_t(pid), SIGTERM), 0);
    }

private:
    standin::StandIn m_standIn;
    QString m_endpoint;
};

QTEST_GUILESS_MAIN(TestUpdateProgram)
#include "test_update_program.moc"
