#pragma once

#include <QString>

class ResultList;

// Narrows a result list by its keyword text and the engines' counts. The
// shown list is rebuilt from its reserve copy first, so filtering never
// loses a row: "还原" or a wider filter brings everything back.
struct FilterConditions {
    enum class Text { Contains, NotContains };
    struct Count {
        QString op;        // ">", "<", "=", or empty when nothing is selected
        QString threshold; // applies only when it holds a whole number
    };
    Text textMode = Text::Contains;
    QString text; // applies only when not empty; taken as typed
    Count google, yahoo, bing;
};

// Which sub-columns hold the counts, and how many sub-columns the rebuild copies.
struct FilterColumns {
    int google = 1;
    int yahoo = 2;
    int bing = 3;
    int lastCopied = 4;

    static FilterColumns relatedKeywords() { return {1, 2, 3, 7}; }
    static FilterColumns keywordDatabase() { return {2, 3, 4, 5}; }
};

namespace ResultFilter {

void apply(ResultList &shown, const ResultList &reserve, const FilterConditions &conditions,
           const FilterColumns &columns);

// Whether a count cell passes one condition. "-", empty and cells that are
// not a number (an in-progress text, say) always pass.
bool countPasses(const QString &cell, const FilterConditions::Count &condition);

} // namespace ResultFilter
