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
        static const QStringList depths{QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("50")};
        Entry favourite;
        favourite.site = key.site;
        favourite.keyword = key.keyword;
        favourite.engineList = key.engineList;
        favourite.depth = depths.value(key.depthIndex);
        favourite.allMatches = key.allMatches ? QStringLiteral("1") : QStringLiteral("0");
        const qsizetype before = entries.size();
        // The folder itself, not whichever folder its key would name today.
        for (const FavouriteStore::DayFile &day : store.historyOfFolder(name)) {
            for (const QString &line : day.lines) {
                const QStringList fields = line.split(QLatin1Char('|'));
                Entry e = favourite;
                e.date = day.date;
                e.engine = fields.value(0);
                e.position = fields.value(1);
                e.link = fields.value(2);
                entries.append(e);
            }
        }
        if (entries.size() == before)
            entries.append(favourite);
    }
    return entries;
}

QStringList headers()
{
    return {QStringLiteral("网站"),     QStringLiteral("关键词"),   QStringLiteral("查询日期"),
            QStringLiteral("搜索引擎"), QStringLiteral("排名"),     QStringLiteral("收录网址"),
            QStringLiteral("查询引擎"), QStringLiteral("查询深度"), QStringLiteral("全部匹配")};
}

void fill(ResultList &list, const QList<Entry> &entries)
{
    QVector<ResultList::Row> rows;
    rows.reserve(entries.size());
    for (const Entry &e : entries) {
        ResultList::Row row;
        row.text = e.site;
        row.sub = {e.keyword, e.date, e.engine, e.position, e.link, e.engineList, e.depth, e.allMatches};
        rows.append(row);
    }
    list.appendRows(rows);
}

} // namespace FavouriteHistory
