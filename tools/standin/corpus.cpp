// Related searches: a hand-written corpus of SEO seeds, generated phrases for any other seed,
// and made-to-measure lists when a test asks for an exact number.

#include "pages.h"

#include <QSet>

namespace standin::detail {

namespace {

struct Seed {
    const char *seed;
    const char *related; // '|' separated
};

// Real-looking searches around the trade the program is for.
const Seed Corpus[] = {
    {"seo",
     "seo tools|seo software|seo services|search engine optimization|seo company|free seo|local seo|"
     "seo tips|what is seo|seo marketing|seo training|seo checker|sem|seo analysis|seo consultant"},
    {"seo tools",
     "free seo tools|best seo tools|seo tools online|seo software|google seo tools|seo analysis tools|"
     "keyword tools|backlink checker|seo tools for wordpress|rank checker|seo audit tool|moz tools"},
    {"seo software",
     "best seo software|free seo software|seo tools|seo software reviews|rank tracking software|"
     "seo powersuite|keyword research software|seo software download|link building software"},
    {"keyword research",
     "keyword research tool|free keyword research|google keyword planner|keyword tool|"
     "keyword research tips|long tail keywords|keyword analysis|keyword suggestion tool|"
     "keyword difficulty|keyword search volume|how to do keyword research"},
    {"keyword tool",
     "google keyword tool|free keyword tool|keyword research tool|keyword planner|keyword tool io|"
     "keyword suggestion tool|youtube keyword tool|amazon keyword tool|keyword generator"},
    {"web hosting",
     "cheap web hosting|best web hosting|free web hosting|web hosting services|wordpress hosting|"
     "vps hosting|dedicated server|shared hosting|web hosting reviews|cloud hosting|"
     "domain and hosting|bluehost|hostgator"},
    {"cheap web hosting",
     "cheap hosting|cheapest web hosting|budget web hosting|cheap wordpress hosting|"
     "cheap domain hosting|affordable web hosting|cheap vps hosting|cheap hosting plans"},
    {"link building",
     "link building strategies|link building services|backlinks|link building tools|"
     "link building techniques|seo link building|free link building|broken link building|"
     "guest posting|link building tips|white hat link building"},
    {"backlinks",
     "free backlinks|backlink checker|how to get backlinks|quality backlinks|buy backlinks|"
     "dofollow backlinks|backlinks seo|high pr backlinks|edu backlinks|backlink builder"},
    {"wordpress themes",
     "free wordpress themes|premium wordpress themes|best wordpress themes|wordpress templates|"
     "responsive wordpress themes|wordpress themes for business|wordpress blog themes|"
     "ecommerce wordpress themes|themeforest|wordpress portfolio themes|magazine wordpress themes"},
    {"wordpress plugins",
     "best wordpress plugins|free wordpress plugins|seo plugins for wordpress|yoast seo|"
     "wordpress contact form plugin|wordpress security plugin|wordpress cache plugin|"
     "jetpack|woocommerce|wordpress backup plugin"},
    {"search engine optimization",
     "seo|search engine optimization tips|search engine optimization services|"
     "search engine marketing|search engine optimization company|"
     "search engine optimization techniques|search engine ranking|"
     "search engine optimization tutorial|on page optimization"},
    {"search engine marketing",
     "sem|search engine marketing services|pay per click|search marketing|"
     "search engine advertising|sem vs seo|search engine marketing strategy|ppc management"},
    {"google ranking",
     "google ranking factors|google page rank|improve google ranking|google ranking check|"
     "google search ranking|how to rank higher on google|google algorithm|google ranking tool"},
    {"page rank",
     "google page rank|page rank checker|check page rank|pagerank algorithm|page rank tool|"
     "increase page rank|what is page rank|page rank explained"},
    {"rank checker",
     "google rank checker|keyword rank checker|serp checker|website rank checker|"
     "free rank checker|rank tracker|alexa rank checker|position checker"},
    {"web design",
     "web design company|web design software|responsive web design|web design templates|"
     "web design tutorial|web design inspiration|freelance web design|web designer|"
     "web development|website design|web design courses"},
    {"content marketing",
     "content marketing strategy|content marketing examples|content marketing institute|"
     "content strategy|content marketing agency|b2b content marketing|blog marketing|"
     "content creation|content marketing tools"},
    {"digital marketing",
     "digital marketing agency|digital marketing courses|online marketing|"
     "internet marketing|digital marketing strategy|social media marketing|"
     "digital marketing jobs|seo and digital marketing|digital advertising|inbound marketing"},
    {"internet marketing",
     "online marketing|internet marketing strategies|internet marketing company|"
     "internet marketing services|web marketing|affiliate marketing|"
     "internet marketing tips|make money online"},
    {"social media marketing",
     "social media marketing strategy|social media management|facebook marketing|"
     "twitter marketing|social media marketing tools|social media advertising|"
     "instagram marketing|social media marketing agency|linkedin marketing"},
    {"email marketing",
     "email marketing software|email marketing services|mailchimp|email newsletter|"
     "email marketing tips|bulk email|email marketing templates|email campaign|autoresponder"},
    {"affiliate marketing",
     "affiliate marketing programs|amazon affiliate|affiliate networks|clickbank|"
     "affiliate marketing for beginners|affiliate marketing websites|"
     "best affiliate programs|commission junction|make money with affiliate marketing"},
    {"google adwords",
     "adwords|google ads|adwords keyword tool|google adwords login|google adwords cost|"
     "adwords certification|pay per click advertising|adwords tutorial|adwords campaign"},
    {"google analytics",
     "google analytics tutorial|google analytics login|google analytics code|"
     "web analytics|google analytics dashboard|google analytics certification|"
     "google webmaster tools|google analytics goals|bounce rate"},
    {"website traffic",
     "increase website traffic|free website traffic|buy website traffic|website traffic checker|"
     "website traffic statistics|targeted website traffic|drive traffic to website|web traffic"},
    {"local seo",
     "local seo services|local search optimization|google my business|local seo tips|"
     "local business listings|local citations|local seo company|google maps ranking"},
    {"domain names",
     "domain name search|cheap domain names|buy domain names|domain name registration|"
     "free domain names|domain name generator|expired domain names|domain name ideas|whois"},
    {"meta tags",
     "meta description|meta keywords|meta tags seo|html meta tags|meta tag generator|"
     "meta title|meta robots|open graph tags|meta tag analyzer"},
    {"blogging",
     "blogging tips|blogging platforms|how to start a blog|blogging for money|wordpress blogging|"
     "free blogging sites|blogger|guest blogging|blogging for beginners|blog ideas"},
    {"ecommerce",
     "ecommerce website|ecommerce platform|ecommerce software|shopify|ecommerce seo|"
     "online store|ecommerce solutions|magento|ecommerce marketing|b2b ecommerce"},
    {"ppc",
     "ppc advertising|ppc management|pay per click|ppc campaign|ppc agency|ppc tools|"
     "ppc vs seo|google ppc|ppc marketing|bing ads"},
    {"sitemap",
     "xml sitemap|sitemap generator|google sitemap|html sitemap|sitemap xml example|"
     "wordpress sitemap|submit sitemap to google|sitemap checker"},
    {"keyword density",
     "keyword density checker|keyword density tool|ideal keyword density|"
     "keyword density analyzer|keyword stuffing|keyword density seo|keyword frequency"},
};

// Forms used around any seed; "%1" is the seed. Ordered from the most to the least common.
const char *const Forms[] = {
    "%1 tips",          "best %1",     "%1 free",       "free %1",           "%1 tools",      "what is %1",
    "%1 guide",         "%1 tutorial", "%1 software",   "%1 online",         "%1 services",   "%1 company",
    "%1 for beginners", "%1 examples", "how to %1",     "%1 checklist",      "%1 strategy",   "%1 course",
    "%1 cost",          "top %1",      "%1 definition", "%1 best practices", "cheap %1",      "%1 reviews",
    "%1 jobs",          "%1 training", "%1 pdf",        "%1 ideas",          "%1 template",   "%1 help",
    "%1 books",         "%1 blog",     "%1 news",       "%1 agency",         "%1 consultant", "%1 pricing",
    "%1 plugin",        "%1 analysis", "%1 tricks",     "learn %1",          "%1 vs",         "%1 meaning",
};

// For made-to-measure lists: more words to combine with the seed.
const char *const Extra[] = {
    "advice",     "agencies",  "app",        "basics",       "calculator", "certification", "checker",
    "comparison", "community", "consulting", "deals",        "download",   "experts",       "faq",
    "forum",      "generator", "hacks",      "in english",   "india",      "jobs online",   "kit",
    "london",     "made easy", "manual",     "methods",      "near me",    "new york",      "opportunities",
    "overview",   "packages",  "platform",   "questions",    "quotes",     "rates",         "resources",
    "sample",     "secrets",   "specialist", "step by step", "system",     "techniques",    "terms",
    "test",       "uk",        "usa",        "video",        "website",    "wiki",          "workshop",
    "youtube",
};

struct CorpusIndex {
    QHash<QString, QStringList> related;
    CorpusIndex()
    {
        for (const Seed &s : Corpus)
            related.insert(QString::fromLatin1(s.seed), QString::fromLatin1(s.related).split(u'|'));
    }
};

const CorpusIndex &corpus()
{
    static const CorpusIndex index;
    return index;
}

// Every phrase of the seed's natural pool: corpus entries first, then generated forms.
QStringList naturalPool(const QString &seed)
{
    QStringList pool;
    QSet<QString> seen{seed};
    auto add = [&](const QString &phrase) {
        if (!seen.contains(phrase)) {
            seen.insert(phrase);
            pool.append(phrase);
        }
    };
    for (const QString &p : corpus().related.value(seed))
        add(p);
    for (const char *form : Forms)
        add(QString::fromLatin1(form).arg(seed));
    return pool;
}

// Exactly `count` distinct phrases, each containing the seed.
QStringList measuredPool(const QString &seed, int count)
{
    QStringList out;
    QSet<QString> seen{seed};
    auto add = [&](const QString &phrase) {
        if (out.size() < count && !seen.contains(phrase)) {
            seen.insert(phrase);
            out.append(phrase);
        }
    };
    for (const char *form : Forms)
        add(QString::fromLatin1(form).arg(seed));
    for (const char *extra : Extra)
        add(seed + u' ' + QLatin1String(extra));
    for (const char *extra : Extra)
        add(QLatin1String("best ") + seed + u' ' + QLatin1String(extra));
    for (int n = 1; out.size() < count; ++n)
        for (const char *extra : Extra)
            add(seed + u' ' + QLatin1String(extra) + u' ' + QString::number(n));
    return out;
}

} // namespace

QString normalizeKeyword(const QString &keyword) { return keyword.simplified().toLower(); }

bool isNoResult(const QString &keyword) { return keyword.contains(QLatin1String("noresult"), Qt::CaseInsensitive); }

QStringList relatedFor(const QString &keyword, Engine engine, int relatedCount)
{
    const QString seed = normalizeKeyword(keyword);
    if (seed.isEmpty() || isNoResult(seed))
        return {};
    const int slot = engine == Bing ? 2 : engine == Yahoo ? 1 : 0;
    if (relatedCount > 0) {
        // Dealt round-robin so the three engines together show each phrase once.
        const QStringList pool = measuredPool(seed, relatedCount);
        QStringList mine;
        for (int i = slot; i < pool.size(); i += 3)
            mine.append(pool.at(i));
        return mine;
    }
    // Windows of twelve, two shared with the neighbour: engines agree a little, as real ones do.
    return naturalPool(seed).mid(slot * 10, 12);
}

QString emphasizeNew(const QString &phrase, const QString &seed, const QString &open, const QString &close)
{
    const QStringList seedWords = seed.split(u' ', Qt::SkipEmptyParts);
    QStringList words = phrase.split(u' ', Qt::SkipEmptyParts);
    for (QString &w : words)
        w = seedWords.contains(w) ? htmlEscape(w) : open + htmlEscape(w) + close;
    return words.join(u' ');
}

} // namespace standin::detail
