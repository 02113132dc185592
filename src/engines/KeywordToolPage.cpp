#include "engines/KeywordToolPage.h"

#include "engines/BaiduPages.h"
#include "web/M_base.h"

#include <QRegularExpression>
#include <QStringList>
#include <optional>

namespace KeywordToolPage {
namespace {

const QString kRowMarker = QStringLiteral("<td class=c0");

std::optional<int> barWidth(const QString &part)
{
    bool ok = false;
    const int w = M_base::GetBetween(part, QStringLiteral("width: "), QStringLiteral("px")).trimmed().toInt(&ok);
    return ok && w >= 0 ? std::optional<int>(w) : std::nullopt;
}

QString decodeEntities(QString text)
{
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
    text.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

} // namespace

QString path() { return QStringLiteral("/select/KeywordToolExternal"); }
QString captchaId() { return QStringLiteral("kpVariationsTool-captcha"); }
QString keywordId() { return QStringLiteral("kpVariationsTool-keyword"); }
QString captchaAnswerId() { return QStringLiteral("kpVariationsTool-captchaAnswer"); }
QString searchButtonId() { return QStringLiteral("kpKeywordPlanner-getKeywordsButton"); }
QString resultsId() { return QStringLiteral("kpResults"); }

QString normalise(const QString &innerHtml)
{
    static const QRegularExpression quoted(QStringLiteral("=\"([a-z0-9_\\-]+)\""));
    return innerHtml.toLower().replace(quoted, QStringLiteral("=\\1"));
}

QString firstKeyword(const QString &html)
{
    const qsizetype at = html.indexOf(kRowMarker);
    if (at < 0)
        return {};
    const QString piece = html.mid(at + kRowMarker.size());
    return row(piece.left(piece.indexOf(kRowMarker))).keyword;
}

bool resultsReady(const QString &html, const QString &firstListed, bool listEmpty)
{
    if (listEmpty)
        return html.contains(kRowMarker);
    if (html.contains(kRowMarker + QLatin1Char('>')))
        return firstKeyword(html) != firstListed;
    return html.contains(kRowMarker);
}

QVector<Row> rows(const QString &html)
{
    QVector<Row> out;
    const QStringList pieces = html.split(kRowMarker);
    for (int i = 1; i < pieces.size() && out.size() < kMaxRows; ++i)
        out.append(row(pieces.at(i)));
    return out;
}

Row row(const QString &piece)
{
    Row r;
    r.keyword = decodeEntities(M_base::GetBetween(piece, QStringLiteral(">"), QStringLiteral("<")));
    r.position = decodeEntities(M_base::GetBetween(piece, QStringLiteral("c1>"), QStringLiteral("<")));
    r.cost = decodeEntities(M_base::GetBetween(piece, QStringLiteral("c2>"), QStringLiteral("<")));
    r.competition = competition(piece);
    const QStringList data = piece.split(QStringLiteral("class=data"));
    if (data.size() > 2)
        r.volume = decodeEntities(M_base::GetBetween(data.at(2), QStringLiteral(">"), QStringLiteral("<")));
    return r;
}

QString competition(const QString &piece)
{
    const QStringList bars = piece.split(QStringLiteral("indicatorbar"));
    if (bars.size() == 2)
        return QStringLiteral("100%(非常激烈)");
    if (bars.size() < 3)
        return {};
    const auto w1 = barWidth(bars.at(1));
    const auto w2 = barWidth(bars.at(2));
    if (!w1 || !w2)
        return {};
    return competitionText(*w1, *w2);
}

QString competitionText(int w1, int w2)
{
    if (w1 + w2 <= 0)
        return {};
    const double p = double(w1) * 100.0 / double(w1 + w2);
    QString band;
    if (p > 90)
        band = QStringLiteral("%(非常激烈)");
    else if (p > 60)
        band = QStringLiteral("%(激烈)");
    else if (p > 30)
        band = QStringLiteral("%(一般)");
    else
        band = QStringLiteral("%(缓和)");
    return QString::number(BaiduPages::roundHalfEven(p)) + band;
}

} // namespace KeywordToolPage
