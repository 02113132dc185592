#include "rank/RankList.h"

RankList::RankList(const QStringList &headers, bool editable, QObject *parent)
    : ResultList(headers, parent),
      m_editable(editable)
{
}

QVariant RankList::data(const QModelIndex &index, int role) const
{
    if (role == ImageKeyRole) {
        if (!index.isValid() || index.row() >= count() || index.column() != 0)
            return {};
        return row(index.row()).imageKey;
    }
    return ResultList::data(index, role);
}

bool RankList::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= count())
        return false;
    if (role == Qt::CheckStateRole && index.column() == 0) {
        const bool checked = value.toInt() == Qt::Checked;
        setChecked(index.row(), checked);
        Q_EMIT userTicked(index.row(), checked);
        return true;
    }
    if (role == Qt::EditRole && index.column() == 0 && m_editable) {
        setCell(index.row(), 0, value.toString());
        Q_EMIT userEdited(index.row(), value.toString());
        return true;
    }
    return ResultList::setData(index, value, role);
}

Qt::ItemFlags RankList::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = ResultList::flags(index);
    if (m_editable && index.isValid() && index.column() == 0)
        f |= Qt::ItemIsEditable;
    return f;
}

void RankList::setAllChecked(bool checked)
{
    for (int r = 0; r < count(); ++r)
        setChecked(r, checked);
}
