// update: the updater. It compares "ver.txt" with the maker's version page,
// downloads the listed files, replaces the main program and starts it.

#include "Launch.h"
#include "UpdateRun.h"
#include "frmMain.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTextStream>

using namespace updater;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The window may stay hidden ("/n", "/a"); the run says when to end.
    app.setQuitOnLastWindowClosed(false);
    const QString programDir = QCoreApplication::applicationDirPath();

    InstanceLock lock(programDir);
    if (!lock.acquire())
        return 0; // another updater is at work on this folder

    const CommandLine line = CommandLine::parse(app.arguments().mid(1));
    if (line.folderMissing) {
        QTextStream(stderr) << "update: the folder of the script path does not exist" << Qt::endl;
        return 1;
    }
    const QString script = line.scriptPath.isEmpty() ? defaultScriptPath(programDir) : line.scriptPath;

    WorkFolder work;
    QString error;
    if (!work.create(baseFolderOf(script), &error)) {
        QMessageBox::critical(nullptr, startupFailureTitle(), startupFailureText(error));
        return 1;
    }

    RunConfig config;
    config.programDir = programDir;
    config.workDir = work.path();
    const QString base = line.endpoint.isEmpty()
                             ? readUpdateBase(QDir(dataFolder(programDir)).filePath(QStringLiteral("endpoints.ini")))
                             : line.endpoint;
    config.pageUrl = versionPageUrl(base);

    UpdateRun run(config);
    frmMain window(run);
    run.setPrompt(frmMain::boxPrompt(&window));
    QObject::connect(&run, &UpdateRun::finished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    QObject::connect(&window, &frmMain::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    switch (line.mode) {
    case StartMode::Normal:
        window.show();
        break;
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
