#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class AppContext;

// One headless command: its name, its usage lines (the one place they are
// written: the program's usage and the command's own errors both show
// them) and what runs it. `run` gets the whole argument list, the command's
// name first, and returns the exit status (Cli::Exit).
struct CommandSpec {
    QString name;
    QStringList usageLines;   // "mine SEED [--engines ...]"
    std::function<int(AppContext &context, const QStringList &args)> run;

    // "usage: veltrana <line 1>\n       veltrana <line 2>\n..."
    QString usageText() const
    {
        QString text;
        for (int i = 0; i < usageLines.size(); ++i)
            text += (i == 0 ? QStringLiteral("usage: veltrana ") : QStringLiteral("       veltrana "))
                    + usageLines.at(i) + QLatin1Char('\n');
        return text;
    }
};
