#pragma once

#include <QTreeView>

class ResultList;
class JobStatus;

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

private:
    void onHeaderClicked(int column);
    ResultList *m_list = nullptr;
    JobStatus *m_status = nullptr;
};
