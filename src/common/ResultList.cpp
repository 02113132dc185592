#include "common/ResultList.h"

#include "common/KeywordText.h"
#include "common/ResultListOrder.h"
#include "common/ResultListStore.h"

#include <algorithm>
#include <numeric>

ResultList::ResultList(const QStringList &headers, QObject *parent)
    : QAbstractTableModel(parent),
      m_headers(headers),
      m_store(std::make_shared<ResultListStore>(int(headers.size())))
{
}

ResultList::~ResultList() = default;

QList<int> ResultList::allColumns() const
{
    QList<int> all;
    for (int c = 0; c < m_headers.size(); ++c)
        all.append(c);
    return all;
}

int ResultList::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : count(); }

int ResultList::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_headers.size(); }

QVariant ResultList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const int r = index.row();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return cell(r, index.column());
    case Qt::CheckStateRole:
        if (index.column() == 0)
            return isChecked(r) ? Qt::Checked : Qt::Unchecked;
        return {};
    case BoldRole: return isBold(r);
    case TagRole: return tag(r);
    case Qt::ToolTipRole: return index.column() == 0 ? QVariant(cell(r, 0)) : QVariant();
    default: return {};
    }
}

bool ResultList::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= count())
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

ResultList::Row ResultList::row(int r) const
{
    Row out;
    if (r < 0 || r >= count())
        return out;
    const int id = m_ids.at(r);
    out.text = m_store->cell(id, 0).toString();
    // Sub-columns up to the last one that holds text, as they were given.
    int last = m_store->width() - 1;
    while (last > 0 && m_store->cell(id, last).isEmpty())
        --last;
    for (int c = 1; c <= last; ++c)
        out.sub.append(m_store->cell(id, c).toString());
    out.checked = isChecked(r);
    out.bold = isBold(r);
    out.tag = m_store->tag(id);
    out.imageKey = m_store->imageKey(id);
    return out;
}

QVector<ResultList::Row> ResultList::rows() const
{
    QVector<Row> out;
    out.reserve(count());
    for (int r = 0; r < count(); ++r)
        out.append(row(r));
    return out;
}

QString ResultList::tag(int r) const { return r >= 0 && r < count() ? m_store->tag(m_ids.at(r)) : QString(); }

QString ResultList::imageKey(int r) const { return r >= 0 && r < count() ? m_store->imageKey(m_ids.at(r)) : QString(); }

int ResultList::addRow(const QString &text, const QStringList &sub)
{
    Row row;
    row.text = text;
    row.sub = sub;
    appendRows({row});
    return count() - 1;
}

void ResultList::appendRows(const QVector<Row> &rows)
{
    if (rows.isEmpty())
        return;
    const int first = count();
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    m_ids.reserve(first + rows.size());
    m_flags.reserve(first + rows.size());
    for (const Row &row : rows) {
        const int id = m_store->appendRow();
        m_store->setCell(id, 0, row.text);
        for (int c = 0; c < row.sub.size(); ++c)
            m_store->setCell(id, c + 1, row.sub.at(c));
        m_store->setTag(id, row.tag);
        m_store->setImageKey(id, row.imageKey);
        m_ids.append(id);
        m_flags.append(quint8((row.checked ? kChecked : 0) | (row.bold ? kBold : 0)));
    }
    indexAppended(first);
    endInsertRows();
}

ResultList::Appender::Appender(ResultList &list, int expectedRows)
    : m_list(list),
      m_store(*list.m_store)
{
    if (expectedRows > 0) {
        m_store.reserve(m_store.rowCount() + expectedRows);
        m_ids.reserve(expectedRows);
    }
}

void ResultList::Appender::append(std::initializer_list<QStringView> cells)
{
    const int id = m_store.appendRow();
    int c = 0;
    for (QStringView text : cells)
        m_store.setCell(id, c++, text);
    m_ids.append(id);
}

void ResultList::Appender::flush()
{
    if (m_ids.isEmpty())
        return;
    const int first = m_list.count();
    m_list.beginInsertRows({}, first, first + int(m_ids.size()) - 1);
    m_list.m_ids.append(m_ids);
    m_list.m_flags.resize(m_list.m_ids.size());
    m_list.indexAppended(first);
    m_list.endInsertRows();
    m_ids.clear();
}

void ResultList::adoptRows(std::shared_ptr<ResultListStore> cells)
{
    if (!cells)
        return;
    beginResetModel();
    m_store = std::move(cells);
    const int n = m_store->rowCount();
    m_ids.resize(n);
    std::iota(m_ids.begin(), m_ids.end(), 0);
    m_flags.fill(0, n);
    m_firstRow.clear();
    invalidateIndex();
    endResetModel();
}

