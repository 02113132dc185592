// Result counts and result lists: made up but stable, so a keyword always gets the same page.

#include "pages.h"

#include <QStringEncoder>

#include <QSet>

#include <algorithm>

namespace standin::detail {

namespace {

// Sites a searcher meets for marketing and web queries.
const char *const Hosts[] = {
    "en.wikipedia.org",
    "moz.com",
    "searchengineland.com",
    "www.searchenginejournal.com",
    "backlinko.com",
    "ahrefs.com",
    "www.semrush.com",
    "neilpatel.com",
    "www.wordstream.com",
    "support.google.com",
    "developers.google.com",
    "blog.hubspot.com",
    "www.forbes.com",
    "www.entrepreneur.com",
    "www.shopify.com",
    "wordpress.org",
    "www.wpbeginner.com",
    "yoast.com",
    "www.godaddy.com",
    "www.bluehost.com",
    "www.hostgator.com",
    "www.namecheap.com",
    "www.siteground.com",
    "www.cnet.com",
    "www.pcmag.com",
    "www.techradar.com",
    "www.quora.com",
    "www.reddit.com",
    "www.youtube.com",
    "www.amazon.com",
    "www.linkedin.com",
    "medium.com",
    "www.inc.com",
    "www.bbc.co.uk",
    "www.theguardian.com",
    "www.webopedia.com",
    "www.w3schools.com",
    "stackoverflow.com",
    "www.smashingmagazine.com",
    "www.sitepoint.com",
    "www.problogger.com",
    "copyblogger.com",
    "www.seobook.com",
    "www.webmasterworld.com",
    "www.similarweb.com",
    "www.spyfu.com",
    "www.majestic.com",
    "www.searchmetrics.com",
    "www.brightedge.com",
    "www.marketingland.com",
    "www.copypress.com",
    "www.webfx.com",
    "www.business.com",
};

const char *const Brands[] = {
    "Wikipedia",
    "Moz",
    "Search Engine Land",
    "Search Engine Journal",
    "Backlinko",
    "Ahrefs",
    "Semrush",
    "Neil Patel",
    "WordStream",
    "Google Help",
    "Google Developers",
    "HubSpot",
    "Forbes",
    "Entrepreneur",
    "Shopify",
    "WordPress.org",
    "WPBeginner",
    "Yoast",
    "GoDaddy",
    "Bluehost",
    "HostGator",
    "Namecheap",
    "SiteGround",
    "CNET",
    "PCMag",
    "TechRadar",
    "Quora",
    "Reddit",
    "YouTube",
    "Amazon.com",
    "LinkedIn",
    "Medium",
    "Inc.com",
    "BBC",
    "The Guardian",
    "Webopedia",
    "W3Schools",
    "Stack Overflow",
    "Smashing Magazine",
    "SitePoint",
    "ProBlogger",
    "Copyblogger",
    "SEO Book",
    "WebmasterWorld",
    "Similarweb",
    "SpyFu",
    "Majestic",
    "Searchmetrics",
    "BrightEdge",
    "Marketing Land",
    "CopyPress",
    "WebFX",
    "Business.com",
};
static_assert(std::size(Hosts) == std::size(Brands));

const char *const Titles[] = {
    "%1 - %2",
    "What Is %1? A Beginner's Guide - %2",
    "%1: The Complete Guide | %2",
    "10 %1 Tips That Work | %2",
    "Best %1 in Review - %2",
    "%1 Explained - %2",
    "How %1 Works | %2",
    "%1 for Small Business - %2",
    "The Ultimate %1 Checklist | %2",
    "%1 News and Advice - %2",
};

// No " of ", "</table>" or other marker text here: snippets sit among the markers clients cut at.
const char *const Snippets[] = {
    "Learn everything about %1 with practical examples, step by step instructions and free tools.",
    "Our experts explain %1 in plain words. Compare options, read reviews and pick what fits you.",
    "%1 made simple: a short introduction, common mistakes and what to do next.",
    "Find the latest %1 news, case studies and tips from people who do it every day.",
    "Get started with %1 today. Tutorials, templates and a community ready to help.",
    "A clear answer to the question: what is %1 and why does it matter for your website?",
};

QString slug(const QString &keyword)
{
    QString out;
    for (const QChar c : keyword) {
        if (c.isLetterOrNumber() && c.unicode() < 128)
            out += c;
        else if (!out.endsWith(u'-') && !out.isEmpty())
            out += u'-';
    }
    while (out.endsWith(u'-'))
        out.chop(1);
    return out.isEmpty() ? QStringLiteral("topic") : out;
}

QString titleCase(const QString &keyword)
{
    QStringList words = keyword.split(u' ', Qt::SkipEmptyParts);
    for (QString &w : words)
        w[0] = w[0].toUpper();
    return words.join(u' ');
}

QString bareHost(const QString &host) { return host.startsWith(QLatin1String("www.")) ? host.mid(4) : host; }

Hit planted(const QString &site, const QString &keyword)
{
    Hit h;
    const qsizetype slash = site.indexOf(u'/');
    h.host = slash < 0 ? site : site.left(slash);
    h.path = slash < 0 ? QStringLiteral("/") : site.mid(slash);
    h.title = titleCase(keyword) + QLatin1String(" - ") + bareHost(h.host);
    h.snippet = QString::fromLatin1(Snippets[0]).arg(htmlEscape(keyword));
    return h;
}

} // namespace

QString plantKey(Engine engine, const QString &keyword)
{
    return QString::number(engine) + u'|' + normalizeKeyword(keyword);
}

quint64 stableHash(const QString &text, quint64 salt)
{
    quint64 h = 1469598103934665603ULL ^ (salt * 1099511628211ULL);
    for (const char c : text.toUtf8()) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ULL;
    }
    return h ^ (h >> 29);
}

