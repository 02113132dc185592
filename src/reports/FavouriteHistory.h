#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class ResultList;

// The favourites' history of the data folder's "myfav" folder (through the
// favourites store) as flat rows: one per favourite, day and engine line,
// each with what makes the favourite (its engine list, depth and all-matches
// choice), so the rows can be read back as favourites. A favourite without
// any day file has one row without date, engine, position and link.
namespace FavouriteHistory {

struct Entry {
    QString site;
    QString keyword;
    QString date;
    QString engine;
    QString position;
    QString link;
    QString engineList;
    QString depth;      // "10", "20" or "50"
    QString allMatches; // "0" or "1"
};

// Every line of every day file, favourites in folder order, days oldest
// first. Folders whose names are no favourite key are left out and named
// in `unreadable`.
QList<Entry> read(const QString &favouritesFolder, QStringList *unreadable = nullptr);

QStringList headers();
// The entries as a list with one row per favourite, day and engine.
void fill(ResultList &list, const QList<Entry> &entries);

} // namespace FavouriteHistory
