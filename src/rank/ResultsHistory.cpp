#include "rank/ResultsHistory.h"

#include "rank/RankFormats.h"
#include "store/FavouriteStore.h"

#include <QMap>
#include <algorithm>

ResultsHistory::ResultsHistory(const QString &favouritesFolder)
    : m_folder(favouritesFolder)
{
}

namespace {

// The folders of every favourite that tracks the pair, in name order.
QStringList foldersOf(const FavouriteStore &store, const QString &site, const QString &keyword)
{
    QStringList out;
    for (const QString &name : store.folderNames()) {
        FavouriteStore::Key key;
        if (FavouriteStore::parseKey(FavouriteStore::keyOfName(name), &key) && key.site == site
            && key.keyword == keyword)
            out.append(name);
    }
    return out;
}

} // namespace

bool ResultsHistory::tracked(const QString &site, const QString &keyword) const
{
    return !foldersOf(FavouriteStore(m_folder), site, keyword).isEmpty();
}

QVector<ResultsHistory::Day> ResultsHistory::load(const QString &site, const QString &keyword, const QString &onlyDate,
                                                  QStringList *unreadable) const
{
    const FavouriteStore store(m_folder);
    // date -> engine -> day
    QMap<QString, std::array<Day, 3>> byDate;
    const auto slot = [&byDate](const QString &date, Engine e) -> Day & {
        auto it = byDate.find(date);
        if (it == byDate.end()) {
            it = byDate.insert(date, {});
            for (Engine each : kEngines) {
                (*it)[engineIndex(each)].date = date;
                (*it)[engineIndex(each)].engine = each;
            }
        }
        return (*it)[engineIndex(e)];
    };
    for (const QString &name : foldersOf(store, site, keyword)) {
        for (const FavouriteStore::DayFile &file : store.historyOfFolder(name)) {
            if (!onlyDate.isEmpty() && file.date != onlyDate)
                continue;
            for (const QString &text : file.lines) {
                const auto answer = RankFormats::answerOf(text);
                if (!answer)
                    continue;
                const int position = answer->position;
                Day &d = slot(file.date, answer->engine);
                if (!d.sitePosition || (position > 0 && (*d.sitePosition == 0 || position < *d.sitePosition)))
                    d.sitePosition = position;
            }
            bool exists = false;
            QString failure;
            const QString path = store.resultsPathOfFolder(name, file.date);
            const QVector<DayResults::Row> rows = DayResults::read(path, &exists, &failure);
            if (!failure.isEmpty() && unreadable)
                unreadable->append(path + QStringLiteral(": ") + failure);
            if (!exists || !failure.isEmpty())
                continue;
            std::array<QVector<DayResults::Row>, 3> perEngine;
            std::array<bool, 3> listed{false, false, false};
            for (const DayResults::Row &r : rows) {
                const auto e = RankFormats::engineOfLabel(r.engine);
                if (!e)
                    continue;
                listed[engineIndex(*e)] = true;
                if (r.position > 0)
                    perEngine[engineIndex(*e)].append(r);
            }
            for (Engine e : kEngines) {
                if (!listed[engineIndex(e)])
                    continue;
                Day &d = slot(file.date, e);
                // Two favourites of the pair: the deeper list tells more.
                if (!d.hasResults || perEngine[engineIndex(e)].size() > d.results.size()) {
                    d.hasResults = true;
                    d.results = perEngine[engineIndex(e)];
                    std::stable_sort(
                        d.results.begin(), d.results.end(),
                        [](const DayResults::Row &a, const DayResults::Row &b) { return a.position < b.position; });
                }
            }
        }
    }
    QVector<Day> out;
    for (const auto &engines : std::as_const(byDate)) {
        for (const Day &d : engines) {
            if (d.sitePosition || d.hasResults)
                out.append(d);
        }
    }
    return out;
}

QVector<ResultsHistory::Day> ResultsHistory::days(const QString &site, const QString &keyword,
                                                  QStringList *unreadable) const
{
    return load(site, keyword, QString(), unreadable);
}

std::optional<ResultsHistory::Day> ResultsHistory::day(const QString &site, const QString &keyword, Engine engine,
                                                       const QString &date) const
{
    if (date.isEmpty())
        return std::nullopt;
    for (const Day &d : load(site, keyword, date)) {
        if (d.engine == engine)
            return d;
    }
    return std::nullopt;
}

QString ResultsHistory::latestResultsDate(const QString &site, const QString &keyword) const
{
    QString latest;
    for (const Day &d : days(site, keyword)) {
        if (d.hasResults && d.date > latest)
            latest = d.date;
    }
    return latest;
}

bool ResultsHistory::hostMatches(const QString &listedHost, const QString &host)
{
    const QString wanted = host.trimmed().toLower();
    if (wanted.isEmpty())
        return false;
    const QString listed = listedHost.toLower();
    return listed == wanted || listed.endsWith(u'.' + wanted);
}

std::optional<int> ResultsHistory::positionOf(const Day &day, const QString &host)
{
    if (!day.hasResults)
        return std::nullopt;
    for (const DayResults::Row &r : day.results) {
        if (hostMatches(r.host, host))
            return r.position; // in position order: the first is the best
    }
    return 0;
}

QStringList ResultsHistory::hostsAbove(const Day &day, const QString &site, bool *known)
{
    if (known)
        *known = day.hasResults && day.sitePosition.has_value();
    if (!day.hasResults || !day.sitePosition)
        return {};
    const int own = *day.sitePosition;
    QStringList out;
    for (const DayResults::Row &r : day.results) {
        if (own > 0 && r.position >= own)
            break;
        // The site's own links are matched as the scan matches them.
        if (r.host.isEmpty() || (!site.isEmpty() && r.link.contains(site)) || out.contains(r.host))
            continue;
        out.append(r.host);
    }
    return out;
}

QStringList ResultsHistory::hostsAbove(const QString &site, const QString &keyword, Engine engine, const QString &date,
                                       bool *known) const
{
    const std::optional<Day> d = day(site, keyword, engine, date);
    if (!d) {
        if (known)
            *known = false;
        return {};
    }
    return hostsAbove(*d, site, known);
}

QStringList ResultsHistory::newlyAbove(const QString &site, const QString &keyword, Engine engine,
                                       const QString &previousDate, const QString &date, bool *known) const
{
    bool before = false;
    bool now = false;
    const QStringList earlier = hostsAbove(site, keyword, engine, previousDate, &before);
    const QStringList later = hostsAbove(site, keyword, engine, date, &now);
    if (known)
        *known = before && now;
    if (!before || !now)
        return {};
    QStringList out;
    for (const QString &host : later) {
        if (!earlier.contains(host))
            out.append(host);
    }
    return out;
}

QStringList ResultsHistory::hostsAboveLately(const QString &site, const QString &keyword) const
{
    const QString latest = latestResultsDate(site, keyword);
    if (latest.isEmpty())
        return {};
    QStringList out;
    for (const Day &d : load(site, keyword, latest)) {
        for (const QString &host : hostsAbove(d, site)) {
            if (!out.contains(host))
                out.append(host);
        }
    }
    return out;
}
