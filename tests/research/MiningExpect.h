#pragma once

// What the stand-in's pages should yield, worked out from its own corpus, so
// mining tests compare against the stand-in rather than against themselves.

#include "StandIn.h"
#include "common/Engine.h"
#include "pages.h"

#include <QSet>
#include <QStringList>

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
