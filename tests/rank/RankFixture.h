#pragma once

// What the rank tests share: the common test world with its own stand-in,
// marked as started up (so option changes are saved).

#include "support/TestEnv.h"

#include <QSignalSpy>

struct RankFixture : TestEnv {
    RankFixture() : TestEnv(OwnWeb) {}

    bool start()
    {
        if (!isValid())
            return false;
        context->setLoaded(true);
        return true;
    }

    // The program started again on the same folders.
    AppContext &restart()
    {
        AppContext &again = reopen();
        again.setLoaded(true);
        return again;
    }

    // Engine requests of the result pages seen so far.
    int searches(const QString &service) const
    {
        int n = 0;
        for (const standin::LoggedRequest &r : web().log(service))
            n += r.path == u"/search";
        return n;
    }
};
