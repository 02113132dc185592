#include "rank/Favourites.h"

#include "common/Prompter.h"
#include "context/AppContext.h"
#include "rank/RankFormats.h"

Favourites::Favourites(AppContext &context, QObject *parent)
    : QObject(parent),
      m_context(context),
      m_list(headers())
{
}

QStringList Favourites::headers()
{
    return {QStringLiteral("搜索引擎"), QStringLiteral("网站"), QStringLiteral("关键字")};
}

FavouriteStore Favourites::store() const { return FavouriteStore(m_context.dataFile(QStringLiteral("myfav"))); }

void Favourites::load()
{
    const FavouriteStore favs = store();
    if (!favs.folderExists())
        return;
    m_list.clear();
    QVector<ResultList::Row> rows;
    for (const QString &key : favs.keys()) {
        const RankFormats::FavouriteParts p = RankFormats::parseFavouriteKey(key);
        ResultList::Row r;
        r.text = p.engineList;
        // A folder whose name is no key still shows, under its whole name.
        r.sub = p.ok ? QStringList{p.site, p.keyword} : QStringList{key, QString()};
        r.tag = key;
        rows.append(r);
    }
    m_list.appendRows(rows);
}

int Favourites::addFromRecent(const ResultList &recent, const QString &date)
{
    if (recent.checkedCount() == 0) {
        m_context.prompter().notice(QStringLiteral("请至少选择一条记录！"));
        return -1;
    }
    FavouriteStore favs = store();
    int made = 0;
    int unwritten = 0;
    QString failure;
    for (const ResultList::Row &row : recent.rows()) {
        if (!row.checked)
            continue;
        const RankFormats::RecentTag tag = RankFormats::parseTag(row.tag);
        const QString key =
            RankFormats::favouriteKey(row.text, row.sub.value(0), row.sub.value(1), tag.depthIndex, tag.allMatches);
        if (favs.contains(key))
            continue;
        if (!favs.create(key)) {
            ++unwritten;
            failure = QStringLiteral("cannot create ") + favs.folder();
            continue;
        }
        QString why;
        if (!favs.writeDay(key, date, RankFormats::recordLines(tag.record), &why)) {
            ++unwritten;
            failure = QStringLiteral("cannot write ") + favs.dayPath(key, date) + QStringLiteral(": ") + why;
            favs.remove(key); // not half a favourite: the next try starts afresh
            continue;
        }
        ++made;
        const int r = m_list.addRow(row.text, {row.sub.value(0), row.sub.value(1)});
        m_list.setTag(r, key);
    }
    m_context.prompter().notice(QStringLiteral("成功加入") + QString::number(made) + QStringLiteral("条收藏记录！"));
    if (unwritten > 0)
        m_context.prompter().message(
            QStringLiteral("提示"),
            QStringLiteral("有%1条记录无法写入收藏文件夹 %2\n%3").arg(unwritten).arg(favs.folder(), failure),
            Prompter::Icon::Warning);
    return made;
}

void Favourites::deleteTicked()
{
    if (m_context.prompter().askYesNo(QStringLiteral("询问"), QStringLiteral("确实要删除选中的收藏记录吗？"))
        != Prompter::Answer::Yes)
        return;
    FavouriteStore favs = store();
    for (int r = m_list.firstChecked(); r >= 0; r = m_list.firstChecked()) {
        favs.remove(m_list.row(r).tag);
        m_list.removeRowAt(r);
    }
}

void Favourites::deleteRecent(ResultList &recent)
{
    if (m_context.prompter().askYesNo(QStringLiteral("是否删除"), QStringLiteral("确实要删除选中的记录吗？"))
        != Prompter::Answer::Yes)
        return;
    recent.removeChecked();
}
