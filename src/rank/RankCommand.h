#pragma once

#include "context/CommandSpec.h"

// "veltrana rank": one site and keyword, or every favourite.
CommandSpec rankCommand();
