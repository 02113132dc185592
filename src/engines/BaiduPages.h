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

// Figures come from pages anyone may serve: only plain digits of a sane
// length count ("-100", "1e9", "nan", a cut tag or megabytes of digits do
// not), so a hostile or broken page can never become a figure.
constexpr int kMaxDigits = 12;
bool isCount(const QString &text);
// "digits-digits"; the latest day may be empty (fewer than 30 days known).
bool isPair(const QString &text);

// What one page of figures came to.
struct Reading {
    enum class Kind {
        Figures,    // `value` holds the pair or the count
        NoData,     // a real page of the service that holds no figures
        Unreadable, // not such a page, or a value that is not a count
    };
    Kind kind = Kind::Unreadable;
    QString value;
    bool hasFigures() const { return kind == Kind::Figures; }
};

// The daily index data: the average of the day values over 30 days (ties to
// even) and the 30th day as the latest day (empty with fewer entries).
// NoData when the data page holds fewer than two day entries.
Reading GetIndex(const QString &page);

// Sum of the "data=" entries of the province data (nothing when one of them
// is not a count), then the scale of the low totals (ties to even).
std::optional<qint64> provinceTotal(const QString &page);
qint64 scaleProvinceTotal(qint64 total);
// The pair from province data. Its latest day is not known: "0".
Reading GetMonthIndex(const QString &page);

// The figures service's answer to an ask: the pair, or nothing when the
// answer is empty or not a pair (an error page, "nan-inf", ...).
std::optional<QString> figuresAnswer(const QString &answer);

// Previous and current month as "yyyyMM|yyyyMM".
QString GetMonthstr(const QDate &today);

// Page count of a Baidu web search page, digits only; "0" on Baidu's
// no-result page; Unreadable for any other page or a count that is not one.
Reading searchCount(const QString &page);

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
