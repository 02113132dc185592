#include "store/RecordRows.h"

#include "common/ResultList.h"
#include "pagerules/PageRules.h"

namespace RecordRows {

KeywordStore::Record record(const ResultList &list, int row, const QString &parent)
{
    KeywordStore::Record out;
    out.keys = list.cell(row, 0);
    out.parentkeys = parent;
    out.counts = {list.cell(row, 1), list.cell(row, 2), list.cell(row, 3)};
    return out;
}

namespace {

bool unreadable(const QString &cell)
{
    for (auto state : {PageRules::Reading::State::Unrecognised, PageRules::Reading::State::Blocked}) {
        PageRules::Reading r;
        r.state = state;
        if (cell == r.reasonText())
            return true;
    }
    return false;
}

} // namespace

QVector<KeywordStore::Record> ticked(const ResultList &list, const QString &parent, bool withCounts)
{
    QVector<KeywordStore::Record> out;
    for (int r = 0; r < list.count(); ++r) {
        if (!list.row(r).checked)
            continue;
        KeywordStore::Record rec = record(list, r, parent);
        if (!withCounts)
            rec.counts = {};
        // A cell that says its page could not be read holds no count.
        else if (unreadable(rec.counts.google) || unreadable(rec.counts.yahoo) || unreadable(rec.counts.bing))
            continue;
        out.append(rec);
    }
    return out;
}

} // namespace RecordRows
