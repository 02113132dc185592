#pragma once

#include "common/Engine.h"
#include "store/DayResults.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

// A site and keyword's history read back from the favourites that track the
// pair (any engine list, depth or all-matches choice): the site's position
// from the day files and, where the scan kept them, the organic results of
// that day, so any other host's position and who stood above the site can
// be told afterwards. Days from before results were kept have positions
// only.
class ResultsHistory
{
public:
    // `favouritesFolder`: the "myfav" folder.
    explicit ResultsHistory(const QString &favouritesFolder);

    // One engine's answer on one day.
    struct Day {
        QString date;
        Engine engine = Engine::Google;
        // Best position of the site in the day files, 0 when not found;
        // none when no day file holds an answer of this engine that day.
        std::optional<int> sitePosition;
        // Whether a results file lists this engine that day; `results` in
        // position order (an engine that listed nothing has none).
        bool hasResults = false;
        QVector<DayResults::Row> results;
    };

    // Whether some favourite tracks the pair.
    bool tracked(const QString &site, const QString &keyword) const;
    // Every day with an answer or results, oldest first, engines in list
    // order within a day.
    QVector<Day> days(const QString &site, const QString &keyword) const;
    // One day of one engine; none when that day holds neither.
    std::optional<Day> day(const QString &site, const QString &keyword, Engine engine, const QString &date) const;
    // The latest date on which results were kept for the pair; empty when never.
    QString latestResultsDate(const QString &site, const QString &keyword) const;

    // Whether a listed host is `host`: the same name, or a name below it
    // ("www.rival.com" is "rival.com"), in any case.
    static bool hostMatches(const QString &listedHost, const QString &host);
    // Best position of `host` on that day: 0 when the results do not list
    // it; none when the day kept no results for the engine.
    static std::optional<int> positionOf(const Day &day, const QString &host);
    // The hosts listed above the site, in position order, each once, the
    // site's own links left out. Every listed host when the site was not
    // found. Empty with `known` false when the day kept no results or has no
    // answer of the site (the list then says nothing).
    static QStringList hostsAbove(const Day &day, const QString &site, bool *known = nullptr);

    // The same read from the favourites folder for one day.
    QStringList hostsAbove(const QString &site, const QString &keyword, Engine engine, const QString &date,
                           bool *known = nullptr) const;
    // "Who replaced me": hosts above the site on `date` that were not above
    // it on `previousDate`. `known` false unless both days kept results.
    QStringList newlyAbove(const QString &site, const QString &keyword, Engine engine, const QString &previousDate,
                           const QString &date, bool *known = nullptr) const;

    // The hosts above the site on the latest day that kept results, over
    // every engine (engines in list order, then position order), each once:
    // the competitors worth a look.
    QStringList hostsAboveLately(const QString &site, const QString &keyword) const;

private:
    QVector<Day> load(const QString &site, const QString &keyword, const QString &onlyDate) const;

    QString m_folder;
};
