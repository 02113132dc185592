#pragma once

#include "common/Engine.h"
#include "engines/EngineFailures.h"
#include "store/KeywordStore.h"

#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class CXHtml;
class Clock;
class PageRuleSet;
class EnginePacing;
class Endpoints;
class ListPair;

// AddIndex: the three indexed counts of one keyword, taken from today's rows
// of the keyword table when there are any, otherwise paced, fetched and cut
// out of each engine's result page (Google, Yahoo, Bing in that order).
class CountFiller
{
public:
    struct Options {
        std::array<bool, 3> engines{true, true, false}; // "同时查询…收录量", by engineIndex
        bool store = false;                             // "查询数据即时加入关键词数据库"
        QString parentBox;                              // the seed field's text, as typed
    };

    // What one keyword's lookup gave.
    struct Filled {
        KeywordStore::Counts counts;
        std::array<bool, 3> failed{false, false, false}; // the request failed: the cell is no count
        std::array<QString, 3> why;                      // the failed request's reason ("timed out", "blocked")
        bool writeFailed = false;                        // the store option's write failed
        bool anyFailed() const { return failed[0] || failed[1] || failed[2]; }
    };

    // Counts are asked of `endpoints` at `pacing`'s rate and read by
    // `rules`; today's rows of `store` (today by `clock`) answer first.
    CountFiller(KeywordStore &store, const Endpoints &endpoints, EnginePacing &pacing, const Clock &clock,
                const PageRuleSet &rules);
    ~CountFiller();

    // The counts of `keyword`: cached ones, fetched ones, or "-" for an
    // engine not asked. `cached` tells whether today's row supplied them.
    // A failed request shows the engine's not-found value and says so.
    Filled lookup(const QString &keyword, const Options &options, bool *cached = nullptr);

    // Fills sub-columns 1-3 of the keyword's row in both lists (the newest
    // row, which the caller has just added; a page the rules cannot read
    // shows "页面无法识别" or "被搜索引擎拦截" there) and, with the store option and
    // uncached counts, inserts or refreshes the keyword in the table. A
    // keyword whose lookup had a failed request is not stored: its stored
    // counts stay, and the next lookup asks the engines again.
    // `options` is asked again before each engine's step, so a box unticked
    // during a wait counts from the next engine on.
    Filled AddIndex(const QString &keyword, ListPair &lists, const std::function<Options()> &options);
    Filled AddIndex(const QString &keyword, ListPair &lists, const Options &options);

    // Requests sent so far (for progress and benchmarks).
    int requestCount() const { return m_requests; }

    // Failures of this run; an engine that failed three times in a row is
    // asked nothing more until reset.
    const EngineFailures &failures() const { return m_failures; }
    void resetFailures() { m_failures.reset(); }
    // Counts another request to the engine (a related-searches page) in
    // the same tally; false when the engine is given up. A failure is told
    // to the failure handler with `what` ("related searches") and `reason`.
    bool recordRequest(Engine e, bool failed);
    bool recordRequest(Engine e, const QString &keyword, const QString &what, const QString &reason);
    // Told each failed request: engine, keyword, what was asked ("count",
    // "related searches") and why it failed ("timed out", "unrecognised page").
    using FailureHandler = std::function<void(Engine, const QString &, const QString &, const QString &)>;
    void setFailureHandler(FailureHandler handler) { m_onFailure = std::move(handler); }
    // Told once when an engine stops answering.
    void setGiveUpHandler(std::function<void(Engine)> handler) { m_onGiveUp = std::move(handler); }

private:
    QString countFor(Engine e, const QString &keyword, const Options &options,
                     const std::optional<KeywordStore::Stored> &stored, bool *failed, QString *why,
                     QString *cell = nullptr);

    KeywordStore &m_store;
    const Endpoints &m_endpoints;
    EnginePacing &m_pacing;
    const Clock &m_clock;
    const PageRuleSet &m_rules;
    // One fetcher for the filler's life: its connections to the engines stay
    // open between keywords instead of being set up for every request.
    std::unique_ptr<CXHtml> m_html;
    int m_requests = 0;
    EngineFailures m_failures;
    std::function<void(Engine)> m_onGiveUp;
    FailureHandler m_onFailure;
};
