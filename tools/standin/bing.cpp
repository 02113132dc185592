// Bing: "1-10 of N results", results linked through /click, and the "Related searches" list.
// Readers find the count after the first " of " in the page, so nothing above it may say " of ".

#include "pages.h"

#include <QUrl>

namespace standin::detail {

namespace {

const char *const Style =
    "body{font-family:Arial,Helvetica,sans-serif}#results_area{width:560px}.sb_tsuf{margin-bottom:18px}"
    "#sidebar{float:right;width:300px}cite{color:#388222;font-style:normal}";

QString clickTarget(const Hit &hit)
{
    QString url = QLatin1String("http://") + hit.host + hit.path;
    url.replace(u':', QLatin1String("%3a")).replace(u'/', QLatin1String("%2f"));
    url.replace(u'?', QLatin1String("%3f")).replace(u'=', QLatin1String("%3d"));
    return url;
}

QString queryLink(const QString &phrase)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(phrase, " ")).replace(u' ', u'+');
}

QByteArray results(const QString &keyword, int first, const World &world)
{
    const QString kw = normalizeKeyword(keyword);
    const QString shown = htmlEscape(keyword.simplified());
    // The query goes into the form after the count: it may itself contain " of ".
    QString body = QLatin1String("<body><div id=\"sw_hdr\"><a href=\"/\" id=\"sb_logo\">Bing</a></div>\n");
    if (isNoResult(kw)) {
        body += QLatin1String("<div id=\"results_area\"><p>No results found for <strong>") + shown
            + QLatin1String("</strong>.</p><ul><li>Check your spelling.</li><li>Try different keywords."
                            "</li></ul></div></body></html>\n");
        return utf8Head(QStringLiteral("Bing"), QLatin1String(Style)) + body.toUtf8();
    }

    const int page = std::max(0, first - 1) / 10;
    body += QLatin1String("<div id=\"results_area\"><div class=\"sb_count\" id=\"count\">")
        + QString::number(page * 10 + 1) + u'-' + QString::number(page * 10 + 10) + QLatin1String(" of ")
        + thousands(resultCount(kw, Bing))
        + QLatin1String(" results</div>\n"
                        "<form action=\"/search\" id=\"sb_form\">"
                        "<input id=\"sb_form_q\" name=\"q\" value=\"")
        + shown + QLatin1String("\"><input type=\"submit\" value=\"Search\"></form>\n");
    const QString sponsor = sponsorFor(kw);
    if (!sponsor.isEmpty())
        body += QLatin1String("<div class=\"sb_ads\"><h2>Ads</h2><ul><li><a href=\"/aclick?u=http%3a%2f%2f") + sponsor
            + QLatin1String("%2f\">") + shown + QLatin1String(" deals</a></li></ul></div>\n");
    body += QLatin1String("<div id=\"results\"><ul>\n");

    const QList<Hit> hits = resultPage(kw, Bing, page, world);
    for (const Hit &hit : hits) {
        body += QLatin1String("<li><div class=\"sb_tsuf\"><h3><a href=\"/click?a=") + clickTarget(hit)
            + QLatin1String("\">") + hit.title + QLatin1String("</a></h3><p>") + hit.snippet
            + QLatin1String("</p><cite><a href=\"/click?a=") + clickTarget(hit) + QLatin1String("\">") + hit.host
            + hit.path + QLatin1String("</a></cite></div></li>\n");
    }
    body += QLatin1String("</ul></div></div>\n<div id=\"sidebar\">");

    const QStringList related = relatedFor(kw, Bing, world.relatedCount);
    if (!related.isEmpty()) {
        // Items are cut at the "')\"" closing each onmousedown handler.
        body += QLatin1String("<div class=\"sb_rel\"><h2>Related searches</h2><ul>");
        for (int i = 0; i < related.size(); ++i)
            body += QLatin1String("<li><a href=\"/search?q=") + queryLink(related.at(i))
                + QLatin1String("&amp;FORM=R5FD") + QString::number(i + 1)
                + QLatin1String("\" onmousedown=\"return si_T('&amp;ID=SERP,") + QString::number(5054 + i)
                + QLatin1String(".1')\">")
                + emphasizeNew(related.at(i), kw, QStringLiteral("<strong>"), QStringLiteral("</strong>"))
                + QLatin1String("</a></li>");
        body += QLatin1String("</ul></div>");
    }
    body += QLatin1String("</div>\n<div id=\"sb_foot\"><ul class=\"sb_pag\">");
    for (int p = 0; p < 5; ++p)
        body += QLatin1String("<li><a href=\"/search?q=") + queryLink(kw) + QLatin1String("&amp;first=")
            + QString::number(p * 10 + 1) + QLatin1String("\">") + QString::number(p + 1) + QLatin1String("</a></li>");
    body += QLatin1String("</ul><p>&copy; 2010 Microsoft</p></div></body></html>\n");
    return utf8Head(QStringLiteral("Bing"), QLatin1String(Style)) + body.toUtf8();
}

QByteArray home()
{
    return utf8Head(QStringLiteral("Bing"), QLatin1String(Style))
        + QByteArray("<body><div id=\"sw_hdr\">Bing</div><form action=\"/search\" id=\"sb_form\">"
                     "<input id=\"sb_form_q\" name=\"q\"><input type=\"submit\" value=\"Search\"></form>"
                     "</body></html>\n");
}

} // namespace

Page bingService(const ServiceRequest &req, const World &world)
{
    Page page;
    if (req.path == QLatin1String("/"))
        page.body = home();
    else if (req.path == QLatin1String("/search"))
        page.body = results(req.value(QStringLiteral("q")), req.value(QStringLiteral("first")).toInt(), world);
    else
        return notFound(req);
    return page;
}

} // namespace standin::detail
