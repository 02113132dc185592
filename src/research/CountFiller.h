#pragma once

#include "common/Engine.h"
#include "store/KeywordStore.h"

#include <QString>
#include <array>
#include <memory>
#include <optional>

class AppContext;
class CXHtml;
class ListPair;

// AddIndex: the three indexed counts of one keyword, taken from today's rows
// of the keyword table when there are any, otherwise paced, fetched and cut
// out of each engine's result page (Google, Yahoo, Bing in that order).
class CountFiller
{
public:
    struct Options {
        std::array<bool, 3> engines{true, true, false};   // "同时查询…收录量", by engineIndex
        bool store = false;                                // "查询数据即时加入关键词数据库"
        QString parentBox;                                 // the seed field's text, as typed
    };

    explicit CountFiller(AppContext &context);
    ~CountFiller();

    // The counts of `keyword`: cached ones, fetched ones, or "-" for an
    // engine not asked. `cached` tells whether today's row supplied them.
    KeywordStore::Counts lookup(const QString &keyword, const Options &options, bool *cached = nullptr);

    // Fills sub-columns 1-3 of the keyword's row in both lists (the newest
    // row, which the caller has just added) and, with the store option and
    // uncached counts, inserts or refreshes the keyword in the table.
    KeywordStore::Counts AddIndex(const QString &keyword, ListPair &lists, const Options &options);

    // Requests sent so far (for progress and benchmarks).
    int requestCount() const { return m_requests; }

private:
    QString countFor(Engine e, const QString &keyword, const Options &options,
                     const std::optional<KeywordStore::Stored> &stored);

    AppContext &m_context;
    // One fetcher for the filler's life: its connections to the engines stay
    // open between keywords instead of being set up for every request.
    std::unique_ptr<CXHtml> m_html;
    int m_requests = 0;
};
