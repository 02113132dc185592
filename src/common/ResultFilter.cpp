#include "common/ResultFilter.h"

#include "common/ResultList.h"

#include <optional>

namespace ResultFilter {
namespace {

std::optional<qint32> wholeNumber(QString text)
{
    text.remove(QLatin1Char(','));
    bool ok = false;
    const qint32 v = text.trimmed().toInt(&ok);
    return ok ? std::optional<qint32>(v) : std::nullopt;
}

bool isActive(const FilterConditions::Count &c)
{
    return !c.op.isEmpty() && !c.threshold.isEmpty() && wholeNumber(c.threshold).has_value();
}

} // namespace

bool countPasses(const QString &cell, const FilterConditions::Count &condition)
{
    if (!isActive(condition) || cell.isEmpty() || cell == u"-")
        return true;
    const auto count = wholeNumber(cell);
    if (!count)
        return true;
    const qint32 threshold = *wholeNumber(condition.threshold);
    if (condition.op == u">")
        return *count > threshold;
    if (condition.op == u"<")
        return *count < threshold;
    if (condition.op == u"=")
        return *count == threshold;
    return true;
}

void apply(ResultList &shown, const ResultList &reserve, const FilterConditions &conditions,
           const FilterColumns &columns)
{
    shown.copyFrom(reserve, columns.lastCopied);

    if (!conditions.text.isEmpty()) {
        const bool mustContain = conditions.textMode == FilterConditions::Text::Contains;
        shown.removeIf([&](const ResultList::Row &r) {
            return r.text.contains(conditions.text, Qt::CaseSensitive) != mustContain;
        });
    }
    const struct {
        int column;
        const FilterConditions::Count &condition;
    } counts[] = {
        {columns.google, conditions.google}, {columns.yahoo, conditions.yahoo}, {columns.bing, conditions.bing}};
    for (const auto &c : counts) {
        if (!isActive(c.condition))
            continue;
        shown.removeIf([&](const ResultList::Row &r) { return !countPasses(r.sub.value(c.column - 1), c.condition); });
    }
}

} // namespace ResultFilter
