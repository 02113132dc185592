// ResultList: the column sort, ticked-row removal, copying from a reserve
// list and the hashed find.

#include "common/ResultList.h"

#include <QSignalSpy>
#include <QtTest>
#include <malloc.h>

namespace {

QStringList column(const ResultList &list, int c)
{
    QStringList out;
    for (int r = 0; r < list.count(); ++r)
        out.append(list.cell(r, c));
    return out;
}

QStringList tags(const ResultList &list)
{
    QStringList out;
    for (const auto &row : list.rows())
        out.append(row.tag);
    return out;
}

// Four keywords with Google and Yahoo counts; each row's tag names its row.
void fillCounts(ResultList &list)
{
    const QList<QStringList> rows = {
        {QStringLiteral("seo tools"), QStringLiteral("1200"), QStringLiteral("-")},
        {QStringLiteral("backlinks"), QStringLiteral("95"), QStringLiteral("30")},
        {QStringLiteral("anchor text"), QStringLiteral("-"), QStringLiteral("7")},
        {QStringLiteral("keyword density"), QStringLiteral("0"), QStringLiteral("100000")},
    };
    for (const QStringList &r : rows) {
        const int i = list.addRow(r.first(), r.mid(1));
        list.setTag(i, QStringLiteral("tag:") + r.first());
    }
}

} // namespace

class TestResultList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sortValueColumn();
    void sortFlipsAcrossColumns();
    void sortTextColumn();
    void sortKeepsCellsAndTags();
    void removeChecked();
    void copyFrom();
    void findAfterRemovalsAndSorts();
    void sortOrderOfMixedCells();
    void sortOfManyRowsMatchesPaddedTextOrder();
    void copiesStayIndependent();
    void appendFromAnotherList();
    void largeListWithoutPerRowAllocations();
};

void TestResultList::sortValueColumn()
{
    ResultList list({QStringLiteral("关键词"), QStringLiteral("Google"), QStringLiteral("Yahoo")});
    fillCounts(list);

    // First click on a fresh list: descending. Numbers in numeric order, "-" as text.
    list.sortByColumnClick(1);
    QCOMPARE(list.sortOrder(), Qt::DescendingOrder);
    QVERIFY(list.sortingEnabled());
    QCOMPARE(column(list, 1), (QStringList{"1200", "95", "0", "-"}));

    list.sortByColumnClick(1);
    QCOMPARE(list.sortOrder(), Qt::AscendingOrder);
    QCOMPARE(column(list, 1), (QStringList{"-", "0", "95", "1200"}));
    QCOMPARE(column(list, 0), (QStringList{"anchor text", "keyword density", "backlinks", "seo tools"}));
}

void TestResultList::sortFlipsAcrossColumns()
{
    ResultList list({QStringLiteral("关键词"), QStringLiteral("Google"), QStringLiteral("Yahoo")});
    fillCounts(list);

    list.sortByColumnClick(1); // descending
    list.sortByColumnClick(2); // another column: the direction still flips
    QCOMPARE(list.sortOrder(), Qt::AscendingOrder);
    QCOMPARE(column(list, 2), (QStringList{"-", "7", "30", "100000"}));
    list.sortByColumnClick(0);
    QCOMPARE(list.sortOrder(), Qt::DescendingOrder);
    list.sortByColumnClick(0);
    QCOMPARE(list.sortOrder(), Qt::AscendingOrder);

    // A rebuilt list has sorting off but keeps the direction, so the next
    // click still flips it.
    list.setSortingEnabled(false);
    list.sortByColumnClick(1);
    QCOMPARE(list.sortOrder(), Qt::DescendingOrder);

    // Out-of-range columns change nothing.
    const QStringList before = column(list, 0);
    list.sortByColumnClick(3);
    list.sortByColumnClick(-1);
    QCOMPARE(list.sortOrder(), Qt::DescendingOrder);
    QCOMPARE(column(list, 0), before);
}

