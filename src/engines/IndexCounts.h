#pragma once

#include "common/Engine.h"
#include "pagerules/PageRules.h"
#include "web/FetchOutcome.h"

#include <QString>

class CXHtml;
class Endpoints;
class EnginePacing;
class PageRuleSet;

// The indexed-count request of each engine and the rule that cuts the count
// out of its result page.
namespace IndexCounts {

// Path and query of the count request ("/search?hl=en&q=seo").
QString requestPath(Engine e, const QString &keyword);
// Count as digits without separators, or the engine's not-found value.
QString extract(Engine e, const QString &page);
// "0" for Google, "-" for Yahoo and Bing.
QString notFound(Engine e);

// One count lookup. A failed request gives the not-found value too, but says
// so: "no count on the page" and "no page" are different answers.
struct CountResult {
    QString count;
    FetchOutcome::Failure failure = FetchOutcome::Failure::None;
    // How the page read under the rule set (when it loaded). A page the
    // rules cannot read, or a wall, is a failed request too: never a 0.
    PageRules::Reading::State page = PageRules::Reading::State::Read;
    bool unreadable() const
    {
        return page == PageRules::Reading::State::Unrecognised || page == PageRules::Reading::State::Blocked;
    }
    bool failed() const { return failure != FetchOutcome::Failure::None || unreadable(); }
    QString fetchReason; // why the request failed ("timed out"), when it did
    // Why it is no count, for the command line: "timed out", "unrecognised
    // page", "blocked"; empty when it is one.
    QString reason() const;
    // What a cell shows instead of a count for a page the rules cannot read:
    // "页面无法识别" or "被搜索引擎拦截"; empty otherwise.
    QString unreadableText() const;
};

// The count a page gives under `rules`: digits, or the engine's not-found
// value when the page states none.
CountResult read(Engine e, const QString &page, const PageRuleSet &rules);

// Paces, requests and extracts one count through `html` (whose TryTime the
// caller has set); sets char "utf-8" and the address.
// The page is read (and may be addressed) by `rules`.
CountResult fetchCount(Engine e, const QString &keyword, CXHtml &html, const Endpoints &endpoints, EnginePacing &pacing,
                       const PageRuleSet &rules);
// The Baidu web search page count: digits, "0" on Baidu's no-results page.
// The page is read (and may be addressed) by `rules`; sets char "gb2312",
// as Baidu serves its pages, and the address.
CountResult fetchBaiduCount(const QString &keyword, CXHtml &html, const Endpoints &endpoints, const PageRuleSet &rules);

// The count alone, as fetchCount gives it.
QString fetch(Engine e, const QString &keyword, CXHtml &html, const Endpoints &endpoints, EnginePacing &pacing,
              const PageRuleSet &rules);

// The keyword as it goes into a query: reserved characters ("&", "#", "+",
// "%", spaces) percent-encoded as UTF-8 so they reach the engine as typed.
QString queryText(const QString &keyword);

} // namespace IndexCounts
