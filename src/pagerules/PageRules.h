#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// A rule set: what the program reads from each engine's result pages. The
// built-in set is the split-and-cut rules; shipped and user sets are files
// of XPath rules. Engines are named by their lower-case key: "google",
// "yahoo", "bing", "baidu".
namespace PageRules {

enum class Purpose {
    Count,   // the stated result count: one value, digits only
    Related, // the related searches, in page order
    Results, // the organic result links, in page order
};

QString purposeName(Purpose p); // "count", "related", "results"

// What one page came to under a rule set.
struct Reading {
    enum class State {
        Read,         // `values` holds what the page says (a page may list no related searches)
        NoResults,    // a real "no results" page: the count is the engine's 0 / "-"
        Unrecognised, // loaded, but neither results nor a "no results" marker
        Blocked,      // a captcha, consent or JavaScript wall
    };
    State state = State::Unrecognised;
    QStringList values;
    QString missing; // the rule that found nothing, when unrecognised

    bool failed() const { return state == State::Unrecognised || state == State::Blocked; }
    // "unrecognised page" / "blocked" for the command line; empty when read.
    QString reason() const;
    // "页面无法识别" / "被搜索引擎拦截" for the window; empty when read.
    QString reasonText() const;
};

// One organic result of a result page: its position, counted as the rank
// is counted, and its link as the page gives it.
struct Organic {
    int position = 0;
    QString link;
};

// A related-search candidate that holds markup or is blank is never a
// keyword (a region that runs on past its end yields tag fragments).
bool isKeywordCandidate(const QString &candidate);

} // namespace PageRules

// One rule set.
class PageRuleSet
{
public:
    virtual ~PageRuleSet() = default;
    virtual QString name() const = 0;
    virtual PageRules::Reading read(const QString &engine, PageRules::Purpose purpose, const QString &page) const = 0;

    // The first position above `rank` on result page `pageIndex` (0-based)
    // whose organic link holds `site` (case-sensitive), or 0; `link` gets
    // that link and `reading` how the page read. A site's position is
    // pageIndex x 10 + its place among the page's organic links.
    virtual int rankOnPage(const QString &engine, const QString &page, int pageIndex, const QString &site, int rank,
                           QString *link, PageRules::Reading *reading) const;

    // Every organic result of result page `pageIndex` (0-based) in page
    // order, numbered as rankOnPage numbers them; `reading` gets how the page
    // read (nothing is listed when it could not be read).
    virtual QVector<PageRules::Organic> organicResults(const QString &engine, const QString &page, int pageIndex,
                                                       PageRules::Reading *reading = nullptr) const;

    // Path and query of a request with the keyword already encoded, or empty
    // when the set keeps the program's own request. `page` is 0-based.
    virtual QString requestPath(const QString &engine, PageRules::Purpose purpose, const QString &keyword,
                                int page) const;
};
