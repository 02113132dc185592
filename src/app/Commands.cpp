#include "app/Commands.h"

#include "app/DoctorCommand.h"

#include "common/CommandLine.h"
#include "context/AppContext.h"

// The features whose commands are listed below.
#include "keyworddb/DbCommand.h"
#include "rank/RankCommand.h"
#include "reports/ExportCommand.h"
#include "research/MineCommand.h"

#include <QDir>
#include <optional>

namespace Commands {

namespace {

// Feature commands: each feature adds its #include above and its entry here.
QList<CommandEntry> commands()
{
    return {mineCommand(), countsCommand(), dbCommand(), rankCommand(), exportCommand(), doctorCommand()};
}

std::optional<CommandEntry> find(const QString &name)
{
    for (const CommandEntry &c : commands()) {
        if (c.name == name)
            return c;
    }
    return std::nullopt;
}

} // namespace

QStringList names()
{
    QStringList out;
    for (const CommandEntry &c : commands())
        out.append(c.name);
    return out;
}

bool isCommand(const QString &name) { return find(name).has_value(); }

QString usage()
{
    QString text =
        QStringLiteral("usage: veltrana [--data DIR] [--demo] [--quit-after MS]   open the window\n"
                       "       veltrana [--data DIR] COMMAND [ARGS...]            run a command without a window\n"
                       "       veltrana --version | --help\n"
                       "\n"
                       "commands:\n");
    for (const CommandEntry &c : commands())
        text += QStringLiteral("  %1%2\n").arg(c.name, -10).arg(c.summary);
    text += QStringLiteral("\narguments:\n");
    for (const CommandEntry &c : commands()) {
        for (const QString &line : c.usageLines)
            text += QStringLiteral("  ") + line + QLatin1Char('\n');
    }
    text += QStringLiteral("\n"
                           "--data DIR       the data folder (database, list files, endpoints.ini)\n"
                           "--rules NAME|FILE  the page rule set: 2010 (built-in), 2019, 2026 or a file\n"
                           "--demo           play the web on 127.0.0.1 with a throw-away data folder\n"
                           "--quit-after MS  leave the window after MS milliseconds (smoke tests)\n"
                           "--version        the program's version\n");
    return text;
}

int run(AppContext &context, const QStringList &args)
{
    const std::optional<CommandEntry> entry = args.isEmpty() ? std::nullopt : find(args.first());
    if (args.isEmpty())
        return Cli::usageError(QStringLiteral("command line"), QStringLiteral("no command given"), usage());
    if (!entry)
        return Cli::usageError(QStringLiteral("unknown command"), args.first(), usage());
    if (!QDir(context.dataDir()).exists() && !entry->mayCreateDataFolder) {
        Cli::fail(QStringLiteral("no such data folder"), QDir::toNativeSeparators(context.dataDir()));
        return Cli::Usage;
    }
    // The database is each command's own business: it is opened (and made)
    // only once the command has accepted its arguments and needs it.
    context.loadEndpoints();
    context.loadPacing();
    return entry->run(context, args);
}

} // namespace Commands
