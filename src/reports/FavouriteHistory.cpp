#include "reports/FavouriteHistory.h"

#include "common/ResultList.h"
#include "store/FavouriteStore.h"

namespace FavouriteHistory {

QList<Entry> read(const QString &favouritesFolder, QStringList *unreadable)
{
    QList<Entry> entries;
    const FavouriteStore store(favouritesFolder);
    if (!store.folderExists())
        return entries;
    for (const QString &name : store.folderNames()) {
        FavouriteStore::Key key;
        if (!FavouriteStore::parseKey(FavouriteStore::keyOfName(name), &key)) {
            if (unreadable)
                unreadable->append(name);
            continue;
        }
        // The folder itself, not whichever folder its key would name today.
        for (const FavouriteStore::DayFile &day : store.historyOfFolder(name)) {
            for (const QString &line : day.lines) {
                const QStringList fields = line.split(QLatin1Char('|'));
                entries.append({key.site, key.keyword, day.date, fields.value(0), fields.value(1), fields.value(2)});
            }
        }
    }
    return entries;
}

QStringList headers()
{
    return {QStringLiteral("网站"),     QStringLiteral("关键词"), QStringLiteral("查询日期"),
            QStringLiteral("搜索引擎"), QStringLiteral("排名"),   QStringLiteral("收录网址")};
}

void fill(ResultList &list, const QList<Entry> &entries)
{
    QVector<ResultList::Row> rows;
    rows.reserve(entries.size());
    for (const Entry &e : entries) {
        ResultList::Row row;
        row.text = e.site;
        row.sub = {e.keyword, e.date, e.engine, e.position, e.link};
        rows.append(row);
    }
    list.appendRows(rows);
}

} // namespace FavouriteHistory
