#pragma once

#include "common/ui/ResultListView.h"

#include <QIcon>

// The engine images of the rank lists: a small coloured badge per engine key.
QIcon rankEngineIcon(const QString &imageKey);

// A view of a rank list: bold rows, the engine image of each row; lists
// that take in-place edits start editing on a click of the selected row.
// Only the result lists sort by column click: the site, keyword and engine
// lists keep the order they are stored and run in.
class RankListView : public ResultListView
{
    Q_OBJECT
public:
    explicit RankListView(bool editable, QWidget *parent = nullptr);
    void setSortable(bool on);
};
