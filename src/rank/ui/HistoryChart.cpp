#include "rank/ui/HistoryChart.h"

#include <QGraphicsLayout>
#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

namespace {

QColor engineColour(Engine e)
{
    switch (e) {
    case Engine::Google: return QColor(QStringLiteral("#4285f4"));
    case Engine::Yahoo: return QColor(QStringLiteral("#6001d2"));
    case Engine::Bing: break;
    }
    return QColor(QStringLiteral("#008373"));
}

QColor hostColour(int n)
{
    static const char *const palette[] = {"#e8710a", "#d93025", "#9334e6", "#188038", "#f9ab00", "#12b5cb"};
    return QColor(QLatin1String(palette[n % int(std::size(palette))]));
}

qreal msecs(const QDate &d) { return qreal(d.startOfDay().toMSecsSinceEpoch()); }

} // namespace

HistoryChart::HistoryChart(QWidget *parent)
    : QChartView(parent)
{
    setObjectName(QStringLiteral("historyChart"));
    setRenderHint(QPainter::Antialiasing);
    setMinimumHeight(180);
    clearHistory();
}

void HistoryChart::clearHistory()
{
    auto *chart = new QChart;
    chart->setTitle(QStringLiteral("点击收藏查看排名走势"));
    chart->legend()->hide();
    QChart *old = this->chart();
    setChart(chart);
    delete old;
}

void HistoryChart::showHistory(const QString &title, const QVector<HistorySeries::Series> &series, int depth,
                               const QVector<HistorySeries::CompetitorSeries> &competitors)
{
    auto *chart = new QChart;
    chart->setTitle(title);
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setBackgroundRoundness(0);
    QFont small = chart->titleFont();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    chart->setTitleFont(small);
    chart->legend()->setFont(small);
    chart->legend()->setAlignment(Qt::AlignBottom);

    auto *x = new QDateTimeAxis;
    x->setFormat(QStringLiteral("MM-dd"));
    x->setLabelsFont(small);
    auto *y = new QValueAxis;
    y->setReverse(true);
    y->setRange(1, notFoundLevel(depth) + 1);
    y->setLabelFormat(QStringLiteral("%d"));
    y->setLabelsFont(small);
    y->setTickCount(6);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);

    QDate first, last;
    const auto attach = [&](QXYSeries *s, bool inLegend) {
        chart->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
        for (QLegendMarker *m : chart->legend()->markers(s))
            m->setVisible(inLegend);
    };
    for (const HistorySeries::Series &engineSeries : series) {
        const QColor colour = engineColour(engineSeries.engine);
        const QString label = engineLabel(engineSeries.engine);
        auto *found = new QScatterSeries;
        found->setName(label);
        found->setColor(colour);
        found->setBorderColor(colour);
        found->setMarkerSize(7);
        auto *missing = new QScatterSeries;
        missing->setName(label + QStringLiteral(" 未找到"));
        missing->setColor(colour);
        missing->setBorderColor(colour);
        missing->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
        missing->setMarkerSize(6);
        // A line joins found positions only; a "not found" day breaks it.
        QLineSeries *segment = nullptr;
        for (const HistorySeries::Point &p : engineSeries.points) {
            if (!first.isValid() || p.date < first)
                first = p.date;
            if (!last.isValid() || p.date > last)
                last = p.date;
            if (p.position <= 0) {
                missing->append(msecs(p.date), notFoundLevel(depth));
                segment = nullptr;
                continue;
            }
            found->append(msecs(p.date), p.position);
            if (!segment) {
                segment = new QLineSeries;
                segment->setColor(colour);
                attach(segment, false);
            }
            segment->append(msecs(p.date), p.position);
        }
        attach(found, true);
        attach(missing, false);
    }
    QStringList hosts;
    for (const HistorySeries::CompetitorSeries &line : competitors) {
        if (!hosts.contains(line.host))
            hosts.append(line.host);
        QPen pen(hostColour(int(hosts.indexOf(line.host))));
        pen.setStyle(Qt::DashLine);
        pen.setWidthF(1.5);
        QLineSeries *segment = nullptr;
        bool named = false;
        for (const HistorySeries::Point &p : line.points) {
            if (!first.isValid() || p.date < first)
                first = p.date;
            if (!last.isValid() || p.date > last)
                last = p.date;
            if (p.position <= 0 || p.position > depth) {
                segment = nullptr;
                continue;
            }
            if (!segment) {
                segment = new QLineSeries;
                segment->setPen(pen);
                segment->setPointsVisible(true);
                segment->setName(line.host + QStringLiteral(" (") + engineLabel(line.engine) + u')');
                attach(segment, !named);
                named = true;
            }
            segment->append(msecs(p.date), p.position);
        }
    }
    if (first.isValid()) {
        // One day either side, so a single day is not squeezed to the edge.
        x->setRange(first.addDays(-1).startOfDay(), last.addDays(1).startOfDay());
        x->setTickCount(int(std::min<qint64>(first.daysTo(last) + 3, 5)));
    }
    // Squares in the band below the deepest position are days the site was not found.
    chart->setToolTip(QStringLiteral("底部方块表示当天未找到；空缺表示当天没有查询结果。"));
    QChart *old = this->chart();
    setChart(chart);
    delete old;
}
