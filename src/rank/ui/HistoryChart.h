#pragma once

#include "rank/HistorySeries.h"

#include <QtCharts/QChartView>

// A favourite's positions day by day, one line per engine. Position 1 is at
// the top; a day on which the site was not found is a cross in a band below
// the deepest position (never a rank), and a day without an answer is a gap.
class HistoryChart : public QChartView
{
    Q_OBJECT
public:
    explicit HistoryChart(QWidget *parent = nullptr);

    // `depth`: the deepest position the favourite scans (10, 20 or 50).
    // Competitors are dashed lines, one colour per host; a day they were not
    // listed breaks their line.
    void showHistory(const QString &title, const QVector<HistorySeries::Series> &series, int depth,
                     const QVector<HistorySeries::CompetitorSeries> &competitors = {});
    void clearHistory();

    // Where a "not found" day is drawn.
    static double notFoundLevel(int depth) { return depth + 4; }
};
