#pragma once

#include "pagerules/PageRules.h"

#include <QList>
#include <QString>

class Endpoints;

// Whether a rule set still reads the engines' pages: each engine's rules
// over the sample pages the set names, and, live, over one real result page
// per engine. A rule that should find something and finds nothing is named.
namespace RuleDoctor {

struct Check {
    QString engine; // "google", "yahoo", "bing", "baidu"
    PageRules::Purpose purpose = PageRules::Purpose::Count;
    QString source; // the sample's file name, or "live"
    // "reads", "unrecognised page (missing: count)", "blocked" or
    // "failed: <reason>".
    QString verdict;
    bool reads = false;
};

// "Google", ..., "Baidu".
QString engineLabel(const QString &engine);

// Every engine and purpose of `rules` over its sample page. A sample must
// give a value for its purpose: it was saved as a page that has one.
// Relative sample paths are taken from `rulesDir` (the program's rules/).
QList<Check> checkSamples(const PageRuleSet &rules, const QString &rulesDir);

// One real query for `keyword` per engine through `endpoints`, each request
// limited to `timeLimit` seconds. A live page need not list related
// searches; its count and its results must read.
QList<Check> checkLive(const PageRuleSet &rules, const Endpoints &endpoints, const QString &keyword, int timeLimit);

// The verdict of one read page; `strict`: the purpose must give a value.
Check judge(const PageRules::Reading &reading, PageRules::Purpose purpose, bool strict);

} // namespace RuleDoctor