void TestResultList::sortTextColumn()
{
    ResultList list({QStringLiteral("关键词"), QStringLiteral("Google")});
    // Text order on column 0, even for texts made of digits.
    for (const char *t : {"seo 2", "seo 10", "backlinks", "zeta", "1200", "95"})
        list.addRow(QString::fromLatin1(t), {QStringLiteral("1")});
    list.sortByColumnClick(0); // descending
    QCOMPARE(column(list, 0), (QStringList{"zeta", "seo 2", "seo 10", "backlinks", "95", "1200"}));
    list.sortByColumnClick(0);
    QCOMPARE(column(list, 0), (QStringList{"1200", "95", "backlinks", "seo 10", "seo 2", "zeta"}));

    // Equal keys keep their previous order.
    ResultList same({QStringLiteral("关键词"), QStringLiteral("Google")});
    for (const char *t : {"c", "a", "b"})
        same.addRow(QString::fromLatin1(t), {QStringLiteral("-")});
    same.sortByColumnClick(1);
    QCOMPARE(column(same, 0), (QStringList{"c", "a", "b"}));
}

void TestResultList::sortKeepsCellsAndTags()
{
    ResultList list({QStringLiteral("关键词"), QStringLiteral("Google"), QStringLiteral("Yahoo")});
    fillCounts(list);
    list.setBold(0, true);
    list.setChecked(2, true);

    for (int c : {1, 2, 1, 0, 2}) {
        list.sortByColumnClick(c);
        for (int r = 0; r < list.count(); ++r) {
            const ResultList::Row &row = list.row(r);
            // The tag still names its own row, never a parked cell text.
            QCOMPARE(row.tag, QStringLiteral("tag:") + row.text);
            QCOMPARE(row.bold, row.text == QLatin1String("seo tools"));
            QCOMPARE(row.checked, row.text == QLatin1String("anchor text"));
        }
        // The cells themselves are never padded.
        QVERIFY(!column(list, 1).join(u',').contains(QLatin1String("000")));
    }
    const int seo = list.findText(QStringLiteral("seo tools"));
    QCOMPARE(list.cell(seo, 1), QStringLiteral("1200"));
    QCOMPARE(list.cell(seo, 2), QStringLiteral("-"));
    const int anchor = list.findText(QStringLiteral("anchor text"));
    QCOMPARE(list.cell(anchor, 1), QStringLiteral("-"));

    QCOMPARE(ResultList::sortKey(QStringLiteral("95")), QStringLiteral("000000000095"));
    QCOMPARE(ResultList::sortKey(QStringLiteral("-")), QStringLiteral("-"));
}

void TestResultList::removeChecked()
{
    ResultList list({QStringLiteral("关键词"), QStringLiteral("Google")});
    fillCounts(list);
    list.addRow(QStringLiteral("backlinks"), {QStringLiteral("1")}); // a duplicate text
    QCOMPARE(list.removeChecked(), 0);                               // nothing ticked: nothing goes
    QCOMPARE(list.count(), 5);

    list.setChecked(1, true); // the first "backlinks"
    list.setChecked(2, true); // "anchor text"
    QCOMPARE(list.checkedCount(), 2);
    QCOMPARE(list.firstChecked(), 1);

    QSignalSpy reset(&list, &QAbstractItemModel::modelReset);
    QCOMPARE(list.removeChecked(), 2);
    QCOMPARE(reset.count(), 1);
    QCOMPARE(column(list, 0), (QStringList{"seo tools", "keyword density", "backlinks"}));
    QCOMPARE(list.checkedCount(), 0);
    QCOMPARE(list.firstChecked(), -1);
    QVERIFY(!list.containsText(QStringLiteral("anchor text")));
    // The other "backlinks" row is still there.
    QVERIFY(list.containsText(QStringLiteral("backlinks")));
    QCOMPARE(list.findText(QStringLiteral("backlinks")), 2);
    QCOMPARE(list.cell(2, 1), QStringLiteral("1"));
    QCOMPARE(tags(list), (QStringList{"tag:seo tools", "tag:keyword density", ""}));
}

