#pragma once

#include <QObject>
#include <QStringList>
#include <vector>

class ResultList;
struct FilterColumns;
struct FilterConditions;

// A shown result list and its hidden reserve copy, the pair behind the
// mining list and the database list. The reserve holds every row; the
// filter and "还原" rebuild the shown list from it. Cells are matched
// between the two by keyword text, never by position: deletes and filters
// move the shown rows away from their reserve twins.
class ListPair : public QObject
{
    Q_OBJECT
public:
    // `restoredColumns`: how many sub-columns "还原" copies back.
    ListPair(const QStringList &shownHeaders, const QStringList &reserveHeaders, int restoredColumns,
             QObject *parent = nullptr);

    ResultList &shown() { return *m_shown; }
    const ResultList &shown() const { return *m_shown; }
    ResultList &reserve() { return *m_reserve; }
    const ResultList &reserve() const { return *m_reserve; }
    int restoredColumns() const { return m_restoredColumns; }

    // A new row at the end of both lists.
    void addRow(const QString &text, const QStringList &sub = {});
    // Whether either list has a row with this text (the reserve keeps rows
    // the shown list lost to a filter or a delete).
    bool contains(const QString &text) const;
    void clear();

    // "还原": the shown list becomes a copy of the reserve.
    void restore();
    // "开始过滤": rebuilt from the reserve, then narrowed.
    void filter(const FilterConditions &conditions, const FilterColumns &columns);
    // The ticked shown rows go; the reserve keeps them for "还原".
    int removeCheckedShown();
    // The ticked shown rows go from both lists (every reserve row with the
    // same keyword too). Returns the keywords removed, trimmed, each once.
    QStringList removeCheckedFromBoth();

    // The same in two steps, so that something else (the table) can go
    // first and the lists only follow when it went. `keywords` are the
    // ticked rows' keywords, trimmed, each once: those the reserve holds in
    // its order, then those only the shown list has. `reserveRows` marks
    // the reserve rows that carry one of them.
    struct CheckedRemoval {
        QStringList keywords;
        std::vector<bool> reserveRows;
    };
    CheckedRemoval planCheckedRemoval() const;
    // Valid while neither list changed since the plan was made.
    void removeChecked(const CheckedRemoval &plan);

    // One cell of the keyword's row in both lists: the shown row nearest the
    // end (the one just added, when a run is filling it), else the first.
    void setCell(const QString &keyword, int column, const QString &text);
    void setBold(const QString &keyword, bool bold);
    // One cell of shown row `row` (a run walking the shown list knows its
    // row) and of the reserve row with the same keyword.
    void setCellAt(int row, int column, const QString &text);

private:
    ResultList *m_shown;
    ResultList *m_reserve;
    int m_restoredColumns;
};
