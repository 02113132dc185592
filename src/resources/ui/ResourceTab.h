#pragma once

#include "common/ui/FeatureTab.h"

#include <QUrl>
#include <functional>

class AppContext;
class QComboBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class ResourceCatalogue;
class ResultListView;

// Tab 2 "外链资源库": the catalogue's categories (one ticked at a time), the
// web directories' second-level filter, the resource list with its start/stop
// button and report buttons. The listing itself is ResourceCatalogue's.
class ResourceTab : public FeatureTab
{
    Q_OBJECT
public:
    explicit ResourceTab(AppContext &context, QWidget *parent = nullptr);
    // Fills the category list the first time the tab is shown.
    void activated() override;

    ResourceCatalogue &catalogue() { return *m_catalogue; }

    // Refills the filter box for category row `row` (0-based).
    void chgcmb(int row);
    // The first ticked category row, or -1.
    int checkedCategory() const;

private:
    void onSearchClicked();
    void onItemClicked(QTreeWidgetItem *item);
    void onItemChanged(QTreeWidgetItem *item, int column);
    void tickOnly(QTreeWidgetItem *item, bool tickIt);
    void openSelected();

    AppContext &m_context;
    ResourceCatalogue *m_catalogue;
    QTreeWidget *m_categories;
    QComboBox *m_filter;
    QPushButton *m_search;
    ResultListView *m_view;
    bool m_syncing = false;
    QTreeWidgetItem *m_justToggled = nullptr;
};
