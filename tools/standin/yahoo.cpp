// Yahoo! Search: result count, results linked through the rds.yahoo.com redirector, and the
// "Also try" suggestions delivered as the data of an inline script.

#include "pages.h"

#include <QUrl>

namespace standin::detail {

namespace {

const char *const Style =
    "body{font-family:arial,sans-serif}#yschsec{float:right}.yschttl{color:#0000de;font-size:medium}"
    ".abstr{font-size:small}.url{color:#008000;font-size:small}";

QString jsonString(const QString &text)
{
    QString out = text;
    out.replace(u'\\', QLatin1String("\\\\")).replace(u'"', QLatin1String("\\\""));
    return out.replace(QLatin1String("</"), QLatin1String("<\\/"));
}

QByteArray results(const QString &keyword, int first, const World &world)
{
    const QString kw = normalizeKeyword(keyword);
    const QString shown = htmlEscape(keyword.simplified());
    QString body = QLatin1String("<body><div id=\"ygma\"><a href=\"http://www.yahoo.com/\">Yahoo!</a> "
                                 "<a href=\"http://mail.yahoo.com/\">Mail</a></div>\n"
                                 "<form id=\"sf\" action=\"/search\"><input type=\"text\" name=\"p\" value=\"")
        + shown
        + QLatin1String("\"><input type=\"hidden\" name=\"fr\" value=\"sfp\">"
                        "<button type=\"submit\">Search</button></form>\n");
    if (isNoResult(kw)) {
        body += QLatin1String("<div id=\"main\"><p>We did not find results for: <b>") + shown
            + QLatin1String("</b>. Check spelling or try different words.</p></div></body></html>\n");
        return utf8Head(keyword.simplified() + QLatin1String(" - Yahoo! Search Results"), QLatin1String(Style))
            + body.toUtf8();
    }

    const int page = std::max(0, first - 1) / 10;
    body += QLatin1String("<div id=\"info\"><p>") + QString::number(page * 10 + 1) + u'-'
        + QString::number(page * 10 + 10) + QLatin1String(" of <strong id=\"resultCount\">")
        + thousands(resultCount(kw, Yahoo)) + QLatin1String("</strong> for <strong>") + shown
        + QLatin1String("</strong></p></div>\n");
    const QString sponsor = sponsorFor(kw);
    if (!sponsor.isEmpty())
        body += QLatin1String("<div id=\"east\"><h4>Sponsored Results</h4><ul><li><a class=\"spns\" "
                              "href=\"http://rds.yahoo.com/S=2114725/K=ads/**http%3a//")
            + sponsor + QLatin1String("/\">") + shown + QLatin1String(" deals</a></li></ul></div>\n");
    body += QLatin1String("<div id=\"main\"><div id=\"web\"><ol>\n");

    const QList<Hit> hits = resultPage(kw, Yahoo, page, world);
    int n = page * 10;
    for (const Hit &hit : hits) {
        ++n;
        const QString target = QLatin1String("http%3a//") + hit.host + hit.path;
        body += QLatin1String("<li><div><h3><a class=\"yschttl\" href=\"http://rds.yahoo.com/_ylt=A0oGk")
            + QString::number(1000 + n) + QLatin1String(";_ylu=X3oDMTE/SIG=1") + QString::number(n % 10)
            + QLatin1String("/EXP=1262304000/**") + target + QLatin1String("\">") + hit.title
            + QLatin1String("</a></h3></div><div class=\"abstr\">") + hit.snippet
            + QLatin1String("</div><span class=\"url\">") + hit.host + hit.path + QLatin1String("</span></li>\n");
    }
    body += QLatin1String("</ol></div></div>\n<div id=\"pg\">");
    for (int p = 0; p < 10; ++p)
        body += QLatin1String("<a href=\"/search?p=") + QString::fromLatin1(QUrl::toPercentEncoding(kw))
            + QLatin1String("&amp;b=") + QString::number(p * 10 + 1) + QLatin1String("\">") + QString::number(p + 1)
            + QLatin1String("</a> ");
    body += QLatin1String("</div>\n");

    const QStringList related = relatedFor(kw, Yahoo, world.relatedCount);
    if (!related.isEmpty()) {
        QStringList entries;
        for (const QString &r : related)
            entries.append(QLatin1String("[\"") + jsonString(r) + QLatin1String("\",\"0\"]"));
        body += QLatin1String("<div id=\"atatb\"></div><script type=\"text/javascript\">"
                              "YAHOO.namespace(\"SA\");YAHOO.SA.apps=YAHOO.SA.apps||[];"
                              "YAHOO.SA.apps[0]=YAHOO.SA.apps[0]||{};YAHOO.SA.apps[0].data = {\"gossip\":[")
            + entries.join(u',') + QLatin1String("]};</script>\n");
    }
    body += QLatin1String("<div id=\"ft\">&copy; 2010 Yahoo! Inc.</div></body></html>\n");
    return utf8Head(keyword.simplified() + QLatin1String(" - Yahoo! Search Results"), QLatin1String(Style))
        + body.toUtf8();
}

QByteArray home()
{
    return utf8Head(QStringLiteral("Yahoo! Search - Web Search"), QLatin1String(Style))
        + QByteArray("<body><div id=\"ygma\"><a href=\"http://www.yahoo.com/\">Yahoo!</a></div>"
                     "<center><h1>Yahoo! Search</h1><form action=\"/search\"><input type=\"text\" name=\"p\" "
                     "size=\"50\"><input type=\"hidden\" name=\"fr\" value=\"sfp\"><button type=\"submit\">"
                     "Web Search</button></form></center></body></html>\n");
}

} // namespace

Page yahooService(const ServiceRequest &req, const World &world)
{
    Page page;
    if (req.path == QLatin1String("/"))
        page.body = home();
    else if (req.path == QLatin1String("/search"))
        page.body = results(req.value(QStringLiteral("p")), req.value(QStringLiteral("b")).toInt(), world);
    else
        return notFound(req);
    return page;
}

} // namespace standin::detail
