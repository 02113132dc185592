#pragma once

#include "common/Engine.h"
#include "store/FavouriteStore.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

class ResultList;

// How a favourite's answers moved since its previous day file: one change
// per engine whose position moved, that was found or lost, whose ranking
// link changed, or whose scan failed. A failed scan is never "lost", and a
// day on which the engine failed (its line missing from the day file) is no
// position either: the comparison goes back to the last day that answered.
namespace RankChanges {

enum class Kind { Up, Down, EnteredTop, LeftTop, Found, Lost, UrlChanged, Failed };

// One engine's answer of a day: its best position (0 = not within the
// depth) and the link found there. No value: the scan failed.
struct Answer {
    int position = 0;
    QString link;
};
using DayAnswers = std::array<std::optional<Answer>, 3>;

struct Change {
    QString favouriteKey;
    QString site;
    QString keyword;
    Engine engine = Engine::Google;
    QString date;         // the day of the new answer
    QString previousDate; // the day compared with; empty when none answered
    std::optional<int> previous;
    QString previousLink;
    std::optional<int> current; // none: the scan failed
    QString link;
    Kind kind = Kind::Up;
    int top = 0; // 10, 20 or 50 for EnteredTop / LeftTop
    // Hosts that stand above the site now and did not on the previous day
    // (filled when the organic results of both days are known).
    QStringList hostsAbove;

    // Places gained (positive) or lost (negative); none unless both days
    // have the site within the depth.
    std::optional<int> change() const;
    // The link when it differs from the previous day's; empty otherwise.
    QString changedLink() const;
};

// "up", "down", "entered top 10", "left top 20", "found", "lost",
// "url changed", "failed".
QString kindText(const Change &c);
// The same as the window says it: "上升", "进入前10", ...
QString kindCaption(const Change &c);
// "↑3", "↓2", "上榜", "掉出", "网址变化", "查询失败": the mark beside a favourite.
QString mark(const Change &c);
// The tray message after a run: a line per change ("site  keyword
// Google：5 → 3 上升"), at most `lines` of them, then how many there are.
QString summary(const QList<Change> &changes, int lines = 5);
// Whether the change is good news, bad news or neither (a changed link, a failure).
enum class Tone { Neutral, Better, Worse, Failed };
Tone tone(const Change &c);

// Positions and links of one day file's lines (label|position|link). With
// all matches an engine has several lines: the best position counts. An
// engine without a readable line has no answer.
DayAnswers answersOfLines(const QStringList &lines);

// The answers of one finished pair in a rank run's result list: the engine
// rows after `headerRow` up to the next header. An engine with any failed
// row failed (its list of positions is not whole).
DayAnswers answersOfRows(const ResultList &result, int headerRow);
// Which engines the pair's rows asked.
std::array<bool, 3> enginesOfRows(const ResultList &result, int headerRow);

// "Who replaced me": the hosts above the site on the change's day that were
// not above it on its previous day; empty when the organic results of
// either day were not kept.
using ReplacedBy = std::function<QStringList(const Change &change)>;
// Asks `replacedBy` for every fall (down, left a top, lost) and keeps its
// answer in the change. Called once the run's files are all on disk.
void nameReplacements(QList<Change> &changes, const ReplacedBy &replacedBy);

struct Input {
    QString favouriteKey;
    QString site;
    QString keyword;
    QString date;                             // the day of `today`
    std::array<bool, 3> asked{};              // engines the run asked
    DayAnswers today;                         // their answers
    QVector<FavouriteStore::DayFile> history; // the favourite's day files, oldest first
};

// The input of one finished favourite pair of a run: its rows in `result`
// and the favourite's day files.
Input pairInput(const QString &favouriteKey, const ResultList &result, int headerRow, const FavouriteStore &store);

class Comparer
{
public:
    // Moves smaller than `minChange` places are not reported; found, lost,
    // failed and a changed link always are.
    explicit Comparer(int minChange = 1)
        : m_minChange(minChange)
    {
    }

    QList<Change> compare(const Input &in) const;

    // The latest day before `date` on which `e` answered; none when there is none.
    static std::optional<std::pair<QString, Answer>> previousAnswer(const QVector<FavouriteStore::DayFile> &history,
                                                                    Engine e, const QString &date);

private:
    int m_minChange;
};

} // namespace RankChanges
