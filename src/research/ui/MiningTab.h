#pragma once

#include "common/Engine.h"
#include "common/ui/FeatureTab.h"
#include "research/BaiduTools.h"
#include "research/RelatedMiner.h"

#include <QUrl>
#include <functional>

class AppContext;
class FilterFrame;
class QCheckBox;
class QLineEdit;
class QMenu;
class QPushButton;
class ResultListView;

// Tab 0 "相关关键词查询": related-keyword mining with counts and its filter.
// The run itself is RelatedMiner's; the tab wires widgets to it and reads
// its options from the boxes at each use.
class MiningTab : public FeatureTab
{
    Q_OBJECT
public:
    explicit MiningTab(AppContext &context, QWidget *parent = nullptr);

    RelatedMiner &miner() { return *m_miner; }
    MiningOptions currentOptions() const;

    BaiduTools &baiduTools() { return *m_baidu; }

    // The keyword context menu, or nullptr while a job runs or the list is
    // empty. The caller owns the menu.
    QMenu *createContextMenu();
    // The Baidu tools on the selected row (what the menu's entries run).
    QString selectedKeyword() const;
    BaiduTools::Outcome requerySelected();
    void openBaiduIndex();
    void openBaiduSearch();

private:
    void onStart();
    void onStateChanged(RelatedMiner::State state);
    void onDelete();
    void onRestore();
    void onFilter();
    void onAddToDatabase();
    void onBoxToggled();
    void onSeedEdited(const QString &text);
    void showContextMenu(const QPoint &pos);

    void openAddress(const QString &address);

    AppContext &m_context;
    RelatedMiner *m_miner;
    BaiduTools *m_baidu;
    QLineEdit *m_seed;
    QPushButton *m_start;
    QCheckBox *m_mustContain;
    QCheckBox *m_exclude;
    QLineEdit *m_excludeWords;
    QCheckBox *m_engineBoxes[3];
    QCheckBox *m_store;
    ResultListView *m_view;
    FilterFrame *m_filter;
    QPushButton *m_delete;
    QPushButton *m_addToDb;
    bool m_seedFailureSaid = false;
};
