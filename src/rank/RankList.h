#pragma once

#include "common/ResultList.h"

// A list of the rank tab. Beside what every result list does it can let the
// user edit row texts in place, tells user ticks and edits apart from the
// program's own changes, and hands views the row's image key.
class RankList : public ResultList
{
    Q_OBJECT
public:
    static constexpr int ImageKeyRole = Qt::UserRole + 10;

    explicit RankList(const QStringList &headers, bool editable = false, QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Every row ticked or unticked.
    void setAllChecked(bool checked);
    // Texts of every row in list order.
    QStringList texts() const { return columnTexts(0); }

Q_SIGNALS:
    // The user ticked or unticked a row (not the program).
    void userTicked(int row, bool checked);
    // The user finished editing a row's text.
    void userEdited(int row, const QString &text);

private:
    bool m_editable;
};
