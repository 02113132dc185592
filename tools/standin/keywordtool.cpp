// The advertising service's keyword tool page: a form by the ids the program drives, a captcha on
// the first visit (answer toolCaptchaAnswer()), and a results area that a script fills after a short
// delay with one row per keyword: cells c0-c2, indicator bars and "class=data" cells.

#include "pages.h"

#include <QUrl>

namespace standin::detail {

namespace {

const char *const Style =
    "body{margin:0;width:1900px;height:1500px;font-family:arial,sans-serif;font-size:13px;background:#fff}"
    "#kpHeader{height:56px;background:#f1f1f1;border-bottom:1px solid #ccc;font-size:20px;padding:14px 20px}"
    "#kpForm{position:absolute;left:20px;top:100px}"
    "#kpCaptchaBox{position:absolute;left:868px;top:360px;width:250px;padding:6px;border:1px solid #ccc}"
    "#kpResults{position:absolute;left:20px;top:560px;width:1100px}"
    ".kpTable td,.kpTable th{padding:2px 8px;border-bottom:1px solid #eee}"
    ".indicatorbar{display:inline-block;height:10px;background:#6a6}"
    ".indicatorbar+.indicatorbar{background:#ddd}";

QString captchaPicture(int tries)
{
    // The characters drawn a little crooked; a wrong answer redraws them.
    const QString text = toolCaptchaAnswer();
    QString svg = QStringLiteral("<svg xmlns='http://www.w3.org/2000/svg' width='200' height='60'>"
                                 "<rect width='200' height='60' fill='#eef'/>");
    for (int i = 0; i < text.size(); ++i) {
        const int rotate = int((stableHash(text, 900 + i + tries * 7) % 40)) - 20;
        svg += QStringLiteral("<text x='%1' y='42' font-size='34' font-family='serif' fill='#335' "
                              "transform='rotate(%2 %3 30)'>%4</text>")
                   .arg(20 + i * 42)
                   .arg(rotate)
                   .arg(30 + i * 42)
                   .arg(text.at(i));
    }
    svg += QStringLiteral("<line x1='0' y1='%1' x2='200' y2='%2' stroke='#99a'/></svg>")
               .arg(10 + tries % 40)
               .arg(50 - tries % 40);
    return QStringLiteral("data:image/svg+xml,") + QString::fromLatin1(QUrl::toPercentEncoding(svg));
}

QString capitalised(const QString &phrase, int i)
{
    if (i % 3 != 1)
        return phrase;
    QStringList words = phrase.split(u' ');
    for (QString &w : words)
        if (!w.isEmpty())
            w[0] = w.at(0).toUpper();
    return words.join(u' ');
}

QList<ToolRowPlant> madeUpRows(const QString &keyword, const World &world)
{
    const QString kw = normalizeKeyword(keyword);
    const int count = world.toolRowCount > 0 ? world.toolRowCount : 20 + int(stableHash(kw, 500) % 20);
    QStringList phrases{kw};
    phrases += relatedFor(kw, Google, count - 1);
    // Long lists run out of related phrases: numbered variants fill them up.
    for (int n = 2; phrases.size() < count; ++n)
        phrases << kw + QStringLiteral(" ideas ") + QString::number(n);
    QList<ToolRowPlant> rows;
    for (int i = 0; i < phrases.size() && i < count; ++i) {
        const quint64 h = stableHash(phrases.at(i), 600);
        ToolRowPlant r;
        r.keyword = capitalised(phrases.at(i), i);
        const int top = 1 + int(h % 6);
        r.position = QStringLiteral("%1-%2").arg(top).arg(top + 2);
        r.cost = QStringLiteral("US$%1").arg(double(h % 900 + 5) / 100.0, 0, 'f', 2);
        r.w1 = int((h >> 8) % 51);
        r.w2 = r.w1 == 50 ? -1 : 50 - r.w1;
        r.volume = thousands(qint64(10 + (h >> 16) % 2000000));
        rows.append(r);
    }
    return rows;
}

QString resultsArea(const QString &keyword, const World &world)
{
    QString html = QStringLiteral("<table class=kpTable><tr><th>Keyword</th><th>Ad position</th><th>CPC</th>"
                                  "<th>Competition</th><th>Global Monthly Searches</th></tr>\n");
    if (world.toolNeverFills)
        return html + QStringLiteral("</table><p class=kpLoading>Loading...</p>");
    const QList<ToolRowPlant> rows = world.toolRows.isEmpty() ? madeUpRows(keyword, world) : world.toolRows;
    for (const ToolRowPlant &r : rows) {
        QString bars = QStringLiteral("<span class=indicatorbar style=\"width: %1px\"></span>").arg(r.w1);
        if (r.w2 >= 0)
            bars += QStringLiteral("<span class=indicatorbar style=\"width: %1px\"></span>").arg(r.w2);
        html += QStringLiteral("<tr><td class=c0>%1</td><td class=c1>%2</td><td class=c2>%3</td>"
                               "<td class=c3><div class=data>%4</div></td><td class=c4><div class=data>%5</div></td>"
                               "</tr>\n")
                    .arg(htmlEscape(r.keyword), htmlEscape(r.position), htmlEscape(r.cost), bars, htmlEscape(r.volume));
    }
    return html + QStringLiteral("</table>");
}

QByteArray toolPage(const World &world)
{
    const bool captcha = world.toolCaptcha && !world.toolCaptchaPassed;
    QString body = QStringLiteral("<body><div id=kpHeader>Keyword Tool</div>"
                                  "<form id=kpForm onsubmit=\"return false\">Word or phrase: "
                                  "<input id=kpVariationsTool-keyword name=keyword size=40> "
                                  "<button id=kpKeywordPlanner-getKeywordsButton type=button>Search</button></form>\n");
    if (captcha) {
        body +=
            QStringLiteral("<div id=kpCaptchaBox><img id=kpVariationsTool-captcha width=200 height=60 src=\"%1\">"
                           "<br>Type the characters you see: <input id=kpVariationsTool-captchaAnswer size=8></div>\n")
                .arg(captchaPicture(world.toolCaptchaTries));
    }
    body += QStringLiteral(
                "<div id=kpResults></div>\n<script>\n"
                "document.getElementById('kpKeywordPlanner-getKeywordsButton').onclick = function () {\n"
                "  var kw = document.getElementById('kpVariationsTool-keyword').value;\n"
                "  var cap = document.getElementById('kpVariationsTool-captchaAnswer');\n"
                "  var q = 'results?kw=' + encodeURIComponent(kw);\n"
                "  if (cap) q += '&captcha=' + encodeURIComponent(cap.value);\n"
                "  var area = document.getElementById('kpResults');\n"
                "  area.innerHTML = '<p class=kpLoading>Loading...</p>';\n"
                "  var send = function () {\n"
                "    var x = new XMLHttpRequest();\n"
                "    x.open('GET', q);\n"
                "    x.onload = function () { if (x.status == 200) area.innerHTML = x.responseText; };\n"
                "    x.send();\n"
                "  };\n"
                "  // A busy page: its own script holds it, and nothing else runs meanwhile.\n"
                "  if (%2 > 0) setTimeout(function () { var t = Date.now(); while (Date.now() - t < %2) {} }, 0);\n"
                "  // An answer to the captcha is checked at once; results take a while.\n"
                "  if (cap) send(); else setTimeout(send, %1);\n"
                "};\n</script></body></html>\n")
                .arg(world.toolDelayMs)
                .arg(world.toolBusyMs);
    return utf8Head(QStringLiteral("Keyword Tool"), QLatin1String(Style)) + body.toUtf8();
}

} // namespace

QString toolCaptchaAnswer() { return QStringLiteral("7W3K"); }

Page keywordToolService(const ServiceRequest &req, const World &world)
{
    Page page;
    if (req.path == QLatin1String("/select/KeywordToolExternal")) {
        page.body = toolPage(world);
        return page;
    }
    if (req.path == QLatin1String("/select/results")) {
        if (world.toolCaptcha && !world.toolCaptchaPassed) {
            if (req.value(QStringLiteral("captcha")).trimmed().compare(toolCaptchaAnswer(), Qt::CaseInsensitive) == 0) {
                world.toolCaptchaPassed = true;
                page.body = "<p>Thank you.</p>";
            } else {
                ++world.toolCaptchaTries;
                page.body = "<p>The characters you typed did not match.</p>";
            }
            return page;
        }
        page.body = resultsArea(req.value(QStringLiteral("kw")), world).toUtf8();
        return page;
    }
    if (req.path == QLatin1String("/")) {
        page.body = utf8Head(QStringLiteral("Keyword Tool")) + "<body><h1>Keyword Tool</h1></body></html>\n";
        return page;
    }
    return notFound(req);
}

} // namespace standin::detail
