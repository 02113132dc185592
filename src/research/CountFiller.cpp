#include "research/CountFiller.h"

#include "common/ListPair.h"
#include "context/AppContext.h"
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

QString storedCount(KeywordStore::Counts c, Engine e)
{
    return countOf(c, e);
}

} // namespace

CountFiller::CountFiller(AppContext &context) : m_context(context), m_html(std::make_unique<CXHtml>())
{
    m_html->TryTime = 10;
}

CountFiller::~CountFiller() = default;

QString CountFiller::countFor(Engine e, const QString &keyword, const Options &options,
                              const std::optional<KeywordStore::Stored> &stored)
{
    if (!options.engines[engineIndex(e)])
        return QStringLiteral("-");
    if (stored)
        return storedCount(stored->counts, e);
    ++m_requests;
    m_html->TryTime = 10;
    return IndexCounts::fetch(e, keyword, *m_html, m_context.endpoints(), m_context.pacing());
}

KeywordStore::Counts CountFiller::lookup(const QString &keyword, const Options &options, bool *cached)
{
    const auto stored = m_context.keywords().findOnDay(keyword, QDate::currentDate());
    if (cached)
        *cached = stored.has_value();
    KeywordStore::Counts counts;
    for (Engine e : kEngines)
        countOf(counts, e) = countFor(e, keyword, options, stored);
    return counts;
}

KeywordStore::Counts CountFiller::AddIndex(const QString &keyword, ListPair &lists, const Options &options)
{
    const auto stored = m_context.keywords().findOnDay(keyword, QDate::currentDate());
    KeywordStore::Counts counts;
    // Each engine completely (request and both cells) before the next, so a
    // slow engine already shows the counts of the ones before it.
    for (Engine e : kEngines) {
        const QString cell = countFor(e, keyword, options, stored);
        countOf(counts, e) = cell;
        lists.setCell(keyword, engineIndex(e) + 1, cell);
    }
    if (!stored && options.store)
        m_context.keywords().checkdb({keyword, options.parentBox, counts, {}});
    return counts;
}
