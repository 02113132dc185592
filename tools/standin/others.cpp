// Services whose pages are not played yet: each has a plain front page so a client can see the
// service is up; every other path is 404. Give a service its own file when its pages arrive.

#include "pages.h"

namespace standin::detail {

namespace {

Page frontPage(const ServiceRequest &req, const QString &title)
{
    if (req.path != QLatin1String("/"))
        return notFound(req);
    Page page;
    page.body = utf8Head(title) + "<body><h1>" + htmlEscape(title).toUtf8() + "</h1></body></html>\n";
    return page;
}

} // namespace

Page baiduIndexService(const ServiceRequest &req, const World &)
{
    return frontPage(req, QStringLiteral("百度指数"));
}

Page keywordToolService(const ServiceRequest &req, const World &)
{
    return frontPage(req, QStringLiteral("Keyword Tool"));
}

Page figuresService(const ServiceRequest &req, const World &)
{
    return frontPage(req, QStringLiteral("Keyword figures"));
}

} // namespace standin::detail
