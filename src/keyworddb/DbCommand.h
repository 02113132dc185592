#pragma once

#include "context/Command.h"

// The headless keyword-database commands:
//   veltrana db list                                   the table, newest first
//   veltrana db refresh [--engines google,yahoo,bing]  the database refresh
//   veltrana db import FILE                            adds the file's keywords the table lacks
// Rows go to standard output as tab-separated UTF-8, progress and errors to
// standard error. Ctrl-C stops a refresh after the row in progress, a
// second one at once. Exit status: 0 done, 1 no database, a failed write or a
// file that cannot be read or understood (nothing is then stored),
// 2 bad arguments, 130 stopped by Ctrl-C.
CommandEntry dbCommand();
// args[0] is "db".
int runDbCommand(AppContext &context, const QStringList &args);
