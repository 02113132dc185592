// ResultList: the column sort, ticked-row removal, copying from a reserve
// list and the hashed find.

#include "common/ResultList.h"

#include <QSignalSpy>
#include <QtTest>

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

QTEST_GUILESS_MAIN(TestResultList)
#include "test_resultlist.moc"
