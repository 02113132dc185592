#include "rank/RankChanges.h"

#include "common/ResultList.h"
#include "rank/RankFormats.h"

#include <QDate>

namespace RankChanges {

namespace {

constexpr std::array<int, 3> kTops{10, 20, 50};

// The better of two answers of one engine on one day: a real position beats
// "not found", a smaller one a larger one; the first seen wins a tie.
void keepBest(std::optional<Answer> &slot, int position, const QString &link)
{
    if (!slot || (position > 0 && (slot->position == 0 || position < slot->position)))
        slot = Answer{position, link};
}

// An engine row without a position is a scan that got no answer, whatever
// its link cell says of why ("查询失败", an unreadable or blocked page).
bool isFailedRow(const ResultList &result, int r)
{
    bool ok = false;
    const int position = result.cell(r, 1).toInt(&ok);
    return !ok || position < 0;
}

} // namespace

std::optional<int> Change::change() const
{
    if (!previous || !current || *previous == 0 || *current == 0)
        return std::nullopt;
    return *previous - *current;
}

QString Change::changedLink() const { return current && link != previousLink ? link : QString(); }

QString kindText(const Change &c)
{
    switch (c.kind) {
    case Kind::Up: return QStringLiteral("up");
    case Kind::Down: return QStringLiteral("down");
    case Kind::EnteredTop: return QStringLiteral("entered top %1").arg(c.top);
    case Kind::LeftTop: return QStringLiteral("left top %1").arg(c.top);
    case Kind::Found: return QStringLiteral("found");
    case Kind::Lost: return QStringLiteral("lost");
    case Kind::UrlChanged: return QStringLiteral("url changed");
    case Kind::Failed: return QStringLiteral("failed");
    }
    return {};
}

QString kindCaption(const Change &c)
{
    switch (c.kind) {
    case Kind::Up: return QStringLiteral("上升");
    case Kind::Down: return QStringLiteral("下降");
    case Kind::EnteredTop: return QStringLiteral("进入前%1").arg(c.top);
    case Kind::LeftTop: return QStringLiteral("跌出前%1").arg(c.top);
    case Kind::Found: return QStringLiteral("上榜");
    case Kind::Lost: return QStringLiteral("掉出");
    case Kind::UrlChanged: return QStringLiteral("网址变化");
    case Kind::Failed: return QStringLiteral("查询失败");
    }
    return {};
}

QString mark(const Change &c)
{
    const std::optional<int> d = c.change();
    switch (c.kind) {
    case Kind::Up:
    case Kind::Down:
    case Kind::EnteredTop:
    case Kind::LeftTop:
        if (d)
            return (*d > 0 ? QStringLiteral("↑") : QStringLiteral("↓")) + QString::number(std::abs(*d));
        return {};
    case Kind::Found:
    case Kind::Lost:
    case Kind::UrlChanged:
    case Kind::Failed: return kindCaption(c);
    }
    return {};
}

QString summary(const QList<Change> &changes, int lines)
{
    const auto pos = [](const std::optional<int> &p) { return p ? QString::number(*p) : QStringLiteral("-"); };
    QStringList out;
    for (const Change &c : changes) {
        if (out.size() == lines)
            break;
        out << QStringLiteral("%1  %2  %3：%4 → %5 %6")
                   .arg(c.site, c.keyword, engineLabel(c.engine), pos(c.previous), pos(c.current), kindCaption(c));
    }
    if (changes.size() > lines)
        out << QStringLiteral("……");
    out << QStringLiteral("共%1项排名变化").arg(changes.size());
    return out.join(QLatin1Char('\n'));
}

Tone tone(const Change &c)
{
    switch (c.kind) {
    case Kind::Up:
    case Kind::EnteredTop:
    case Kind::Found: return Tone::Better;
    case Kind::Down:
    case Kind::LeftTop:
    case Kind::Lost: return Tone::Worse;
    case Kind::UrlChanged: return Tone::Neutral;
    case Kind::Failed: return Tone::Failed;
    }
    return Tone::Neutral;
}

DayAnswers answersOfLines(const QStringList &lines)
{
    DayAnswers out;
    for (const QString &text : lines) {
        const auto answer = RankFormats::answerOf(text);
        if (!answer)
            continue; // damage: no answer from this line
        keepBest(out[engineIndex(answer->engine)], answer->position, answer->link);
    }
    return out;
}

DayAnswers answersOfRows(const ResultList &result, int headerRow)
{
    DayAnswers out;
    std::array<bool, 3> failed{false, false, false};
    for (int r = headerRow + 1; r < result.count() && !result.row(r).imageKey.isEmpty(); ++r) {
        const auto e = RankFormats::engineOfLabel(result.cell(r, 0));
        if (!e)
            continue;
        if (isFailedRow(result, r)) {
            failed[engineIndex(*e)] = true;
            continue;
        }
        keepBest(out[engineIndex(*e)], result.cell(r, 1).toInt(), result.cell(r, 2));
    }
    for (Engine e : kEngines) {
        if (failed[engineIndex(e)])
            out[engineIndex(e)].reset();
    }
    return out;
}

std::array<bool, 3> enginesOfRows(const ResultList &result, int headerRow)
{
    std::array<bool, 3> out{false, false, false};
    for (int r = headerRow + 1; r < result.count() && !result.row(r).imageKey.isEmpty(); ++r) {
        if (const auto e = RankFormats::engineOfLabel(result.cell(r, 0)))
            out[engineIndex(*e)] = true;
    }
    return out;
}

Input pairInput(const QString &favouriteKey, const ResultList &result, int headerRow, const FavouriteStore &store)
{
    Input in;
    in.favouriteKey = favouriteKey;
    in.site = result.cell(headerRow, 0);
    in.keyword = result.cell(headerRow, 1);
    in.date = result.cell(headerRow, 2);
    in.asked = enginesOfRows(result, headerRow);
    in.today = answersOfRows(result, headerRow);
    in.history = store.history(favouriteKey);
    return in;
}

std::optional<std::pair<QString, Answer>> Comparer::previousAnswer(const QVector<FavouriteStore::DayFile> &history,
                                                                   Engine e, const QString &date)
{
    // Date names sort in date order; the history comes oldest first, but a
    // folder listed in another order must not change the answer.
    std::optional<std::pair<QString, Answer>> best;
    for (const FavouriteStore::DayFile &day : history) {
        // Only files named by a date count: nothing else in the folder is a day.
        if (day.date >= date || (best && day.date <= best->first)
            || !QDate::fromString(day.date, QStringLiteral("yyyy-MM-dd")).isValid())
            continue;
        const std::optional<Answer> a = answersOfLines(day.lines)[engineIndex(e)];
        if (a)
            best = std::make_pair(day.date, *a);
    }
    return best;
}

QList<Change> Comparer::compare(const Input &in) const
{
    QList<Change> out;
    for (Engine e : kEngines) {
        if (!in.asked[engineIndex(e)])
            continue;
        Change c;
        c.favouriteKey = in.favouriteKey;
        c.site = in.site;
        c.keyword = in.keyword;
        c.engine = e;
        c.date = in.date;
        if (const auto before = previousAnswer(in.history, e, in.date)) {
            c.previousDate = before->first;
            c.previous = before->second.position;
            c.previousLink = before->second.link;
        }
        const std::optional<Answer> now = in.today[engineIndex(e)];
        if (!now) {
            c.kind = Kind::Failed;
            out.append(c);
            continue;
        }
        c.current = now->position;
        c.link = now->link;
        if (!c.previous)
            continue; // the first answer: nothing to compare with
        const int was = *c.previous;
        const int is = *c.current;
        if (was == 0 && is == 0)
            continue;
        if (was == 0) {
            c.kind = Kind::Found;
        } else if (is == 0) {
            c.kind = Kind::Lost;
        } else if (was != is && std::abs(was - is) >= m_minChange) {
            c.kind = is < was ? Kind::Up : Kind::Down;
            // The strongest statement the move makes: the tightest top it
            // entered, the widest one it left.
            for (int top : kTops) {
                if (is < was && is <= top && was > top) {
                    c.kind = Kind::EnteredTop;
                    c.top = top;
                    break;
                }
            }
            for (auto it = kTops.rbegin(); it != kTops.rend(); ++it) {
                if (is > was && was <= *it && is > *it) {
                    c.kind = Kind::LeftTop;
                    c.top = *it;
                    break;
                }
            }
        } else if (c.link != c.previousLink) {
            c.kind = Kind::UrlChanged;
        } else {
            continue;
        }
        out.append(c);
    }
    return out;
}

void nameReplacements(QList<Change> &changes, const ReplacedBy &replacedBy)
{
    for (Change &c : changes) {
        if (c.kind == Kind::Down || c.kind == Kind::LeftTop || c.kind == Kind::Lost)
            c.hostsAbove = replacedBy(c);
    }
}

} // namespace RankChanges
