#pragma once

#include "pagerules/PageRules.h"

// The built-in rule set "2010": the split-and-cut rules of the engines'
// 2009-2010 markup (IndexCounts, RelatedSearches, cKeyrank, BaiduPages)
// behind the rule-set interface. A page is known to them when it holds a
// count, a result marker or a related-search region; the engines' own
// "no results" texts mark a real empty answer.
class BuiltinRuleSet : public PageRuleSet
{
public:
    static QString setName() { return QStringLiteral("2010"); }
    QString name() const override { return setName(); }
    PageRules::Reading read(const QString &engine, PageRules::Purpose purpose, const QString &page) const override;
    // Positions count pieces, as the scanners always have.
    int rankOnPage(const QString &engine, const QString &page, int pageIndex, const QString &site, int rank,
                   QString *link, PageRules::Reading *reading) const override;
    QVector<PageRules::Organic> organicResults(const QString &engine, const QString &page, int pageIndex,
                                               PageRules::Reading *reading = nullptr) const override;
};
