#pragma once

#include "context/Command.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

// Favourites with their history from a CSV file: the favourites' export
// ("export favourites FILE.csv") or any CSV with a header row naming the
// columns site, keyword, engines, depth and all (the export's Chinese
// captions are read as well), and optionally date, engine, position and
// link for the history. A row with a date is one line of that day's file;
// a row without one names a favourite with no history. Nothing is written
// unless every row reads.
namespace FavouriteImport {

struct Favourite {
    QString key;
    // Day files in the order their first row came: date and lines.
    QList<QPair<QString, QStringList>> days;
};

struct Plan {
    QVector<Favourite> favourites;
    int rows = 0;
};

// CSV records as the report writer writes them: comma-separated, fields in
// double quotes where they hold a comma, quote or line break, a byte-order
// mark before the first; UTF-8 or GB18030. `lines` gets each record's first
// line number. A quote left open is an error.
bool parseCsv(const QString &text, QList<QStringList> *records, QList<int> *lines, QString *error);

// False with `error` ("line N: why") when the file cannot be read or one of
// its rows is not a favourite.
bool read(const QString &path, Plan *plan, QString *error);

struct Outcome {
    int added = 0;        // favourites made
    int present = 0;      // favourites there already
    int daysWritten = 0;  // day files written
    int daysKept = 0;     // day files there already, left as they were
    QStringList failures; // "cannot write PATH: why"
};
// Makes the favourites and writes their day files into `favouritesFolder`;
// a day file already there is kept.
Outcome apply(const Plan &plan, const QString &favouritesFolder);

} // namespace FavouriteImport

// "veltrana rank --import-favourites FILE.csv".
int runImportFavourites(const CommandEntry &entry, AppContext &context, const Cli::Arguments &args);
