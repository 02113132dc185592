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

ResultListView::ResultListView(QWidget *parent) : QTreeView(parent)
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
    // Reports read the widths the user sees: a hidden column (width 0) is
    // left out of workbooks.
    connect(header(), &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        if (m_list)
            m_list->setColumnWidth(column, width);
    });
}

void ResultListView::setResultList(ResultList *list)
{
    m_list = list;
    setModel(list);
    if (list && list->columnCount() > 0)
        header()->setSectionResizeMode(0, QHeaderView::Stretch);
    if (list) {
        for (int c = 0; c < list->columnCount(); ++c)
            list->setColumnWidth(c, header()->isSectionHidden(c) ? 0 : header()->sectionSize(c));
    }
}

void ResultListView::onHeaderClicked(int column)
{
    if (!m_list || (m_status && m_status->isBusy()))
        return;
    m_list->sortByColumnClick(column);
}
