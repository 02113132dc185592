#pragma once

#include "context/Command.h"

// "veltrana doctor [--live] [--rules NAME|FILE]": whether the rule set
// still reads the engines' pages.
CommandEntry doctorCommand();
