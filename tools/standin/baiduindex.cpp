// The Baidu index service: daily data ("<p d=" entries with a "p1" value, GBK), province
// data ("data=" entries) and the keyword page a browser opens.

#include "pages.h"

#include <QDate>

namespace standin::detail {

namespace {

const char *const Provinces[] = {"北京", "上海", "广东", "浙江", "江苏", "山东", "四川", "湖北", "河南", "福建",
                                 "湖南", "河北", "辽宁", "陕西", "安徽", "天津", "重庆", "江西", "广西", "山西"};

// Forty days of made-up but stable searches for a keyword.
QList<int> madeUpDays(const QString &kw)
{
    QList<int> days;
    const quint64 h = stableHash(kw, 301);
    const int base = 50 + int(h % 5000);
    for (int i = 0; i < 40; ++i)
        days.append(base + int(stableHash(kw, 400 + i) % (base / 3 + 1)));
    return days;
}

QList<int> madeUpProvinces(const QString &kw)
{
    QList<int> values;
    for (int i = 0; i < int(std::size(Provinces)); ++i)
        values.append(int(stableHash(kw, 700 + i) % 90));
    return values;
}

Page dailyData(const QString &keyword, const World &world)
{
    const QString kw = normalizeKeyword(keyword);
    const QList<int> days = world.indexDays.contains(kw) ? world.indexDays.value(kw) : madeUpDays(kw);
    QString body = QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
                                  "</head><body><div id=\"word\">%1</div>\n<div id=\"data\">\n")
                       .arg(htmlEscape(keyword));
    const QDate today = QDate::currentDate();
    for (int i = 0; i < days.size(); ++i) {
        body += QStringLiteral("<p d=\"%1\" p1=\"%2\" p2=\"%3\"></p>\n")
                    .arg(today.addDays(-1 - i).toString(QStringLiteral("yyyy-MM-dd")))
                    .arg(days.at(i))
                    .arg(days.at(i) / 3);
    }
    body += QStringLiteral("</div></body></html>\n");
    Page page;
    page.contentType = "text/html; charset=gb2312";
    page.body = gbk(body);
    return page;
}

Page provinceData(const QString &keyword, const World &world)
{
    const QString kw = normalizeKeyword(keyword);
    const QList<int> values = world.provinceValues.contains(kw) ? world.provinceValues.value(kw) : madeUpProvinces(kw);
    QString body = QStringLiteral("<provinces word=\"%1\">\n").arg(htmlEscape(keyword));
    for (int i = 0; i < values.size(); ++i) {
        body += QStringLiteral("<area name=\"%1\" data=\"%2\" />\n")
                    .arg(QString::fromUtf8(Provinces[i % int(std::size(Provinces))]))
                    .arg(values.at(i));
    }
    body += QStringLiteral("</provinces>\n");
    Page page;
    page.contentType = "text/xml; charset=utf-8";
    page.body = body.toUtf8();
    return page;
}

Page wordPage(const QString &keyword, const World &world)
{
    const QString kw = normalizeKeyword(keyword);
    const QList<int> days = world.indexDays.contains(kw) ? world.indexDays.value(kw) : madeUpDays(kw);
    qint64 sum = 0;
    for (int i = 0; i < days.size() && i < 30; ++i)
        sum += days.at(i);
    QString body = QStringLiteral("<body><h1>百度指数</h1><h2>%1</h2><p>最近30天平均搜索量：%2</p><table border=1>"
                                  "<tr><th>日期</th><th>搜索指数</th></tr>")
                       .arg(htmlEscape(keyword))
                       .arg(sum / 30);
    const QDate today = QDate::currentDate();
    for (int i = 0; i < days.size() && i < 30; ++i)
        body += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>")
                    .arg(today.addDays(-1 - i).toString(QStringLiteral("yyyy-MM-dd")))
                    .arg(days.at(i));
    body += QStringLiteral("</table></body></html>\n");
    Page page;
    page.body = utf8Head(keyword + QStringLiteral("_百度指数")) + body.toUtf8();
    return page;
}

} // namespace

Page baiduIndexService(const ServiceRequest &req, const World &world)
{
    if (req.path == QLatin1String("/tools/get_data.php"))
        return dailyData(req.value(QStringLiteral("q")), world);
    if (req.path == QLatin1String("/main/get_province_data.php"))
        return provinceData(req.value(QStringLiteral("word")), world);
    if (req.path == QLatin1String("/main/word.php"))
        return wordPage(req.value(QStringLiteral("word")), world);
    if (req.path == QLatin1String("/")) {
        Page page;
        page.body =
            utf8Head(QStringLiteral("百度指数")) + QStringLiteral("<body><h1>百度指数</h1></body></html>\n").toUtf8();
        return page;
    }
    return notFound(req);
}

Page figuresService(const ServiceRequest &req, const World &world)
{
    Page page;
    page.contentType = "text/plain; charset=utf-8";
    if (req.path != QLatin1String("/kw.asp"))
        return notFound(req);
    const QString kw = normalizeKeyword(req.value(QStringLiteral("kw")));
    if (req.has(QStringLiteral("nums"))) {
        const QString nums = req.value(QStringLiteral("nums"));
        world.figuresReports.append({nums, req.value(QStringLiteral("kw")), req.value(QStringLiteral("parents"))});
        // What one user found, the next one is told.
        world.figures.insert(kw, nums);
        page.body = "ok";
        return page;
    }
    page.body = world.figures.value(kw).toUtf8();
    return page;
}

} // namespace standin::detail
