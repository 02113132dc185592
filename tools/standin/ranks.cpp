// Where the rank corpus puts its sites: a few made-up sites listed for a few keywords at fixed
// result indexes (0 = first result of page 1), on the first and later pages, some more than once,
// and one sponsor shown only in the block above the first result.

#include "pages.h"

namespace standin::detail {

namespace {

struct Placement {
    const char *keyword;
    Engine engine;
    const char *site;
    int index;
};

const char *const Demo = "www.veltrana-demo.com";
const char *const Trail = "www.trailgear-shop.com";
const char *const Garden = "blog.seo-garden.net/guides";

const Placement Placements[] = {
    // One site several times within the first fifty results.
    {"rank tracker", Google, Demo, 1},
    {"rank tracker", Google, Demo, 6},
    {"rank tracker", Google, Demo, 23},
    {"rank tracker", Yahoo, Demo, 3},
    {"rank tracker", Bing, Demo, 12},
    {"rank tracker", Bing, Demo, 31},
    {"hiking boots", Google, Trail, 0},
    {"hiking boots", Google, Trail, 4},
    {"hiking boots", Google, Trail, 17},
    {"hiking boots", Yahoo, Trail, 9},
    {"hiking boots", Bing, Trail, 2},
    {"trail running shoes", Google, Trail, 34},
    {"trail running shoes", Bing, Trail, 7},
    {"\xe7\x99\xbb\xe5\xb1\xb1\xe9\x9e\x8b", Google, Trail, 2}, // 登山鞋
    {"\xe7\x99\xbb\xe5\xb1\xb1\xe9\x9e\x8b", Yahoo, Trail, 5},
    {"\xe7\x99\xbb\xe5\xb1\xb1\xe9\x9e\x8b", Bing, Trail, 15},
    {"seo audit", Google, Garden, 8},
    {"seo audit", Yahoo, Garden, 1},
    {"seo audit", Bing, Garden, 0},
    {"local seo", Google, Garden, 45},
    {"local seo", Yahoo, Garden, 19},
    {"keyword rank checker", Google, Demo, 3},
    {"keyword rank checker", Google, Demo, 11},
    {"keyword rank checker", Google, Demo, 27},
    {"keyword rank checker", Yahoo, Demo, 2},
    {"keyword rank checker", Yahoo, Demo, 14},
    {"keyword rank checker", Bing, Demo, 5},
    {"keyword rank checker", Bing, Demo, 25},
    {"keyword rank checker", Google, Garden, 9},
    {"keyword rank checker", Bing, Garden, 40},
};

} // namespace

QMap<int, QString> corpusPlants(const QString &keyword, Engine engine)
{
    const QString kw = normalizeKeyword(keyword);
    QMap<int, QString> out;
    for (const Placement &p : Placements)
        if (p.engine == engine && QString::fromUtf8(p.keyword) == kw)
            out.insert(p.index, QString::fromLatin1(p.site));
    return out;
}

QStringList rankCorpusKeywords()
{
    QStringList out;
    for (const Placement &p : Placements)
        if (!out.contains(QString::fromUtf8(p.keyword)))
            out.append(QString::fromUtf8(p.keyword));
    return out;
}

QString sponsorFor(const QString &keyword)
{
    return rankCorpusKeywords().contains(normalizeKeyword(keyword)) ? QStringLiteral("www.sponsor-deals.com")
                                                                    : QString();
}

} // namespace standin::detail
