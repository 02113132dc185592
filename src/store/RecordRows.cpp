#include "store/RecordRows.h"

#include "common/ResultList.h"

namespace RecordRows {

KeywordStore::Record record(const ResultList &list, int row, const QString &parent)
{
    KeywordStore::Record out;
    out.keys = list.cell(row, 0);
    out.parentkeys = parent;
    out.counts = {list.cell(row, 1), list.cell(row, 2), list.cell(row, 3)};
    return out;
}

QVector<KeywordStore::Record> ticked(const ResultList &list, const QString &parent, bool withCounts)
{
    QVector<KeywordStore::Record> out;
    for (int r = 0; r < list.count(); ++r) {
        if (!list.row(r).checked)
            continue;
        KeywordStore::Record rec = record(list, r, parent);
        if (!withCounts)
            rec.counts = {};
        out.append(rec);
    }
    return out;
}

} // namespace RecordRows
