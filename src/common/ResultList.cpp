#include "common/ResultList.h"

#include "common/Digits.h"
#include "common/KeywordText.h"

#include <algorithm>

ResultList::ResultList(const QStringList &headers, QObject *parent)
    : QAbstractTableModel(parent),
      m_headers(headers)
{
}

QList<int> ResultList::allColumns() const
{
    QList<int> all;
    for (int c = 0; c < m_headers.size(); ++c)
        all.append(c);
    return all;
}

int ResultList::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_rows.size(); }

int ResultList::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_headers.size(); }

QVariant ResultList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &r = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return cell(index.row(), index.column());
    case Qt::CheckStateRole:
        if (index.column() == 0)
            return r.checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case BoldRole: return r.bold;
    case TagRole: return r.tag;
    case Qt::ToolTipRole: return index.column() == 0 ? QVariant(r.text) : QVariant();
    default: return {};
    }
}

bool ResultList::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return false;
    if (role == Qt::CheckStateRole && index.column() == 0) {
        setChecked(index.row(), value.toInt() == Qt::Checked);
        return true;
    }
    if (role == Qt::EditRole && index.column() > 0) {
        setCell(index.row(), index.column(), value.toString());
        return true;
    }
    return false;
}

Qt::ItemFlags ResultList::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant ResultList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < m_headers.size())
        return m_headers.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

int ResultList::addRow(const QString &text, const QStringList &sub)
{
    const int r = m_rows.size();
    beginInsertRows({}, r, r);
    Row row;
    row.text = text;
    row.sub = sub;
    m_rows.append(row);
    indexAdd(text);
    endInsertRows();
    return r;
}

void ResultList::appendRows(const QVector<Row> &rows)
{
    if (rows.isEmpty())
        return;
    const int first = m_rows.size();
    beginInsertRows({}, first, first + rows.size() - 1);
    m_rows.reserve(first + rows.size());
    for (const Row &row : rows) {
        m_rows.append(row);
        indexAdd(row.text);
    }
    endInsertRows();
}

void ResultList::removeRowAt(int r)
{
    if (r < 0 || r >= m_rows.size())
        return;
    beginRemoveRows({}, r, r);
    indexRemove(m_rows.at(r).text);
    m_rows.removeAt(r);
    m_firstRowValid = false;
    endRemoveRows();
}

void ResultList::clear()
{
    beginResetModel();
    m_rows.clear();
    m_textCounts.clear();
    m_firstRow.clear();
    m_firstRowValid = false;
    endResetModel();
}

QString ResultList::cell(int r, int column) const
{
    if (r < 0 || r >= m_rows.size() || column < 0)
        return {};
    const Row &row = m_rows.at(r);
    if (column == 0)
        return row.text;
    return row.sub.value(column - 1);
}

QStringList ResultList::columnTexts(int column) const
{
    QStringList out;
    out.reserve(m_rows.size());
    for (int r = 0; r < m_rows.size(); ++r)
        out.append(cell(r, column));
    return out;
}

void ResultList::setCell(int r, int column, const QString &text)
{
    if (r < 0 || r >= m_rows.size() || column < 0)
        return;
    Row &row = m_rows[r];
    if (column == 0) {
        indexRemove(row.text);
        row.text = text;
        indexAdd(text);
        m_firstRowValid = false;
    } else {
        while (row.sub.size() < column)
            row.sub.append(QString());
        row.sub[column - 1] = text;
    }
    const QModelIndex i = index(r, column);
    Q_EMIT dataChanged(i, i, {Qt::DisplayRole});
}

void ResultList::setBold(int r, bool bold)
{
    if (r < 0 || r >= m_rows.size() || m_rows.at(r).bold == bold)
        return;
    m_rows[r].bold = bold;
    Q_EMIT dataChanged(index(r, 0), index(r, qMax(0, columnCount() - 1)), {BoldRole});
}

void ResultList::setChecked(int r, bool checked)
{
    if (r < 0 || r >= m_rows.size() || m_rows.at(r).checked == checked)
        return;
    m_rows[r].checked = checked;
    const QModelIndex i = index(r, 0);
    Q_EMIT dataChanged(i, i, {Qt::CheckStateRole});
}

void ResultList::setTag(int r, const QString &tag)
{
    if (r >= 0 && r < m_rows.size())
        m_rows[r].tag = tag;
}

void ResultList::setImageKey(int r, const QString &key)
{
    if (r >= 0 && r < m_rows.size())
        m_rows[r].imageKey = key;
}

QString ResultList::trimSpaces(const QString &text) { return KeywordText::trimSpaces(text); }

bool ResultList::containsText(const QString &text) const { return m_textCounts.value(trimSpaces(text)) > 0; }

int ResultList::findText(const QString &text) const
{
    const QString key = trimSpaces(text);
    if (!containsText(key))
        return -1;
    if (!m_firstRowValid)
        rebuildIndex();
    return m_firstRow.value(key, -1);
}

