#include "common/Clock.h"

#include "common/Wait.h"

#include <limits>

void SteadyClock::waitMs(qint64 ms) { waitWithEvents(int(qMin<qint64>(ms, std::numeric_limits<int>::max()))); }
