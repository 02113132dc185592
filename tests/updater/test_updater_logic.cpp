// The updater's pieces that need neither a window nor the network: the
// command line, the lock, the working folder, the version page reader and
// the file rules of the replacement.

#include "Install.h"
#include "Launch.h"
#include "VersionPage.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace updater;

namespace {

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

} // namespace

class TestUpdaterLogic : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("givesPath");
        QTest::addColumn<bool>("folderMissing");
        QTest::addColumn<QString>("endpoint");

        QTest::newRow("nothing") << QStringList{} << 0 << false << false << QString();
        QTest::newRow("/n") << QStringList{"/n"} << 1 << false << false << QString();
        QTest::newRow("/N upper case") << QStringList{"/N"} << 1 << false << false << QString();
        QTest::newRow("/a wins over /n") << QStringList{"/n", "/a"} << 2 << false << false << QString();
        QTest::newRow("quoted switch") << QStringList{"\"/a\""} << 2 << false << false << QString();
        QTest::newRow("six characters are no path") << QStringList{"abcdef"} << 0 << false << false << QString();
        QTest::newRow("missing folder") << QStringList{"/n", "/no/such/folder/update.ris"} << 1 << false << true
                                        << QString();
        QTest::newRow("endpoint") << QStringList{"--endpoint", "http://127.0.0.1:9/update"} << 0 << false << false
                                  << QStringLiteral("http://127.0.0.1:9/update");
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, mode);
        QFETCH(bool, givesPath);
        QFETCH(bool, folderMissing);
        QFETCH(QString, endpoint);
        const CommandLine line = CommandLine::parse(args);
        QCOMPARE(int(line.mode), mode);
        QCOMPARE(!line.scriptPath.isEmpty(), givesPath);
        QCOMPARE(line.folderMissing, folderMissing);
        QCOMPARE(line.endpoint, endpoint);
    }

    void scriptPathKeepsItsCaseAndSwitchesInsideItAreNoSwitches()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("My Apps/an")));
        const QString script = dir.filePath(QStringLiteral("My Apps/an/Update.RIS"));
        // "/an" in the path must not be read as "/a".
        const CommandLine line = CommandLine::parse({QStringLiteral("\"") + script + QStringLiteral("\""), "/n"});
        QCOMPARE(int(line.mode), int(StartMode::Quiet));
        QVERIFY(!line.folderMissing);
        QCOMPARE(line.scriptPath, script);
        QCOMPARE(baseFolderOf(line.scriptPath), dir.filePath(QStringLiteral("My Apps/an")));
        QCOMPARE(defaultScriptPath(QStringLiteral("/opt/v")), QStringLiteral("/opt/v/update.ris"));
    }

    void workFolderNumbersAndLeavesOnlyWhenEmpty()
    {
        QTemporaryDir base;
        WorkFolder first;
        QString error;
        QVERIFY2(first.create(base.path(), &error), qPrintable(error));
        QCOMPARE(first.path(), base.filePath(QStringLiteral("Temp/Tidewise_0000")));
        QVERIFY(QFileInfo(first.path()).isDir());

        WorkFolder second;
        QVERIFY(second.create(base.path(), &error));
        QCOMPARE(second.path(), base.filePath(QStringLiteral("Temp/Tidewise_0001")));

        // The second goes; the first is still there, so "Temp" stays.
        TestFiles::put(QDir(second.path()).filePath(QStringLiteral("Notify.ico")), "icon");
        second.remove();
        QVERIFY(!QFileInfo::exists(base.filePath(QStringLiteral("Temp/Tidewise_0001"))));
        QVERIFY(QFileInfo(base.filePath(QStringLiteral("Temp"))).isDir());

        // A folder holding something of someone else's is kept.
        TestFiles::put(QDir(first.path()).filePath(QStringLiteral("keep.txt")), "x");
        const QString firstPath = first.path();
        first.remove();
        QVERIFY(QFileInfo::exists(QDir(firstPath).filePath(QStringLiteral("keep.txt"))));

        QVERIFY(QFile::remove(QDir(firstPath).filePath(QStringLiteral("keep.txt"))));
        WorkFolder third;
        QVERIFY(third.create(base.path(), &error));
        QCOMPARE(third.path(), base.filePath(QStringLiteral("Temp/Tidewise_0001")));
        QVERIFY(QDir(firstPath).removeRecursively());
        third.remove();
        QCOMPARE(entries(base.path()), QStringList());
    }

    void startupFailureIsReported()
    {
        QTemporaryDir base;
        TestFiles::put(base.filePath(QStringLiteral("Temp")), "a file where the folder should be");
        WorkFolder folder;
        QString error;
        QVERIFY(!folder.create(base.path(), &error));
        QVERIFY2(error.contains(QDir::toNativeSeparators(base.filePath(QStringLiteral("Temp")))), qPrintable(error));
        QCOMPARE(startupFailureTitle(), QStringLiteral("Freshet"));
        QCOMPARE(startupFailureText(QStringLiteral("boom")),
                 QStringLiteral("Freshet experienced the following unrecoverable error in Sub Main:\n\nboom\n\n"
                                "Contact your software vendor if this problem persist."));
    }

    void oneLockPerProgramFolder()
    {
        QTemporaryDir dir;
        auto first = std::make_unique<InstanceLock>(dir.path());
        QCOMPARE(first->acquire(), InstanceLock::Result::Acquired);
        InstanceLock second(dir.path());
        QCOMPARE(second.acquire(), InstanceLock::Result::HeldByOther);
        first.reset();
        InstanceLock third(dir.path());
        QCOMPARE(third.acquire(), InstanceLock::Result::Acquired);
        // A folder that cannot take the lock file is not "another updater".
        InstanceLock nowhere(dir.filePath(QStringLiteral("no/such/folder")));
        QCOMPARE(nowhere.acquire(), InstanceLock::Result::Unusable);
    }

    void endpointFromTheDataFolder()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("endpoints.ini"));
        TestFiles::put(
            ini, "[other]\nupdate=http://wrong\n[endpoints]\nmaker=http://m\nupdate = http://127.0.0.1:5/update/ \n");
        QCOMPARE(readUpdateBase(ini), QStringLiteral("http://127.0.0.1:5/update/"));
        QCOMPARE(versionPageUrl(readUpdateBase(ini)), QStringLiteral("http://127.0.0.1:5/update/veltrana/ver.htm"));
        QCOMPARE(versionPageUrl(QString()), QString());
        QCOMPARE(readUpdateBase(dir.filePath(QStringLiteral("none.ini"))), QString());

        qputenv("VELTRANA_HOME", dir.filePath(QStringLiteral("home")).toUtf8());
        QCOMPARE(dataFolder(QStringLiteral("/nowhere")), dir.filePath(QStringLiteral("home")));
        qunsetenv("VELTRANA_HOME");
        QCOMPARE(dataFolder(dir.path()), dir.path()); // a writable program folder
        // The folder the main program handed over wins over every rule.
        QCOMPARE(dataFolder(dir.path(), dir.filePath(QStringLiteral("given"))), dir.filePath(QStringLiteral("given")));
        const CommandLine line = CommandLine::parse(
            {QStringLiteral("--data"), dir.filePath(QStringLiteral("given")), QStringLiteral("--proof-ms"),
             QStringLiteral("300"), QStringLiteral("--hold-after"), QStringLiteral("veltrana.old kept")});
        QCOMPARE(line.dataDir, dir.filePath(QStringLiteral("given")));
        QCOMPARE(line.proofMs, 300);
        QCOMPARE(line.holdAfterStep, QStringLiteral("veltrana.old kept"));
        QCOMPARE(line.scriptPath, QString());
    }

    void versionPage_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("ver");
        QTest::addColumn<QString>("files");
        QTest::addColumn<QString>("names");

        QTest::newRow("plain") << R"(<input type="hidden" name="ver" value="1.1"><input name="files" value="a||b">)"
                                  R"(<input name="names" value="veltrana">)"
                               << "1.1"
                               << "a||b"
                               << "veltrana";
        QTest::newRow("value first, single quotes, upper-case tag")
            << R"(<INPUT value='2.0' NAME='ver' type=hidden><Input value=x name=files />)"
            << "2.0"
            << "x"
            << "";
        QTest::newRow("spaces round the equals sign") << "<input\n name = \"names\"\tvalue = 'v.exe' >"
                                                      << ""
                                                      << ""
                                                      << "v.exe";
        QTest::newRow("entities") << R"(<input name="files" value="http://h/f?a=1&amp;b=2 &#65;&#x42;">)"
                                  << ""
                                  << "http://h/f?a=1&b=2 AB"
                                  << "";
        QTest::newRow("commented out and scripted inputs do not count")
            << R"(<!-- <input name="ver" value="0.1"> --><script>var s='<input name="ver" value="0.2">';</script>)"
               R"(<input name="ver" value="1.0">)"
            << "1.0"
            << ""
            << "";
        QTest::newRow("the later input wins") << R"(<input name="ver" value="1"><input name="ver" value="2">)"
                                              << "2"
                                              << ""
                                              << "";
        QTest::newRow("names are case-sensitive") << R"(<input name="VER" value="9">)"
                                                  << ""
                                                  << ""
                                                  << "";
        QTest::newRow("other tags") << R"(<inputs name="ver" value="9"><textarea name="ver">9</textarea>)"
                                    << ""
                                    << ""
                                    << "";
        QTest::newRow("empty page") << ""
                                    << ""
                                    << ""
                                    << "";
    }
    void versionPage()
    {
        QFETCH(QString, html);
        QFETCH(QString, ver);
        QFETCH(QString, files);
        QFETCH(QString, names);
        const VersionInfo info = parseVersionPage(html);
        QCOMPARE(info.version, ver);
        QCOMPARE(info.files, files);
        QCOMPARE(info.names, names);
    }

    void pageCharacterSets()
    {
        QStringEncoder gbk("GB18030");
        const QByteArray body = QByteArray("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">")
            + QByteArray(gbk.encode(QStringLiteral("<input name=\"names\" value=\"更新.exe\">")));
        QCOMPARE(parseVersionPage(decodePage(body, QByteArray())).names, QStringLiteral("更新.exe"));
        QCOMPARE(decodePage(QStringLiteral("é").toUtf8(), "text/html; charset=utf-8"), QStringLiteral("é"));
    }

    void fileNames_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("plain");
        QTest::newRow("lower-cased") << " http://Host/Files/Notes.TXT "
                                     << "notes.txt" << true;
        QTest::newRow("https") << "https://h/d/veltrana-newver"
                               << "veltrana-newver" << true;
        QTest::newRow("no file name") << "http://h/dir/"
                                      << "" << false;
        QTest::newRow("dot dot") << "http://h/dir/.."
                                 << ".." << false;
        QTest::newRow("backslash") << "http://h/a\\..\\evil"
                                   << "a\\..\\evil" << false;
        QTest::newRow("drive") << "http://h/c:evil"
                               << "c:evil" << false;
    }
    void fileNames()
    {
        QFETCH(QString, address);
        QFETCH(QString, name);
        QFETCH(bool, plain);
        QCOMPARE(fileNameOf(address), name);
        QCOMPARE(isPlainFileName(fileNameOf(address)), plain);
    }

    void plainNamesAndProgramFiles()
    {
        for (const char *bad : {"../evil", "/tmp/evil", "a/b", "..", "x..y", "", " "})
            QVERIFY2(!isPlainFileName(QLatin1String(bad)), bad);
        for (const char *good : {"veltrana", "veltrana.exe", "notes.txt", ".hidden"})
            QVERIFY2(isPlainFileName(QLatin1String(good)), good);
        QVERIFY(isProgramFile(QStringLiteral("veltrana_newver.exe"), QStringLiteral("veltrana")));
        QVERIFY(isProgramFile(QStringLiteral("veltrana-newver"), QStringLiteral("veltrana")));
        QVERIFY(isProgramFile(QStringLiteral("veltrana"), QStringLiteral("veltrana")));
        QVERIFY(!isProgramFile(QStringLiteral("notes.txt"), QStringLiteral("veltrana")));
    }

    void ruleSetsGoIntoTheRulesFolder()
    {
        QCOMPARE(installNameOf(QStringLiteral("http://host/v/rules/2026.ini")), QStringLiteral("rules/2026.ini"));
        QCOMPARE(installNameOf(QStringLiteral("host/v/Rules/MY.INI")), QStringLiteral("rules/my.ini"));
        QCOMPARE(installNameOf(QStringLiteral("http://host/v/2026.ini")), QStringLiteral("2026.ini"));
        QCOMPARE(installNameOf(QStringLiteral("http://host/rules/notes.txt")), QStringLiteral("notes.txt"));
        QVERIFY(isInstallName(QStringLiteral("rules/2026.ini")));
        QVERIFY(isInstallName(QStringLiteral("notes.txt")));
        for (const char *bad : {"rules/../x.ini", "rules/a/b.ini", "rules/x.txt", "rules/", "other/x.ini",
                                "rules/x.ini.old", "rules/update.ini"})
            QVERIFY2(!isInstallName(QLatin1String(bad)), bad);
    }

    void installedMainProgramByRule()
    {
        QTemporaryDir dir;
        for (const char *name : {"autorun.exe", "update.exe", "a_newver.exe", "readme.txt", "tool.exe"})
            TestFiles::put(dir.filePath(QLatin1String(name)), "x");
        // Only the file the page names counts here; the Windows rule also finds a lone ".exe".
        QCOMPARE(installedMainProgram(dir.path(), QStringLiteral("veltrana"), false), QString());
        QCOMPARE(installedMainProgram(dir.path(), QStringLiteral("veltrana.exe"), true),
                 dir.filePath(QStringLiteral("tool.exe")));
        TestFiles::put(dir.filePath(QStringLiteral("veltrana")), "x");
        TestFiles::put(dir.filePath(QStringLiteral("veltrana.exe")), "x");
        QCOMPARE(installedMainProgram(dir.path(), QStringLiteral("veltrana"), false), dir.filePath("veltrana"));
        QCOMPARE(installedMainProgram(dir.path(), QStringLiteral("veltrana.exe"), true), dir.filePath("veltrana.exe"));
    }

    void protectedNamesAreNeverListed()
    {
        for (const char *name : {"db.sqlite", "DB.sqlite-wal", "db.sqlite-journal", "kws.txt", "mykw.txt", "myfav",
                                 "endpoints.ini", "ver.txt", "update", "update.exe", "Update.lock", "veltrana.lock",
                                 "Temp", "veltrana.old", "veltrana.new", "x.part"})
            QVERIFY2(isProtectedName(QLatin1String(name)), name);
        for (const char *name : {"veltrana", "veltrana-newver", "notes.txt", "readme.htm", "myupdate.txt"})
            QVERIFY2(!isProtectedName(QLatin1String(name)), name);
    }

    // Each step leaves a state a kill may find: the program is always there
    // and runnable, the new one is whole before it takes the name.
    void replacementStepByStep_data()
    {
        QTest::addColumn<bool>("keep");
        QTest::newRow("committed") << true;
        QTest::newRow("rolled back") << false;
    }
    void replacementStepByStep()
    {
        QFETCH(bool, keep);
        QTemporaryDir root;
        const QString program = root.filePath(QStringLiteral("program"));
        const QString work = root.filePath(QStringLiteral("work"));
        QVERIFY(QDir().mkpath(program) && QDir().mkpath(work));
        const QString main = QDir(program).filePath(QStringLiteral("veltrana"));
        const QString notes = QDir(program).filePath(QStringLiteral("notes.txt"));
        TestFiles::put(main, "old program");
        QVERIFY(QFile::setPermissions(main, QFile::permissions(main) | QFileDevice::ExeOwner));
        TestFiles::put(notes, "old notes");
        TestFiles::put(QDir(work).filePath(QStringLiteral("notes.txt.part")), "new notes");
        TestFiles::put(QDir(work).filePath(QStringLiteral("veltrana-newver.part")), "new program");

        Replacement replacement(program, QString());
        QStringList steps;
        QList<QStringList> folders;
        QStringList programs;
        connect(&replacement, &Replacement::step, this, [&](const QString &what) {
            steps << what;
            folders << entries(program);
            QVERIFY(QFileInfo(main).isExecutable());
            programs << QString::fromLatin1(TestFiles::bytesOf(main));
        });
        QSignalSpy placed(&replacement, &Replacement::placed);
        replacement.start(
            {{QDir(work).filePath(QStringLiteral("notes.txt.part")), QStringLiteral("notes.txt"), false},
             {QDir(work).filePath(QStringLiteral("veltrana-newver.part")), QStringLiteral("veltrana"), true}});
        QVERIFY(placed.wait(2000));
        QCOMPARE(steps,
                 (QStringList{"notes.txt.new written", "notes.txt.old kept", "notes.txt replaced",
                              "veltrana.new written", "veltrana.old kept", "veltrana replaced"}));
        // The journal names what is being replaced, for a start after a kill.
        QCOMPARE(folders.at(0), (QStringList{"notes.txt", "notes.txt.new", "update.journal", "veltrana"}));
        QCOMPARE(TestFiles::bytesOf(QDir(program).filePath(QStringLiteral("update.journal"))),
                 QByteArray("notes.txt\nveltrana\n"));
        QCOMPARE(folders.at(3),
                 (QStringList{"notes.txt", "notes.txt.old", "update.journal", "veltrana", "veltrana.new"}));
        QCOMPARE(
            folders.at(4),
            (QStringList{"notes.txt", "notes.txt.old", "update.journal", "veltrana", "veltrana.new", "veltrana.old"}));
        QCOMPARE(
            programs,
            (QStringList{"old program", "old program", "old program", "old program", "old program", "new program"}));
        QVERIFY(QFileInfo(main).isExecutable());
        QCOMPARE(TestFiles::bytesOf(QDir(program).filePath(QStringLiteral("veltrana.old"))), QByteArray("old program"));
        QCOMPARE(entries(work), QStringList());

        if (keep) {
            replacement.commit();
            QCOMPARE(entries(program), (QStringList{"notes.txt", "veltrana"}));
            QCOMPARE(TestFiles::bytesOf(notes), QByteArray("new notes"));
            QCOMPARE(TestFiles::bytesOf(main), QByteArray("new program"));
        } else {
            replacement.rollBack();
            QCOMPARE(entries(program), (QStringList{"notes.txt", "veltrana"}));
            QCOMPARE(TestFiles::bytesOf(notes), QByteArray("old notes"));
            QCOMPARE(TestFiles::bytesOf(main), QByteArray("old program"));
            QVERIFY(QFileInfo(main).isExecutable());
        }
    }

    void replacementThatCannotWriteLeavesTheFolder()
    {
        QTemporaryDir root;
        const QString program = root.filePath(QStringLiteral("program"));
        QVERIFY(QDir().mkpath(program));
        TestFiles::put(QDir(program).filePath(QStringLiteral("veltrana")), "old program");
        // A folder where the new file would go: the write fails.
        QVERIFY(QDir(program).mkdir(QStringLiteral("veltrana.new")));
        TestFiles::put(root.filePath(QStringLiteral("download")), "new program");
        Replacement replacement(program, QString());
        QSignalSpy failed(&replacement, &Replacement::failed);
        replacement.start({{root.filePath(QStringLiteral("download")), QStringLiteral("veltrana"), true}});
        QVERIFY(failed.wait(2000));
        QVERIFY2(failed.at(0).at(0).toString().startsWith(QStringLiteral("无法写入 veltrana.new")),
                 qPrintable(failed.at(0).at(0).toString()));
        replacement.rollBack();
        QCOMPARE(TestFiles::bytesOf(QDir(program).filePath(QStringLiteral("veltrana"))), QByteArray("old program"));
    }

    // What a kill at each step leaves, and what the next start makes of it.
    void recoveryAfterAKill_data()
    {
        QTest::addColumn<QStringList>("files"); // name=content; a trailing "*" marks it executable
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("program"); // content of veltrana afterwards
        QTest::newRow("new written") << QStringList{"veltrana=old*", "veltrana.new=new*"} << QStringList{"veltrana"}
                                     << "old";
        QTest::newRow("old kept") << QStringList{"veltrana=old*", "veltrana.new=new*", "veltrana.old=old*"}
                                  << QStringList{"veltrana"} << "old";
        QTest::newRow("replaced") << QStringList{"veltrana=new*", "veltrana.old=old*"} << QStringList{"veltrana"}
                                  << "new";
        QTest::newRow("replaced, killed before it proved it runs")
            << QStringList{"veltrana=new*", "veltrana.old=old*", "update.journal=veltrana"} << QStringList{"veltrana"}
            << "old";
        QTest::newRow("renamed away, as older updaters did")
            << QStringList{"veltrana.old=old*"} << QStringList{"veltrana"} << "old";
        QTest::newRow("moved in without its exec bit")
            << QStringList{"veltrana=new", "veltrana.old=old*"} << QStringList{"veltrana"} << "old";
        QTest::newRow("data file cut short")
            << QStringList{"veltrana=old*", "notes.txt.old=old notes", "update.journal=notes.txt"}
            << QStringList{"notes.txt", "veltrana"} << "old";
        QTest::newRow("files the journal does not name are the user's")
            << QStringList{"veltrana=old*", "notes.txt.old=old notes", "photos.old=mine", "draft.new=mine too"}
            << QStringList{"draft.new", "notes.txt.old", "photos.old", "veltrana"} << "old";
    }
    void recoveryAfterAKill()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, after);
        QFETCH(QString, program);
        QTemporaryDir root;
        const QString dir = root.filePath(QStringLiteral("program"));
        QVERIFY(QDir().mkpath(dir + QStringLiteral("/Temp/Tidewise_0000")));
        QVERIFY(QDir().mkpath(dir + QStringLiteral("/Temp/Tidewise_0001")));
        TestFiles::put(dir + QStringLiteral("/Temp/Tidewise_0000/veltrana-newver.part"), "half");
        TestFiles::put(dir + QStringLiteral("/Temp/Tidewise_0001/notes.txt.part"), "half");
        TestFiles::put(dir + QStringLiteral("/Temp/Tidewise_0001/left.txt"), "someone's");
        for (const QString &spec : std::as_const(files)) {
            const QString name = spec.section(u'=', 0, 0);
            QString content = spec.section(u'=', 1);
            const bool exec = content.endsWith(u'*');
            if (exec)
                content.chop(1);
            const QString path = QDir(dir).filePath(name);
            TestFiles::put(path, content.toUtf8());
            QFile::setPermissions(path,
                                  exec ? QFile::permissions(path) | QFileDevice::ExeOwner
                                       : QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
        recoverProgramFolder(dir, QStringLiteral("veltrana"), dir + QStringLiteral("/Temp"));
        QCOMPARE(entries(dir), QStringList{"Temp"} + after);
        const QString main = QDir(dir).filePath(QStringLiteral("veltrana"));
        QCOMPARE(QString::fromUtf8(TestFiles::bytesOf(main)), program);
        QVERIFY(QFileInfo(main).isExecutable());
        if (after.contains(QStringLiteral("notes.txt")))
            QCOMPARE(TestFiles::bytesOf(QDir(dir).filePath(QStringLiteral("notes.txt"))), QByteArray("old notes"));
        QCOMPARE(entries(dir + QStringLiteral("/Temp")), QStringList{"Tidewise_0001"});
        QCOMPARE(entries(dir + QStringLiteral("/Temp/Tidewise_0001")), QStringList{"left.txt"});
    }
};

QTEST_GUILESS_MAIN(TestUpdaterLogic)
#include "test_updater_logic.moc"
