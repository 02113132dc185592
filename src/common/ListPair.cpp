#include "common/ListPair.h"

#include "common/KeywordText.h"
#include "common/ResultFilter.h"
#include "common/ResultList.h"

#include <QHash>

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
    CheckedRemoval plan = planCheckedRemoval();
    removeChecked(plan);
    return std::move(plan.keywords);
}

ListPair::CheckedRemoval ListPair::planCheckedRemoval() const
{
    CheckedRemoval plan;
    // Views into the lists' cells, which stay put while the lists do; the
    // value says whether the keyword is listed yet. One hash look-up a row.
    QHash<QStringView, bool> ticked;
    const ResultList &shown = *m_shown;
    const ResultList &reserve = *m_reserve;
    for (int r = 0; r < shown.count(); ++r)
        if (shown.isChecked(r))
            ticked.insert(KeywordText::trimSpacesView(shown.cellView(r, 0)), false);
    if (ticked.isEmpty())
        return plan;
    plan.keywords.reserve(ticked.size());
    plan.reserveRows.resize(size_t(reserve.count()));
    for (int r = 0; r < reserve.count(); ++r) {
        const auto it = ticked.find(KeywordText::trimSpacesView(reserve.cellView(r, 0)));
        if (it == ticked.end())
            continue;
        plan.reserveRows[size_t(r)] = true;
        if (!it.value()) {
            it.value() = true;
            plan.keywords.append(it.key().toString());
        }
    }
    for (auto it = ticked.cbegin(); it != ticked.cend(); ++it)
        if (!it.value())
            plan.keywords.append(it.key().toString());
    return plan;
}

void ListPair::removeChecked(const CheckedRemoval &plan)
{
    if (plan.keywords.isEmpty())
        return;
    m_reserve->removeRowsWhere(
        [&plan](int r) { return size_t(r) < plan.reserveRows.size() && plan.reserveRows[size_t(r)]; });
    m_shown->removeChecked();
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
