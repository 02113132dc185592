#pragma once

#include "pagerules/PageRules.h"

#include <QString>

#include <memory>

// Which rule set reads the result pages: the one named on the command line
// (--rules NAME|FILE), else "rules=" in endpoints.ini, else a rules.ini in
// the data folder, else the built-in "2010". A NAME is a shipped set in the
// program folder's rules/ ("2019" is rules/2019.ini); "2010" is the
// built-in one. A set that does not parse is refused and the built-in one
// reads instead, and the choice says so.
namespace RuleSetChoice {

struct Choice {
    std::unique_ptr<PageRuleSet> rules; // never null
    // Empty, or why the asked-for set was refused: "rules/x.ini:4: unknown
    // step \"trim\"; reading pages with the built-in set 2010".
    QString refused;
};

Choice choose(const QString &given, const QString &programDir, const QString &dataDir);

// One set by name or file; nullptr and `why` when it cannot be had.
std::unique_ptr<PageRuleSet> load(const QString &nameOrFile, const QString &programDir, QString *why);

} // namespace RuleSetChoice