QString thousands(qint64 n)
{
    QString digits = QString::number(n);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, u',');
    return digits;
}

QString htmlEscape(const QString &text) { return text.toHtmlEscaped(); }

qint64 resultCount(const QString &keyword, Engine engine)
{
    const QString kw = normalizeKeyword(keyword);
    const quint64 h = stableHash(kw, 17 + engine);
    // Longer queries find fewer pages; three significant digits like the engines print.
    const int words = std::max<int>(1, int(kw.count(u' ')) + 1);
    int digits = 9 - std::min(words, 4) + int(h % 2);
    if (engine == Bing || engine == Yahoo)
        digits -= 1;
    qint64 scale = 1;
    for (int i = 3; i < digits; ++i)
        scale *= 10;
    return qint64(100 + (h >> 8) % 900) * scale;
}

QList<Hit> resultPage(const QString &keyword, Engine engine, int page, const World &world)
{
    const QString kw = normalizeKeyword(keyword);
    // A test's plant takes the place of a corpus site at the same index.
    QMap<int, QString> plants = corpusPlants(kw, engine);
    plants.insert(world.plants.value(plantKey(engine, kw)));

    // The natural order: the host list shuffled by keyword, less hosts a test planted.
    QList<int> order;
    for (int i = 0; i < int(std::size(Hosts)); ++i) {
        const QString host = bareHost(QString::fromLatin1(Hosts[i]));
        bool clash = false;
        for (const QString &site : plants) {
            const QString planted = bareHost(site.section(u'/', 0, 0).toLower());
            clash = clash || host.contains(planted) || planted.contains(host);
        }
        if (!clash)
            order.append(i);
    }
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        return stableHash(kw + QLatin1String(Hosts[a]), engine) < stableHash(kw + QLatin1String(Hosts[b]), engine);
    });

    const QString kwTitle = htmlEscape(titleCase(kw));
    const QString s = slug(kw);
    QList<Hit> hits;
    for (int slot = 0; slot < 10; ++slot) {
        const int index = page * 10 + slot;
        if (plants.contains(index)) {
            hits.append(planted(plants.value(index), kw));
            continue;
        }
        const int host = order.at(index % order.size());
        const int round = index / order.size();
        const quint64 h = stableHash(kw, quint64(index) * 31 + engine);
        Hit hit;
        hit.host = QString::fromLatin1(Hosts[host]);
        switch (h % 5) {
        case 0: hit.path = u'/' + s; break;
        case 1: hit.path = QLatin1String("/blog/") + s + QLatin1String("-guide"); break;
        case 2: hit.path = QLatin1String("/learn/") + s + u'/'; break;
        case 3: hit.path = u'/' + s + QLatin1String(".html"); break;
        default: hit.path = QLatin1String("/articles/") + s + QLatin1String("-tips"); break;
        }
        if (round > 0)
            hit.path += QLatin1String("?p=") + QString::number(round + 1);
        hit.title = QString::fromLatin1(Titles[(h >> 8) % std::size(Titles)]).arg(kwTitle, QLatin1String(Brands[host]));
        hit.snippet = QString::fromLatin1(Snippets[(h >> 16) % std::size(Snippets)]).arg(htmlEscape(kw));
        hits.append(hit);
    }
    return hits;
}

QString ServiceRequest::value(const QString &key) const
{
    for (const auto &item : items)
        if (item.first == key)
            return item.second;
    return {};
}

bool ServiceRequest::has(const QString &key) const
{
    return std::any_of(items.begin(), items.end(), [&](const auto &item) { return item.first == key; });
}

Page notFound(const ServiceRequest &req)
{
    Page p;
    p.status = 404;
    p.body = utf8Head(QStringLiteral("404 Not Found")) + "<body><h1>Not Found</h1><p>The requested URL "
        + htmlEscape(req.path).toUtf8() + " was not found on this server.</p></body></html>\n";
    return p;
}

QByteArray utf8Head(const QString &title, const QString &style)
{
    QString head = QLatin1String("<!DOCTYPE html>\n<html><head>"
                                 "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
                                 "<title>")
        + htmlEscape(title) + QLatin1String("</title>");
    if (!style.isEmpty())
        head += QLatin1String("<style>") + style + QLatin1String("</style>");
    return (head + QLatin1String("</head>\n")).toUtf8();
}

QByteArray gbk(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

QByteArray gbkHead(const QString &title, const QString &style)
{
    QString head = QLatin1String("<!DOCTYPE html>\n<html><head>"
                                 "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
                                 "<title>")
        + htmlEscape(title) + QLatin1String("</title>");
    if (!style.isEmpty())
        head += QLatin1String("<style>") + style + QLatin1String("</style>");
    return gbk(head + QLatin1String("</head>\n"));
}

} // namespace standin::detail
