// Baidu web search: the home page and a short result page (GBK, with "找到相关网页约…篇").

#include "pages.h"

namespace standin::detail {

namespace {

const char *const Style = "body{font-family:arial;font-size:13px}#u{text-align:right}.t{font-size:medium}"
                          ".c{color:#666}#page a{margin-right:6px}";

QByteArray home()
{
    return utf8Head(QStringLiteral("百度一下，你就知道"), QLatin1String(Style))
        + QStringLiteral(
              "<body><div id=\"u\"><a href=\"http://www.baidu.com/gaoji/preferences.html\">搜索设置</a>"
              " | <a href=\"https://passport.baidu.com/\">登录</a></div>\n<center>"
              "<div style=\"font-size:48px;color:#2932e1\">百度</div>"
              "<p><a href=\"http://news.baidu.com\">新闻</a> <b>网页</b> "
              "<a href=\"http://zhidao.baidu.com\">知道</a> <a href=\"http://music.baidu.com\">音乐</a> "
              "<a href=\"http://image.baidu.com\">图片</a></p>"
              "<form name=\"f\" action=\"/s\"><input type=\"text\" name=\"wd\" id=\"kw\" maxlength=\"100\">"
              "<input type=\"submit\" value=\"百度一下\" id=\"su\"></form>"
              "<p><a href=\"http://home.baidu.com\">关于百度</a> | <a href=\"http://ir.baidu.com\">About Baidu</a></p>"
              "<p>&copy;2010 Baidu</p></center></body></html>\n")
              .toUtf8();
}

QByteArray results(const QString &keyword, const World &world)
{
    const QString kw = normalizeKeyword(keyword);
    const QString shown = htmlEscape(keyword.simplified());
    QString body =
        QLatin1String("<body><form name=\"f\" action=\"/s\"><input type=\"text\" name=\"wd\" id=\"kw\" value=\"")
        + shown + QStringLiteral("\"><input type=\"submit\" value=\"百度一下\"></form>\n");
    if (isNoResult(kw)) {
        body += QStringLiteral("<div id=\"content_left\"><p>抱歉，没有找到与“<em>") + shown
            + QStringLiteral("</em>”相关的网页。</p></div></body></html>\n");
        return gbkHead(keyword.simplified() + QStringLiteral("_百度搜索"), QLatin1String(Style)) + gbk(body);
    }
    body += QStringLiteral("<div class=\"nums\">找到相关网页约") + thousands(resultCount(kw, Baidu))
        + QStringLiteral("篇，用时0.021秒</div>\n<div id=\"content_left\">\n");
    const QList<Hit> hits = resultPage(kw, Baidu, 0, world);
    int id = 0;
    for (const Hit &hit : hits) {
        body += QLatin1String("<table class=\"result\" id=\"") + QString::number(++id)
            + QLatin1String("\"><tr><td class=\"f\"><h3 class=\"t\"><a href=\"http://") + hit.host + hit.path
            + QLatin1String("\" target=\"_blank\">") + hit.title + QLatin1String("</a></h3><font size=-1>")
            + hit.snippet + QLatin1String("<br><span class=\"g\">") + hit.host + hit.path
            + QLatin1String("</span></font></td></tr></table>\n");
    }
    body += QStringLiteral("</div><p id=\"page\"><strong>1</strong><a href=\"/s?wd=%1&amp;pn=10\">2</a>"
                           "<a href=\"/s?wd=%1&amp;pn=10\">下一页&gt;</a></p></body></html>\n")
                .arg(shown);
    return gbkHead(keyword.simplified() + QStringLiteral("_百度搜索"), QLatin1String(Style)) + gbk(body);
}

} // namespace

Page baiduService(const ServiceRequest &req, const World &world)
{
    Page page;
    if (req.path == QLatin1String("/") || req.path == QLatin1String("/index.php"))
        page.body = home();
    else if (req.path == QLatin1String("/s")) {
        // The search page comes in GBK, the way Baidu serves it.
        page.contentType = "text/html; charset=gb2312";
        page.body = results(req.value(QStringLiteral("wd")), world);
    } else
        return notFound(req);
    return page;
}

} // namespace standin::detail
