#pragma once

#include "common/Engine.h"
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

} // namespace HistorySeries
