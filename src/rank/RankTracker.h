#pragma once

#include "rank/Favourites.h"
#include "rank/RankChanges.h"
#include "rank/RankFormats.h"
#include "rank/RankRun.h"
#include "rank/SiteKeywordLists.h"
#include "store/FavouriteStore.h"

#include <QObject>

class AppContext;

// Everything of the rank tab that is not a widget: the site and keyword
// lists, the engine list and the rank options (`setting3`), the run with
// its result and recent-queries lists, the favourites, and the two history
// views. The tab wires its widgets to this; tests drive it directly.
class RankTracker : public QObject
{
    Q_OBJECT
public:
    explicit RankTracker(AppContext &context, QObject *parent = nullptr);

    SiteKeywordLists &lists() { return m_lists; }
    RankList &engines() { return m_engines; }
    RankRun &run() { return m_run; }
    Favourites &favourites() { return m_favourites; }
    RankList &result() { return m_run.result(); }
    RankList &recent() { return m_run.recent(); }

    int depthIndex() const { return m_depthIndex; }
    bool allMatches() const { return m_allMatches; }
    RankFormats::Options options() const;

    // The controls changed by the user: saved once start-up has finished.
    void setDepthIndex(int index);
    void setAllMatches(bool on);
    void setMode(int mode);
    void setEngineTicked(Engine e, bool ticked);

    // The tab is shown: sites, rank options (restored and saved again),
    // keywords, favourites.
    void load();
    void saveOptions();

    // "开始查询". Afterwards the favourites list marks how each favourite
    // the run answered moved since its previous day file.
    RankRun::Outcome start();
    // What the last run's favourites did (empty before any run).
    const QList<RankChanges::Change> &changes() const { return m_changes; }

    // A click on the recent-queries list / the favourites list: shows the
    // stored answers and restores the query that produced them.
    void showRecent(int row);
    // Returns the favourite's day files, oldest first (for the chart).
    QVector<FavouriteStore::DayFile> showHistory(int row);

    // The result-page address of a result row; empty for headers and
    // rows without one.
    QString resultAddress(int row) const;

    static QString engineImageKey(Engine e) { return engineKey(e); }

Q_SIGNALS:
    // Depth, all-matches or mode changed by the program (restore, views).
    void optionsChanged();
    // A run ended with favourites that moved, were found or lost, changed
    // their link or failed.
    void changesFound(const QList<RankChanges::Change> &changes);

private:
    void applyOptions(const RankFormats::Options &o);
    void tickEngines(const std::array<bool, 3> &engines);
    void appendEngineRows(const QStringList &lines);

    AppContext &m_context;
    SiteKeywordLists m_lists;
    RankList m_engines;
    RankRun m_run;
    Favourites m_favourites;
    int m_depthIndex = 1;
    bool m_allMatches = false;
    QList<RankChanges::Change> m_changes;
};