void TestResultList::copyFrom()
{
    ResultList reserve(
        {QStringLiteral("关键词"), QStringLiteral("Google"), QStringLiteral("Yahoo"), QStringLiteral("Bing")});
    reserve.addRow(QStringLiteral("seo"), {QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("30")});
    reserve.addRow(QStringLiteral("seo tools"), {QStringLiteral("1"), QStringLiteral("-")}); // short row
    reserve.setBold(0, true);

    ResultList shown(
        {QStringLiteral("关键词"), QStringLiteral("Google"), QStringLiteral("Yahoo"), QStringLiteral("Bing")});
    shown.addRow(QStringLiteral("old row"));
    shown.sortByColumnClick(1);
    QVERIFY(shown.sortingEnabled());

    shown.copyFrom(reserve, 3);
    QCOMPARE(shown.count(), 2);
    QVERIFY(!shown.sortingEnabled());
    QVERIFY(!shown.containsText(QStringLiteral("old row")));
    QCOMPARE(shown.row(0).bold, true);
    QCOMPARE(shown.row(1).bold, false);
    QCOMPARE(shown.row(0).sub, (QStringList{"10", "20", "30"}));
    QCOMPARE(shown.cell(1, 2), QStringLiteral("-"));
    QCOMPARE(shown.cell(1, 3), QString());
    QCOMPARE(shown.findText(QStringLiteral("seo tools")), 1);

    // Only as many sub-columns as asked for, and never more than the list has.
    ResultList narrow({QStringLiteral("关键词"), QStringLiteral("Google")});
    narrow.copyFrom(reserve, 3);
    QCOMPARE(narrow.row(0).sub, (QStringList{"10"}));
    ResultList two(
        {QStringLiteral("关键词"), QStringLiteral("Google"), QStringLiteral("Yahoo"), QStringLiteral("Bing")});
    two.copyFrom(reserve, 2);
    QCOMPARE(two.row(0).sub, (QStringList{"10", "20"}));

    // The copy is independent of its source.
    reserve.setCell(0, 1, QStringLiteral("99"));
    QCOMPARE(shown.cell(0, 1), QStringLiteral("10"));
}

void TestResultList::findAfterRemovalsAndSorts()
{
    ResultList list({QStringLiteral("关键词"), QStringLiteral("Google")});
    for (int i = 0; i < 50; ++i)
        list.addRow(QStringLiteral("kw %1").arg(i, 2, 10, QLatin1Char('0')), {QString::number(i * 7 % 50)});
    list.addRow(QStringLiteral("seo tools"), {QStringLiteral("3")});

    QVERIFY(list.containsText(QStringLiteral(" seo tools ")));
    QVERIFY(!list.containsText(QStringLiteral("SEO tools")));
    QCOMPARE(list.findText(QStringLiteral("SEO tools")), -1);
    QCOMPARE(list.findText(QStringLiteral(" seo tools ")), 50);
    // Only spaces are trimmed: a row ending in a line break finds itself again.
    list.addRow(QStringLiteral("web hosting\n"));
    QVERIFY(list.containsText(QStringLiteral("web hosting\n")));
    QVERIFY(!list.containsText(QStringLiteral("web hosting")));
    list.removeRowAt(51);
    // A row whose own text has spaces around it is found by its trimmed text.
    list.addRow(QStringLiteral("  padded kw "));
    QVERIFY(list.containsText(QStringLiteral("padded kw")));
    QCOMPARE(list.findText(QStringLiteral("padded kw")), 51);
    QCOMPARE(list.findText(QStringLiteral(" padded kw")), 51);
    list.setCell(51, 0, QStringLiteral(" padded kw2"));
    QVERIFY(!list.containsText(QStringLiteral("padded kw")));
    QCOMPARE(list.findText(QStringLiteral("padded kw2")), 51);
    list.removeRowAt(51);
    QVERIFY(!list.containsText(QStringLiteral("padded kw2")));

    list.sortByColumnClick(1);
    list.removeRowAt(0);
    for (int r = 0; r < list.count(); r += 2)
        list.setChecked(r, true);
    list.removeChecked();
    list.sortByColumnClick(0);
    list.addRow(QStringLiteral("new kw"));

    // Every remaining row is found at its current place; removed ones are gone.
    for (int r = 0; r < list.count(); ++r)
        QCOMPARE(list.findText(list.cell(r, 0)), r);
    int found = 0;
    for (int i = 0; i < 50; ++i)
        found += list.containsText(QStringLiteral("kw %1").arg(i, 2, 10, QLatin1Char('0'))) ? 1 : 0;
    QCOMPARE(found + 1 + int(list.containsText(QStringLiteral("seo tools"))), list.count());

    // Renaming a row moves it in the lookup as well.
    const int r = list.findText(QStringLiteral("new kw"));
    list.setCell(r, 0, QStringLiteral("renamed kw"));
    QVERIFY(!list.containsText(QStringLiteral("new kw")));
    QCOMPARE(list.findText(QStringLiteral("renamed kw")), r);

    list.clear();
    QVERIFY(!list.containsText(QStringLiteral("renamed kw")));
    QCOMPARE(list.findText(QStringLiteral("renamed kw")), -1);
}

