#include "engines/BaiduPages.h"

#include "common/Digits.h"
#include "web/M_base.h"

#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace BaiduPages {
namespace {

QString utf8Query(const QString &text) { return QString::fromLatin1(QUrl::toPercentEncoding(text)); }

Reading unreadable() { return {}; }

Reading figures(const QString &value) { return {Reading::Kind::Figures, value}; }

} // namespace

qint64 roundHalfEven(double value)
{
    // The default rounding mode is to nearest, ties to even.
    return static_cast<qint64>(std::nearbyint(value));
}

QString dailyIndexPath(const QString &keyword)
{
    return QStringLiteral("/tools/get_data.php?q=") + M_base::UrlEncode(keyword.trimmed());
}

QString provincePath(const QString &monthRange, const QString &keyword)
{
    return QStringLiteral("/main/get_province_data.php?type=1&time=") + utf8Query(monthRange)
        + QStringLiteral("&area=0&word=") + M_base::UrlEncode(keyword.trimmed().toLower()) + QStringLiteral("&index=1");
}

QString wordPagePath(const QString &keyword)
{
    return QStringLiteral("/main/word.php?word=") + M_base::UrlEncode(keyword.trimmed());
}

QString searchPath(const QString &keyword) { return QStringLiteral("/s?wd=") + M_base::UrlEncode(keyword.trimmed()); }

QString figuresAskPath(const QString &keyword) { return QStringLiteral("/kw.asp?kw=") + utf8Query(keyword); }

QString figuresReportPath(const QString &pair, const QString &keyword, const QString &parent)
{
    return QStringLiteral("/kw.asp?nums=") + utf8Query(pair) + QStringLiteral("&kw=") + utf8Query(keyword)
        + QStringLiteral("&parents=") + utf8Query(parent);
}

bool isCount(const QString &text) { return text.size() <= kMaxDigits && Digits::onlyAscii(text); }

bool isPair(const QString &text)
{
    const qsizetype dash = text.indexOf(QLatin1Char('-'));
    if (dash < 0)
        return false;
    const QString latest = text.mid(dash + 1);
    return isCount(text.left(dash)) && (latest.isEmpty() || isCount(latest));
}

Reading GetIndex(const QString &page)
{
    const QStringList parts = page.split(QStringLiteral("<p d="));
    if (parts.size() < 3) {
        // Only the service's own data page may say "no data"; an error page
        // or an empty answer says nothing at all.
        return page.contains(QLatin1String("id=\"data\""), Qt::CaseInsensitive) ? Reading{Reading::Kind::NoData, {}}
                                                                                : unreadable();
    }
    qint64 sum = 0;
    QString latest;
    for (int i = 1; i < parts.size(); ++i) {
        const QString day = M_base::GetBetween(parts.at(i), QStringLiteral("p1=\""), QStringLiteral("\"")).trimmed();
        if (!isCount(day))
            return unreadable();
        sum += day.toLongLong();
        if (i == 30)
            latest = QString::number(day.toLongLong());
    }
    // Thirty days, whatever the page holds.
    return figures(QString::number(roundHalfEven(double(sum) / 30.0)) + QLatin1Char('-') + latest);
}

std::optional<qint64> provinceTotal(const QString &page)
{
    qint64 total = 0;
    int entries = 0;
    const QStringList parts = page.split(QStringLiteral("data="));
    for (int i = 1; i < parts.size(); ++i) {
        if (parts.at(i).isEmpty())
            continue;
        const QString value = M_base::GetBetween(parts.at(i), QStringLiteral("\""), QStringLiteral("\"")).trimmed();
        if (!isCount(value))
            return std::nullopt;
        total += value.toLongLong();
        ++entries;
    }
    if (entries == 0)
        return std::nullopt;
    return total;
}

qint64 scaleProvinceTotal(qint64 total)
{
    static const struct {
        qint64 below;
        double factor;
    } bands[] = {{100, 2.1}, {200, 1.9}, {300, 1.8}, {400, 1.7}, {500, 1.6},
                 {600, 1.4}, {700, 1.3}, {800, 1.2}, {900, 1.1}, {1000, 1.05}};
    for (const auto &band : bands) {
        if (total < band.below)
            return roundHalfEven(double(total) * band.factor);
    }
    return total;
}

Reading GetMonthIndex(const QString &page)
{
    const std::optional<qint64> total = provinceTotal(page);
    if (!total)
        return unreadable();
    return figures(QString::number(scaleProvinceTotal(*total)) + QStringLiteral("-0"));
}

std::optional<QString> figuresAnswer(const QString &answer)
{
    const QString pair = answer.trimmed();
    return isPair(pair) ? std::optional<QString>(pair) : std::nullopt;
}

QString GetMonthstr(const QDate &today)
{
    const QDate previous = today.addMonths(-1);
    return previous.toString(QStringLiteral("yyyyMM")) + QLatin1Char('|') + today.toString(QStringLiteral("yyyyMM"));
}

Reading searchCount(const QString &page)
{
    const QString start = QStringLiteral("找到相关网页");
    if (!page.contains(start)) {
        // Baidu's own no-result page is a real 0; any other page is no count.
        if (page.contains(QStringLiteral("没有找到")) && page.contains(QStringLiteral("相关的网页")))
            return figures(QStringLiteral("0"));
        return unreadable();
    }
    QString count = M_base::GetBetween(page, start, QStringLiteral("篇"));
    count.remove(QStringLiteral("约"));
    count.remove(QLatin1Char(','));
    count = count.trimmed();
    if (!isCount(count))
        return unreadable();
    return figures(QString::number(count.toLongLong()));
}

QString pairValue(const QString &part)
{
    const QString t = part.trimmed();
    return isCount(t) ? QString::number(t.toLongLong()) : QStringLiteral("0");
}

QStringList splitPair(const QString &pair)
{
    const QStringList parts = pair.split(QLatin1Char('-'));
    return {parts.value(0), parts.value(1)};
}

QString optimisationIndex(const QString &volumeCell, const QString &countCell)
{
    const QString volumeText = volumeCell.trimmed();
    const QString countText = countCell.trimmed();
    // Only counts make an index: "-", an empty cell or a failure text do not.
    if (!isCount(volumeText) || !isCount(countText) || countText.toLongLong() == 0)
        return QStringLiteral("0");
    const double volume = double(volumeText.toLongLong());
    const double count = double(countText.toLongLong());
    const double ratio = volume / count * 10000.0;
    return GetSeoZs(QString::number(ratio, 'g', QLocale::FloatingPointShortest));
}

QString GetSeoZs(const QString &text)
{
    const QString t = text.trimmed();
    double value = 0;
    bool ok = false;
    if (t.contains(QLatin1Char('e'), Qt::CaseInsensitive)) {
        // Exponent forms (very small or very large ratios) are read whole.
        value = t.toDouble(&ok);
    } else {
        const QStringList parts = t.split(QLatin1Char('.'));
        if (parts.size() == 2)
            value = QString(parts.at(0) + QLatin1Char('.') + parts.at(1).left(2)).toDouble(&ok);
        else
            value = t.toDouble(&ok);
    }
    if (!ok || !std::isfinite(value))
        return QStringLiteral("0");
    // Four decimals, written without trailing zeros; kept in floating point
    // so that no ratio can wrap around a whole-number type.
    QString out = QString::number(std::nearbyint(value * 10000.0) / 10000.0, 'f', 4);
    while (out.endsWith(QLatin1Char('0')))
        out.chop(1);
    if (out.endsWith(QLatin1Char('.')))
        out.chop(1);
    return out == u"-0" ? QStringLiteral("0") : out;
}

} // namespace BaiduPages
