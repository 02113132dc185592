#pragma once

#include "common/CommandLine.h"

#include <QString>
#include <QStringList>
#include <functional>

class AppContext;

// One headless command: its name, its usage lines (the one place they are
// written: the program's usage and the command's own errors both show
// them) and what runs it. `run` gets the whole argument list, the command's
// name first, and returns the exit status (Cli::Exit).
struct CommandEntry;
// A command's run that reports its usage errors through its own entry.
using CommandRun = int (*)(const CommandEntry &entry, AppContext &context, const QStringList &args);

struct CommandEntry {
    QString name;
    QString summary;        // what it does, in one line for --help
    QStringList usageLines; // "mine SEED [--engines ...]"
    std::function<int(AppContext &context, const QStringList &args)> run;
    // Whether the command may run on a data folder that does not exist yet
    // (it then creates the folder itself, and only when it writes there).
    // Every other command refuses a missing folder: a mistyped --data must
    // not read as an empty history or table.
    bool mayCreateDataFolder = false;

    // "usage: veltrana <line 1>\n       veltrana <line 2>\n..."
    QString usageText() const
    {
        QString text;
        for (int i = 0; i < usageLines.size(); ++i)
            text += (i == 0 ? QStringLiteral("usage: veltrana ") : QStringLiteral("       veltrana "))
                + usageLines.at(i) + QLatin1Char('\n');
        return text;
    }

    // "veltrana: <name>: <problem>" and this command's usage; returns Cli::Usage.
    int usageError(const QString &problem) const { return Cli::usageError(name, problem, usageText()); }
};

// Opens the data folder's keyword database for `command` (making it when it
// is not there), unless it is open already. Cli::Done when it is open; else
// "veltrana: <command>: cannot open the keyword database <file>: <why>" and
// The entry `name`, `summary`, `usageLines`, whose run is `run` given the entry.
CommandEntry commandEntry(const QString &name, const QString &summary, const QStringList &usageLines, CommandRun run);

// Cli::Failed, which the command returns.
int openDatabaseOr(AppContext &context, const QString &command);
// "veltrana: <command>: cannot write the keyword database <file>: <why>",
// with the Chinese message the window would have shown; returns Cli::Failed.
int databaseWriteFailed(AppContext &context, const QString &command, const QString &message);
