#include "common/ResultListOrder.h"

#include "common/ResultList.h"

#include <QHash>
#include <algorithm>
#include <numeric>

namespace ResultListOrder {
namespace {

constexpr qint64 kTwelveDigits = 1000000000000LL;
constexpr qint64 kTextKey = -1;    // the cell's own text is its key
constexpr qint64 kLongNumber = -2; // a number of more than twelve digits

// The value sortKey() pads, read without copying the cell when it is plain
// digits (with thousands separators); anything else takes the slow road.
qint64 sortValue(QStringView cell)
{
    qint64 value = 0;
    int digits = 0;
    bool plain = !cell.isEmpty();
    for (QChar c : cell) {
        if (c >= u'0' && c <= u'9') {
            if (++digits > 18) {
                plain = false;
                break;
            }
            value = value * 10 + (c.unicode() - u'0');
        } else if (c != u',') {
            plain = false;
            break;
        }
    }
    if (!plain || digits == 0) {
        const QString text = cell.toString();
        const QString key = ResultList::sortKey(text);
        if (key == text)
            return kTextKey;
        value = key.toLongLong();
    }
    return value < kTwelveDigits ? value : kLongNumber;
}

// How many twelve-digit texts sort below `key`, a key that is not one of
// them: where it falls among the numbers.
qint64 numbersBelow(QStringView key)
{
    qint64 below = 0;
    qint64 span = kTwelveDigits;
    for (qsizetype i = 0; i < 12; ++i) {
        if (i >= key.size())
            return below; // a prefix sorts before what it starts
        const char16_t c = key.at(i).toCaseFolded().unicode();
        span /= 10;
        if (c < u'0')
            return below;
        if (c > u'9')
            return below + span * 10;
        below += (c - u'0') * span;
    }
    return below + 1; // longer: just after the number it starts with
}

std::vector<int> byText(const ResultList &list, int column, bool ascending)
{
    std::vector<int> order(static_cast<size_t>(list.count()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = list.cellView(a, column).compare(list.cellView(b, column), Qt::CaseInsensitive);
        return ascending ? c < 0 : c > 0;
    });
    return order;
}

} // namespace

std::vector<int> sorted(const ResultList &list, int column, bool ascending)
{
    constexpr int kPosBits = 23;
    constexpr quint64 kPosMask = (quint64(1) << kPosBits) - 1;
    constexpr quint64 kMaxRank = (quint64(1) << (64 - kPosBits)) - 1;
    const int n = list.count();
    if (column == 0 || quint64(n) > kPosMask)
        return byText(list, column, ascending);

    // Each row gets a rank: a number N is 2N+1, a text key 2k where k numbers
    // sort below it, so texts fall between the right numbers. Rank and row
    // position packed into one integer sort in one go, the position keeping
    // equal ranks in their present order; only texts of equal rank still
    // need comparing as texts.
    QHash<int, QString> longKeys; // keys of numbers longer than twelve digits
    std::vector<quint64> keys(static_cast<size_t>(n));
    for (int r = 0; r < n; ++r) {
        const QStringView cell = list.cellView(r, column);
        const qint64 v = sortValue(cell);
        quint64 rank;
        if (v >= 0) {
            rank = quint64(v) * 2 + 1;
        } else if (v == kTextKey) {
            rank = quint64(numbersBelow(cell)) * 2;
        } else {
            const QString key = ResultList::sortKey(cell.toString());
            rank = quint64(numbersBelow(key)) * 2;
            longKeys.insert(r, key);
        }
        if (!ascending)
            rank = kMaxRank - rank;
        keys[size_t(r)] = (rank << kPosBits) | quint64(r);
    }
    std::sort(keys.begin(), keys.end());

    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        order[size_t(i)] = int(keys[size_t(i)] & kPosMask);
    auto textKey = [&](int r) -> QStringView {
        const auto it = longKeys.constFind(r);
        return it == longKeys.cend() ? list.cellView(r, column) : QStringView(it.value());
    };
    for (size_t from = 0; from < keys.size();) {
        size_t to = from + 1;
        while (to < keys.size() && (keys[to] >> kPosBits) == (keys[from] >> kPosBits))
            ++to;
        const quint64 rank = ascending ? keys[from] >> kPosBits : kMaxRank - (keys[from] >> kPosBits);
        if (rank % 2 == 0 && to - from > 1) {
            std::stable_sort(order.begin() + ptrdiff_t(from), order.begin() + ptrdiff_t(to), [&](int a, int b) {
                const int c = textKey(a).compare(textKey(b), Qt::CaseInsensitive);
                return ascending ? c < 0 : c > 0;
            });
        }
        from = to;
    }
    return order;
}

} // namespace ResultListOrder
