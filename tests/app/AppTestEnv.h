#pragma once

// A throw-away program folder, data folder and settings file for one test,
// with the stand-in web's endpoints loaded and a scripted prompter installed.

#include "StandIn.h"
#include "common/SettingsStore.h"
#include "context/AppContext.h"
#include "support/ScriptedPrompter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

struct AppTestEnv {
    QTemporaryDir root;
    QString programDir;
    QString dataDir;
    QString settingsFile;
    ScriptedPrompter prompter;
    std::unique_ptr<AppContext> context;

    explicit AppTestEnv(const standin::StandIn *standIn)
    {
        programDir = root.filePath(QStringLiteral("program"));
        dataDir = root.filePath(QStringLiteral("data"));
        settingsFile = root.filePath(QStringLiteral("data/settings.ini"));
        QDir().mkpath(programDir);
        QDir().mkpath(dataDir);
        if (standIn)
            standIn->writeEndpoints(QDir(dataDir).filePath(QStringLiteral("endpoints.ini")));
        reopen();
    }

    // A fresh context on the same folders: the next start of the program.
    AppContext &reopen()
    {
        context.reset();
        context = std::make_unique<AppContext>(programDir, dataDir, settingsFile);
        context->loadEndpoints();
        context->setPrompter(&prompter);
        return *context;
    }

    SettingsStore &settings() { return context->settings(); }

    // An "update" program that only records that it ran.
    QString installFakeUpdater() const
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
    QString updaterRecord() const { return QDir(programDir).filePath(QStringLiteral("updater-ran.txt")); }
};

inline int countRequests(const standin::StandIn &standIn, const QString &service, const QString &path)
{
    int n = 0;
    for (const auto &r : standIn.log(service))
        n += r.path == path ? 1 : 0;
    return n;
}
