#include "reports/FavouriteHistory.h"

#include "common/ResultList.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace FavouriteHistory {

QList<Entry> read(const QString &favouritesFolder)
{
    QList<Entry> entries;
    const QDir root(favouritesFolder);
    if (!root.exists())
        return entries;
    for (const QString &key : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QStringList parts = key.split(QLatin1Char('#'));
        const QDir favourite(root.filePath(key));
        for (const QString &dayFile : favourite.entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name)) {
            QFile file(favourite.filePath(dayFile));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            QStringDecoder decode("GB18030");
            const QString text = decode(file.readAll());
            const QString date = dayFile.section(QLatin1Char('.'), 0, 0);
            for (QString line : text.split(QLatin1Char('\n'))) {
                if (line.endsWith(QLatin1Char('\r')))
                    line.chop(1);
                if (line.isEmpty())
                    continue;
                const QStringList fields = line.split(QLatin1Char('|'));
                entries.append({parts.value(1), parts.value(2), date, fields.value(0), fields.value(1), fields.value(2)});
            }
        }
    }
    return entries;
}

QStringList headers()
{
    return {QStringLiteral("网站"), QStringLiteral("关键词"), QStringLiteral("查询日期"), QStringLiteral("搜索引擎"),
            QStringLiteral("排名"), QStringLiteral("收录网址")};
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
