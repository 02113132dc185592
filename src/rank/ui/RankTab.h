#pragma once

#include "common/ui/FeatureTab.h"
#include "rank/HistorySeries.h"
#include "rank/RankTracker.h"

#include <QUrl>
#include <functional>

class AppContext;
class HistoryChart;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;
class RankListView;

// Tab 3 "关键词排名查询": the site and keyword lists, the engines and rank
// options, the run and its result list, and a secondary tab strip with the
// recent queries and the favourites (with their history chart). The logic
// is RankTracker's; the tab wires widgets to it.
class RankTab : public FeatureTab
{
    Q_OBJECT
public:
    explicit RankTab(AppContext &context, QWidget *parent = nullptr);

    void activated() override;

    RankTracker &tracker() { return *m_tracker; }

    // A double click on a result row.
    void openResultRow(int row);

private:
    QWidget *buildListBox(const QString &name, RankListView *view, bool sites);
    QWidget *buildRecentPage();
    QWidget *buildFavouritePage();
    void syncOptions();
    void onStart();
    void onFavouriteClicked(int row);
    void drawHistory();

    AppContext &m_context;
    RankTracker *m_tracker;
    QTabWidget *m_secondary;
    QPushButton *m_start;
    QComboBox *m_depth;
    QComboBox *m_mode;
    QCheckBox *m_all;
    RankListView *m_siteView;
    RankListView *m_keywordView;
    RankListView *m_engineView;
    RankListView *m_resultView;
    RankListView *m_recentView;
    RankListView *m_favouriteView;
    HistoryChart *m_chart;
    // Beside the chart: the hosts above the site on the latest day, each a
    // line on the chart when ticked.
    QListWidget *m_competitors;
    struct Shown {
        QString title;
        QVector<HistorySeries::Series> series;
        QVector<ResultsHistory::Day> days;
        int depth = 0;
    } m_shown;
    bool m_siteJustTicked = false;
};