void ResultList::appendFrom(const ResultList &source)
{
    if (&source == this || source.isEmpty())
        return;
    const int first = count();
    const int n = source.count();
    beginInsertRows({}, first, first + n - 1);
    if (first == 0) {
        // An empty list takes the source's rows as they stand: no copy.
        m_store = source.m_store;
        m_ids = source.m_ids;
        m_flags = source.m_flags;
        for (quint8 &f : m_flags)
            f &= kBold;
        invalidateIndex();
    } else {
        m_ids.reserve(first + n);
        m_flags.reserve(first + n);
        for (int r = 0; r < n; ++r) {
            const int from = source.m_ids.at(r);
            int id;
            if (source.m_store == m_store) {
                id = m_store->copyRow(from);
            } else {
                id = m_store->appendRow();
                for (int c = 0; c < source.m_store->width(); ++c)
                    m_store->setCell(id, c, source.m_store->cell(from, c));
                m_store->setTag(id, source.m_store->tag(from));
                m_store->setImageKey(id, source.m_store->imageKey(from));
            }
            m_ids.append(id);
            m_flags.append(source.m_flags.at(r) & kBold);
        }
        indexAppended(first);
    }
    endInsertRows();
}

void ResultList::removeRowAt(int r)
{
    if (r < 0 || r >= count())
        return;
    beginRemoveRows({}, r, r);
    m_ids.removeAt(r);
    m_flags.removeAt(r);
    invalidateIndex();
    endRemoveRows();
}

void ResultList::clear()
{
    beginResetModel();
    resetStore();
    endResetModel();
}

void ResultList::resetStore()
{
    m_store = std::make_shared<ResultListStore>(int(m_headers.size()));
    m_ids.clear();
    m_ids.squeeze();
    m_flags.clear();
    m_flags.squeeze();
    m_firstRow.clear();
    invalidateIndex();
}

QString ResultList::cell(int r, int column) const { return cellView(r, column).toString(); }

QStringView ResultList::cellView(int r, int column) const
{
    if (r < 0 || r >= count() || column < 0)
        return {};
    return m_store->cell(m_ids.at(r), column);
}

QStringList ResultList::columnTexts(int column) const
{
    QStringList out;
    out.reserve(count());
    for (int r = 0; r < count(); ++r)
        out.append(cell(r, column));
    return out;
}

int ResultList::ownRow(int r)
{
    // Another list may show this row: it keeps the old cells.
    if (m_store.use_count() > 1)
        m_ids[r] = m_store->copyRow(m_ids.at(r));
    return m_ids.at(r);
}

void ResultList::setCell(int r, int column, const QString &text)
{
    if (r < 0 || r >= count() || column < 0)
        return;
    m_store->setCell(ownRow(r), column, text);
    if (column == 0)
        invalidateIndex();
    const QModelIndex i = index(r, column);
    Q_EMIT dataChanged(i, i, {Qt::DisplayRole});
}

void ResultList::setBold(int r, bool bold)
{
    if (r < 0 || r >= count() || isBold(r) == bold)
        return;
    m_flags[r] ^= kBold;
    Q_EMIT dataChanged(index(r, 0), index(r, qMax(0, columnCount() - 1)), {BoldRole});
}

void ResultList::setChecked(int r, bool checked)
{
    if (r < 0 || r >= count() || isChecked(r) == checked)
        return;
    m_flags[r] ^= kChecked;
    const QModelIndex i = index(r, 0);
    Q_EMIT dataChanged(i, i, {Qt::CheckStateRole});
}

void ResultList::setTag(int r, const QString &tag)
{
    if (r >= 0 && r < count() && m_store->tag(m_ids.at(r)) != tag)
        m_store->setTag(ownRow(r), tag);
}

void ResultList::setImageKey(int r, const QString &key)
{
    if (r >= 0 && r < count() && m_store->imageKey(m_ids.at(r)) != key)
        m_store->setImageKey(ownRow(r), key);
}

QString ResultList::trimSpaces(const QString &text) { return KeywordText::trimSpaces(text); }

bool ResultList::containsText(const QString &text) const { return findText(text) >= 0; }

int ResultList::findText(const QString &text) const
{
    if (!m_indexValid)
        rebuildIndex();
    return m_firstRow.value(KeywordText::trimSpacesView(text), -1);
}

int ResultList::checkedCount() const
{
    return int(std::count_if(m_flags.cbegin(), m_flags.cend(), [](quint8 f) { return f & kChecked; }));
}

int ResultList::firstChecked() const
{
    for (int r = 0; r < count(); ++r)
        if (m_flags.at(r) & kChecked)
            return r;
    return -1;
}

