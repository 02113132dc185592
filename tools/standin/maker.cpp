// The maker's site: the published-version page, the news strip, the feedback receiver and help.

#include "pages.h"

namespace standin::detail {

namespace {

QByteArray versionPage(const World &world)
{
    // The real page is an old gb2312 one; its content is plain ASCII.
    QByteArray page = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
                      "<title>Veltrana - free version</title></head>\n<body>\n<h2>Veltrana</h2>\n"
                      "<p>The latest free version is ";
    page += htmlEscape(world.version).toLatin1();
    page += ".</p>\n<form action=\"download.htm\" method=\"get\">\n"
            "<input type=\"hidden\" name=\"ver\" value=\"";
    page += world.version.toUtf8(); // verbatim, trailing spaces and all: the client trims
    page += "\">\n<input type=\"submit\" value=\"Download\">\n</form>\n</body></html>\n";
    return page;
}

QByteArray infoPage()
{
    // The window around it is in Chinese, and so is its news strip.
    return utf8Head(QStringLiteral("Veltrana 资讯"))
        + QStringLiteral("<body style=\"margin:2px;font-family:sans-serif;font-size:12px\">\n"
                         "<a href=\"../help.htm\">Veltrana 1.0 发布：一次查询三大搜索引擎的关键词排名。</a> | "
                         "<a href=\"../help.htm\">技巧：相关关键词挖掘两层，找到更多长尾词。</a> | "
                         "<a href=\"../help.htm\">新功能：关键词列表可导出为 Excel 表格。</a>\n</body></html>\n")
              .toUtf8();
}

QByteArray helpPage()
{
    return utf8Head(QStringLiteral("Veltrana help"))
        + QByteArray("<body><h1>Veltrana help</h1>\n<h2>Keyword research</h2>\n"
                     "<p>Type a seed keyword and press Start. Veltrana asks Google, Yahoo and Bing for the "
                     "number of result pages and for related searches.</p>\n<h2>Rank checking</h2>\n"
                     "<p>Enter your site and keywords; Veltrana reads the result pages and shows where your "
                     "site appears.</p>\n<h2>Contact</h2><p>Use Help &gt; Suggestion in the program.</p>\n"
                     "</body></html>\n");
}

QByteArray homePage()
{
    return utf8Head(QStringLiteral("Veltrana - SEO keyword tools"))
        + QByteArray("<body><h1>Veltrana</h1><p>Free keyword research and rank checking for webmasters.</p>\n"
                     "<ul><li><a href=\"veltrana/freever.htm\">Download the free version</a></li>"
                     "<li><a href=\"help.htm\">Help</a></li></ul></body></html>\n");
}

// The pages the program's About menu links to: short, but real enough that a
// demo click lands somewhere.
QByteArray aboutPage(const QString &path)
{
    struct Entry {
        const char *path;
        const char *title;
        const char *text;
    };
    static const Entry entries[] = {
        {"/veltrana/guide.htm", "Veltrana guide",
         "<p>1. Mine related keywords from a seed. 2. Keep the good ones in the keyword database. "
         "3. Refresh their counts now and then to see which ones grow.</p>"},
        {"/veltrana/faq.htm", "Veltrana FAQ",
         "<p><b>Why are some counts \"-\"?</b> The engine was not asked, or it showed no count.</p>"
         "<p><b>An engine blocks me.</b> Raise its interval in the engine settings window.</p>"},
        {"/veltrana/history.htm", "Veltrana release history",
         "<p>1.0: related keyword mining, keyword database with refresh.</p>"},
        {"/veltrana/contact.htm", "Contact Veltrana",
         "<p>Send a suggestion from the program's help menu; we read every one.</p>"},
    };
    for (const Entry &e : entries) {
        if (path == QLatin1String(e.path))
            return utf8Head(QString::fromLatin1(e.title)) + QByteArray("<body><h1>") + e.title + "</h1>\n" + e.text
                + "\n</body></html>\n";
    }
    return {};
}

} // namespace

Page makerService(const ServiceRequest &req, const World &world)
{
    Page page;
    const QString path = req.path.toLower();
    if (path == QLatin1String("/veltrana/freever.htm")) {
        page.contentType = "text/html; charset=gb2312";
        page.body = versionPage(world);
    } else if (path == QLatin1String("/veltrana/info.htm")) {
        page.body = infoPage();
    } else if (path == QLatin1String("/list.asp")) {
        return catalogueList(req, world);
    } else if (path == QLatin1String("/suggest.asp")) {
        page.contentType = "text/plain";
        page.body = "ok";
    } else if (path == QLatin1String("/help.htm")) {
        page.body = helpPage();
    } else if (path == QLatin1String("/") || path == QLatin1String("/index.htm")) {
        page.body = homePage();
    } else if (const QByteArray about = aboutPage(path); !about.isEmpty()) {
        page.body = about;
    } else {
        return notFound(req);
    }
    return page;
}

} // namespace standin::detail
