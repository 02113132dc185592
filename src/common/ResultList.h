#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <QVector>
#include <functional>

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
    int count() const { return m_rows.size(); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    const Row &row(int r) const { return m_rows.at(r); }
    const QVector<Row> &rows() const { return m_rows; }

    int addRow(const QString &text, const QStringList &sub = {});
    void appendRows(const QVector<Row> &rows);
    void removeRowAt(int r);
    void clear();

    // Column 0 is the row text; 1.. the sub-columns. Missing cells read empty.
    QString cell(int r, int column) const;
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
    void rebuildIndex() const;
    void indexAdd(const QString &text);
    void indexRemove(const QString &text);

    QStringList m_headers;
    QVector<Row> m_rows;
    QList<int> m_countColumns;
    bool m_countsOnImageRows = false;
    QHash<QString, int> m_textCounts; // row text, trimmed -> how many rows carry it
    mutable QHash<QString, int> m_firstRow;
    mutable bool m_firstRowValid = false;
    Qt::SortOrder m_order = Qt::AscendingOrder;
    bool m_sortingOn = false;
};
