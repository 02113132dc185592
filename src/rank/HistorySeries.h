#pragma once

#include "common/Engine.h"
#include "rank/ResultsHistory.h"
#include "store/FavouriteStore.h"

#include <QDate>
#include <QVector>

// A favourite's day files as one line of positions per engine, for the
// history chart. A day with a line "0" is "not found" (kept apart from real
// positions); a day without a line for the engine (it was not asked, or its
// scan failed) has no point at all.
namespace HistorySeries {

struct Point {
    QDate date;
    int position = 0; // best position that day; 0 = not found
};

struct Series {
    Engine engine;
    QVector<Point> points; // oldest first
};

// Engines in their list order; an engine without any point is left out.
QVector<Series> build(const QVector<FavouriteStore::DayFile> &days);

// Another host's positions, from the results kept beside the day files: a
// point on each day that kept results (0 = not listed), none on the others.
struct CompetitorSeries {
    QString host;
    Engine engine;
    QVector<Point> points; // oldest first
};
// Per host in the given order, engines in list order; an engine without
// kept results is left out.
QVector<CompetitorSeries> competitors(const QVector<ResultsHistory::Day> &days, const QStringList &hosts);

} // namespace HistorySeries
