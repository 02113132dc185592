#pragma once

#include <QStringList>

class AppContext;

// The headless keyword-database commands:
//   veltrana db list                                   the table, newest first
//   veltrana db refresh [--engines google,yahoo,bing]  the database refresh
// args[0] is "db". Rows go to standard output as tab-separated UTF-8,
// progress and errors to standard error. Ctrl-C stops a refresh after the
// row in progress. Exit status: 0 done, 1 no database, 2 bad arguments,
// 130 stopped by Ctrl-C.
int runDbCommand(AppContext &context, const QStringList &args);
