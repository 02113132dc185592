// update: the updater. It compares "ver.txt" with the maker's version page,
// downloads the listed files, replaces the main program and starts it.

#include "Install.h"
#include "Launch.h"
#include "UpdateRun.h"
#include "frmMain.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTextStream>
#include <QTranslator>

using namespace updater;

namespace {

// The updater's own version; the installed program's is the first line of
// "ver.txt".
const char *const kUpdaterVersion = "1.0";

void say(const QString &text) { QTextStream(stderr) << "update: " << text << Qt::endl; }

#ifdef Q_OS_WIN
constexpr bool WindowsRule = true;
#else
constexpr bool WindowsRule = false;
#endif

// When the updater cannot do its work it must not leave the user with
// nothing: the main program ended when it handed over.
int giveBack(const QString &programDir, const QStringList &programArguments, const QString &title, const QString &text,
             bool showBox)
{
    const bool started =
        startInstalledProgram(programDir, defaultProgramName(), WindowsRule, programArguments, &startDetached);
    say(text + (started ? QStringLiteral("；已启动已安装的程序") : QStringLiteral("；没有可启动的程序")));
    if (showBox)
        QMessageBox::critical(nullptr, title, text);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    // Asked before anything else: no window, no lock, no folder touched.
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--version") == 0) {
            QTextStream(stdout) << "update " << kUpdaterVersion << Qt::endl;
            return 0;
        }
    }
    QApplication app(argc, argv);
    // Qt's own buttons and boxes in Chinese, like the window's own texts.
    auto *qtChinese = new QTranslator(&app);
    if (qtChinese->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtChinese);
    // The window may stay hidden ("/n", "/a"); the run says when to end.
    app.setQuitOnLastWindowClosed(false);
    const QString programDir = QCoreApplication::applicationDirPath();

    const CommandLine line = CommandLine::parse(app.arguments().mid(1));
    QStringList programArguments;
    if (!line.dataDir.isEmpty())
        programArguments << QStringLiteral("--data") << line.dataDir;
    const bool showBoxes = line.mode == StartMode::Normal;

    InstanceLock lock(programDir);
    switch (lock.acquire()) {
    case InstanceLock::Result::HeldByOther: return 0; // another updater is at work on this folder
    case InstanceLock::Result::Unusable:
        return giveBack(programDir, programArguments, QStringLiteral("提示"),
                        QStringLiteral("无法更新：程序文件夹无法写入，不能建立锁文件 ")
                            + QDir::toNativeSeparators(lock.path()),
                        showBoxes);
    case InstanceLock::Result::Acquired: break;
    }

    if (line.folderMissing) {
        say(QStringLiteral("the folder of the script path does not exist"));
        return 1;
    }
    const QString script = line.scriptPath.isEmpty() ? defaultScriptPath(programDir) : line.scriptPath;
    const QString base = baseFolderOf(script);

    // An earlier run that was cut short is put right first.
    for (const QString &done :
         recoverProgramFolder(programDir, defaultProgramName(), QDir(base).filePath(QStringLiteral("Temp"))))
        say(done);

    WorkFolder work;
    QString error;
    if (!work.create(base, &error))
        return giveBack(programDir, programArguments, startupFailureTitle(), startupFailureText(error), showBoxes);

    RunConfig config;
    config.programDir = programDir;
    config.workDir = work.path();
    config.programArguments = programArguments;
    if (line.proofMs >= 0)
        config.proofMs = line.proofMs;
    config.holdAfterStep = line.holdAfterStep;
    const QString updateBase = line.endpoint.isEmpty()
        ? readUpdateBase(QDir(dataFolder(programDir, line.dataDir)).filePath(QStringLiteral("endpoints.ini")))
        : line.endpoint;
    config.pageUrl = versionPageUrl(updateBase);

    UpdateRun run(config);
    frmMain window(run);
    run.setPrompt(frmMain::boxPrompt(&window));
    QObject::connect(&run, &UpdateRun::finished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    QObject::connect(&window, &frmMain::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    QObject::connect(&run, &UpdateRun::gaveUp, &app, [](const QString &why) { say(why); });
    if (!line.holdAfterStep.isEmpty()) // tests kill the updater between these steps
        QObject::connect(&run, &UpdateRun::step, &app,
                         [](const QString &what) { say(QStringLiteral("step ") + what); });

    switch (line.mode) {
    case StartMode::Normal: window.show(); break;
    case StartMode::Quiet:
        // A quiet check bothers nobody unless there is something to install.
        QObject::connect(&run, &UpdateRun::checked, &window, [&window](bool available) {
            if (available)
                window.show();
            else
                QCoreApplication::quit();
        });
        break;
    case StartMode::Automatic:
        QObject::connect(&run, &UpdateRun::checked, &window, [&run, &window](bool available) {
            if (!available) {
                QCoreApplication::quit();
                return;
            }
            run.confirm();
            if (!run.isBusy())
                window.show(); // refused or nothing to fetch: the user should see why
        });
        QObject::connect(&run, &UpdateRun::gaveUp, &window, &QWidget::show);
        break;
    }

    run.start();
    const int status = app.exec();
    run.cancel();
    work.remove();
    return status;
}
