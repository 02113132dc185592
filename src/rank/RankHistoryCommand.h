#pragma once

#include "context/Command.h"

// "veltrana rank --history": a tracked pair's positions day by day, with
// competitors' positions from the results kept beside the day files.
int runRankHistory(const CommandEntry &entry, AppContext &context, const Cli::Arguments &args);
