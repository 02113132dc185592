#include "common/ListPair.h"

#include "common/KeywordText.h"
#include "common/ResultFilter.h"
#include "common/ResultList.h"

#include <QSet>

namespace {

// The row a value belongs to: normally the newest one, which a run has just
// added, but the user may have deleted or restored rows while it waited.
int rowFor(const ResultList &list, const QString &keyword)
{
    const int last = list.count() - 1;
    if (last >= 0 && KeywordText::trimSpaces(list.cell(last, 0)) == KeywordText::trimSpaces(keyword))
        return last;
    return list.findText(keyword);
}

} // namespace

ListPair::ListPair(const QStringList &shownHeaders, const QStringList &reserveHeaders, int restoredColumns,
                   QObject *parent)
    : QObject(parent),
      m_shown(new ResultList(shownHeaders, this)),
      m_reserve(new ResultList(reserveHeaders, this)),
      m_restoredColumns(restoredColumns)
{
}

void ListPair::addRow(const QString &text, const QStringList &sub)
{
    m_shown->addRow(text, sub);
    m_reserve->addRow(text, sub);
}

bool ListPair::contains(const QString &text) const
{
    return m_shown->containsText(text) || m_reserve->containsText(text);
}

void ListPair::clear()
{
    m_shown->clear();
    m_reserve->clear();
}

void ListPair::restore() { m_shown->copyFrom(*m_reserve, m_restoredColumns); }

void ListPair::filter(const FilterConditions &conditions, const FilterColumns &columns)
{
    ResultFilter::apply(*m_shown, *m_reserve, conditions, columns);
}

int ListPair::removeCheckedShown() { return m_shown->removeChecked(); }

QStringList ListPair::removeCheckedFromBoth()
{
    QStringList gone;
    QSet<QStringView> keys;
    const ResultList &shown = *m_shown;
    for (int r = 0; r < shown.count(); ++r) {
        if (!shown.isChecked(r))
            continue;
        // Views into the shown list's cells, which stay put until it changes.
        const QStringView key = KeywordText::trimSpacesView(shown.cellView(r, 0));
        gone.append(key.toString());
        keys.insert(key);
    }
    if (gone.isEmpty())
        return gone;
    m_reserve->removeRowsWhere(
        [&](int r) { return keys.contains(KeywordText::trimSpacesView(m_reserve->cellView(r, 0))); });
    m_shown->removeChecked();
    return gone;
}

void ListPair::setCell(const QString &keyword, int column, const QString &text)
{
    for (ResultList *list : {m_shown, m_reserve}) {
        const int r = rowFor(*list, keyword);
        if (r >= 0)
            list->setCell(r, column, text);
    }
}

void ListPair::setBold(const QString &keyword, bool bold)
{
    for (ResultList *list : {m_shown, m_reserve}) {
        const int r = rowFor(*list, keyword);
        if (r >= 0)
            list->setBold(r, bold);
    }
}

void ListPair::setCellAt(int row, int column, const QString &text)
{
    if (row < 0 || row >= m_shown->count())
        return;
    m_shown->setCell(row, column, text);
    const int twin = m_reserve->findText(m_shown->cell(row, 0));
    if (twin >= 0)
        m_reserve->setCell(twin, column, text);
}
