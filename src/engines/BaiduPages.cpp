#include "engines/BaiduPages.h"

#include "web/M_base.h"

#include <QStringList>
#include <QUrl>
#include <cmath>

namespace BaiduPages {
namespace {

QString utf8Query(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

// A 32-bit whole number, as the figures are counted; nothing otherwise.
std::optional<qint32> wholeNumber(const QString &text)
{
    bool ok = false;
    const qint32 v = text.trimmed().toInt(&ok);
    return ok ? std::optional<qint32>(v) : std::nullopt;
}

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
           + QStringLiteral("&area=0&word=") + M_base::UrlEncode(keyword.trimmed().toLower())
           + QStringLiteral("&index=1");
}

QString wordPagePath(const QString &keyword)
{
    return QStringLiteral("/main/word.php?word=") + M_base::UrlEncode(keyword.trimmed());
}

QString searchPath(const QString &keyword)
{
    return QStringLiteral("/s?wd=") + M_base::UrlEncode(keyword.trimmed());
}

QString figuresAskPath(const QString &keyword)
{
    return QStringLiteral("/kw.asp?kw=") + utf8Query(keyword);
}

QString figuresReportPath(const QString &pair, const QString &keyword, const QString &parent)
{
    return QStringLiteral("/kw.asp?nums=") + utf8Query(pair) + QStringLiteral("&kw=") + utf8Query(keyword)
           + QStringLiteral("&parents=") + utf8Query(parent);
}

std::optional<QString> GetIndex(const QString &page)
{
    if (page.isEmpty())
        return std::nullopt;
    const QStringList parts = page.split(QStringLiteral("<p d="));
    if (parts.size() < 3)
        return std::nullopt;
    qint64 sum = 0;
    QString latest;
    for (int i = 1; i < parts.size(); ++i) {
        const qint32 day = wholeNumber(M_base::GetBetween(parts.at(i), QStringLiteral("p1=\""),
                                                          QStringLiteral("\""))).value_or(0);
        sum += day;
        if (i == 30)
            latest = QString::number(day);
    }
    // Thirty days, whatever the page holds.
    return QString::number(roundHalfEven(double(sum) / 30.0)) + QLatin1Char('-') + latest;
}

qint64 provinceTotal(const QString &page)
{
    qint64 total = 0;
    const QStringList parts = page.split(QStringLiteral("data="));
    for (int i = 1; i < parts.size(); ++i) {
        if (parts.at(i).isEmpty())
            continue;
        total += wholeNumber(M_base::GetBetween(parts.at(i), QStringLiteral("\""), QStringLiteral("\""))).value_or(0);
    }
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

QString GetMonthIndex(const QString &page)
{
    return QString::number(scaleProvinceTotal(provinceTotal(page))) + QStringLiteral("-0");
}

QString GetMonthstr(const QDate &today)
{
    const QDate previous = today.addMonths(-1);
    return previous.toString(QStringLiteral("yyyyMM")) + QLatin1Char('|') + today.toString(QStringLiteral("yyyyMM"));
}

QString searchCount(const QString &page)
{
    QString count = M_base::GetBetween(page, QStringLiteral("找到相关网页"), QStringLiteral("篇"));
    count.remove(QStringLiteral("约"));
    count.remove(QLatin1Char(','));
    count = count.trimmed();
    return count.isEmpty() ? QStringLiteral("0") : count;
}

QString pairValue(const QString &part)
{
    bool ok = false;
    const double v = part.trimmed().toDouble(&ok);
    if (!ok || v == 0)
        return QStringLiteral("0");
    return part.trimmed();
}

QStringList splitPair(const QString &pair)
{
    const QStringList parts = pair.split(QLatin1Char('-'));
    return {parts.value(0), parts.value(1)};
}

QString optimisationIndex(const QString &volumeCell, const QString &countCell)
{
    const auto isBlank = [](const QString &c) { return c.trimmed().isEmpty() || c.trimmed() == u"-"; };
    if (isBlank(volumeCell) || isBlank(countCell))
        return QStringLiteral("0");
    bool countOk = false;
    const double count = countCell.trimmed().toDouble(&countOk);
    if (!countOk || count == 0)
        return QStringLiteral("0");
    bool volumeOk = false;
    const double volume = double(volumeCell.trimmed().toLongLong(&volumeOk));
    if (!volumeOk)
        return QStringLiteral("0");
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
    // Four decimals, written without trailing zeros.
    QString out = QString::number(double(roundHalfEven(value * 10000.0)) / 10000.0, 'f', 4);
    while (out.endsWith(QLatin1Char('0')))
        out.chop(1);
    if (out.endsWith(QLatin1Char('.')))
        out.chop(1);
    return out == u"-0" ? QStringLiteral("0") : out;
}

} // namespace BaiduPages
