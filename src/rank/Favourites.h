#pragma once

#include "rank/FavouriteList.h"
#include "store/FavouriteStore.h"

#include <QObject>

class AppContext;

// The favourites list (one row per folder of "myfav") and what its buttons
// do, plus the recent-queries list's delete button.
class Favourites : public QObject
{
    Q_OBJECT
public:
    explicit Favourites(AppContext &context, QObject *parent = nullptr);

    static QStringList headers();

    FavouriteList &list() { return m_list; }
    FavouriteStore store() const;

    // Refills the list from "myfav" when the folder exists.
    void load();
    // "加入我的收藏": every ticked recent record becomes a favourite with
    // today's day file, unless it is one already. Returns how many were made
    // (-1 when nothing was ticked).
    int addFromRecent(const ResultList &recent, const QString &date);
    // "删除选中收藏".
    void deleteTicked();
    // "删除查询记录" on the recent-queries list.
    void deleteRecent(ResultList &recent);

private:
    AppContext &m_context;
    FavouriteList m_list;
};
