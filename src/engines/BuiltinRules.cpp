#include "engines/BuiltinRules.h"

#include "common/Engine.h"
#include "engines/BaiduPages.h"
#include "engines/IndexCounts.h"
#include "engines/RelatedSearches.h"
#include "engines/cKeyrank.h"

#include <optional>

using PageRules::Purpose;
using PageRules::Reading;

namespace {

std::optional<Engine> engineOf(const QString &key)
{
    for (Engine e : kEngines) {
        if (engineKey(e) == key)
            return e;
    }
    return std::nullopt;
}

// What a 2010 page of each engine shows: Google and Yahoo have one marker
// each, Bing either of two.
struct PageMarkers {
    QLatin1String google;
    QLatin1String yahoo;
    QLatin1String bing[2];
};

bool shows(Engine e, const QString &page, const PageMarkers &m)
{
    const auto has = [&page](QLatin1String marker) { return page.contains(marker, Qt::CaseInsensitive); };
    switch (e) {
    case Engine::Google: return has(m.google);
    case Engine::Yahoo: return has(m.yahoo);
    case Engine::Bing: break;
    }
    return has(m.bing[0]) || has(m.bing[1]);
}

// The engine's own words for an empty answer.
bool saysNoResults(Engine e, const QString &page)
{
    static const PageMarkers words{QLatin1String("did not match any documents"),
                                   QLatin1String("We did not find results for"),
                                   {QLatin1String("No results found for"), QLatin1String("do not match any")}};
    return shows(e, page, words);
}

// The markup every result item starts with.
bool hasResultMarker(Engine e, const QString &page)
{
    static const PageMarkers items{
        QLatin1String("<h3 class=r>"),
        QLatin1String("<div><h3><a"),
        {QLatin1String("<div class=\"sb_tsuf\">"), QLatin1String("<div class=\"sb_tlst\">")}};
    return shows(e, page, items);
}

Reading classify(Engine e, const QString &page, Reading found, bool known, const QString &wanted)
{
    // A stated count makes it a result page too (a page past the last result).
    if (known || hasResultMarker(e, page) || IndexCounts::extract(e, page) != IndexCounts::notFound(e)) {
        found.state = Reading::State::Read;
    } else if (saysNoResults(e, page)) {
        found.values.clear();
        found.state = Reading::State::NoResults;
    } else {
        found.values.clear();
        found.state = Reading::State::Unrecognised;
        found.missing = wanted == QLatin1String("results") ? wanted : wanted + QStringLiteral(", results");
    }
    return found;
}

Reading baiduCount(const QString &page)
{
    Reading out;
    const BaiduPages::Reading r = BaiduPages::searchCount(page);
    switch (r.kind) {
    case BaiduPages::Reading::Kind::Figures:
        out.state = Reading::State::Read;
        out.values = {r.value};
        break;
    case BaiduPages::Reading::Kind::NoData: out.state = Reading::State::NoResults; break;
    case BaiduPages::Reading::Kind::Unreadable: out.missing = QStringLiteral("count"); break;
    }
    return out;
}

} // namespace

Reading BuiltinRuleSet::read(const QString &engine, Purpose purpose, const QString &page) const
{
    const QString wanted = PageRules::purposeName(purpose);
    const std::optional<Engine> e = engineOf(engine);
    if (!e) {
        if (engine == QLatin1String("baidu") && purpose == Purpose::Count)
            return baiduCount(page);
        Reading none;
        none.missing = wanted;
        return none;
    }
    Reading found;
    bool known = false;
    switch (purpose) {
    case Purpose::Count: {
        const QString count = IndexCounts::extract(*e, page);
        known = count != IndexCounts::notFound(*e);
        if (known)
            found.values = {count};
        break;
    }
    case Purpose::Related: {
        const QStringList candidates = RelatedSearches::candidates(*e, page.toLower());
        for (const QString &c : candidates) {
            if (PageRules::isKeywordCandidate(c))
                found.values << c;
        }
        known = !found.values.isEmpty();
        break;
    }
    case Purpose::Results: {
        // Every piece's link, as the scanner would take it.
        for (int k = 1;; ++k) {
            QString link;
            const int position = cKeyrank::scanPage(*e, page, 0, QString(), k - 1, &link);
            if (position == 0)
                break;
            found.values << link;
            k = position;
        }
        known = !found.values.isEmpty();
        break;
    }
    }
    return classify(*e, page, found, known, wanted);
}

int BuiltinRuleSet::rankOnPage(const QString &engine, const QString &page, int pageIndex, const QString &site, int rank,
                               QString *link, Reading *reading) const
{
    const std::optional<Engine> e = engineOf(engine);
    if (!e)
        return 0;
    const int position = cKeyrank::scanPageRaw(*e, page, pageIndex, site, rank, link);
    if (reading) {
        Reading r;
        if (position > 0)
            r.values = {link ? *link : QString()};
        *reading = classify(*e, page, r, position > 0, QStringLiteral("results"));
    }
    return position;
}

QStringList BuiltinRuleSet::engines() const
{
    return {QStringLiteral("google"), QStringLiteral("yahoo"), QStringLiteral("bing"), QStringLiteral("baidu")};
}

QList<Purpose> BuiltinRuleSet::purposes(const QString &engine) const
{
    if (engine == QLatin1String("baidu"))
        return {Purpose::Count};
    if (!engineOf(engine))
        return {};
    return {Purpose::Count, Purpose::Related, Purpose::Results};
}

QString BuiltinRuleSet::samplePage(const QString &engine, Purpose) const
{
    if (engine == QLatin1String("google"))
        return QStringLiteral("samples/google-2010-ipod.html");
    if (!engines().contains(engine))
        return {};
    return QStringLiteral("samples/%1-2010-seo.html").arg(engine);
}

QVector<PageRules::Organic> BuiltinRuleSet::organicResults(const QString &engine, const QString &page, int pageIndex,
                                                           Reading *reading) const
{
    const std::optional<Engine> e = engineOf(engine);
    if (!e)
        return {};
    QVector<PageRules::Organic> out = cKeyrank::organicOnPage(*e, page, pageIndex);
    Reading r;
    for (const PageRules::Organic &o : std::as_const(out))
        r.values << o.link;
    r = classify(*e, page, r, !out.isEmpty(), QStringLiteral("results"));
    if (r.failed())
        out.clear();
    if (reading)
        *reading = r;
    return out;
}