void TestResultList::sortOrderOfMixedCells()
{
    // Each row is named by its place; the count cells mix numbers with
    // separators and spaces, "-", empty, other texts, equal values and a
    // number longer than twelve digits.
    const QStringList cells{QStringLiteral("1,200"),
                            QStringLiteral("95"),
                            QStringLiteral("-"),
                            QStringLiteral("95"),
                            QString(),
                            QStringLiteral("获取失败"),
                            QStringLiteral("0"),
                            QStringLiteral("1200"),
                            QStringLiteral(" 7"),
                            QStringLiteral("1234567890123"),
                            QStringLiteral("abc"),
                            QStringLiteral("ABC")};
    ResultList list({QStringLiteral("关键词"), QStringLiteral("Google")});
    for (int i = 0; i < cells.size(); ++i)
        list.addRow(QStringLiteral("r%1").arg(i), {cells.at(i)});
    list.setChecked(3, true);
    list.setBold(8, true);

    list.sortByColumnClick(1);
    QCOMPARE(list.sortOrder(), Qt::DescendingOrder);
    // Equal keys ("95" twice, "1,200" and "1200", "abc" and "ABC") keep
    // their earlier order in both directions.
    QCOMPARE(column(list, 0), (QStringList{"r5", "r10", "r11", "r9", "r0", "r7", "r1", "r3", "r8", "r6", "r2", "r4"}));
    QCOMPARE(list.firstChecked(), list.findText(QStringLiteral("r3")));
    QVERIFY(list.isBold(list.findText(QStringLiteral("r8"))));
    QCOMPARE(list.checkedCount(), 1);

    list.sortByColumnClick(1);
    QCOMPARE(column(list, 0), (QStringList{"r4", "r2", "r6", "r8", "r1", "r3", "r0", "r7", "r9", "r10", "r11", "r5"}));
    QCOMPARE(column(list, 1),
             (QStringList{"", "-", "0", " 7", "95", "95", "1,200", "1200", "1234567890123", "abc", "ABC", "获取失败"}));
    QCOMPARE(list.firstChecked(), 5);
    QCOMPARE(list.isBold(3), true);
    for (int r = 0; r < list.count(); ++r)
        QCOMPARE(list.isBold(r) || list.isChecked(r), r == 3 || r == 5);
}

