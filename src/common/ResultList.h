#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>

class ResultListStore;

// One result list (or hidden reserve copy): a table of rows with a tick box,
// a bold flag, one hidden tag text and an image key per row. Column 0 is the
// row text; columns 1.. are the sub-columns.
class ResultList : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct Row {
        QString text;
        QStringList sub; // sub-columns 1..n, stored at index 0..n-1
        bool checked = false;
        bool bold = false;
        QString tag;
        QString imageKey;
    };

    // Views draw bold rows from this role (the logic links no GUI module).
    static constexpr int BoldRole = Qt::UserRole + 1;
    static constexpr int TagRole = Qt::UserRole + 2;

    explicit ResultList(const QStringList &headers, QObject *parent = nullptr);
    ~ResultList() override;

    // QAbstractTableModel
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    QStringList headers() const { return m_headers; }

    // Every column, in order: what a report without a view keeps.
    QList<int> allColumns() const;

    // Count columns (收录量, search volumes, PR, ranks): workbooks write
    // their plain numbers as numbers, so a spreadsheet sorts and sums them.
    // With `imageRowsOnly` only rows with an image key hold counts there
    // (the rank list: its pair rows hold the keyword in the same column).
    void setCountColumns(const QList<int> &columns, bool imageRowsOnly = false);
    // A count column's cell of 1 to 15 digits without a leading zero ("0"
    // itself is one): "-", "获取失败", "001" and every text column stay text.
    bool isCountCell(int r, int column) const;
    int count() const { return int(m_ids.size()); }
    bool isEmpty() const { return m_ids.isEmpty(); }
    // One row or every row as a copy (rows are stored compactly, not as Row).
    Row row(int r) const;
    QVector<Row> rows() const;
    bool isChecked(int r) const { return r >= 0 && r < count() && (m_flags.at(r) & kChecked); }
    bool isBold(int r) const { return r >= 0 && r < count() && (m_flags.at(r) & kBold); }
    QString tag(int r) const;
    QString imageKey(int r) const;

    int addRow(const QString &text, const QStringList &sub = {});
    void appendRows(const QVector<Row> &rows);
    void removeRowAt(int r);
    void clear();

    // Appends rows cell by cell without building a Row for each: what a
    // large table loads through. The rows appear (one insert notice) at
    // flush() and when the appender goes.
    class Appender
    {
    public:
        explicit Appender(ResultList &list, int expectedRows = 0);
        ~Appender() { flush(); }
        Appender(const Appender &) = delete;
        Appender &operator=(const Appender &) = delete;
        // Column 0 first, then the sub-columns.
        void append(std::initializer_list<QStringView> cells);
        void flush();
        int pending() const { return int(m_ids.size()); }

    private:
        ResultList &m_list;
        ResultListStore &m_store;
        QVector<int> m_ids;
    };

    // Every row becomes the rows of `cells`, in their order (none ticked or
    // bold): a table read elsewhere, even on another thread, handed over
    // without a copy.
    void adoptRows(std::shared_ptr<ResultListStore> cells);

    // Appends every row of `source` (text, sub-columns, bold state; ticks
    // clear). Lists sharing their cells make this a copy of row numbers.
    void appendFrom(const ResultList &source);

    // Column 0 is the row text; 1.. the sub-columns. Missing cells read empty.
    QString cell(int r, int column) const;
    // The same without a copy; valid until the list changes.
    QStringView cellView(int r, int column) const;
    // Every row's cell of one column, top to bottom.
    QStringList columnTexts(int column = 0) const;
    void setCell(int r, int column, const QString &text);
    void setBold(int r, bool bold);
    void setChecked(int r, bool checked);
    void setTag(int r, const QString &tag);
    void setImageKey(int r, const QString &key);

    // `text` without leading and trailing spaces.
    static QString trimSpaces(const QString &text);
    // Whether a row's text equals `text` trimmed of spaces (case-sensitive). Hashed.
    bool containsText(const QString &text) const;
    // First row whose text equals `text` trimmed, or -1.
    int findText(const QString &text) const;

    // Removes every row for which `fails` holds; returns how many went.
    int removeIf(const std::function<bool(const Row &)> &fails);
    // The same, asked by row number (no row copies).
    int removeRowsWhere(const std::function<bool(int r)> &fails);

    int checkedCount() const;
    int firstChecked() const;
    // Removes every ticked row; returns how many went.
    int removeChecked();

    // Replaces this list with the rows of `source`: text, sub-columns
    // 1..lastSubColumn (as far as both lists have them) and bold state.
    void copyFrom(const ResultList &source, int lastSubColumn);

    // Column-click sort: text order on column 0, value order on the others
    // (numbers as twelve-digit zero-padded text, anything else as its text).
    // Every call flips the direction; a fresh list sorts descending first.
    void sortByColumnClick(int column);
    Qt::SortOrder sortOrder() const { return m_order; }
    // Rebuilding a list switches its sorting off; the direction is kept, so
    // the next click still flips it.
    void setSortingEnabled(bool on);
    bool sortingEnabled() const { return m_sortingOn; }

    // Value of a count cell the way the sort pads it, or the text itself.
    static QString sortKey(const QString &cell);

private:
    static constexpr quint8 kChecked = 1;
    static constexpr quint8 kBold = 2;

    // The store row list row `r` may change: a copy when another list shares it.
    int ownRow(int r);
    bool canShareWith(const ResultList &source, int lastSubColumn) const;
    void resetStore();
    void rebuildIndex() const;
    void indexAppended(int from) const;
    void invalidateIndex() { m_indexValid = false; }

    QStringList m_headers;
    std::shared_ptr<ResultListStore> m_store;
    QVector<int> m_ids;      // store row of each list row
    QVector<quint8> m_flags; // tick and bold of each list row
    QList<int> m_countColumns;
    bool m_countsOnImageRows = false;
    // Row text, trimmed -> first row with it; built on the first look-up and
    // kept up to date by appends. The views point into the store.
    mutable QHash<QStringView, int> m_firstRow;
    mutable bool m_indexValid = false;
    Qt::SortOrder m_order = Qt::AscendingOrder;
    bool m_sortingOn = false;
};
