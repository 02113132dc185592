// Google: the search home page and the result page, which carries the result count,
// ten results and the "Searches related to" table at its foot.

#include "pages.h"

#include <QUrl>

namespace standin::detail {

namespace {

const char *const Style =
    "body{font-family:arial,sans-serif;margin:8px}a{color:#1a0dab}.s{color:#545454;font-size:small}"
    "cite{color:#006621;font-style:normal}#resultStats{color:#808080}.med{font-size:medium}";

QString queryLink(const QString &phrase)
{
    return QLatin1String("/search?hl=en&amp;q=")
        + QString::fromLatin1(QUrl::toPercentEncoding(phrase, " ")).replace(u' ', u'+');
}

QByteArray home()
{
    QString body = QLatin1String(
        "<body><div id=gbar><nobr><b>Web</b> <a href=\"/imghp?hl=en\">Images</a> "
        "<a href=\"/videohp?hl=en\">Videos</a> <a href=\"http://maps.google.com/maps?hl=en\">Maps</a> "
        "<a href=\"http://news.google.com/nwshp?hl=en\">News</a></nobr></div>\n"
        "<center><br><div style=\"font-size:64px;color:#4285f4\">Google</div><br>"
        "<form action=\"/search\" name=f><input type=hidden name=hl value=en>"
        "<input autocomplete=off maxlength=2048 name=q size=55 title=\"Google Search\" value=\"\"><br>"
        "<input name=btnG type=submit value=\"Google Search\"> "
        "<input name=btnI type=submit value=\"I'm Feeling Lucky\"></form>"
        "<p><a href=\"/intl/en/ads/\">Advertising&nbsp;Programs</a> - "
        "<a href=\"/services/\">Business Solutions</a> - <a href=\"/intl/en/about.html\">About Google</a></p>"
        "<p style=\"font-size:small\">&copy;2010 - <a href=\"/intl/en/privacy.html\">Privacy</a></p>"
        "</center></body></html>\n");
    return utf8Head(QStringLiteral("Google"), QLatin1String(Style)) + body.toUtf8();
}

QByteArray results(const QString &keyword, int start, const World &world)
{
    const QString kw = normalizeKeyword(keyword);
    const QString shown = htmlEscape(keyword.simplified());
    QString body = QLatin1String("<body><div id=gbar><nobr><b>Web</b> <a href=\"/images?hl=en\">Images</a> "
                                 "<a href=\"/videos?hl=en\">Videos</a> <a href=\"/news?hl=en\">News</a>"
                                 "</nobr></div>\n<form action=\"/search\" name=gs><input type=hidden name=hl value=en>"
                                 "<input name=q size=41 maxlength=2048 value=\"")
        + shown + QLatin1String("\"> <input type=submit name=btnG value=\"Search\"></form>\n");

    if (isNoResult(kw)) {
        body += QLatin1String("<div id=res><p>Your search - <b>") + shown
            + QLatin1String("</b> - did not match any documents.</p><p>Suggestions:</p><ul>"
                            "<li>Make sure all words are spelled correctly.</li>"
                            "<li>Try different keywords.</li><li>Try more general keywords.</li></ul></div>"
                            "</body></html>\n");
        return utf8Head(keyword.simplified() + QLatin1String(" - Google Search"), QLatin1String(Style)) + body.toUtf8();
    }

    body += QLatin1String("<div id=resultStats>Results <b>") + QString::number(start + 1) + QLatin1String("</b> - <b>")
        + QString::number(start + 10) + QLatin1String("</b> of about <b>") + thousands(resultCount(kw, Google))
        + QLatin1String("</b> for <b>") + shown + QLatin1String("</b>. (<b>0.21</b> seconds)</div>\n");
    const QString sponsor = sponsorFor(kw);
    if (!sponsor.isEmpty())
        body += QLatin1String("<div id=tads><h2>Sponsored Links</h2><ol><li><a href=\"http://") + sponsor
            + QLatin1String("/\">") + shown + QLatin1String(" deals</a><br><cite>") + sponsor
            + QLatin1String("</cite></li></ol></div>\n");
    body += QLatin1String("<div id=res><ol>\n");

    const QList<Hit> hits = resultPage(kw, Google, start / 10, world);
    for (const Hit &hit : hits) {
        body += QLatin1String("<li class=g><h3 class=r><a href=\"http://") + hit.host + hit.path
            + QLatin1String("\" class=l>") + hit.title + QLatin1String("</a></h3><div class=s>") + hit.snippet
            + QLatin1String("<br><cite>") + hit.host + hit.path + QLatin1String("</cite></div></li>\n");
    }
    body += QLatin1String("</ol></div>\n");

    const QStringList related = relatedFor(kw, Google, world.relatedCount);
    if (!related.isEmpty()) {
        // Every link directly after '>': readers split the region at "><a ".
        body += QLatin1String("<div id=brs><p class=med>Searches related to <b>") + shown
            + QLatin1String("</b></p><table cellpadding=0 cellspacing=0><tr>");
        for (int i = 0; i < related.size(); ++i) {
            if (i > 0 && i % 2 == 0)
                body += QLatin1String("</tr><tr>");
            body += QLatin1String("<td><a href=\"") + queryLink(related.at(i)) + QLatin1String("\">")
                + emphasizeNew(related.at(i), kw, QStringLiteral("<b>"), QStringLiteral("</b>"))
                + QLatin1String("</a></td>");
        }
        body += QLatin1String("</tr></table></div>\n");
    }

    body += QLatin1String("<div id=foot><table id=nav><tr><td><b>Goooooooogle</b></td>");
    for (int p = 0; p < 10; ++p)
        body += QLatin1String("<td><a href=\"/search?q=") + QString::fromLatin1(QUrl::toPercentEncoding(kw))
            + QLatin1String("&amp;hl=en&amp;start=") + QString::number(p * 10) + QLatin1String("\">")
            + QString::number(p + 1) + QLatin1String("</a></td>");
    body += QLatin1String("</tr></table><p>&copy;2010 Google</p></div></body></html>\n");
    return utf8Head(keyword.simplified() + QLatin1String(" - Google Search"), QLatin1String(Style)) + body.toUtf8();
}

} // namespace

Page googleService(const ServiceRequest &req, const World &world)
{
    Page page;
    if (req.path == QLatin1String("/") || req.path == QLatin1String("/webhp"))
        page.body = home();
    else if (req.path == QLatin1String("/search"))
        page.body =
            results(req.value(QStringLiteral("q")), std::max(0, req.value(QStringLiteral("start")).toInt()), world);
    else
        return notFound(req);
    return page;
}

} // namespace standin::detail
