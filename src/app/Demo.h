#pragma once

#include <QString>

// What `--demo` puts into its fresh data folder before the window opens.
namespace Demo {

// Sites and keywords the stand-in ranks, every engine ticked with all
// matches, so the rank tab has something to show at once.
void seedRankLists(const QString &dataDir);
// Two favourites with a week of history and kept result pages.
void seedFavourites(const QString &dataDir);

} // namespace Demo
