#pragma once

#include "context/Command.h"

// The headless report export:
//   veltrana export db FILE           the keyword table, newest first
//   veltrana export favourites FILE   the favourites' whole history
// The format follows FILE's extension (.txt, .htm/.html, .xlsx, .csv); an
// existing FILE is replaced once the new one is complete. Exit status: 0
// written, 1 no database or a failed write, 2 bad arguments.
CommandEntry exportCommand();
// args[0] is "export".
int runExportCommand(AppContext &context, const QStringList &args);
