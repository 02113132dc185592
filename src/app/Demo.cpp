#include "app/Demo.h"

#include "common/SettingNames.h"
#include "common/SettingsStore.h"
#include "rank/RankFormats.h"
#include "store/DayResults.h"
#include "store/FavouriteStore.h"
#include "store/TextFiles.h"

#include <QDate>
#include <QDir>

namespace Demo {

void seedRankLists(const QString &dataDir)
{
    SettingsStore settings(QDir(dataDir).filePath(QStringLiteral("settings.ini")));
    settings.WriteValue(SettingNames::kRankSites,
                        QStringLiteral("www.veltrana-demo.com$www.trailgear-shop.com$blog.seo-garden.net"));
    RankFormats::Options options;
    options.engines = {true, true, true};
    options.depthIndex = 1;
    options.allMatches = true;
    settings.WriteValue(RankFormats::setting3Name(), RankFormats::formatOptions(options));
    TextFiles::writeLines(
        QDir(dataDir).filePath(QStringLiteral("mykw.txt")),
        {QStringLiteral("rank tracker$hiking boots$keyword rank checker$seo audit$") + QString::fromUtf8("登山鞋")});
}

namespace {

// Hosts the stand-in lists among its results, so the competitors offered
// for the seeded days also have points once a real run adds today.
const char *const kCompetitors[] = {
    "moz.com",           "ahrefs.com",           "www.semrush.com", "backlinko.com",
    "neilpatel.com",     "searchengineland.com", "yoast.com",       "www.wordstream.com",
    "blog.hubspot.com",  "en.wikipedia.org",     "www.forbes.com",  "www.quora.com",
    "www.reddit.com",    "medium.com",           "www.pcmag.com",   "www.cnet.com",
    "www.techradar.com", "wordpress.org",        "www.inc.com",     "stackoverflow.com"};

struct SeededEngine {
    Engine engine;
    int positions[7]; // a week ago .. yesterday
};

// One page of 20 organic results on day `day`: the site at `position`, the
// competitors around it in an order that drifts a little from day to day.
QVector<DayResults::Row> pageOf(const QString &site, const QString &keyword, Engine engine, int day, int position)
{
    const int count = int(std::size(kCompetitors));
    QStringList order;
    for (int i = 0; i < count; ++i)
        order.append(QString::fromLatin1(kCompetitors[(i + 3 * engineIndex(engine)) % count]));
    for (int i = day % 3; i + 1 < count; i += 3)
        order.swapItemsAt(i, i + 1);
    QVector<DayResults::Row> rows;
    int next = 0;
    for (int p = 1; p <= 20; ++p) {
        const QString host = p == position ? site : order.at(next++);
        rows.append({site, keyword, engineLabel(engine), p, host, QStringLiteral("http://%1/").arg(host)});
    }
    return rows;
}

// A week of favourite history, so the history chart, its competitor lines
// and the change marks of the first run have something to show.
void seedFavourite(const QString &dataDir, const QString &site, const QString &keyword,
                   const QVector<SeededEngine> &engines)
{
    FavouriteStore store(QDir(dataDir).filePath(QStringLiteral("myfav")));
    QStringList labels;
    for (const SeededEngine &e : engines)
        labels.append(engineLabel(e.engine));
    const QString key = RankFormats::favouriteKey(labels.join(u','), site, keyword, 1, false);
    if (!store.create(key))
        return;
    const QDate today = QDate::currentDate();
    for (int day = 0; day < 7; ++day) {
        const QString date = FavouriteStore::dateText(today.addDays(day - 7));
        QStringList lines;
        QVector<DayResults::Row> rows;
        for (const SeededEngine &e : engines) {
            const int position = e.positions[day];
            const QString link = position > 0 ? QStringLiteral("http://%1/").arg(site) : QString();
            lines.append(engineLabel(e.engine) + u'|' + QString::number(position) + u'|' + link);
            rows += pageOf(site, keyword, e.engine, day, position);
        }
        store.writeDay(key, date, lines);
        DayResults::write(store.resultsPath(key, date), rows);
    }
}

} // namespace

void seedFavourites(const QString &dataDir)
{
    seedFavourite(dataDir, QStringLiteral("www.veltrana-demo.com"), QStringLiteral("rank tracker"),
                  {{Engine::Google, {6, 5, 5, 4, 4, 3, 3}},
                   {Engine::Yahoo, {4, 4, 5, 5, 4, 4, 4}},
                   {Engine::Bing, {9, 9, 10, 8, 9, 8, 9}}});
    seedFavourite(dataDir, QStringLiteral("www.trailgear-shop.com"), QStringLiteral("hiking boots"),
                  {{Engine::Google, {3, 2, 2, 1, 2, 1, 1}}, {Engine::Bing, {0, 0, 14, 6, 4, 3, 3}}});
}

} // namespace Demo
