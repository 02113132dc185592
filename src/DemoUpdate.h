#pragma once

// The demo's "在线升级": the real updater runs on a throw-away copy of the
// program folder inside the demo folder, against the stand-in, which
// publishes version 1.1 whose program is this very executable. The demo
// process keeps serving until the updater and the program it starts have
// ended; their settings and caches stay in the demo folder too, so nothing
// is written outside it.

#include <QString>
#include <QStringList>

namespace standin {
class StandIn;
}

class DemoUpdate
{
public:
    // `demoRoot`: the demo's throw-away folder; the program copy goes in "program".
    DemoUpdate(standin::StandIn &standIn, const QString &demoRoot);

    // Puts the updater into the program copy; false (with `error`) when it cannot.
    bool prepare(QString *error);
    QString programDir() const { return m_programDir; }

    // The hand-over's launcher: puts the main program beside the updater,
    // publishes it and starts the updater.
    bool launch(const QString &updater, const QStringList &arguments);

    // After the window closed on a hand-over: serves until the updater has
    // ended and no program holds the demo's data folder any more.
    int serveUntilDone(const QString &dataDir);

private:
    standin::StandIn &m_standIn;
    QString m_root;
    QString m_programDir;
    qint64 m_updaterPid = 0;
};