void TestResultList::sortOfManyRowsMatchesPaddedTextOrder()
{
    // The order the sort promises, computed the slow way: every cell as its
    // padded text, compared as text, stable.
    ResultList list({QStringLiteral("关键词"), QStringLiteral("Google")});
    quint32 x = 7;
    const QStringList odd{QStringLiteral("-"),
                          QString(),
                          QStringLiteral("n/a"),
                          QStringLiteral("+5"),
                          QStringLiteral("-3"),
                          QStringLiteral("12,34"),
                          QStringLiteral("99999999999999")};
    for (int i = 0; i < 3000; ++i) {
        x = x * 1103515245u + 12345u;
        const quint32 v = (x >> 8) % 5000u;
        const QString c = v % 9 == 0 ? odd.at(int(v / 9) % odd.size()) : QString::number(v % 700);
        list.addRow(QStringLiteral("k%1").arg(i), {c});
    }
    for (Qt::SortOrder order : {Qt::DescendingOrder, Qt::AscendingOrder}) {
        QVector<QPair<QString, int>> keys;
        for (int r = 0; r < list.count(); ++r)
            keys.append({ResultList::sortKey(list.cell(r, 1)), r});
        std::stable_sort(keys.begin(), keys.end(), [order](const auto &a, const auto &b) {
            const int c = QString::compare(a.first, b.first, Qt::CaseInsensitive);
            return order == Qt::AscendingOrder ? c < 0 : c > 0;
        });
        QStringList expected;
        for (const auto &k : keys)
            expected.append(list.cell(k.second, 0));
        list.sortByColumnClick(1);
        QCOMPARE(list.sortOrder(), order);
        QCOMPARE(column(list, 0), expected);
    }
}

void TestResultList::copiesStayIndependent()
{
    const QStringList headers{QStringLiteral("关键词"), QStringLiteral("Google"), QStringLiteral("Yahoo")};
    ResultList reserve(headers);
    reserve.addRow(QStringLiteral("alpha"), {QStringLiteral("1"), QStringLiteral("10")});
    reserve.addRow(QStringLiteral("beta"), {QStringLiteral("2"), QStringLiteral("20")});
    reserve.addRow(QStringLiteral("gamma"), {QStringLiteral("3"), QStringLiteral("30")});
    reserve.setBold(1, true);
    ResultList shown(headers);
    shown.copyFrom(reserve, 2);

    // Edits, ticks and order of one list never show in the other.
    shown.setCell(0, 1, QStringLiteral("更新中..."));
    reserve.setCell(2, 2, QStringLiteral("33"));
    shown.setChecked(1, true);
    shown.setBold(1, false);
    QCOMPARE(reserve.cell(0, 1), QStringLiteral("1"));
    QCOMPARE(shown.cell(2, 2), QStringLiteral("30"));
    QVERIFY(!reserve.isChecked(1));
    QVERIFY(reserve.isBold(1));
    shown.sortByColumnClick(0); // descending: gamma, beta, alpha
    QCOMPARE(column(reserve, 0), (QStringList{"alpha", "beta", "gamma"}));
    QCOMPARE(column(shown, 1), (QStringList{"3", "2", "更新中..."}));
    QCOMPARE(shown.firstChecked(), 1);
    reserve.setTag(0, QStringLiteral("t"));
    QVERIFY(shown.tag(2).isEmpty());

    // A removal from one list leaves the other whole.
    QCOMPARE(shown.removeChecked(), 1);
    QCOMPARE(reserve.count(), 3);
    QCOMPARE(shown.findText(QStringLiteral("alpha")), 1);
    QCOMPARE(reserve.findText(QStringLiteral("alpha")), 0);

    // Emptying the source keeps the copy's cells.
    shown.copyFrom(reserve, 2);
    reserve.clear();
    QCOMPARE(column(shown, 0), (QStringList{"alpha", "beta", "gamma"}));
    QCOMPARE(column(shown, 2), (QStringList{"10", "20", "33"}));
    QVERIFY(shown.isBold(1));
    QVERIFY(shown.tag(0).isEmpty()); // a rebuild copies no tags
}

