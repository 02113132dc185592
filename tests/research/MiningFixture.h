#pragma once

// What the mining tests share: a throw-away data folder with its own ini
// settings, a context pointed at an in-process stand-in web with no engine
// waits, and the rows the stand-in's pages should yield.

#include "StandIn.h"
#include "common/Engine.h"
#include "context/AppContext.h"
#include "engines/EnginePacing.h"
#include "pages.h"
#include "store/KeywordStore.h"
#include "support/ScriptedPrompter.h"

#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

struct MiningFixture {
    QTemporaryDir dir;
    standin::StandIn web;
    ScriptedPrompter prompter;
    std::unique_ptr<AppContext> context;

    // Builds the context once the caller has set up the data folder.
    bool start()
    {
        if (!dir.isValid() || !web.listen(0))
            return false;
        if (!web.writeEndpoints(dir.filePath(QStringLiteral("endpoints.ini"))))
            return false;
        context = std::make_unique<AppContext>(dir.path(), dir.path(), dir.filePath(QStringLiteral("settings.ini")));
        context->loadEndpoints();
        if (!context->openDatabase())
            return false;
        context->setPrompter(&prompter);
        for (Engine e : kEngines)
            context->pacing().setWaitSeconds(e, 0);
        return true;
    }

    // Requests to an engine's result page whose query key holds `keyword`.
    int searches(const QString &service, const QString &keyword) const
    {
        const QString key = service == u"yahoo" ? QStringLiteral("p") : QStringLiteral("q");
        int n = 0;
        for (const standin::LoggedRequest &r : web.log(service)) {
            for (const auto &item : r.items) {
                if (item.first == key && item.second == keyword)
                    ++n;
            }
        }
        return n;
    }
};

namespace mining_expect {

inline standin::detail::Engine standinEngine(Engine e)
{
    switch (e) {
    case Engine::Google: return standin::detail::Google;
    case Engine::Yahoo: return standin::detail::Yahoo;
    case Engine::Bing: break;
    }
    return standin::detail::Bing;
}

// The count an engine's page prints for a keyword, digits only.
inline QString count(const QString &keyword, Engine e)
{
    return QString::number(standin::detail::resultCount(keyword, standinEngine(e)));
}

// The related searches in the order the miner reads them (Yahoo, Google,
// Bing), each once, without the seed.
inline QStringList related(const QString &seed, int relatedCount)
{
    QStringList out;
    QSet<QString> seen{seed};
    for (Engine e : {Engine::Yahoo, Engine::Google, Engine::Bing}) {
        for (const QString &k : standin::detail::relatedFor(seed, standinEngine(e), relatedCount)) {
            if (!seen.contains(k)) {
                seen.insert(k);
                out << k;
            }
        }
    }
    return out;
}

} // namespace mining_expect
