#include "rank/FavouriteList.h"

#include <algorithm>

FavouriteList::FavouriteList(const QStringList &headers, QObject *parent)
    : RankList(headers, false, parent)
{
}

void FavouriteList::setChanges(const QList<RankChanges::Change> &changes)
{
    m_changes.clear();
    for (const RankChanges::Change &c : changes)
        m_changes[c.favouriteKey].append(c);
    if (count() > 0)
        Q_EMIT dataChanged(index(0, 0), index(count() - 1, columnCount() - 1));
}

QString FavouriteList::markOf(const QString &key) const
{
    const QList<RankChanges::Change> changes = m_changes.value(key);
    const bool severalEngines = std::any_of(changes.begin(), changes.end(), [&](const RankChanges::Change &c) {
        return c.engine != changes.first().engine;
    });
    QStringList marks;
    for (const RankChanges::Change &c : changes)
        // The engine's initial, as on its icon: the column is narrow and
        // whole labels pushed the marks out of sight.
        marks << (severalEngines ? engineLabel(c.engine).left(1) : QString()) + RankChanges::mark(c);
    return marks.join(QLatin1Char(' '));
}

RankChanges::Tone FavouriteList::toneOf(const QString &key) const
{
    // Bad news first: one engine's fall must not hide behind another's rise.
    bool better = false;
    bool failed = false;
    for (const RankChanges::Change &c : m_changes.value(key)) {
        switch (RankChanges::tone(c)) {
        case RankChanges::Tone::Worse: return RankChanges::Tone::Worse;
        case RankChanges::Tone::Better: better = true; break;
        case RankChanges::Tone::Failed: failed = true; break;
        case RankChanges::Tone::Neutral: break;
        }
    }
    if (better)
        return RankChanges::Tone::Better;
    return failed ? RankChanges::Tone::Failed : RankChanges::Tone::Neutral;
}

QVariant FavouriteList::data(const QModelIndex &index, int role) const
{
    const bool first = index.isValid() && index.row() < count() && index.column() == 0;
    if (role == ChangeMarkRole)
        return first ? QVariant(markOf(row(index.row()).tag)) : QVariant();
    if (role == ChangeToneRole)
        return first ? QVariant(int(toneOf(row(index.row()).tag))) : QVariant();
    if (role == Qt::ToolTipRole && first) {
        QStringList lines{row(index.row()).text};
        for (const RankChanges::Change &c : m_changes.value(row(index.row()).tag)) {
            const auto pos = [](const std::optional<int> &p) { return p ? QString::number(*p) : QStringLiteral("-"); };
            lines << QStringLiteral("%1：%2 → %3 %4")
                         .arg(engineLabel(c.engine), pos(c.previous), pos(c.current), RankChanges::kindCaption(c));
        }
        return lines.join(QLatin1Char('\n'));
    }
    return RankList::data(index, role);
}
