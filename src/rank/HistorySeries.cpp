#include "rank/HistorySeries.h"

#include "rank/RankFormats.h"

#include <QMap>

namespace HistorySeries {

QVector<Series> build(const QVector<FavouriteStore::DayFile> &days)
{
    // Engine -> date -> best position (0 while only "not found" was seen).
    std::array<QMap<QDate, int>, 3> byEngine;
    for (const FavouriteStore::DayFile &day : days) {
        const QDate date = QDate::fromString(day.date, QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid())
            continue;
        for (const QString &text : day.lines) {
            const auto answer = RankFormats::answerOf(text);
            if (!answer)
                continue; // "-" or damage: no answer that day
            const int position = answer->position;
            QMap<QDate, int> &points = byEngine[engineIndex(answer->engine)];
            const auto it = points.find(date);
            if (it == points.end())
                points.insert(date, position);
            else if (position > 0 && (it.value() == 0 || position < it.value()))
                it.value() = position;
        }
    }
    QVector<Series> out;
    for (Engine e : kEngines) {
        const QMap<QDate, int> &points = byEngine[engineIndex(e)];
        if (points.isEmpty())
            continue;
        Series s{e, {}};
        for (auto it = points.cbegin(); it != points.cend(); ++it)
            s.points.append({it.key(), it.value()});
        out.append(s);
    }
    return out;
}

QVector<CompetitorSeries> competitors(const QVector<ResultsHistory::Day> &days, const QStringList &hosts)
{
    QVector<CompetitorSeries> out;
    for (const QString &host : hosts) {
        for (Engine e : kEngines) {
            CompetitorSeries s{host, e, {}};
            for (const ResultsHistory::Day &day : days) {
                const QDate date = QDate::fromString(day.date, QStringLiteral("yyyy-MM-dd"));
                const std::optional<int> position = ResultsHistory::positionOf(day, host);
                if (day.engine == e && date.isValid() && position)
                    s.points.append({date, *position});
            }
            if (!s.points.isEmpty())
                out.append(s);
        }
    }
    return out;
}

} // namespace HistorySeries
