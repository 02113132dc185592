#include "common/ui/ResultListView.h"

#include "common/JobStatus.h"
#include "common/ResultList.h"

#include <QHeaderView>

void BoldRowDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.data(ResultList::BoldRole).toBool())
        option->font.setBold(true);
}

ResultListView::ResultListView(QWidget *parent)
    : QTreeView(parent)
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAlternatingRowColors(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new BoldRowDelegate(this));
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    // The keyword column takes the spare width; values keep a compact one,
    // so every column of a six-column list fits without scrolling.
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(60);
    header()->setDefaultSectionSize(84);
    connect(header(), &QHeaderView::sectionClicked, this, &ResultListView::onHeaderClicked);
}

void ResultListView::setResultList(ResultList *list)
{
    m_list = list;
    setModel(list);
    if (list && list->columnCount() > 0)
        header()->setSectionResizeMode(0, QHeaderView::Stretch);
}

QList<int> ResultListView::keptColumns() const
{
    QList<int> kept;
    if (!m_list)
        return kept;
    for (int c = 0; c < m_list->columnCount(); ++c) {
        if (!header()->isSectionHidden(c))
            kept.append(c);
    }
    return kept;
}

void ResultListView::onHeaderClicked(int column)
{
    if (!m_list || (m_status && m_status->isBusy()))
        return;
    m_list->sortByColumnClick(column);
}
