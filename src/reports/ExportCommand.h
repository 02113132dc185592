#pragma once

#include "context/Command.h"

// The headless report export:
//   veltrana export db FILE           the keyword table, newest first
//   veltrana export favourites FILE   the favourites' whole history
// The format follows FILE's extension (.txt, .htm/.html, .xlsx, .csv); an
// existing FILE is replaced once the new one is complete. On a terminal the
// progress shows on standard error. Exit status: 0 written, 1 no database, a
// failed write or more rows than a workbook holds (nothing written), 2 bad
// arguments, 130 stopped by Ctrl-C (FILE as it was).
CommandEntry exportCommand();
// args[0] is "export".
int runExportCommand(AppContext &context, const QStringList &args);
