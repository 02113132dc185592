#pragma once

#include <QString>
#include <QVector>

// What the program knows of the advertising service's keyword tool page:
// its address, the ids of the elements it drives and the rules that read
// the results area.
namespace KeywordToolPage {

inline constexpr int kMaxRows = 200;

QString path(); // "/select/KeywordToolExternal"
QString captchaId();
QString keywordId();
QString captchaAnswerId();
QString searchButtonId();
QString resultsId();

struct Row {
    QString keyword;
    QString position;    // estimated ad position
    QString cost;        // estimated cost per click
    QString competition; // computed from the indicator bars
    QString volume;      // global monthly searches
};

// The results area's markup as the rules read it: lower case, and attribute
// values without quotes where they need none. The browser engine quotes
// every attribute when it serialises a document; the markers were made for
// markup that does not.
QString normalise(const QString &innerHtml);

// Whether the (normalised) results area holds the answer: any result row
// while the list is empty; with rows listed, a first result whose keyword
// differs from `firstListed`.
bool resultsReady(const QString &html, const QString &firstListed, bool listEmpty);
// Keyword of the first result row, or empty.
QString firstKeyword(const QString &html);
// The result rows in page order, at most kMaxRows.
QVector<Row> rows(const QString &html);
// One row piece (the text after a "<td class=c0").
Row row(const QString &piece);

// The competition cell of a row piece: one bar is "100%(非常激烈)"; two bars
// of widths w1 and w2 give w1 x 100 / (w1 + w2) rounded to even with its band.
// Empty when there is no bar, the widths are not whole numbers or both are 0.
QString competition(const QString &piece);
QString competitionText(int w1, int w2);

} // namespace KeywordToolPage
