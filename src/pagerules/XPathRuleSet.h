#pragma once

#include "pagerules/PageRules.h"
#include "pagerules/RuleSteps.h"

#include <QHash>
#include <QString>

#include <memory>

class HtmlDocument;

// Why a rule-set file was refused: the file, the line (0: the whole file)
// and the reason.
struct RuleSetError {
    QString file;
    int line = 0;
    QString reason;
    // "rules/my.ini:12: unknown step \"trim\""
    QString toString() const;
};

// A rule set read from a file: per engine, XPath 1.0 rules, each value put
// through named steps (see RuleSteps.h). The format is INI-like:
//
//   [set]
//   name = 2019
//   [bing]
//   count = //span[hasclass('sb_count')]
//   count.step = digits
//   results = //li[hasclass('b_algo')]/h2/a/@href
//   ...
//
// Keys of an engine section: count, related, results, noresults, blocked
// (XPath), NAME.step (one step, repeated in order), path.counts and
// path.rank (request path and query, "{keyword}" and "{start}"),
// rank.start (the start value of the first result page, 0 or 1), sample
// (a saved page of the set's era that `doctor` reads, relative to the file)
// and sample.count, sample.related, sample.results (the same for one
// purpose, where another page shows it).
class XPathRuleSet : public PageRuleSet
{
public:
    struct Rule {
        QString xpath;
        RuleSteps steps;
        int line = 0;
    };
    struct EngineRules {
        QHash<QString, Rule> rules; // by rule name
        QString countsPath;
        QString rankPath;
        int rankStart = 0;
        QString sample;                  // absolute, or empty
        QHash<QString, QString> samples; // by purpose name, where one is given
    };

    // Reads a rule-set file; nothing (and `error`) when it does not parse.
    static std::unique_ptr<XPathRuleSet> load(const QString &file, RuleSetError *error);
    // The same from text; `file` names it in errors and anchors samples.
    static std::unique_ptr<XPathRuleSet> parse(const QString &text, const QString &file, RuleSetError *error);

    QString name() const override { return m_name; }
    QString file() const { return m_file; }
    PageRules::Reading read(const QString &engine, PageRules::Purpose purpose, const QString &page) const override;
    QString requestPath(const QString &engine, PageRules::Purpose purpose, const QString &keyword,
                        int page) const override;

    QStringList engines() const override;
    QList<PageRules::Purpose> purposes(const QString &engine) const override;
    QString samplePage(const QString &engine, PageRules::Purpose purpose) const override;

    bool hasEngine(const QString &engine) const { return m_engines.contains(engine); }
    const EngineRules *engine(const QString &key) const;

    // The values one rule gives on a page, through its steps, blanks dropped.
    static QStringList values(const HtmlDocument &doc, const Rule &rule);

private:
    QString m_name;
    QString m_file;
    QHash<QString, EngineRules> m_engines;
};
