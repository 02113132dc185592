#pragma once

// What the rank tests share: the common test world with its own stand-in,
// marked as started up (so option changes are saved).

#include "rank/RankTracker.h"
#include "support/TestEnv.h"

#include <QSignalSpy>

struct RankFixture : TestEnv {
    RankFixture()
        : TestEnv(OwnWeb)
    {
    }

    bool start()
    {
        if (!isValid())
            return false;
        context->settings().setLoaded(true);
        return true;
    }

    // The program started again on the same folders.
    AppContext &restart()
    {
        AppContext &again = reopen();
        again.settings().setLoaded(true);
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

// Adds the sites and keywords to the tracker's lists, ticked.
inline void fillLists(RankTracker &t, const QStringList &sites, const QStringList &keywords)
{
    for (const QString &s : sites)
        t.lists().sites().setChecked(t.lists().sites().addRow(s), true);
    for (const QString &k : keywords)
        t.lists().keywords().setChecked(t.lists().keywords().addRow(k), true);
}

// The result list's first three columns, one "a|b|c" text per row.
inline QStringList resultRows(RankTracker &t)
{
    QStringList out;
    for (int r = 0; r < t.result().count(); ++r)
        out << QStringList{t.result().cell(r, 0), t.result().cell(r, 1), t.result().cell(r, 2)}.join('|');
    return out;
}
