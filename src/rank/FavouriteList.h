#pragma once

#include "rank/RankChanges.h"
#include "rank/RankList.h"

#include <QHash>

// The favourites list with the marks of the last run beside each row: what
// moved ("↑3", "↓2", "上榜", "掉出", ...) and whether it is good or bad news.
// Marks go by favourite key, so deleting or reloading rows cannot put them
// on the wrong row.
class FavouriteList : public RankList
{
    Q_OBJECT
public:
    // The first column's mark text, and its tone (a RankChanges::Tone as int).
    static constexpr int ChangeMarkRole = Qt::UserRole + 11;
    static constexpr int ChangeToneRole = Qt::UserRole + 12;

    explicit FavouriteList(const QStringList &headers, QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role) const override;

    // Replaces every mark with those of `changes`.
    void setChanges(const QList<RankChanges::Change> &changes);
    QString markOf(const QString &key) const;
    RankChanges::Tone toneOf(const QString &key) const;

private:
    QHash<QString, QList<RankChanges::Change>> m_changes;
};
