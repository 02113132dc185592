// The database list and its reserve: load, reload, restore, delete, filter
// and the column sort over the loaded rows.

#include "common/ResultFilter.h"
#include "common/ResultList.h"
#include "keyworddb/KeywordDatabase.h"
#include "support/TestEnv.h"

#include <QTest>

class TestKeywordDatabase : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void headersOfBothLists()
    {
        TestEnv f;
        KeywordDatabase db(f.store());
        QCOMPARE(db.list().headers(),
                 (QStringList{QStringLiteral("关键词"), QStringLiteral("父关键词"), QStringLiteral("Google收录"),
                              QStringLiteral("Yahoo收录"), QStringLiteral("Bing收录"), QStringLiteral("更新日期")}));
        QCOMPARE(db.reserve().headers().at(4), QStringLiteral("Bing收录数"));
        QCOMPARE(db.reserve().headers().size(), 6);
    }

    void getDbLoadsNewestFirstIntoListAndReserve()
    {
        TestEnv f;
        QVERIFY(f.store().insert(QStringLiteral("old"), QStringLiteral("p1"),
                                 {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}, QDate(2024, 1, 1)));
        QVERIFY(f.store().insert(QStringLiteral("new"), QStringLiteral("p2"),
                                 {QStringLiteral("4"), QStringLiteral("-"), QStringLiteral("6")}, QDate(2024, 1, 2)));
        KeywordDatabase db(f.store());
        db.GetDb();
        QCOMPARE(db.list().columnTexts(), (QStringList{QStringLiteral("new"), QStringLiteral("old")}));
        QCOMPARE(db.list().row(0).sub,
                 (QStringList{QStringLiteral("p2"), QStringLiteral("4"), QStringLiteral("-"), QStringLiteral("6"),
                              QStringLiteral("2024-01-02")}));
        QCOMPARE(db.reserve().row(1).sub,
                 (QStringList{QStringLiteral("p1"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                              QStringLiteral("2024-01-01")}));

        // GetDb does not empty the shown list, but replaces the reserve.
        db.GetDb();
        QCOMPARE(db.list().count(), 4);
        QCOMPARE(db.reserve().count(), 2);

        // "刷新数据库" and "还原": every stored keyword exactly once.
        db.reload();
        QCOMPARE(db.list().columnTexts(), (QStringList{QStringLiteral("new"), QStringLiteral("old")}));
        db.list().setBold(1, true);
        db.restore();
        QCOMPARE(db.list().columnTexts(), (QStringList{QStringLiteral("new"), QStringLiteral("old")}));
        QCOMPARE(db.list().row(1).sub.size(), 5);
        QCOMPARE(db.list().row(1).sub.at(4), QStringLiteral("2024-01-01"));
        QVERIFY(!db.list().row(1).bold); // a restore removes the resume mark
    }

    void deleteMessagesAndCounts()
    {
        TestEnv f;
        f.seed({QStringLiteral("alpha"), QStringLiteral("kid's toys"), QStringLiteral("beta")});
        // The same keyword twice in the table.
        f.seed({QStringLiteral("alpha")});
        KeywordDatabase db(f.store());
        db.GetDb();
        QCOMPARE(db.list().columnTexts(),
                 (QStringList{QStringLiteral("alpha"), QStringLiteral("beta"), QStringLiteral("kid's toys"),
                              QStringLiteral("alpha")}));

        db.deleteTickedWithMessages(f.prompter);
        QCOMPARE(f.prompter.prompts.size(), 1);
        QCOMPARE(f.prompter.prompts.last().title, QStringLiteral("提示"));
        QCOMPARE(f.prompter.prompts.last().text, QStringLiteral("请选择要删除的关键词！"));
        QCOMPARE(f.prompter.prompts.last().icon, Prompter::Icon::Information);
        QCOMPARE(db.list().count(), 4);

        db.list().setChecked(0, true);
        db.list().setChecked(3, true);
        db.list().setChecked(2, true);
        db.deleteTickedWithMessages(f.prompter);
        QCOMPARE(f.prompter.prompts.size(), 2);
        QCOMPARE(f.prompter.prompts.last().title, QStringLiteral("Veltrana"));
        QCOMPARE(f.prompter.prompts.last().text, QStringLiteral("成功删除3个关键词！"));
        QCOMPARE(f.prompter.prompts.last().icon, Prompter::Icon::None);
        QCOMPARE(db.list().columnTexts(), (QStringList{QStringLiteral("beta")}));
        QCOMPARE(f.store().rowCount(), 1);
        QVERIFY(!f.store().find(QStringLiteral("kid's toys")));
        QVERIFY(!f.store().find(QStringLiteral("alpha")));

        // A restore does not bring deleted keywords back.
        db.restore();
        QCOMPARE(db.list().columnTexts(), (QStringList{QStringLiteral("beta")}));
        QCOMPARE(db.reserve().columnTexts(), (QStringList{QStringLiteral("beta")}));
    }

    void twoTickedRowsOfOneKeywordReportTwo()
    {
        TestEnv f;
        f.seed({QStringLiteral("dup"), QStringLiteral("dup"), QStringLiteral("keep")});
        KeywordDatabase db(f.store());
        db.GetDb();
        db.list().setChecked(1, true);
        db.list().setChecked(2, true);
        db.deleteTickedWithMessages(f.prompter);
        QCOMPARE(f.prompter.lastText(), QStringLiteral("成功删除2个关键词！"));
        QCOMPARE(db.list().columnTexts(), (QStringList{QStringLiteral("keep")}));
        QCOMPARE(f.store().rowCount(), 1);
    }

    void filterKeepsDatesAndUsesDatabaseColumns()
    {
        TestEnv f;
        QVERIFY(f.store().insert(QStringLiteral("seo tools"), QStringLiteral("seo"),
                                 {QStringLiteral("1500"), QStringLiteral("10"), QStringLiteral("-")},
                                 QDate(2024, 2, 1)));
        QVERIFY(f.store().insert(QStringLiteral("SEO TOOLS"), QStringLiteral("seo"),
                                 {QStringLiteral("5000"), QStringLiteral("10"), QStringLiteral("-")},
                                 QDate(2024, 2, 2)));
        QVERIFY(f.store().insert(QStringLiteral("seo tips"), QStringLiteral("seo"),
                                 {QStringLiteral("1000"), QStringLiteral("10"), QStringLiteral("-")},
                                 QDate(2024, 2, 3)));
        QVERIFY(f.store().insert(QStringLiteral("seo blog"), QStringLiteral("seo"),
                                 {QStringLiteral("-"), QStringLiteral("99"), QStringLiteral("-")}, QDate(2024, 2, 4)));
        KeywordDatabase db(f.store());
        db.GetDb();

        FilterConditions c;
        c.text = QStringLiteral("seo");
        c.google = {QStringLiteral(">"), QStringLiteral("1000")};
        db.filter(c);
        QCOMPARE(db.list().columnTexts(), (QStringList{QStringLiteral("seo blog"), QStringLiteral("seo tools")}));
        QCOMPARE(db.list().cell(0, KeywordDatabase::Date), QStringLiteral("2024-02-04"));
        QCOMPARE(db.list().cell(1, KeywordDatabase::Date), QStringLiteral("2024-02-01"));
        QCOMPARE(db.list().cell(1, KeywordDatabase::Parent), QStringLiteral("seo"));
        QCOMPARE(db.reserve().count(), 4);

        // The Yahoo threshold reads sub-column 3 of this list.
        FilterConditions y;
        y.yahoo = {QStringLiteral("="), QStringLiteral("99")};
        db.filter(y);
        QCOMPARE(db.list().columnTexts(), (QStringList{QStringLiteral("seo blog")}));

        db.restore();
        QCOMPARE(db.list().count(), 4);
    }

    void countColumnSortsByValueAndKeepsCells()
    {
        TestEnv f;
        QVERIFY(f.store().insert(QStringLiteral("a"), {}, {QStringLiteral("95"), {}, {}}, QDate(2024, 1, 1)));
        QVERIFY(f.store().insert(QStringLiteral("b"), {}, {QStringLiteral("1200"), {}, {}}, QDate(2024, 1, 1)));
        QVERIFY(f.store().insert(QStringLiteral("c"), {}, {QStringLiteral("-"), {}, {}}, QDate(2024, 1, 1)));
        QVERIFY(f.store().insert(QStringLiteral("d"), {}, {QStringLiteral("7"), {}, {}}, QDate(2024, 1, 1)));
        KeywordDatabase db(f.store());
        db.GetDb();
        db.list().sortByColumnClick(KeywordDatabase::Google);
        const QStringList first = db.list().columnTexts();
        db.list().sortByColumnClick(KeywordDatabase::Google);
        const QStringList second = db.list().columnTexts();
        // One of the two clicks is ascending: numbers in value order; "-" keeps
        // its text, which sorts before the padded digits.
        const QStringList ascending{QStringLiteral("c"), QStringLiteral("d"), QStringLiteral("a"), QStringLiteral("b")};
        QStringList descending = ascending;
        std::reverse(descending.begin(), descending.end());
        QVERIFY(first != second);
        QVERIFY((first == ascending && second == descending) || (first == descending && second == ascending));
        QCOMPARE(db.list().cell(db.list().findText(QStringLiteral("b")), KeywordDatabase::Google),
                 QStringLiteral("1200"));
        QVERIFY(db.list().row(0).tag.isEmpty());
    }

    void deleteAfterFilterAndSortLeavesBothListsAndTable()
    {
        TestEnv f;
        const QStringList google{"500", "-", "7000", "7000", "20", "1,900"};
        for (int i = 0; i < google.size(); ++i)
            QVERIFY(f.store().insert(QStringLiteral("kw %1").arg(i), QStringLiteral("seed"),
                                     {google.at(i), QStringLiteral("1"), QStringLiteral("2")}, QDate(2024, 3, 1 + i)));
        KeywordDatabase db(f.store());
        db.GetDb();
        FilterConditions google100;
        google100.google = {QStringLiteral(">"), QStringLiteral("100")};
        db.filter(google100); // kw 5, kw 3, kw 2, kw 1 ("-"), kw 0
        QCOMPARE(db.list().columnTexts(), (QStringList{"kw 5", "kw 3", "kw 2", "kw 1", "kw 0"}));
        db.list().sortByColumnClick(KeywordDatabase::Google); // descending, equal values in list order
        QCOMPARE(db.list().columnTexts(), (QStringList{"kw 3", "kw 2", "kw 5", "kw 0", "kw 1"}));
        db.list().setChecked(1, true); // kw 2
        db.list().setChecked(3, true); // kw 0
        // Ticks stay on their rows through a sort, and belong to the shown list only.
        db.list().sortByColumnClick(KeywordDatabase::Google);
        QCOMPARE(db.list().columnTexts(), (QStringList{"kw 1", "kw 0", "kw 5", "kw 3", "kw 2"}));
        QCOMPARE(db.list().checkedCount(), 2);
        QVERIFY(db.list().isChecked(1) && db.list().isChecked(4));
        QCOMPARE(db.reserve().checkedCount(), 0);

        QCOMPARE(db.deleteTicked(), 2);
        QCOMPARE(db.list().columnTexts(), (QStringList{"kw 1", "kw 5", "kw 3"}));
        QCOMPARE(db.reserve().columnTexts(), (QStringList{"kw 5", "kw 4", "kw 3", "kw 1"}));
        QCOMPARE(f.store().rowCount(), 4);
        QVERIFY(!f.store().find(QStringLiteral("kw 0")) && !f.store().find(QStringLiteral("kw 2")));
        QVERIFY(!db.isStale());
        db.restore();
        QCOMPARE(db.list().columnTexts(), (QStringList{"kw 5", "kw 4", "kw 3", "kw 1"}));
        QCOMPARE(db.list().cell(0, KeywordDatabase::Google), QStringLiteral("1,900"));
        QCOMPARE(db.list().checkedCount(), 0);
    }

    void resumeRowAndItsTextsBelongToTheShownList()
    {
        TestEnv f;
        for (int i = 0; i < 4; ++i)
            QVERIFY(f.store().insert(QStringLiteral("kw %1").arg(i), QStringLiteral("seed"),
                                     {QString::number(100 * (i + 1)), QStringLiteral("-"), QStringLiteral("5")},
                                     QDate(2024, 3, 1)));
        KeywordDatabase db(f.store());
        db.GetDb(); // kw 3, kw 2, kw 1, kw 0
        // A paused refresh: its row bold, a count cell still in progress.
        db.list().setBold(1, true);
        db.list().setCell(1, KeywordDatabase::Google, QStringLiteral("更新中..."));
        QCOMPARE(db.reserve().cell(1, KeywordDatabase::Google), QStringLiteral("300"));
        QVERIFY(!db.reserve().isBold(1));

        // The bold row and its text move together through a sort.
        db.list().sortByColumnClick(KeywordDatabase::Google); // descending: the text sorts above the numbers
        QCOMPARE(db.list().columnTexts(), (QStringList{"kw 2", "kw 3", "kw 1", "kw 0"}));
        for (int r = 0; r < 4; ++r)
            QCOMPARE(db.list().isBold(r), r == 0);
        QCOMPARE(db.list().cell(0, KeywordDatabase::Google), QStringLiteral("更新中..."));

        // A filter rebuilds from the reserve: its counts, and no mark.
        FilterConditions over150;
        over150.google = {QStringLiteral(">"), QStringLiteral("150")};
        db.filter(over150);
        QCOMPARE(db.list().columnTexts(), (QStringList{"kw 3", "kw 2", "kw 1"}));
        QCOMPARE(db.list().cell(1, KeywordDatabase::Google), QStringLiteral("300"));
        for (int r = 0; r < db.list().count(); ++r)
            QVERIFY(!db.list().isBold(r));
    }
};

QTEST_GUILESS_MAIN(TestKeywordDatabase)
#include "test_keyworddatabase.moc"