int ResultList::removeChecked()
{
    return removeRowsWhere([this](int r) { return (m_flags.at(r) & kChecked) != 0; });
}

int ResultList::removeIf(const std::function<bool(const Row &)> &fails)
{
    return removeRowsWhere([&](int r) { return fails(row(r)); });
}

int ResultList::removeRowsWhere(const std::function<bool(int r)> &fails)
{
    const int before = count();
    QVector<int> ids;
    QVector<quint8> flags;
    ids.reserve(before);
    flags.reserve(before);
    for (int r = 0; r < before; ++r) {
        if (!fails(r)) {
            ids.append(m_ids.at(r));
            flags.append(m_flags.at(r));
        }
    }
    if (ids.size() == before)
        return 0;
    beginResetModel();
    m_ids = std::move(ids);
    m_flags = std::move(flags);
    invalidateIndex();
    endResetModel();
    return before - count();
}

bool ResultList::canShareWith(const ResultList &source, int lastSubColumn) const
{
    const ResultListStore &from = *source.m_store;
    if (from.hasTagsOrImages())
        return false;
    if (lastSubColumn + 1 >= from.width())
        return true;
    for (int id : source.m_ids)
        for (int c = lastSubColumn + 1; c < from.width(); ++c)
            if (!from.cell(id, c).isEmpty())
                return false;
    return true;
}

void ResultList::copyFrom(const ResultList &source, int lastSubColumn)
{
    if (&source == this)
        return;
    const int subs = qMin(lastSubColumn, columnCount() - 1);
    beginResetModel();
    if (canShareWith(source, subs)) {
        m_store = source.m_store;
        m_ids = source.m_ids;
        m_flags = source.m_flags;
        for (quint8 &f : m_flags)
            f &= kBold;
        m_firstRow.clear();
        invalidateIndex();
    } else {
        resetStore();
        const ResultListStore &from = *source.m_store;
        m_store->reserve(source.count());
        m_ids.reserve(source.count());
        m_flags.reserve(source.count());
        for (int r = 0; r < source.count(); ++r) {
            const int id = m_store->appendRow();
            for (int c = 0; c <= subs; ++c)
                m_store->setCell(id, c, from.cell(source.m_ids.at(r), c));
            m_ids.append(id);
            m_flags.append(source.m_flags.at(r) & kBold);
        }
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
    const bool asc = m_order == Qt::AscendingOrder;
    const int n = count();

    // Keys are computed aside; the cells and tags themselves are never touched.
    const std::vector<int> order = ResultListOrder::sorted(*this, column, asc);

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QVector<int> newPos(n);
    QVector<int> ids(n);
    QVector<quint8> flags(n);
    for (int i = 0; i < n; ++i) {
        const int from = order[size_t(i)];
        newPos[from] = i;
        ids[i] = m_ids.at(from);
        flags[i] = m_flags.at(from);
    }
    m_ids = std::move(ids);
    m_flags = std::move(flags);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &i : before)
        after.append(index(newPos.value(i.row()), i.column()));
    changePersistentIndexList(before, after);
    invalidateIndex();
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultList::setSortingEnabled(bool on) { m_sortingOn = on; }

void ResultList::rebuildIndex() const
{
    m_firstRow.clear();
    m_firstRow.reserve(count());
    // From the bottom up, so the first row with a text is the one kept.
    for (int r = count() - 1; r >= 0; --r)
        m_firstRow.insert(KeywordText::trimSpacesView(cellView(r, 0)), r);
    m_indexValid = true;
}

// The index holds the trimmed texts: a row imported as " seo " is the row
// a look-up of "seo" finds.
void ResultList::indexAppended(int from) const
{
    if (!m_indexValid)
        return;
    for (int r = from; r < count(); ++r) {
        const QStringView key = KeywordText::trimSpacesView(cellView(r, 0));
        if (!m_firstRow.contains(key))
            m_firstRow.insert(key, r);
    }
}

void ResultList::setCountColumns(const QList<int> &columns, bool imageRowsOnly)
{
    m_countColumns = columns;
    m_countsOnImageRows = imageRowsOnly;
}

bool ResultList::isCountCell(int r, int column) const
{
    if (!m_countColumns.contains(column) || r < 0 || r >= count())
        return false;
    if (m_countsOnImageRows && imageKey(r).isEmpty())
        return false;
    const QStringView text = cellView(r, column);
    // 15 digits stay exact in a spreadsheet's double.
    return !text.isEmpty() && text.size() <= 15 && !(text.size() > 1 && text.front() == u'0')
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}
