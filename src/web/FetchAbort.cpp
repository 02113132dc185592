#include "web/FetchAbort.h"

void FetchAbort::abort()
{
    if (m_aborted)
        return;
    m_aborted = true;
    Q_EMIT aborted();
}
