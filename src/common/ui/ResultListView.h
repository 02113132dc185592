#pragma once

#include <QStyledItemDelegate>
#include <QTreeView>

class ResultList;
class JobStatus;

// Draws the rows a ResultList marks bold in a bold font.
class BoldRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};

// A tree view over a ResultList: tick boxes, bold rows, and the column-click
// sort (refused while a job runs, when a JobStatus is given).
class ResultListView : public QTreeView
{
    Q_OBJECT
public:
    explicit ResultListView(QWidget *parent = nullptr);
    void setResultList(ResultList *list);
    ResultList *resultList() const { return m_list; }
    void setJobStatus(JobStatus *status) { m_status = status; }
    // The columns the view does not hide, in order: what workbooks and CSV
    // files of the list keep.
    QList<int> keptColumns() const;

private:
    void onHeaderClicked(int column);
    ResultList *m_list = nullptr;
    JobStatus *m_status = nullptr;
};
