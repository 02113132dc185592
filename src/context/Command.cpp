#include "context/Command.h"

#include "context/AppContext.h"
#include "store/KeywordStore.h"

int openDatabaseOr(AppContext &context, const QString &command)
{
    if (context.keywords().isOpen() || context.openDatabase())
        return Cli::Done;
    Cli::fail(command,
              QStringLiteral("cannot open the keyword database %1: %2")
                  .arg(context.dataFile(QStringLiteral("db.sqlite")), context.keywords().lastError()));
    return Cli::Failed;
}

int databaseWriteFailed(AppContext &context, const QString &command, const QString &message)
{
    const KeywordStore &store = context.keywords();
    Cli::fail(command,
              QStringLiteral("cannot write the keyword database %1: %2").arg(store.fileName(), store.lastError()),
              message);
    return Cli::Failed;
}

CommandEntry commandEntry(const QString &name, const QString &summary, const QStringList &usageLines, CommandRun run)
{
    CommandEntry entry;
    entry.name = name;
    entry.summary = summary;
    entry.usageLines = usageLines;
    entry.run = [described = entry, run](AppContext &context, const QStringList &args) {
        return run(described, context, args);
    };
    return entry;
}
