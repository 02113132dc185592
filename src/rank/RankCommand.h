#pragma once

#include "context/Command.h"

// "veltrana rank": one site and keyword, or every favourite.
CommandEntry rankCommand();
