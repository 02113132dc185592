// veltrana: the window, or a headless command ("veltrana COMMAND ...").

#include "DemoUpdate.h"
#include "StandIn.h"
#include "app/Commands.h"
#include "app/Demo.h"
#include "app/ProgramOptions.h"
#include "app/QtTranslation.h"
#include "app/Startup.h"
#include "app/ui/AppIcon.h"
#include "app/ui/MainWindow.h"
#include "common/CommandLine.h"
#include "common/DataFolder.h"
#include "common/ui/DialogPrompter.h"
#include "context/AppContext.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <memory>

namespace {

int headless(int argc, char *argv[], const ProgramOptions &options)
{
    QCoreApplication app(argc, argv);
    const QString programDir = QCoreApplication::applicationDirPath();
    if (options.help) {
        QTextStream(stdout) << Commands::usage();
        return 0;
    }
    if (options.version) {
        QTextStream(stdout) << "veltrana " << Startup::version() << Qt::endl;
        return 0;
    }
    if (!options.error.isEmpty())
        return Cli::usageError(QStringLiteral("command line"), options.error, Commands::usage());
    if (!Commands::isCommand(options.command.value(0)))
        return Cli::usageError(QStringLiteral("unknown command"), options.command.value(0), Commands::usage());
    // Commands make the folder only when they write there (see Commands::run).
    AppContext context(programDir, DataFolder::resolveGiven(options.dataDir.value_or(QString()), programDir, false));
    const QString refused = context.chooseRules(options.rules);
    if (!refused.isEmpty())
        Cli::fail(QStringLiteral("rules"), refused);
    return Commands::run(context, options.command);
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList allArgs;
    for (int i = 1; i < argc; ++i)
        allArgs.append(QString::fromLocal8Bit(argv[i]));
    const ProgramOptions options = ProgramOptions::parse(allArgs);
    if (!options.command.isEmpty() || options.help || options.version || !options.error.isEmpty())
        return headless(argc, argv, options);

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); // the embedded browsers need it
    QApplication app(argc, argv);
    app.setWindowIcon(appIcon());
    installQtChinese(app);
    const QString programDir = QCoreApplication::applicationDirPath();

    // The demo plays the web in-process and keeps everything in a throw-away
    // folder, so it never touches the user's data or settings.
    std::unique_ptr<standin::StandIn> standIn;
    std::unique_ptr<QTemporaryDir> demoDir;
    std::unique_ptr<DemoUpdate> demoUpdate;
    QString contextProgramDir = programDir;
    QString dataDir;
    QString settingsFile;
    if (options.demo) {
        standIn = std::make_unique<standin::StandIn>();
        if (!standIn->listen(0)) {
            Cli::fail(QStringLiteral("demo"), QStringLiteral("cannot listen on 127.0.0.1"));
            return 1;
        }
        // Only a folder the demo made itself is written to (--data is refused).
        demoDir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/veltrana-demo-XXXXXX"));
        if (!demoDir->isValid()) {
            Cli::fail(QStringLiteral("cannot create a demo folder in ") + QDir::tempPath(), demoDir->errorString());
            return 1;
        }
        dataDir = QDir(demoDir->path()).filePath(QStringLiteral("data"));
        QDir().mkpath(dataDir);
        // "在线升级" works on a copy of the program folder, and "ver.txt" is
        // written there, never beside the real program.
        demoUpdate = std::make_unique<DemoUpdate>(*standIn, demoDir->path());
        QString error;
        if (!demoUpdate->prepare(&error)) {
            Cli::fail(QStringLiteral("demo"), error);
            return 1;
        }
        contextProgramDir = demoUpdate->programDir();
        Demo::seedRankLists(dataDir);
        Demo::seedFavourites(dataDir);
        standIn->writeEndpoints(QDir(dataDir).filePath(QStringLiteral("endpoints.ini")));
        settingsFile = QDir(dataDir).filePath(QStringLiteral("settings.ini"));
    } else {
        dataDir = DataFolder::resolveGiven(options.dataDir.value_or(QString()), programDir);
    }

    AppContext context(contextProgramDir, dataDir, settingsFile);
    context.loadEndpoints();
    // Chosen before the tabs are built: they keep the set they are given.
    const QString refused = context.chooseRules(options.rules);
    auto window = std::make_unique<MainWindow>(context);
    auto prompter = std::make_unique<DialogPrompter>(window.get());
    context.setPrompter(prompter.get());
    if (!refused.isEmpty())
        context.prompter().message(QStringLiteral("提示"), QStringLiteral("页面规则无法使用：%1").arg(refused),
                                   Prompter::Icon::Warning);
    if (demoUpdate) {
        window->startup().setLauncher([&demoUpdate](const QString &path, const QStringList &arguments, bool) {
            return demoUpdate->launch(path, arguments);
        });
    }
    if (!window->start())
        return 0;
    window->show();

    if (options.quitAfterMs >= 0) {
        QTimer::singleShot(options.quitAfterMs, window.get(), [&window] {
            QTextStream(stdout) << "veltrana: window " << (window->isVisible() ? "shown" : "hidden") << Qt::endl;
            // Leave without the exit question: nobody is there to answer it.
            QCoreApplication::exit(window->isVisible() ? 0 : 1);
        });
    }
    const int status = app.exec();
    if (demoUpdate && window->startup().updateStarted()) {
        // Handed over: the window lets go of the data folder, and the
        // stand-in keeps serving the updater and the program it starts.
        context.setPrompter(nullptr);
        prompter.reset();
        window.reset();
        return demoUpdate->serveUntilDone(dataDir);
    }
    return status;
}
