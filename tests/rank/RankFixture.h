#pragma once

// What the rank tests share: a throw-away data folder with its own ini
// settings and a context pointed at an in-process stand-in web.

#include "StandIn.h"
#include "context/AppContext.h"
#include "support/ScriptedPrompter.h"

#include <QTemporaryDir>
#include <QtTest>
#include <memory>

struct RankFixture {
    QTemporaryDir dir;
    standin::StandIn web;
    ScriptedPrompter prompter;
    std::unique_ptr<AppContext> context;

    bool start()
    {
        if (!dir.isValid() || !web.listen(0))
            return false;
        if (!web.writeEndpoints(dir.filePath(QStringLiteral("endpoints.ini"))))
            return false;
        context = std::make_unique<AppContext>(dir.path(), dir.path(), dir.filePath(QStringLiteral("settings.ini")));
        context->loadEndpoints();
        context->setPrompter(&prompter);
        context->setLoaded(true);
        return true;
    }

    // A second context over the same folder: the program started again.
    std::unique_ptr<AppContext> restart()
    {
        auto again = std::make_unique<AppContext>(dir.path(), dir.path(), dir.filePath(QStringLiteral("settings.ini")));
        again->loadEndpoints();
        again->setPrompter(&prompter);
        again->setLoaded(true);
        return again;
    }

    // Engine requests of the result pages seen so far.
    int searches(const QString &service) const
    {
        int n = 0;
        for (const standin::LoggedRequest &r : web.log(service))
            n += r.path == u"/search";
        return n;
    }
};
