#pragma once

#include <QString>
#include <QStringList>

class AppContext;

// The headless commands: "veltrana COMMAND ..." runs a feature's logic with
// no window, on the same data folder, settings, endpoints and database.
namespace Commands {

// A command gets its whole argument list, its own name first ("mine", ...),
// prints tab-separated rows on stdout and progress on stderr, and returns
// the exit status.
using Handler = int (*)(AppContext &context, const QStringList &args);

QStringList names();
bool isCommand(const QString &name);
QString usage();

// Runs args[0] with the rest; an unknown or missing command prints the usage
// on stderr and returns 2.
int run(AppContext &context, const QStringList &args);

} // namespace Commands
