// The real `update` program, copied into a throw-away program folder and run
// against the stand-in: single instance, the command line, the working
// folder at exit, an automatic update, and the main program's hand-over.

#include "StandIn.h"
#include "app/Startup.h"
#include "support/FileBytes.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

namespace {

// Stands in for the main program: notes where it ran from and with which
// arguments, and writes its version into "ver.txt" as the main program does.
QByteArray fakeProgram(const QByteArray &version)
{
    return "#!/bin/sh\n"
           "d=$(dirname \"$0\")\n"
           "{ echo \"$0\"; echo \"$#\"; for a in \"$@\"; do echo \"$a\"; done; } > \"$d/started.part\"\n"
           "printf '"
        + version
        + "\\r\\n' > \"$d/ver.txt\"\n"
          "mv \"$d/started.part\" \"$d/started.txt\"\n";
}
const QByteArray FakeProgram = fakeProgram("1.1");
const QByteArray OldProgram = fakeProgram("1.0");

// A port nobody listens on: connections to it are refused.
QString refusedEndpoint()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return QStringLiteral("http://127.0.0.1:%1/update").arg(server.serverPort());
}

QString builtUpdater()
{
    // Tests live in bin/tests, the programs in bin.
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../update"));
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
    // Waits until the updater says `text` on stderr (or ends).
    bool says(const QString &text, int ms)
    {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        const QMetaObject::Connection reading =
            QObject::connect(&process, &QProcess::readyReadStandardError, &loop, [&] {
                err += QString::fromUtf8(process.readAllStandardError());
                if (err.contains(text))
                    loop.quit();
            });
        QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        err += QString::fromUtf8(process.readAllStandardError());
        if (!err.contains(text))
            loop.exec();
        QObject::disconnect(reading);
        err += QString::fromUtf8(process.readAllStandardError());
        return err.contains(text);
    }
    QString err;

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
        Program run(
            updater,
            {root.filePath(QStringLiteral("no/such/folder/update.ris")), QStringLiteral("--endpoint"), m_endpoint});
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

        Program run(
            updater,
            {QStringLiteral("/n"), base + QStringLiteral("/update.ris"), QStringLiteral("--endpoint"), m_endpoint});
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

    void automaticUpdate_data()
    {
        QTest::addColumn<QByteArray>("published");
        QTest::addColumn<bool>("kept");
        QTest::newRow("a program that runs is kept") << FakeProgram << true;
        QTest::newRow("a program that exits at once is not") << QByteArray("#!/bin/sh\nexit 1\n") << false;
        QTest::newRow("an empty program is not") << QByteArray(" ") << false;
    }
    void automaticUpdate()
    {
        QFETCH(QByteArray, published);
        QFETCH(bool, kept);
        QTemporaryDir root;
        const QString program = root.filePath(QStringLiteral("program"));
        const QString updater = installUpdater(program);
        const QString data = root.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(data));
        writeFile(QDir(program).filePath(QStringLiteral("ver.txt")), "1.0\r\n");
        writeFile(QDir(program).filePath(QStringLiteral("veltrana")), OldProgram);
        writeFile(QDir(program).filePath(QStringLiteral("notes.txt")), "old notes");
        // The updater finds its service in the data folder it was handed.
        writeFile(QDir(data).filePath(QStringLiteral("endpoints.ini")),
                  "[endpoints]\nupdate=" + m_endpoint.toUtf8() + "\n");
        m_standIn.setPublishedVersion(QStringLiteral("1.1"));
        m_standIn.setDownload(QStringLiteral("veltrana-newver"), published);

        const QString home = root.filePath(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(home));
        Program run(updater,
                    {QStringLiteral("/a"), QStringLiteral("--data"), data, QStringLiteral("--proof-ms"),
                     QStringLiteral("1000")},
                    home);
        if (!kept) {
            // It says why, shows its window and waits for the user.
            QVERIFY(run.says(QStringLiteral("更新失败："), 10000));
            QVERIFY2(run.err.contains(QStringLiteral("已恢复并启动原来的版本。")), qPrintable(run.err));
        } else {
            QVERIFY(run.finishes(10000));
            QCOMPARE(run.process.exitCode(), 0);
        }
        const QString main = QDir(program).filePath(QStringLiteral("veltrana"));
        QCOMPARE(TestFiles::bytesOf(main), kept ? FakeProgram : OldProgram);
        QVERIFY(QFileInfo(main).isExecutable());
        QCOMPARE(TestFiles::bytesOf(QDir(program).filePath(QStringLiteral("notes.txt"))).startsWith("Veltrana 1.1"),
                 kept);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(QDir(program).filePath(QStringLiteral("started.txt"))), 5000);
        // Started (the new one, or the old one again) with the data folder handed back.
        QCOMPARE(TestFiles::bytesOf(QDir(program).filePath(QStringLiteral("started.txt"))),
                 main.toUtf8() + "\n2\n--data\n" + data.toUtf8() + "\n");
        if (!kept)
            return;
        QStringList left = QDir(program).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        left.sort();
        QCOMPARE(left, (QStringList{"notes.txt", "started.txt", "update", "veltrana", "ver.txt"}));
        // Nothing outside the program folder: not in the user's folders, not beside it.
        QCOMPARE(QDir(home).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
        QCOMPARE(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 (QStringList{"data", "home", "program"}));
    }

    // SIGKILL between any two steps of the replacement leaves a runnable
    // main program, and the next run clears what was left.
    void aKillAtAnyStepLeavesARunnableProgram_data()
    {
        QTest::addColumn<QString>("step");
        for (const char *step : {"notes.txt.new written", "notes.txt.old kept", "notes.txt replaced",
                                 "veltrana.new written", "veltrana.old kept", "veltrana replaced"})
            QTest::newRow(step) << QString::fromLatin1(step);
        QTest::newRow("while downloading") << QString();
    }
    void aKillAtAnyStepLeavesARunnableProgram()
    {
        QFETCH(QString, step);
        QTemporaryDir root;
        const QString program = root.filePath(QStringLiteral("program"));
        const QString updater = installUpdater(program);
        writeFile(QDir(program).filePath(QStringLiteral("ver.txt")), "1.0\r\n");
        writeFile(QDir(program).filePath(QStringLiteral("veltrana")), OldProgram);
        writeFile(QDir(program).filePath(QStringLiteral("notes.txt")), "old notes");
        m_standIn.setPublishedVersion(QStringLiteral("1.1"));
        m_standIn.setDownload(QStringLiteral("veltrana-newver"), FakeProgram + QByteArray(40000, '#'));
        if (step.isEmpty()) {
            standin::Behaviour slow;
            slow.slowBodyMs = 50;
            m_standIn.setBehaviour(QStringLiteral("/update/files/veltrana-newver"), slow);
        }

        Program run(updater,
                    {QStringLiteral("/a"), QStringLiteral("--endpoint"), m_endpoint, QStringLiteral("--hold-after"),
                     step.isEmpty() ? QStringLiteral("-") : step});
        const QString part = QDir(program).filePath(QStringLiteral("Temp/Tidewise_0000/veltrana-newver.part"));
        if (step.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(part).size() > 0, 10000);
        else
            QVERIFY2(run.says(QStringLiteral("update: step ") + step + u'\n', 10000), qPrintable(run.err));
        QCOMPARE(::kill(pid_t(run.process.processId()), SIGKILL), 0);
        QVERIFY(run.finishes(5000));

        const QString main = QDir(program).filePath(QStringLiteral("veltrana"));
        QVERIFY(QFileInfo(main).isExecutable());
        const QByteArray now = TestFiles::bytesOf(main);
        QVERIFY(now == OldProgram || now == FakeProgram + QByteArray(40000, '#'));
        QProcess runs;
        runs.start(main, {});
        QVERIFY(runs.waitForFinished(5000));
        QCOMPARE(runs.exitStatus(), QProcess::NormalExit);
        QCOMPARE(runs.exitCode(), 0);

        // The next run (here one that finds no server) puts the folder right first.
        Program next(updater, {QStringLiteral("/n"), QStringLiteral("--endpoint"), refusedEndpoint()});
        QVERIFY(next.finishes(10000));
        QStringList left = QDir(program).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        left.sort();
        QStringList expected{"notes.txt", "started.txt", "update", "veltrana", "ver.txt"};
        QCOMPARE(left, expected); // no .new, .old, .part or Temp left
        QVERIFY(QFileInfo(main).isExecutable());
    }

    // A folder the updater cannot work in: it says why and starts the
    // installed main program, so that the user is not left with nothing.
    void unusableFolderStartsTheInstalledProgram_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("read-only program folder: no lock file") << true;
        QTest::newRow("no Temp folder possible") << false;
    }
    void unusableFolderStartsTheInstalledProgram()
    {
        QFETCH(bool, readOnly);
        QTemporaryDir root;
        QVERIFY(QFile::setPermissions(
            root.path(), QFile::permissions(root.path()) | QFileDevice::ExeOther | QFileDevice::ReadOther));
        const QString program = root.filePath(QStringLiteral("program"));
        const QString updater = installUpdater(program);
        const QString data = root.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(data));
        // It notes its start in the data folder: the program folder may be read-only.
        writeFile(QDir(program).filePath(QStringLiteral("veltrana")), "#!/bin/sh\necho \"$@\" > \"$2/started.txt\"\n");
        QVERIFY(QFile::setPermissions(QDir(program).filePath(QStringLiteral("veltrana")),
                                      QFile::permissions(QDir(program).filePath(QStringLiteral("veltrana")))
                                          | QFileDevice::ExeOther | QFileDevice::ReadOther));
        QStringList command{updater};
        if (readOnly) {
            // Root writes anywhere: the updater runs as nobody in a folder nobody may write.
            if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
                QSKIP("setpriv is not installed");
            QVERIFY(QFile::setPermissions(program,
                                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                              | QFileDevice::ReadOther | QFileDevice::ExeOther));
            QVERIFY(QFile::setPermissions(data,
                                          QFile::permissions(data) | QFileDevice::WriteOther | QFileDevice::ExeOther));
            command = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                                  QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"), updater};
        } else {
            writeFile(QDir(program).filePath(QStringLiteral("Temp")), "a file where the folder should be");
        }
        Program run(command.first(),
                    command.mid(1)
                        + QStringList{QStringLiteral("/n"), QStringLiteral("--data"), data,
                                      QStringLiteral("--endpoint"), m_endpoint},
                    data);
        QVERIFY(run.finishes(10000));
        QCOMPARE(run.process.exitCode(), 1);
        run.err += QString::fromUtf8(run.process.readAllStandardError());
        QVERIFY2(run.err.contains(readOnly ? QStringLiteral("无法更新：程序文件夹无法写入")
                                           : QStringLiteral("Freshet experienced the following unrecoverable error")),
                 qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral("已启动已安装的程序")), qPrintable(run.err));
        QTRY_COMPARE_WITH_TIMEOUT(TestFiles::bytesOf(QDir(data).filePath(QStringLiteral("started.txt"))),
                                  "--data " + data.toUtf8() + "\n", 5000);
        QCOMPARE(pageRequests(m_standIn), 0);
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
        // The data folder is the one given with --data: nothing but the
        // hand-over tells the updater where it is.
        QVERIFY(env.dataDir != env.programDir);
        qunsetenv("VELTRANA_HOME");
        qputenv("QT_QPA_PLATFORM", "offscreen");

        Startup startup(*env.context);
        QCOMPARE(startup.run(), Startup::Outcome::HandedOver);

        QTRY_VERIFY_WITH_TIMEOUT(pageRequests(m_standIn) == 1, 10000);
        QVERIFY(QFileInfo(QDir(env.programDir).filePath(QStringLiteral("Temp/Tidewise_0000"))).isDir());
        QCOMPARE(TestFiles::bytesOf(QDir(env.programDir).filePath(QStringLiteral("ver.txt"))), QByteArray("1.0\r\n"));

        // It waits for the user; the test ends the process it had started.
        qint64 pid = 0;
        QString host;
        QString app;
        QLockFile lock(QDir(env.programDir).filePath(QStringLiteral("update.lock")));
        QVERIFY(lock.getLockInfo(&pid, &host, &app));
        QCOMPARE(app, QStringLiteral("update"));
        QVERIFY(pid > 0);
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        QVERIFY(cmdline.open(QIODevice::ReadOnly));
        QCOMPARE(cmdline.readAll().split('\0').mid(1, 2), (QList<QByteArray>{"--data", env.dataDir.toUtf8()}));
        QCOMPARE(::kill(pid_t(pid), SIGTERM), 0);
    }

private:
    standin::StandIn m_standIn;
    QString m_endpoint;
};

QTEST_GUILESS_MAIN(TestUpdateProgram)
#include "test_update_program.moc"
