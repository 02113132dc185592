#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class ResultList;

// Reads the favourites' history from the data folder's "myfav" folder: one
// folder per favourite, named engines#site#keyword#count#all, holding one day
// file per date ("yyyy-MM-dd.txt", GB18030 lines "engine|position|link").
namespace FavouriteHistory {

struct Entry {
    QString site;
    QString keyword;
    QString date;
    QString engine;
    QString position;
    QString link;
};

// Every line of every day file, favourites and days in name order.
QList<Entry> read(const QString &favouritesFolder);

QStringList headers();
// The entries as a list with one row per favourite, day and engine.
void fill(ResultList &list, const QList<Entry> &entries);

} // namespace FavouriteHistory
