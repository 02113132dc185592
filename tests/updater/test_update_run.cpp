// An update run against the stand-in update server, with and without its
// window: the version check, the downloads with their size check and
// restarts, the replacement of the main program and the skip.

#include "Launch.h"
#include "StandIn.h"
#include "UpdateRun.h"
#include "frmMain.h"
#include "support/FileBytes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace updater;

namespace {

// Stands in for the main program: notes that it ran, where from and with
// which arguments, and writes its version 1.1 into "ver.txt" as the main
// program does at every start.
const QByteArray FakeProgram =
    "#!/bin/sh\n"
    "d=$(dirname \"$0\")\n"
    "{ echo \"$0\"; echo \"$#\"; for a in \"$@\"; do echo \"$a\"; done; } > \"$d/started.part\"\n"
    "printf '1.1\\r\\n' > \"$d/ver.txt\"\n"
    "mv \"$d/started.part\" \"$d/started.txt\"\n";

// A port nobody listens on: connections to it are refused.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

struct Prompted {
    UpdateRun::Icon icon;
    QString title;
    QString text;
};

// Every file of a folder with its bytes: to show that nothing changed.
QMap<QString, QByteArray> snapshot(const QString &dir)
{
    QMap<QString, QByteArray> files;
    const QStringList names = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString &name : names)
        files.insert(name,
                     QFileInfo(QDir(dir).filePath(name)).isDir() ? QByteArray("<dir>")
                                                                 : TestFiles::bytesOf(QDir(dir).filePath(name)));
    return files;
}

struct Fixture {
    QTemporaryDir root;
    QString programDir;
    WorkFolder work;
    standin::StandIn standIn;
    QList<Prompted> prompts;
    QStringList launched;
    QList<QStringList> launchedArguments;
    QStringList programArguments;
    int transferTimeoutMs = 2000;
    int pageTimeoutMs = 2000;
    bool realLaunch = false;
    bool launchFails = false;
    std::unique_ptr<UpdateRun> run;
    std::unique_ptr<QSignalSpy> progress;

    Fixture()
    {
        programDir = root.filePath(QStringLiteral("program"));
        QDir().mkpath(programDir);
        QString error;
        if (!work.create(programDir, &error))
            qFatal("%s", qPrintable(error));
        if (!standIn.listen())
            qFatal("stand-in cannot listen");
        writeFile(QStringLiteral("ver.txt"), "1.0\r\n");
        writeFile(QStringLiteral("veltrana"), "#!/bin/sh\necho old\n");
        writeFile(QStringLiteral("keep.dat"), "the user's own file");
        standIn.setDownload(QStringLiteral("veltrana-newver"), FakeProgram);
    }

