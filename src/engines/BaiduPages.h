#pragma once

#include <QDate>
#include <QString>
#include <optional>

// What the program knows of the Baidu pages and of the keyword figures
// service: request paths and the rules that cut figures out of the answers.
// A figures pair is "volume-latest day" ("1234-1500"); "0-0" means nothing.
namespace BaiduPages {

// Keywords go into every query percent-encoded (GBK bytes, "+" for a space,
// as Baidu's own forms send them), so "&", "#" and "+" arrive as typed.
QString dailyIndexPath(const QString &keyword);
QString provincePath(const QString &monthRange, const QString &keyword);
QString wordPagePath(const QString &keyword);
QString searchPath(const QString &keyword);
// The figures service: an ask and a report (UTF-8 percent-encoding).
QString figuresAskPath(const QString &keyword);
QString figuresReportPath(const QString &pair, const QString &keyword, const QString &parent);

// The daily index data: the average of the day values over 30 days (ties to
// even) and the 30th day as the latest day (empty with fewer entries).
// Nothing when the page holds fewer than two day entries.
std::optional<QString> GetIndex(const QString &page);

// Sum of the "data=" entries of the province data, then the scale of the
// low totals (ties to even). Whole numbers that do not convert add nothing.
qint64 provinceTotal(const QString &page);
qint64 scaleProvinceTotal(qint64 total);
// The pair from province data. Its latest day is not known: "0".
QString GetMonthIndex(const QString &page);

// Previous and current month as "yyyyMM|yyyyMM".
QString GetMonthstr(const QDate &today);

// Page count of a Baidu web search page, digits only, "0" without markers.
QString searchCount(const QString &page);

// One part of a pair as a column value: "0" when zero, empty or not a number.
QString pairValue(const QString &part);
// The two parts of a pair: volume and latest day (a missing part is empty).
QStringList splitPair(const QString &pair);

// The optimisation index: volume x 10000 / page count through GetSeoZs, or
// "0" when either cell is "-" or empty, or the count is not a non-zero number.
QString optimisationIndex(const QString &volumeCell, const QString &countCell);
// The index text: two decimals cut off (not rounded), held to four decimals.
QString GetSeoZs(const QString &text);

// Rounds half to even, the way the figures are rounded everywhere here.
qint64 roundHalfEven(double value);

} // namespace BaiduPages