int ResultList::checkedCount() const
{
    return int(std::count_if(m_rows.begin(), m_rows.end(), [](const Row &r) { return r.checked; }));
}

int ResultList::firstChecked() const
{
    for (int r = 0; r < m_rows.size(); ++r)
        if (m_rows.at(r).checked)
            return r;
    return -1;
}

int ResultList::removeChecked()
{
    return removeIf([](const Row &r) { return r.checked; });
}

int ResultList::removeIf(const std::function<bool(const Row &)> &fails)
{
    const int before = m_rows.size();
    if (std::none_of(m_rows.cbegin(), m_rows.cend(), fails))
        return 0;
    beginResetModel();
    QVector<Row> kept;
    kept.reserve(before);
    for (Row &row : m_rows) {
        if (fails(row))
            indexRemove(row.text);
        else
            kept.append(std::move(row));
    }
    m_rows = std::move(kept);
    m_firstRowValid = false;
    endResetModel();
    return before - m_rows.size();
}

void ResultList::copyFrom(const ResultList &source, int lastSubColumn)
{
    const int subs = qMin(lastSubColumn, columnCount() - 1);
    beginResetModel();
    m_rows.clear();
    m_textCounts.clear();
    m_firstRowValid = false;
    m_rows.reserve(source.count());
    for (const Row &from : source.rows()) {
        Row row;
        row.text = from.text;
        row.bold = from.bold;
        for (int c = 0; c < subs; ++c)
            row.sub.append(from.sub.value(c));
        m_rows.append(row);
        indexAdd(row.text);
    }
    m_sortingOn = false;
    endResetModel();
}

QString ResultList::sortKey(const QString &cell)
{
    QString digits = cell.trimmed();
    digits.remove(QLatin1Char(','));
    bool ok = false;
    const qlonglong value = digits.toLongLong(&ok);
    if (!ok || value < 0)
        return cell;
    return QStringLiteral("%1").arg(value, 12, 10, QLatin1Char('0'));
}

void ResultList::sortByColumnClick(int column)
{
    if (column < 0 || column >= columnCount())
        return;
    m_order = (m_order == Qt::AscendingOrder) ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_sortingOn = true;

    // Keys are computed aside; the cells and tags themselves are never touched.
    QVector<QPair<QString, int>> keys;
    keys.reserve(m_rows.size());
    for (int r = 0; r < m_rows.size(); ++r) {
        const QString text = cell(r, column);
        keys.append({column == 0 ? text : sortKey(text), r});
    }
    const bool asc = m_order == Qt::AscendingOrder;
    std::stable_sort(keys.begin(), keys.end(), [asc](const auto &a, const auto &b) {
        const int c = QString::compare(a.first, b.first, Qt::CaseInsensitive);
        return asc ? c < 0 : c > 0;
    });

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QVector<int> newPos(m_rows.size());
    QVector<Row> sorted;
    sorted.reserve(m_rows.size());
    for (int i = 0; i < keys.size(); ++i) {
        newPos[keys[i].second] = i;
        sorted.append(std::move(m_rows[keys[i].second]));
    }
    m_rows = std::move(sorted);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &i : before)
        after.append(index(newPos.value(i.row()), i.column()));
    changePersistentIndexList(before, after);
    m_firstRowValid = false;
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultList::setSortingEnabled(bool on) { m_sortingOn = on; }

void ResultList::rebuildIndex() const
{
    m_firstRow.clear();
    m_firstRow.reserve(m_rows.size());
    for (int r = m_rows.size() - 1; r >= 0; --r)
        m_firstRow.insert(trimSpaces(m_rows.at(r).text), r);
    m_firstRowValid = true;
}

// The index holds the trimmed texts: a row imported as " seo " is the row
// a look-up of "seo" finds.
void ResultList::indexAdd(const QString &text)
{
    const QString key = trimSpaces(text);
    ++m_textCounts[key];
    if (m_firstRowValid && !m_firstRow.contains(key))
        m_firstRow.insert(key, m_rows.size() - 1);
}

void ResultList::indexRemove(const QString &text)
{
    auto it = m_textCounts.find(trimSpaces(text));
    if (it != m_textCounts.end() && --it.value() <= 0)
        m_textCounts.erase(it);
}

void ResultList::setCountColumns(const QList<int> &columns, bool imageRowsOnly)
{
    m_countColumns = columns;
    m_countsOnImageRows = imageRowsOnly;
}

bool ResultList::isCountCell(int r, int column) const
{
    if (!m_countColumns.contains(column) || r < 0 || r >= m_rows.size())
        return false;
    if (m_countsOnImageRows && m_rows.at(r).imageKey.isEmpty())
        return false;
    const QString text = cell(r, column);
    // 15 digits stay exact in a spreadsheet's double.
    return text.size() <= 15 && !(text.size() > 1 && text.front() == u'0') && Digits::onlyAscii(text);
}
