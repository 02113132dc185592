#pragma once

#include "context/Command.h"

// The headless "mine" and "counts" commands:
//   mine SEED [--engines google,yahoo,bing] [--must-contain] [--exclude WORDS] [--save]
//   counts [--engines google,yahoo,bing] KEYWORD...
// One tab-separated UTF-8 line per keyword on stdout (keyword, Google, Yahoo,
// Bing). Ctrl-C stops after the current keyword, a second Ctrl-C at once.
// Bad arguments: usage on stderr and exit status 2.
CommandEntry mineCommand();
CommandEntry countsCommand();