    void writeFile(const QString &name, const QByteArray &bytes) const
    {
        QFile f(QDir(programDir).filePath(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }
    QString file(const QString &name) const { return QDir(programDir).filePath(name); }

    UpdateRun &make(const QString &pageUrl)
    {
        RunConfig config;
        config.programDir = programDir;
        config.workDir = work.path();
        config.pageUrl = pageUrl;
        config.pageTimeoutMs = pageTimeoutMs;
        config.transferTimeoutMs = transferTimeoutMs;
        config.proofMs = 1000;
        config.programArguments = programArguments;
        config.windowsRule = false;
        config.launch = [this](const QString &program, const QStringList &arguments, const QString &dir) {
            launched << program;
            launchedArguments << arguments;
            if (launchFails)
                return false;
            return realLaunch ? startDetached(program, arguments, dir) : true;
        };
        run = std::make_unique<UpdateRun>(config);
        run->setPrompt([this](UpdateRun::Icon icon, const QString &title, const QString &text) {
            prompts.append({icon, title, text});
        });
        progress = std::make_unique<QSignalSpy>(run.get(), &UpdateRun::progressTextChanged);
        return *run;
    }

    // Starts the run and waits for the page.
    UpdateRun &checked()
    {
        UpdateRun &r = make(versionPageUrl(standIn.serviceBase(QStringLiteral("update"))));
        QSignalSpy spy(&r, &UpdateRun::checked);
        r.start();
        if (!spy.wait(3000))
            qWarning("no version page");
        return r;
    }

    QStringList progressTexts() const
    {
        QStringList texts;
        for (const QList<QVariant> &args : *progress)
            texts << args.at(0).toString();
        return texts;
    }

    int requests(const QString &path) const
    {
        int n = 0;
        for (const auto &r : standIn.log(QStringLiteral("update")))
            n += r.path == path ? 1 : 0;
        return n;
    }
};

// True when `wanted` appear in `texts` in this order (others may come between).
bool inOrder(const QStringList &texts, const QStringList &wanted)
{
    qsizetype at = 0;
    for (const QString &w : wanted) {
        at = texts.indexOf(w, at);
        if (at < 0)
            return false;
        ++at;
    }
    return true;
}

} // namespace

class TestUpdateRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void versionCheck_data()
    {
        QTest::addColumn<QByteArray>("installed"); // "<none>": no ver.txt
        QTest::addColumn<QString>("published");
        QTest::addColumn<bool>("update");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("versionLine");
        QTest::newRow("same") << QByteArray("1.0\r\n") << "1.0" << false
                              << QStringLiteral("当前已经是最新版本，无需更新！") << QStringLiteral("当前版本：V1.0");
        QTest::newRow("older counts") << QByteArray("1.0\r\n") << "0.9" << true
                                      << QStringLiteral("发现新版本可用，是否现在更新？")
                                      << QStringLiteral("Ver 0.9 可用");
        QTest::newRow("newer") << QByteArray("1.0") << "1.1" << true << QStringLiteral("发现新版本可用，是否现在更新？")
                               << QStringLiteral("Ver 1.1 可用");
        QTest::newRow("no ver.txt") << QByteArray("<none>") << "1.0" << true
                                    << QStringLiteral("发现新版本可用，是否现在更新？")
                                    << QStringLiteral("Ver 1.0 可用");
        QTest::newRow("a space is a difference")
            << QByteArray("1.0 \r\n") << "1.0" << true << QStringLiteral("发现新版本可用，是否现在更新？")
            << QStringLiteral("Ver 1.0 可用");
    }
    void versionCheck()
    {
        QFETCH(QByteArray, installed);
        QFETCH(QString, published);
        QFETCH(bool, update);
        QFETCH(QString, message);
        QFETCH(QString, versionLine);
        Fixture f;
        if (installed == "<none>")
            QVERIFY(QFile::remove(f.file(QStringLiteral("ver.txt"))));
        else
            f.writeFile(QStringLiteral("ver.txt"), installed);
        f.standIn.setPublishedVersion(published);

        UpdateRun &run = f.make(versionPageUrl(f.standIn.serviceBase(QStringLiteral("update"))));
        QSignalSpy messages(&run, &UpdateRun::messageChanged);
        QSignalSpy lines(&run, &UpdateRun::versionLineChanged);
        QSignalSpy checked(&run, &UpdateRun::checked);
        run.start();
        QVERIFY(checked.wait(3000));
        QCOMPARE(checked.at(0).at(0).toBool(), update);
        QCOMPARE(messages.last().at(0).toString(), message);
        QCOMPARE(lines.last().at(0).toString(), versionLine);
        QCOMPARE(f.requests(QStringLiteral("/veltrana/ver.htm")), 1);
        // The commented-out input of the page was not taken for the version.
        QCOMPARE(run.publishedVersion(), published);
        QCOMPARE(run.programName(), QStringLiteral("veltrana"));
    }

    void confirmWithoutAnUpdateSaysSo()
    {
        Fixture f;
        UpdateRun &run = f.checked();
        QVERIFY(!run.updateAvailable());
        run.confirm();
        QCOMPARE(f.prompts.size(), 1);
        QCOMPARE(f.prompts.at(0).title, QStringLiteral("提示"));
        QCOMPARE(f.prompts.at(0).text, QStringLiteral("无可用的更新！"));
        QVERIFY(f.prompts.at(0).icon == UpdateRun::Icon::Information);
        QVERIFY(!run.isBusy());
        QCOMPARE(f.requests(QStringLiteral("/files/veltrana-newver")), 0);
    }

    void noDownloadAddress_data()
    {
        QTest::addColumn<QString>("files");
        QTest::newRow("empty list on the page") << QString();
        QTest::newRow("only separators") << QStringLiteral(" || ");
    }
    void noDownloadAddress()
    {
        QFETCH(QString, files);
        Fixture f;
        f.standIn.setPublishedVersion(QStringLiteral("1.1"));
        f.standIn.setUpdateFiles(files);
        UpdateRun &run = f.checked();
        QVERIFY(run.updateAvailable());
        run.confirm();
        QCOMPARE(f.progressTexts(), QStringList{QStringLiteral("无法获取下载地址！")});
        QVERIFY(!run.isBusy());
        QVERIFY(f.prompts.isEmpty());
    }

