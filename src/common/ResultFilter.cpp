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

// wholeNumber() without a copy for the usual cell: digits, maybe with
// thousands separators. Anything else goes the long way.
std::optional<qint32> wholeNumber(QStringView cell)
{
    qint32 value = 0;
    int digits = 0;
    for (QChar c : cell) {
        if (c >= u'0' && c <= u'9') {
            if (++digits > 9)
                return wholeNumber(cell.toString());
            value = value * 10 + (c.unicode() - u'0');
        } else if (c != u',') {
            return wholeNumber(cell.toString());
        }
    }
    if (digits == 0)
        return wholeNumber(cell.toString());
    return value;
}

bool isActive(const FilterConditions::Count &c)
{
    return !c.op.isEmpty() && !c.threshold.isEmpty() && wholeNumber(c.threshold).has_value();
}

// One applied count condition, read once.
struct CountTest {
    int column;
    char op;
    qint32 threshold;

    bool passes(QStringView cell) const
    {
        if (cell.isEmpty() || cell == u"-")
            return true;
        const auto count = wholeNumber(cell);
        if (!count)
            return true;
        switch (op) {
        case '>': return *count > threshold;
        case '<': return *count < threshold;
        case '=': return *count == threshold;
        default: return true;
        }
    }
};

std::optional<CountTest> countTest(int column, const FilterConditions::Count &c)
{
    if (!isActive(c))
        return std::nullopt;
    char op = 0;
    if (c.op == u">")
        op = '>';
    else if (c.op == u"<")
        op = '<';
    else if (c.op == u"=")
        op = '=';
    else
        return std::nullopt;
    return CountTest{column, op, *wholeNumber(c.threshold)};
}

} // namespace

bool countPasses(const QString &cell, const FilterConditions::Count &condition)
{
    const auto test = countTest(0, condition);
    return !test || test->passes(cell);
}

void apply(ResultList &shown, const ResultList &reserve, const FilterConditions &conditions,
           const FilterColumns &columns)
{
    shown.copyFrom(reserve, columns.lastCopied);

    // A row stays when it passes every applied condition, so one pass over
    // the rows removes what the conditions one after another would.
    QVector<CountTest> tests;
    const struct {
        int column;
        const FilterConditions::Count &condition;
    } counts[] = {
        {columns.google, conditions.google}, {columns.yahoo, conditions.yahoo}, {columns.bing, conditions.bing}};
    for (const auto &c : counts)
        if (const auto test = countTest(c.column, c.condition))
            tests.append(*test);
    const bool byText = !conditions.text.isEmpty();
    if (!byText && tests.isEmpty())
        return;
    const bool mustContain = conditions.textMode == FilterConditions::Text::Contains;
    shown.removeRowsWhere([&](int r) {
        if (byText && shown.cellView(r, 0).contains(conditions.text, Qt::CaseSensitive) != mustContain)
            return true;
        for (const CountTest &t : tests)
            if (!t.passes(shown.cellView(r, t.column)))
                return true;
        return false;
    });
}

} // namespace ResultFilter
