#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The program's own options, before the command:
//   veltrana [--data DIR] [--rules NAME|FILE] [--demo] [--quit-after MS] [--help] [--version] [--] [COMMAND ARGS...]
// The first word that is not an option, or whatever follows "--", is the
// command with its own arguments.
struct ProgramOptions {
    std::optional<QString> dataDir; // --data DIR / --data=DIR (never empty)
    QString rules;                  // --rules NAME|FILE: the page rule set
    bool demo = false;
    bool help = false;
    bool version = false;
    int quitAfterMs = -1;
    QStringList command;
    QString error; // set when the line cannot be used (exit 2)

    static ProgramOptions parse(const QStringList &args);
};
