#pragma once

#include <QString>
#include <QStringList>

class AppContext;

// The headless commands: "veltrana COMMAND ..." runs a feature's logic with
// no window, on the same data folder, settings, endpoints and database.
namespace Commands {

QStringList names();
bool isCommand(const QString &name);
QString usage();

// Runs args[0] with the rest; an unknown or missing command prints the usage
// on stderr and returns 2.
int run(AppContext &context, const QStringList &args);

} // namespace Commands
