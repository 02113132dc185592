#pragma once

#include "common/Engine.h"
#include "common/ui/FeatureTab.h"
#include "keyworddb/KeywordImport.h"

#include <QElapsedTimer>

class AppContext;
class DatabaseRefresh;
class FilterFrame;
class KeywordDatabase;
class KeywordImportRun;
class QCheckBox;
class QGroupBox;
class QMenu;
class QPushButton;
class ResultListView;

// Tab 4 "关键词数据库": the stored keywords, their refresh and filter. The
// lists and the refresh run live in KeywordDatabase and DatabaseRefresh; the
// tab only wires widgets to them.
class KeywordDbTab : public FeatureTab
{
    Q_OBJECT
public:
    explicit KeywordDbTab(AppContext &context, QWidget *parent = nullptr);
    // Loads the table when the database list is empty.
    void activated() override;

    KeywordDatabase &database() { return *m_database; }
    DatabaseRefresh &refresh() { return *m_refresh; }
    // The database list's context menu; its "导入" is off while a job runs
    // or a refresh is parked on the list.
    QMenu *createContextMenu();
    // "导入": asks for a keyword file, then adds the keywords the table lacks
    // off the window's thread and shows the table again when it is done.
    void importKeywords();
    KeywordImportRun &importRun() { return *m_import; }
    // Tables with more rows than this load off the window's thread (the
    // window stays usable; the list's actions wait for the load).
    void setBackgroundLoadAbove(int rows) { m_backgroundAbove = rows; }

private:
    // An import quicker than this leaves the status bar alone.
    static constexpr int kQuietImportMs = 1000;

    // "刷新数据库", also on a visit that finds the list empty or stale.
    void reload();
    void onUpdateClicked();
    void showRefreshState();
    void showLoadProgress(int rows);
    void loadFinished(bool ok, const QString &error);
    void showImportProgress(qsizetype done, qsizetype total);
    void importFinished(const KeywordImport::Outcome &outcome);
    void showContextMenu(const QPoint &pos);

    AppContext &m_context;
    KeywordDatabase *m_database;
    DatabaseRefresh *m_refresh;
    KeywordImportRun *m_import;
    QString m_importPath;
    QElapsedTimer m_importClock;
    bool m_importShown = false; // the status bar shows an import's progress
    ResultListView *m_view;
    FilterFrame *m_filter;
    QPushButton *m_delete;
    QPushButton *m_reload;
    QGroupBox *m_refreshFrame;
    QPushButton *m_update;
    QCheckBox *m_engineBoxes[3];
    QWidget *m_export;
    int m_backgroundAbove = 20000;
    bool m_loadShown = false; // the status bar shows a load's progress
};
