#include "common/Wait.h"

#include <QEventLoop>
#include <QTimer>

void waitWithEvents(int ms)
{
    if (ms <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
