#pragma once

// What the program-level tests add to TestEnv: a fake updater in the program
// folder and a count of the stand-in's requests to one path.

#include "StandIn.h"

#include <QDir>
#include <QFile>

// An "update" program that only records that it ran.
inline QString installFakeUpdater(const QString &programDir)
{
    const QString path = QDir(programDir).filePath(QStringLiteral("update"));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) {
        f.write("#!/bin/sh\necho ran > \"$(dirname \"$0\")/updater-ran.txt\"\n");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    }
    return path;
}

inline QString updaterRecord(const QString &programDir)
{
    return QDir(programDir).filePath(QStringLiteral("updater-ran.txt"));
}

inline int countRequests(const standin::StandIn &standIn, const QString &service, const QString &path)
{
    int n = 0;
    for (const auto &r : standIn.log(service))
        n += r.path == path ? 1 : 0;
    return n;
}