    // A page that cannot be had is no news of a version: it says so and
    // offers nothing to install (the old way showed it as a new version).
    void unreadableVersionPageIsNoUpdate_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("why");
        const QString unreachable = QStringLiteral("无法连接升级服务器，请稍后再试。");
        QTest::newRow("no update address") << 0 << unreachable << QStringLiteral("原因：没有设置升级服务器地址");
        QTest::newRow("connection refused") << 1 << unreachable << QStringLiteral("原因：连接被拒绝");
        QTest::newRow("HTTP 503") << 2 << unreachable << QStringLiteral("原因：服务器返回 HTTP 503");
        QTest::newRow("never answers") << 3 << unreachable << QStringLiteral("原因：超时");
        QTest::newRow("no ver input") << 4 << QStringLiteral("升级服务器的版本页面没有版本信息，请稍后再试。")
                                      << QStringLiteral("原因：版本页面中没有 ver");
    }
    void unreadableVersionPageIsNoUpdate()
    {
        QFETCH(int, kind);
        QFETCH(QString, message);
        QFETCH(QString, why);
        Fixture f;
        f.pageTimeoutMs = 500;
        f.standIn.setPublishedVersion(QStringLiteral("1.1"));
        QString url = versionPageUrl(f.standIn.serviceBase(QStringLiteral("update")));
        standin::Behaviour b;
        if (kind == 0)
            url.clear();
        else if (kind == 1)
            url = QStringLiteral("http://127.0.0.1:%1/update/veltrana/ver.htm").arg(closedPort());
        else if (kind == 2)
            b.status = 503;
        else if (kind == 3)
            b.neverAnswer = true;
        else
            b.emptyBody = true;
        f.standIn.setBehaviour(QStringLiteral("/update/"), b);
        UpdateRun &run = f.make(url);
        frmMain window(run);
        QSignalSpy checked(&run, &UpdateRun::checked);
        run.start();
        QVERIFY(checked.wait(2000));
        QCOMPARE(checked.at(0).at(0).toBool(), false);
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("message"))->text(), message);
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("versionLine"))->text(), QStringLiteral("当前版本：V1.0"));
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("progressLine"))->text(), why);
        QVERIFY(!run.updateAvailable());
        run.confirm();
        QCOMPARE(f.prompts.size(), 1);
        QCOMPARE(f.prompts.at(0).text, QStringLiteral("无可用的更新！"));
        QCOMPARE(f.requests(QStringLiteral("/files/veltrana-newver")), 0);
    }

    // Page text is shown as it is written, never as markup.
    void pageTextIsPlainText()
    {
        Fixture f;
        const QString version = QStringLiteral("<h1><font color=red>9.9 FREE");
        f.standIn.setPublishedVersion(version);
        UpdateRun &run = f.make(versionPageUrl(f.standIn.serviceBase(QStringLiteral("update"))));
        frmMain window(run);
        QSignalSpy checked(&run, &UpdateRun::checked);
        run.start();
        QVERIFY(checked.wait(2000));
        auto *line = window.findChild<QLabel *>(QStringLiteral("versionLine"));
        QCOMPARE(line->text(), QStringLiteral("Ver ") + version + QStringLiteral(" 可用"));
        QCOMPARE(line->textFormat(), Qt::PlainText);
        for (QLabel *label : window.findChildren<QLabel *>())
            QCOMPARE(label->textFormat(), Qt::PlainText);
    }

    void dataFileThenProgramFile_data()
    {
        QTest::addColumn<bool>("withDataFile");
        QTest::newRow("data file, then program") << true;
        QTest::newRow("program only") << false;
    }
    void dataFileThenProgramFile()
    {
        QFETCH(bool, withDataFile);
        Fixture f;
        f.programArguments = {QStringLiteral("--data"), f.root.filePath(QStringLiteral("my data"))};
        f.standIn.setPublishedVersion(QStringLiteral("1.1"));
        const QString program = f.standIn.downloadUrl(QStringLiteral("veltrana-newver"));
        f.standIn.setUpdateFiles(withDataFile ? f.standIn.downloadUrl(QStringLiteral("notes.txt")) + "||" + program
                                              : program);
        UpdateRun &run = f.checked();
        QSignalSpy finished(&run, &UpdateRun::finished);
        run.confirm();
        QVERIFY(finished.wait(5000));

        QVERIFY(f.launched.isEmpty()); // the new program was started and watched, nothing else
        QCOMPARE(TestFiles::bytesOf(f.file(QStringLiteral("veltrana"))), FakeProgram);
        QVERIFY(QFileInfo(f.file(QStringLiteral("veltrana"))).isExecutable());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(f.file(QStringLiteral("started.txt"))), 5000);
        // Started from the program folder, with the data folder it was handed over with.
        QCOMPARE(TestFiles::bytesOf(f.file(QStringLiteral("started.txt"))),
                 f.file(QStringLiteral("veltrana")).toUtf8() + "\n2\n--data\n" + f.root.filePath("my data").toUtf8()
                     + "\n");

        QStringList expected{QStringLiteral("keep.dat"), QStringLiteral("started.txt"), QStringLiteral("veltrana"),
                             QStringLiteral("ver.txt")};
        if (withDataFile) {
            QVERIFY(TestFiles::bytesOf(f.file(QStringLiteral("notes.txt"))).startsWith("Veltrana 1.1 release notes"));
            expected << QStringLiteral("notes.txt");
        }
        expected << QStringLiteral("Temp");
        expected.sort();
        QStringList present = snapshot(f.programDir).keys();
        present.sort();
        QCOMPARE(present, expected); // no backup, no leftovers, nothing else deleted
        QCOMPARE(TestFiles::bytesOf(f.file(QStringLiteral("keep.dat"))), QByteArray("the user's own file"));
        QVERIFY(snapshot(f.work.path()).isEmpty());
        QVERIFY(f.progressTexts().contains(QStringLiteral("下载成功！")));
    }

    // A page rule set listed as ".../rules/NAME.ini" goes into the program
    // folder's rules/, made when missing, beside the sets already there.
    void ruleSetsGoIntoTheRulesFolder()
    {
        Fixture f;
        QVERIFY(QDir(f.programDir).mkpath(QStringLiteral("rules")));
        f.writeFile(QStringLiteral("rules/2019.ini"), "[set]\nname = 2019\n");
        f.writeFile(QStringLiteral("rules/2026.ini"), "[set]\nname = 2026\n# old\n");
        const QByteArray fresh = "[set]\nname = 2026\n# new\n";
        const QByteArray other = "[set]\nname = 2027\n";
        f.standIn.setDownload(QStringLiteral("rules/2026.ini"), fresh);
        f.standIn.setDownload(QStringLiteral("rules/2027.ini"), other);
        f.standIn.setPublishedVersion(QStringLiteral("1.1"));
        f.standIn.setUpdateFiles(f.standIn.downloadUrl(QStringLiteral("rules/2026.ini")) + "||"
                                 + f.standIn.downloadUrl(QStringLiteral("rules/2027.ini")));
        const auto before = snapshot(f.programDir);
        UpdateRun &run = f.checked();
        // Data files alone: no program to start, the run ends when they are in place.
        QSignalSpy busy(&run, &UpdateRun::busyChanged);
        run.confirm();
        QTRY_VERIFY_WITH_TIMEOUT(busy.size() >= 2 && !run.isBusy(), 5000);
        QCOMPARE(TestFiles::bytesOf(f.file(QStringLiteral("rules/2026.ini"))), fresh);
        QCOMPARE(TestFiles::bytesOf(f.file(QStringLiteral("rules/2027.ini"))), other);
        QCOMPARE(TestFiles::bytesOf(f.file(QStringLiteral("rules/2019.ini"))), QByteArray("[set]\nname = 2019\n"));
        QStringList inRules = snapshot(f.file(QStringLiteral("rules"))).keys();
        QCOMPARE(inRules,
                 (QStringList{QStringLiteral("2019.ini"), QStringLiteral("2026.ini"), QStringLiteral("2027.ini")}));
        // Nothing landed at the top of the program folder.
        QVERIFY(!QFileInfo::exists(f.file(QStringLiteral("2026.ini"))));
        QVERIFY(!QFileInfo::exists(f.file(QStringLiteral("2027.ini"))));
        QCOMPARE(snapshot(f.programDir).keys(), before.keys());
        QVERIFY(snapshot(f.work.path()).isEmpty());
    }

    void aRulesFolderIsMadeWhenMissing()
    {
        Fixture f;
        const QByteArray set = "[set]\nname = 2026\n";
        f.standIn.setDownload(QStringLiteral("rules/2026.ini"), set);
        f.standIn.setPublishedVersion(QStringLiteral("1.1"));
        f.standIn.setUpdateFiles(f.standIn.downloadUrl(QStringLiteral("rules/2026.ini")));
        UpdateRun &run = f.checked();
        // Data files alone: no program to start, the run ends when they are in place.
        QSignalSpy busy(&run, &UpdateRun::busyChanged);
        run.confirm();
        QTRY_VERIFY_WITH_TIMEOUT(busy.size() >= 2 && !run.isBusy(), 5000);
        QCOMPARE(TestFiles::bytesOf(f.file(QStringLiteral("rules/2026.ini"))), set);
    }

    void thousandBytesCountInWholeChunks()
    {
        Fixture f;
        f.standIn.setPublishedVersion(QStringLiteral("1.1"));
        f.standIn.setDownload(QStringLiteral("big.bin"), QByteArray(1000, 'b'));
        f.standIn.setUpdateFiles(f.standIn.downloadUrl(QStringLiteral("big.bin")));
        UpdateRun &run = f.checked();
        frmMain window(run);
        window.show();
        QSignalSpy busy(&run, &UpdateRun::busyChanged);
        QSignalSpy values(&run, &UpdateRun::progressValueChanged);
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("updateButton")), Qt::LeftButton);
        QVERIFY(busy.wait(3000) || !run.isBusy());
        QTRY_VERIFY_WITH_TIMEOUT(!run.isBusy(), 3000);

        const QStringList texts = f.progressTexts();
        QVERIFY2(inOrder(texts,
                         {QStringLiteral("请等待..."), QStringLiteral("成功发送请求"),
                          QStringLiteral("正在接收回应..."), QStringLiteral("已下载   512   字节   (51%)"),
                          QStringLiteral("已下载   1024   字节   (102%)"), QStringLiteral("下载成功！")}),
                 qPrintable(texts.join(QLatin1String(" | "))));
        QCOMPARE(texts.count(QStringLiteral("已下载   512   字节   (51%)")), 1);
        QCOMPARE(values.last().at(0).toInt(), 100);
        auto *bar = window.findChild<QProgressBar *>(QStringLiteral("progressBar"));
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->value(), 100);
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("progressLine"))->text(), QStringLiteral("下载成功！"));
        QCOMPARE(TestFiles::bytesOf(f.file(QStringLiteral("big.bin"))), QByteArray(1000, 'b'));
        QVERIFY(f.launched.isEmpty()); // a data file starts nothing
    }

    void redirectedDownloadIsSavedUnderItsListedName()
    {
        Fixture f;
        f.standIn.setPublishedVersion(QStringLiteral("1.1"));
        f.standIn.setDownload(QStringLiteral("moved.txt"), "moved notes");
        f.standIn.setUpdateFiles(f.standIn.downloadUrl(QStringLiteral("notes.txt")));
        standin::Behaviour moved;
        moved.redirectTo = QStringLiteral("/update/files/moved.txt");
        f.standIn.setBehaviour(QStringLiteral("/update/files/notes.txt"), moved);
        UpdateRun &run = f.checked();
        run.confirm();
        QTRY_VERIFY_WITH_TIMEOUT(!run.isBusy(), 3000);
        QCOMPARE(f.progressTexts().last(), QStringLiteral("下载成功！"));
        QCOMPARE(TestFiles::bytesOf(f.file(QStringLiteral("notes.txt"))), QByteArray("moved notes"));
        QVERIFY(!QFileInfo::exists(f.file(QStringLiteral("moved.txt"))));
    }

    void brokenDownloadsReplaceNothing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("why");
        QTest::newRow("cut short") << 0 << QStringLiteral("下载失败：数据不完整（收到 700 字节，应为 2");
        QTest::newRow("no Content-Length") << 1 << QStringLiteral("下载失败：服务器没有给出文件大小");
        QTest::newRow("error status") << 2 << QStringLiteral("下载失败：服务器返回 HTTP 500");
        QTest::newRow("connection refused") << 3 << QStringLiteral("下载失败：连接被拒绝");
        QTest::newRow("never answers") << 4 << QStringLiteral("下载失败：超时");
        QTest::newRow("redirect loop") << 5 << QStringLiteral("下载失败：重定向次数过多");
        QTest::newRow("redirect to file://") << 6 << QStringLiteral("下载失败：");
        QTest::newRow("empty body") << 7 << QStringLiteral("下载失败：服务器没有给出文件大小");
    }
    void brokenDownloadsReplaceNothing()
    {
        QFETCH(int, kind);
        QFETCH(QString, why);
        Fixture f;
        f.transferTimeoutMs = 300;
        f.writeFile(QStringLiteral("notes.txt"), "the notes of 1.0, kept byte for byte");
        f.standIn.setPublishedVersion(QStringLiteral("1.1"));
        f.standIn.setDownload(QStringLiteral("veltrana-newver"), FakeProgram + QByteArray(2000, '#'));
        // The data file fails; the program file would have been fine.
        const QString brokenAt = QStringLiteral("/update/files/notes.txt");
        QString notes = f.standIn.downloadUrl(QStringLiteral("notes.txt"));
        standin::Behaviour broken;
        if (kind == 0)
            broken.cutBodyAt = 700;
        else if (kind == 1)
            broken.noContentLength = true;
        else if (kind == 2)
            broken.status = 500;
        else if (kind == 3)
            notes = QStringLiteral("http://127.0.0.1:%1/update/files/notes.txt").arg(closedPort());
        else if (kind == 4)
            broken.neverAnswer = true;
        else if (kind == 5)
            broken.redirectTo = brokenAt;
        else if (kind == 6)
            broken.redirectTo = QStringLiteral("file://") + f.file(QStringLiteral("keep.dat"));
        else
            broken.emptyBody = true;
        f.standIn.setDownload(QStringLiteral("notes.txt"), QByteArray(2000, 'n'));
        f.standIn.setBehaviour(brokenAt, broken);
        f.standIn.setUpdateFiles(notes + QStringLiteral("||")
                                 + f.standIn.downloadUrl(QStringLiteral("veltrana-newver")));
        const auto before = snapshot(f.programDir);

        UpdateRun &run = f.checked();
        frmMain window(run);
        window.show();
        QSignalSpy gaveUp(&run, &UpdateRun::gaveUp);
        auto *update = window.findChild<QPushButton *>(QStringLiteral("updateButton"));
        auto *skip = window.findChild<QPushButton *>(QStringLiteral("skipButton"));
        QTest::mouseClick(update, Qt::LeftButton);
        QVERIFY(!update->isEnabled()); // no second run on top of this one
        QVERIFY(gaveUp.wait(5000));

        // The first try and three restarts (Qt itself may send a request again
        // on a kept-alive connection the server closed, so the server may see more).
        QCOMPARE(f.progressTexts().count(QStringLiteral("请等待...")), 4);
        if (kind != 3)
            QVERIFY(f.requests(QStringLiteral("/files/notes.txt")) >= 4);
        QCOMPARE(f.requests(QStringLiteral("/files/veltrana-newver")), 0);
        QCOMPARE(run.restarts(), 3);
        const QString line = window.findChild<QLabel *>(QStringLiteral("progressLine"))->text();
        QVERIFY2(line.startsWith(why), qPrintable(line));
        QVERIFY(!f.progressTexts().contains(QStringLiteral("下载成功！")));
        QVERIFY(update->isEnabled());
        QVERIFY(skip->isEnabled());
        QCOMPARE(snapshot(f.programDir), before);
        QVERIFY(snapshot(f.work.path()).isEmpty());
        QVERIFY(f.launched.isEmpty());

        if (kind == 3)
            return;
        // The server mends its ways: a new click starts afresh and gets through.
        f.standIn.clearBehaviours();
        QSignalSpy finished(&run, &UpdateRun::finished);
        QTest::mouseClick(update, Qt::LeftButton);
        QVERIFY(finished.wait(5000));
        QCOMPARE(TestFiles::bytesOf(f.file(QStringLiteral("veltrana"))), FakeProgram + QByteArray(2000, '#'));
        QCOMPARE(TestFiles::bytesOf(f.file(QStringLiteral("notes.txt"))), QByteArray(2000, 'n'));
    }

    void unsafeNamesAreRefused_data()
    {
        QTest::addColumn<QString>("names");
        QTest::addColumn<QString>("files"); // "%1" is the stand-in's update base
        QTest::addColumn<QString>("why");
        const QString unsafe = QStringLiteral("更新信息中的文件名不安全，已拒绝更新：");
        const QString forbidden = QStringLiteral("更新信息要替换程序或用户自己的文件，已拒绝更新：");
        QTest::newRow("program name ../evil") << "../evil"
                                              << "%1/files/veltrana-newver" << unsafe;
        QTest::newRow("absolute program name") << "/tmp/evil"
                                               << "%1/files/veltrana-newver" << unsafe;
        QTest::newRow("download named ..") << "veltrana"
                                           << "%1/files/notes.txt||%1/files/.." << unsafe;
        QTest::newRow("not http") << "veltrana"
                                  << "file:///etc/hostname" << unsafe;
        QTest::newRow("the user's database") << "veltrana"
                                             << "%1/files/notes.txt||%1/files/db.sqlite||%1/files/veltrana-newver"
                                             << forbidden + QStringLiteral("db.sqlite");
        QTest::newRow("the updater itself")
            << "veltrana"
            << "%1/files/notes.txt||%1/files/update" << forbidden + QStringLiteral("update");
        QTest::newRow("keywords and endpoints")
            << "veltrana"
            << "%1/files/endpoints.ini||%1/files/mykw.txt" << forbidden + QStringLiteral("endpoints.ini");
        QTest::newRow("program named update") << "update"
                                              << "%1/files/veltrana-newver" << forbidden + QStringLiteral("update");
        QTest::newRow("program named db.sqlite")
            << "db.sqlite"
            << "%1/files/veltrana-newver" << forbidden + QStringLiteral("db.sqlite");
    }
    void unsafeNamesAreRefused()
    {
        QFETCH(QString, names);
        QFETCH(QString, files);
        QFETCH(QString, why);
        Fixture f;
        f.writeFile(QStringLiteral("db.sqlite"), "SQLite format 3\0the user's keywords");
        f.writeFile(QStringLiteral("update"), "#!/bin/sh\necho the updater\n");
        f.writeFile(QStringLiteral("mykw.txt"), "rank tracker$seo");
        f.writeFile(QStringLiteral("endpoints.ini"), "[endpoints]\n");
        for (const char *name : {"db.sqlite", "update", "mykw.txt", "endpoints.ini"})
            f.standIn.setDownload(QLatin1String(name), "#!/bin/sh\necho replaced\n");
        f.standIn.setPublishedVersion(QStringLiteral("1.1"));
        f.standIn.setUpdateProgramName(names);
        f.standIn.setUpdateFiles(files.replace(QStringLiteral("%1"), f.standIn.serviceBase(QStringLiteral("update"))));
        const auto before = snapshot(f.programDir);
        const auto rootBefore = snapshot(f.root.path());

        UpdateRun &run = f.checked();
        // A download is only ever started from within confirm(), and starting
        // one shows the progress and goes busy at once: recorded here, no
        // waiting needed to see that none began.
        QSignalSpy progressShown(&run, &UpdateRun::progressShown);
        QSignalSpy busy(&run, &UpdateRun::busyChanged);
        QSignalSpy progressValue(&run, &UpdateRun::progressValueChanged);
        run.confirm();
        QCOMPARE(f.prompts.size(), 1);
        QCOMPARE(f.prompts.at(0).title, QStringLiteral("提示"));
        QVERIFY2(f.prompts.at(0).text.startsWith(why), qPrintable(f.prompts.at(0).text));
        QVERIFY(!run.isBusy());
        QCOMPARE(progressShown.size(), 0);
        QCOMPARE(busy.size(), 0);
        QCOMPARE(progressValue.size(), 0);
        int fetched = 0;
        for (const auto &r : f.standIn.log(QStringLiteral("update")))
            fetched += r.path.startsWith(QLatin1String("/files/")) ? 1 : 0;
        QCOMPARE(fetched, 0);
        QCOMPARE(snapshot(f.programDir), before);
        QCOMPARE(snapshot(f.root.path()), rootBefore);
        QVERIFY(snapshot(f.work.path()).isEmpty());
    }

    // A new program that cannot start, or ends before it proves it runs, is
    // not kept: the old program and the old data files are put back, and the
    // old program is started again with the arguments it was handed over with.
    void aNewProgramThatDoesNotRunIsNotKept_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("why");
        QTest::newRow("exits 1") << QByteArray("#!/bin/sh\nexit 1\n")
                                 << QStringLiteral("更新失败：新版本 veltrana 启动后立即退出（退出代码 1）");
        QTest::newRow("cut to 10 bytes") << QByteArray("#!/bin/sh\n")
                                         << QStringLiteral("更新失败：新版本 veltrana 启动后立即退出（退出代码 0）");
        QTest::newRow("missing interpreter")
            << QByteArray("#!/no/such/interpreter\n") << QStringLiteral("更新失败：无法启动 veltrana");
        QTest::newRow("not a program") << QByteArray(64, '\0') << QStringLiteral("更新失败：无法启动 veltrana");
        QTest::newRow("missing library") << QByteArray()
                                         << QStringLiteral("更新失败：新版本 veltrana 启动后立即退出（退出代码 127）");
    }
    void aNewProgramThatDoesNotRunIsNotKept()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, why);
        if (body.isEmpty()) {
            // A real program whose library is missing: the loader ends it with 127.
            QFile elf(QStringLiteral("/bin/true"));
            QVERIFY(elf.open(QIODevice::ReadOnly));
            body = elf.readAll();
            const qsizetype at = body.indexOf(QByteArray("libc.so.6"));
            if (at < 0)
                QSKIP("/bin/true names no libc.so.6");
            body.replace(at, 9, QByteArray("libq.so.6"));
        }
        Fixture f;
        f.programArguments = {QStringLiteral("--data"), f.root.filePath(QStringLiteral("data"))};
        f.writeFile(QStringLiteral("notes.txt"), "old notes");
        f.standIn.setPublishedVersion(QStringLiteral("1.1"));
        f.standIn.setDownload(QStringLiteral("veltrana-newver"), body);
        f.standIn.setUpdateFiles(f.standIn.downloadUrl(QStringLiteral("notes.txt")) + QStringLiteral("||")
                                 + f.standIn.downloadUrl(QStringLiteral("veltrana-newver")));
        const auto before = snapshot(f.programDir);
        UpdateRun &run = f.checked();
        QSignalSpy gaveUp(&run, &UpdateRun::gaveUp);
        QSignalSpy finished(&run, &UpdateRun::finished);
        run.confirm();
        QVERIFY(gaveUp.wait(5000));
        const QString said = gaveUp.at(0).at(0).toString();
        QVERIFY2(said.startsWith(why) && said.endsWith(QStringLiteral("已恢复并启动原来的版本。")), qPrintable(said));
        QCOMPARE(f.launched, QStringList{f.file(QStringLiteral("veltrana"))});
        QCOMPARE(f.launchedArguments.value(0), f.programArguments);
        QCOMPARE(finished.size(), 0);
        QVERIFY(!run.isBusy());
        QCOMPARE(snapshot(f.programDir), before);
        QVERIFY(QFileInfo(f.file(QStringLiteral("veltrana"))).isExecutable());
        QVERIFY(snapshot(f.work.path()).isEmpty());
    }

    // A program that stays up past the wait is kept, even though it never
    // wrote the published version.
    void aNewProgramThatStaysUpIsKept()
    {
        Fixture f;
        f.standIn.setPublishedVersion(QStringLiteral("1.1"));
        const QByteArray stays = "#!/bin/sh\nexec sleep 3\n";
        f.standIn.setDownload(QStringLiteral("veltrana-newver"), stays);
        f.standIn.setUpdateFiles(f.standIn.downloadUrl(QStringLiteral("veltrana-newver")));
        UpdateRun &run = f.checked();
        QSignalSpy finished(&run, &UpdateRun::finished);
        run.confirm();
        QVERIFY(finished.wait(3000));
        QCOMPARE(TestFiles::bytesOf(f.file(QStringLiteral("veltrana"))), stays);
        QVERIFY(!QFileInfo::exists(f.file(QStringLiteral("veltrana.old"))));
        QCOMPARE(TestFiles::bytesOf(f.file(QStringLiteral("ver.txt"))), QByteArray("1.0\r\n"));
    }

    void skipStartsOnlyTheInstalledProgram()
    {
        Fixture f;
        f.programArguments = {QStringLiteral("--data"), f.root.filePath(QStringLiteral("data"))};
        f.writeFile(QStringLiteral("veltrana-newver"), "not the program");
        f.writeFile(QStringLiteral("tool.exe"), "not the program either");
        f.standIn.setPublishedVersion(QStringLiteral("1.1"));
        f.standIn.setDownload(QStringLiteral("veltrana-newver"), FakeProgram + QByteArray(20000, '#'));
        f.standIn.setUpdateFiles(f.standIn.downloadUrl(QStringLiteral("veltrana-newver")));
        standin::Behaviour slow;
        slow.slowBodyMs = 100;
        f.standIn.setBehaviour(QStringLiteral("/update/files/"), slow);
        const auto before = snapshot(f.programDir);
        UpdateRun &run = f.checked();
        frmMain window(run);
        window.show();
        QSignalSpy values(&run, &UpdateRun::progressValueChanged);
        QSignalSpy finished(&run, &UpdateRun::finished);
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("updateButton")), Qt::LeftButton);
        // Skipped in the middle of the slow download.
        QTRY_VERIFY_WITH_TIMEOUT(values.size() >= 2, 3000);
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("skipButton")), Qt::LeftButton);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(f.launched, QStringList{f.file(QStringLiteral("veltrana"))});
        QCOMPARE(f.launchedArguments.value(0), f.programArguments); // "跳  过" hands the data folder back
        QVERIFY(!window.isVisible());
        QCOMPARE(snapshot(f.programDir), before);
        QVERIFY(snapshot(f.work.path()).isEmpty());
    }

    void skipWithoutAProgramSaysSo()
    {
        Fixture f;
        QVERIFY(QFile::remove(f.file(QStringLiteral("veltrana"))));
        UpdateRun &run = f.checked();
        QSignalSpy finished(&run, &UpdateRun::finished);
        run.skip();
        QCOMPARE(finished.size(), 1);
        QVERIFY(f.launched.isEmpty());
        QCOMPARE(f.prompts.size(), 1);
        QVERIFY(f.prompts.at(0).icon == UpdateRun::Icon::Critical);
        QVERIFY2(f.prompts.at(0).text.startsWith(QStringLiteral("无法启动程序 ")), qPrintable(f.prompts.at(0).text));
    }

    void windowLinesAndCaptionAreas()
    {
        Fixture f;
        UpdateRun &run = f.make(versionPageUrl(f.standIn.serviceBase(QStringLiteral("update"))));
        frmMain window(run);
        QSignalSpy checked(&run, &UpdateRun::checked);
        QSignalSpy closed(&window, &frmMain::closed);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QStringLiteral("在线更新程序"));
        QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(window.findChild<QPushButton *>(QStringLiteral("updateButton"))->text(), QStringLiteral("确定更新"));
        QCOMPARE(window.findChild<QPushButton *>(QStringLiteral("skipButton"))->text(), QStringLiteral("跳  过"));
        QVERIFY(!window.findChild<QProgressBar *>(QStringLiteral("progressBar"))->isVisible());
        run.start();
        QVERIFY(checked.wait(3000));
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("message"))->text(),
                 QStringLiteral("当前已经是最新版本，无需更新！"));
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("versionLine"))->text(), QStringLiteral("当前版本：V1.0"));

        // Dragging the caption moves the window.
        const QPoint start = window.pos();
        QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(100, 10));
        QMouseEvent move(QEvent::MouseMove, QPointF(130, 30), window.mapToGlobal(QPointF(130, 30)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &move);
        QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(130, 30));
        QCOMPARE(window.pos(), start + QPoint(30, 20));

        // A right click in the caption offers the system menu, less the size entry.
        QTest::mouseClick(&window, Qt::RightButton, {}, QPoint(100, 10));
        auto *menu = window.findChild<QMenu *>(QStringLiteral("systemMenu"));
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 3);
        menu->close();

        // The close area ends the window and the run; no program is started.
        QTest::mouseClick(&window, Qt::LeftButton, {}, frmMain::closeArea().center());
        QCOMPARE(closed.size(), 1);
        QVERIFY(!window.isVisible());
        QVERIFY(f.launched.isEmpty());
    }
};

QTEST_MAIN(TestUpdateRun)
#include "test_update_run.moc"
