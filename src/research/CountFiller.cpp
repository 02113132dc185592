#include "research/CountFiller.h"

#include "common/Clock.h"
#include "common/Endpoints.h"
#include "common/ListPair.h"
#include "engines/EnginePacing.h"
#include "engines/IndexCounts.h"
#include "web/CXHtml.h"

#include <QDate>

namespace {

QString &countOf(KeywordStore::Counts &c, Engine e)
{
    switch (e) {
    case Engine::Google: return c.google;
    case Engine::Yahoo: return c.yahoo;
    case Engine::Bing: break;
    }
    return c.bing;
}

QString storedCount(KeywordStore::Counts c, Engine e) { return countOf(c, e); }

} // namespace

CountFiller::CountFiller(KeywordStore &store, const Endpoints &endpoints, EnginePacing &pacing, const Clock &clock,
                         const PageRuleSet &rules)
    : m_store(store),
      m_endpoints(endpoints),
      m_pacing(pacing),
      m_clock(clock),
      m_rules(rules),
      m_html(std::make_unique<CXHtml>())
{
    m_html->TryTime = 10;
}

CountFiller::~CountFiller() = default;

QString CountFiller::countFor(Engine e, const QString &keyword, const Options &options,
                              const std::optional<KeywordStore::Stored> &stored, bool *failed, QString *why,
                              QString *cell)
{
    *failed = false;
    if (!options.engines[engineIndex(e)])
        return QStringLiteral("-");
    if (stored)
        return storedCount(stored->counts, e);
    if (m_failures.gaveUp(e)) {
        *failed = true;
        return IndexCounts::notFound(e);
    }
    ++m_requests;
    m_html->TryTime = 10;
    const IndexCounts::CountResult result =
        IndexCounts::fetchCount(e, keyword, *m_html, m_endpoints, m_pacing, m_rules);
    *failed = result.failed();
    if (result.failed()) {
        *why = result.reason();
        if (cell)
            *cell = result.unreadableText();
        recordRequest(e, keyword, QStringLiteral("count"), *why);
    } else {
        recordRequest(e, false);
    }
    return result.count;
}

bool CountFiller::recordRequest(Engine e, const QString &keyword, const QString &what, const QString &reason)
{
    if (m_onFailure)
        m_onFailure(e, keyword, what, reason);
    return recordRequest(e, true);
}

bool CountFiller::recordRequest(Engine e, bool failed)
{
    if (m_failures.record(e, failed) && m_onGiveUp)
        m_onGiveUp(e);
    return !m_failures.gaveUp(e);
}

CountFiller::Filled CountFiller::lookup(const QString &keyword, const Options &options, bool *cached)
{
    const auto stored = m_store.findOnDay(keyword, m_clock.today());
    if (cached)
        *cached = stored.has_value();
    Filled out;
    for (Engine e : kEngines)
        countOf(out.counts, e) =
            countFor(e, keyword, options, stored, &out.failed[engineIndex(e)], &out.why[engineIndex(e)]);
    return out;
}

CountFiller::Filled CountFiller::AddIndex(const QString &keyword, ListPair &lists, const Options &options)
{
    return AddIndex(keyword, lists, [&options] { return options; });
}

CountFiller::Filled CountFiller::AddIndex(const QString &keyword, ListPair &lists,
                                          const std::function<Options()> &optionsNow)
{
    const auto stored = m_store.findOnDay(keyword, m_clock.today());
    Filled out;
    Options options;
    // Each engine completely (request and both cells) before the next, so a
    // slow engine already shows the counts of the ones before it.
    for (Engine e : kEngines) {
        options = optionsNow();
        QString unreadable;
        const QString count =
            countFor(e, keyword, options, stored, &out.failed[engineIndex(e)], &out.why[engineIndex(e)], &unreadable);
        countOf(out.counts, e) = count;
        // A page the rules cannot read says so instead of looking like a 0.
        lists.setCell(keyword, engineIndex(e) + 1, unreadable.isEmpty() ? count : unreadable);
    }
    if (!stored && options.store && !out.anyFailed())
        out.writeFailed = !m_store.checkdb({keyword, options.parentBox, out.counts, {}}, m_clock.today());
    return out;
}