void TestResultList::appendFromAnotherList()
{
    const QStringList headers{QStringLiteral("关键词"), QStringLiteral("Google")};
    ResultList source(headers);
    source.addRow(QStringLiteral("one"), {QStringLiteral("1")});
    source.addRow(QStringLiteral("two"), {QStringLiteral("2")});
    source.setChecked(0, true);
    source.setBold(1, true);

    ResultList list(headers);
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    list.appendFrom(source);
    list.appendFrom(source); // onto rows it already has: copies again
    QCOMPARE(inserted.count(), 2);
    QCOMPARE(column(list, 0), (QStringList{"one", "two", "one", "two"}));
    QCOMPARE(list.checkedCount(), 0);
    QVERIFY(list.isBold(1) && list.isBold(3) && !list.isBold(0));
    QCOMPARE(list.findText(QStringLiteral("two")), 1);
    list.setCell(3, 1, QStringLiteral("22"));
    QCOMPARE(list.cell(1, 1), QStringLiteral("2"));
    QCOMPARE(source.cell(1, 1), QStringLiteral("2"));

    ResultList other(headers);
    other.addRow(QStringLiteral("three"), {QStringLiteral("3")});
    list.appendFrom(other);
    other.clear();
    QCOMPARE(list.cell(4, 0), QStringLiteral("three"));
    QCOMPARE(list.cell(4, 1), QStringLiteral("3"));
}

void TestResultList::largeListWithoutPerRowAllocations()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("the sanitizer's allocator keeps its own books");
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    QSKIP("the sanitizer's allocator keeps its own books");
#endif
#endif
    // 200,000 rows of a keyword table, loaded into a reserve list and shown
    // by a second list, then sorted, filtered down and restored. Heap bytes
    // in use may grow by the texts and a few fixed-size entries per row: one
    // heap block per cell (six of them, 32 bytes or more each) would not fit.
    const int rows = 200000;
    const QStringList headers{QStringLiteral("关键词"), QStringLiteral("父关键词"), QStringLiteral("G"),
                              QStringLiteral("Y"),      QStringLiteral("B"),        QStringLiteral("日期")};
    auto inUse = [] {
        const struct mallinfo2 m = mallinfo2();
        return qint64(m.uordblks + m.hblkhd);
    };
    ResultList reserve(headers);
    ResultList shown(headers);
    QString keyword, parent, google, yahoo, bing, date;
    qint64 textBytes = 0;
    const qint64 before = inUse();
    {
        ResultList::Appender add(reserve);
        for (int i = 0; i < rows; ++i) {
            keyword = QStringLiteral("seed %1 related keyword %2").arg(i % 365).arg(i);
            parent = QStringLiteral("seed %1").arg(i % 365);
            google = QString::number((i * 7919) % 10000000);
            yahoo = i % 7 == 0 ? QStringLiteral("-") : QString::number((i * 104729) % 9000000);
            bing = QString::number(i % 3333333);
            date = QStringLiteral("2024-%1-%2")
                       .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                       .arg(1 + i % 28, 2, 10, QLatin1Char('0'));
            add.append({keyword, parent, google, yahoo, bing, date});
            textBytes +=
                2 * (keyword.size() + parent.size() + google.size() + yahoo.size() + bing.size() + date.size());
        }
    }
    shown.appendFrom(reserve);
    const qint64 loaded = inUse();
    QCOMPARE(shown.count(), rows);
    QCOMPARE(shown.cell(rows - 1, 0), QStringLiteral("seed %1 related keyword %2").arg((rows - 1) % 365).arg(rows - 1));
    const double perRow = double(loaded - before - textBytes) / rows;
    QVERIFY2(perRow < 120, qPrintable(QStringLiteral("%1 bytes a row beside the texts").arg(perRow)));

    shown.sortByColumnClick(2);
    shown.sortByColumnClick(0);
    shown.removeRowsWhere([&shown](int r) { return shown.cellView(r, 4).size() > 6; });
    shown.copyFrom(reserve, 5);
    const double grown = double(inUse() - loaded) / rows;
    QVERIFY2(grown < 8, qPrintable(QStringLiteral("%1 bytes a row kept after sorting").arg(grown)));
    QCOMPARE(shown.count(), rows);
}

QTEST_GUILESS_MAIN(TestResultList)
#include "test_resultlist.moc"
