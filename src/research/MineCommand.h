#pragma once

#include <QStringList>

class AppContext;

// The headless "mine" and "counts" commands (args[0] is the command name):
//   mine SEED [--engines google,yahoo,bing] [--must-contain] [--exclude WORDS] [--save]
//   counts [--engines google,yahoo,bing] KEYWORD...
// One tab-separated UTF-8 line per keyword on stdout (keyword, Google, Yahoo,
// Bing). Ctrl-C stops after the current keyword. Bad arguments: usage on
// stderr and exit status 2.
int runMineCommand(AppContext &context, const QStringList &args);
