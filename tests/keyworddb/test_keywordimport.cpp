// Keyword files into the keyword table: a keyword planner's exports (UTF-16
// with tabs, UTF-8 with commas), the table's own CSV report read back, plain
// lists in GB18030 and UTF-8, and bad files that must store nothing.

#include "keyworddb/KeywordImport.h"
#include "reports/ExportCommand.h"
#include "support/FileBytes.h"
#include "support/TestEnv.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QTest>
#include <algorithm>

namespace {

QByteArray utf16le(const QString &text)
{
    QStringEncoder encoder(QStringEncoder::Utf16LE);
    return QByteArray("\xFF\xFE") + QByteArray(encoder.encode(text));
}

QByteArray gb18030(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

// A planner export as the planner writes it: two title lines, the header,
// one row per keyword with the volume as a range or a number.
QString plannerText(QChar sep)
{
    const QStringList header{QStringLiteral("Keyword"),
                             QStringLiteral("Currency"),
                             QStringLiteral("Avg. monthly searches"),
                             QStringLiteral("Three month change"),
                             QStringLiteral("YoY change"),
                             QStringLiteral("Competition"),
                             QStringLiteral("Competition (indexed value)"),
                             QStringLiteral("Top of page bid (low range)"),
                             QStringLiteral("Top of page bid (high range)")};
    QString text = QStringLiteral("Keyword Stats 2026-12-01 at 10_15_42\r\n");
    text += sep == u',' ? QStringLiteral("\"December 1, 2025 - November 30, 2026\"\r\n")
                        : QStringLiteral("December 1, 2025 - November 30, 2026\r\n");
    text += header.join(sep) + QStringLiteral("\r\n");
    const QList<QStringList> rows{
        {QStringLiteral("seo tools"), QStringLiteral("USD"), QStringLiteral("10000"), QStringLiteral("0%"),
         QStringLiteral("0%"), QStringLiteral("High"), QStringLiteral("78"), QStringLiteral("2.10"),
         QStringLiteral("12.40")},
        {QStringLiteral(" 搜索引擎优化 "), QStringLiteral("USD"), QStringLiteral("1000"), QStringLiteral("-90%"),
         QStringLiteral("0%"), QStringLiteral("Low"), QStringLiteral("12"), QString(), QString()},
        {QStringLiteral("seo tools"), QStringLiteral("USD"), QStringLiteral("10000"), QString(), QString(), QString(),
         QString(), QString(), QString()},
    };
    for (const QStringList &row : rows)
        text += row.join(sep) + QStringLiteral("\r\n");
    return text;
}

QStringList keywordsOf(const KeywordImport::Parsed &parsed)
{
    QStringList out;
    for (const KeywordStore::Record &r : parsed.records)
        out.append(r.keys);
    return out;
}

QStringList tableRows(const KeywordStore &store)
{
    QStringList out;
    for (const KeywordStore::Record &r : store.loadAll())
        out.append(QStringList{r.keys, r.parentkeys, r.counts.google, r.counts.yahoo, r.counts.bing, r.adddate}.join(
            QStringLiteral(" | ")));
    return out;
}

} // namespace

class TestKeywordImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void plannerUtf16WithTitleLines()
    {
        const KeywordImport::Parsed parsed = KeywordImport::parse(utf16le(plannerText(u'\t')));
        QVERIFY2(parsed.ok(), qPrintable(KeywordImport::problemText(parsed)));
        QCOMPARE(parsed.kind, KeywordImport::Kind::PlannerExport);
        // Title lines and the header are no keywords; the repeat is still
        // there for the table to skip.
        QCOMPARE(
            keywordsOf(parsed),
            (QStringList{QStringLiteral("seo tools"), QStringLiteral("搜索引擎优化"), QStringLiteral("seo tools")}));
        // The table has no volume column: no count comes from the planner.
        for (const KeywordStore::Record &r : parsed.records) {
            QCOMPARE(r.counts.google, QStringLiteral("-"));
            QCOMPARE(r.counts.yahoo, QStringLiteral("-"));
            QCOMPARE(r.counts.bing, QStringLiteral("-"));
            QVERIFY(r.parentkeys.isEmpty());
            QVERIFY(r.adddate.isEmpty());
        }
    }

    void plannerUtf8CsvWithQuotedFields()
    {
        QString text = plannerText(u',');
        // A keyword with a comma and a quote, and a range in the volume column.
        text += QStringLiteral("\"seo, \"\"cheap\"\"\",USD,10K – 100K,,,,,,\r\n");
        const KeywordImport::Parsed parsed = KeywordImport::parse(text.toUtf8());
        QVERIFY2(parsed.ok(), qPrintable(KeywordImport::problemText(parsed)));
        QCOMPARE(parsed.kind, KeywordImport::Kind::PlannerExport);
        QCOMPARE(keywordsOf(parsed),
                 (QStringList{QStringLiteral("seo tools"), QStringLiteral("搜索引擎优化"), QStringLiteral("seo tools"),
                              QStringLiteral("seo, \"cheap\"")}));
        // With a byte-order mark and a single title line as well.
        const QString oneTitle = text.section(QStringLiteral("\r\n"), 1);
        const KeywordImport::Parsed marked = KeywordImport::parse(QByteArray("\xEF\xBB\xBF") + oneTitle.toUtf8());
        QVERIFY(marked.ok());
        QCOMPARE(keywordsOf(marked), keywordsOf(parsed));
    }

    void plainListsInGb18030AndUtf8()
    {
        // "小说" in GB18030 is also valid UTF-8 bytes; the list must not be
        // read as UTF-8 because of that.
        const QString list = QStringLiteral("小说\r\n  网络 小说 \r\n\r\nkid's toys\r\n关键词\tx\r\n");
        const QStringList expected{QStringLiteral("小说"), QStringLiteral("网络 小说"), QStringLiteral("kid's toys"),
                                   QStringLiteral("关键词\tx")};
        const KeywordImport::Parsed gb = KeywordImport::parse(gb18030(list));
        QVERIFY2(gb.ok(), qPrintable(KeywordImport::problemText(gb)));
        QCOMPARE(gb.kind, KeywordImport::Kind::PlainList);
        QCOMPARE(keywordsOf(gb), expected);
        const KeywordImport::Parsed utf8 = KeywordImport::parse(list.toUtf8());
        QVERIFY(utf8.ok());
        QCOMPARE(keywordsOf(utf8), expected);
        // LF line ends and no line end at the last line.
        const KeywordImport::Parsed lf = KeywordImport::parse(gb18030(QStringLiteral("a,b\nc")));
        QCOMPARE(lf.kind, KeywordImport::Kind::PlainList);
        QCOMPARE(keywordsOf(lf), (QStringList{QStringLiteral("a,b"), QStringLiteral("c")}));
        // UTF-16 as Windows editors save "Unicode" text.
        QCOMPARE(keywordsOf(KeywordImport::parse(utf16le(list))), expected);
    }

    void badFilesAreRefusedWithTheLine()
    {
        using KeywordImport::Problem;
        struct Case {
            const char *name;
            QByteArray bytes;
            Problem problem;
            int line;
        };
        const QString planner = plannerText(u',');
        const QList<Case> cases{
            {"empty", QByteArray(), Problem::NoKeywords, 0},
            {"blank lines", QByteArray(" \r\n\r\n"), Problem::NoKeywords, 0},
            {"planner header alone", plannerText(u'\t').section(QStringLiteral("\r\n"), 0, 2).toUtf8(),
             Problem::NoKeywords, 0},
            {"NUL bytes", QByteArray("seo\0tools\n", 10), Problem::NotText, 0},
            {"not GB18030", QByteArray("seo\n\xFF\xFF\xFF\n"), Problem::NotText, 0},
            {"odd UTF-16", utf16le(QStringLiteral("seo\n")) + 'x', Problem::NotText, 0},
            {"no volume column", QByteArray("Keyword\tCurrency\nseo\tUSD\n"), Problem::NoVolumeColumn, 1},
            {"open quote", (planner + QStringLiteral("\"seo,USD,10,,,,,,\r\nmore,USD\r\n")).toUtf8(),
             Problem::OpenQuote, 7},
            {"extra field", (planner + QStringLiteral("seo,USD,10,,,,,,,extra\r\n")).toUtf8(), Problem::ExtraFields, 7},
            {"report row cut short",
             QStringLiteral("\uFEFF关键词,父关键词,Google收录,Yahoo收录,Bing收录,更新日期\r\na,p,1,2,3,2024-01-01\r\n"
                            "b,p,1\r\n")
                 .toUtf8(),
             Problem::MissingFields, 3},
            {"report date",
             QStringLiteral("关键词,父关键词,Google收录,Yahoo收录,Bing收录,更新日期\r\na,p,1,2,3,01/02/2024\r\n")
                 .toUtf8(),
             Problem::BadDate, 2},
        };
        for (const Case &c : cases) {
            const KeywordImport::Parsed parsed = KeywordImport::parse(c.bytes);
            QVERIFY2(!parsed.ok(), c.name);
            QVERIFY2(
                parsed.problem == c.problem,
                qPrintable(QString::fromLatin1(c.name) + QStringLiteral(": ") + KeywordImport::problemText(parsed)));
            QVERIFY2(
                parsed.line == c.line,
                qPrintable(QString::fromLatin1(c.name) + QStringLiteral(": ") + KeywordImport::problemText(parsed)));
            QVERIFY(parsed.records.isEmpty());
        }
        KeywordImport::Parsed quote = KeywordImport::parse(cases.at(7).bytes);
        QCOMPARE(KeywordImport::problemText(quote), QStringLiteral("line 7: a quoted field is never closed"));
        QCOMPARE(KeywordImport::problemMessage(quote), QStringLiteral("第7行：引号中的字段没有结束"));
    }

    void importAddsMissingAndCountsSkipped()
    {
        TestEnv f;
        f.seed({QStringLiteral("SEO Tools")});
        const QString path = f.dataFile(QStringLiteral("planner.csv"));
        TestFiles::put(path, utf16le(plannerText(u'\t') + QStringLiteral("\t\t\t\t\t\t\t\t\r\n\tUSD\t5\r\n")));
        const KeywordImport::Outcome outcome = KeywordImport::importFile(f.store(), path, f.clock.today());
        QCOMPARE(outcome.status, KeywordImport::Outcome::Added);
        // "seo tools" is stored (in other letter case) and repeated; the last
        // row has no keyword.
        QCOMPARE(outcome.added, 1);
        QCOMPARE(outcome.skipped, 3);
        QCOMPARE(tableRows(f.store()),
                 (QStringList{QStringLiteral("搜索引擎优化 |  | - | - | - | ") + TestEnv::today(),
                              QStringLiteral("SEO Tools | seed | 7 | 7 | 7 | 2020-01-02")}));
        QCOMPARE(KeywordImport::addedMessage(outcome.added, outcome.skipped),
                 QStringLiteral("成功导入1个关键词，跳过3个已有的关键词！"));
    }

    void letterCaseMattersOnlyForAsciiLetters()
    {
        TestEnv f;
        f.seed({QStringLiteral("seo"), QStringLiteral("école")});
        const QString path = f.dataFile(QStringLiteral("cases.txt"));
        // "SEO" is the stored "seo"; "Kid" repeats "kid" of the same file; the
        // table tells "É" from "é" (only ASCII letters fold), so "École" is new.
        TestFiles::put(path, "\xEF\xBB\xBF" + QStringLiteral("SEO\nkid\n  Kid \nÉcole\nécole\nKID\n").toUtf8());
        const KeywordImport::Outcome outcome = KeywordImport::importFile(f.store(), path, f.clock.today());
        QCOMPARE(outcome.status, KeywordImport::Outcome::Added);
        QCOMPARE(outcome.added, 2);
        QCOMPARE(outcome.skipped, 4);
        QStringList keys;
        for (const KeywordStore::Record &r : f.store().loadAll())
            keys.append(r.keys);
        QCOMPARE(keys,
                 (QStringList{QStringLiteral("École"), QStringLiteral("kid"), QStringLiteral("école"),
                              QStringLiteral("seo")}));
        // The table's own look-up agrees with what the import found.
        QVERIFY(f.store().find(QStringLiteral("SEO")));
        QVERIFY(f.store().find(QStringLiteral("KID")));
    }

    void progressCountsUpToTheWholeFile()
    {
        TestEnv f;
        QByteArray text;
        for (int i = 0; i < 10000; ++i)
            text += "keyword " + QByteArray::number(i % 9000) + '\n';
        const QString path = f.dataFile(QStringLiteral("many.txt"));
        TestFiles::put(path, text);
        QList<qsizetype> seen;
        const KeywordImport::Outcome outcome =
            KeywordImport::importFile(f.store(), path, f.clock.today(), [&](qsizetype done, qsizetype total) {
                QCOMPARE(total, qsizetype(10000));
                seen.append(done);
            });
        QCOMPARE(outcome.added, 9000);
        QCOMPARE(outcome.skipped, 1000);
        QCOMPARE(f.store().rowCount(), 9000);
        QVERIFY2(seen.size() >= 3, qPrintable(QString::number(seen.size())));
        QVERIFY(std::is_sorted(seen.begin(), seen.end()));
        QCOMPARE(seen.first(), qsizetype(0));
        QCOMPARE(seen.last(), qsizetype(10000));
    }

    void ownReportReadBackGivesTheSameTable()
    {
        TestEnv from;
        const QList<KeywordStore::Record> stored{
            {QStringLiteral("seo, \"tips\""),
             QStringLiteral("seo"),
             {QStringLiteral("1200"), QStringLiteral("-"), QStringLiteral("95")},
             QStringLiteral("2024-01-01")},
            {QStringLiteral("=HYPERLINK(1)"),
             QStringLiteral("-seed"),
             {QStringLiteral("0"), QStringLiteral("-"), QStringLiteral("-")},
             QStringLiteral("2024-01-01")},
            {QStringLiteral("两行\n关键词"),
             QStringLiteral("+种子"),
             {QStringLiteral("-"), QStringLiteral("7"), QStringLiteral("-")},
             QStringLiteral("2025-06-30")},
            {QStringLiteral("kid's toys"),
             QString(),
             {QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5")},
             QStringLiteral("2024-01-01")},
        };
        for (const KeywordStore::Record &r : stored)
            QVERIFY(from.store().insert(r.keys, r.parentkeys, r.counts,
                                        QDate::fromString(r.adddate, QStringLiteral("yyyy-MM-dd"))));
        // The report as "export db" writes it (the tab's CSV button writes the same).
        const QString path = from.dataFile(QStringLiteral("table.csv"));
        QCOMPARE(runExportCommand(*from.context, {QStringLiteral("export"), QStringLiteral("db"), path}), 0);

        TestEnv to;
        const KeywordImport::Outcome outcome = KeywordImport::importFile(to.store(), path, to.clock.today());
        QCOMPARE(outcome.status, KeywordImport::Outcome::Added);
        QCOMPARE(outcome.parsed.kind, KeywordImport::Kind::OwnExport);
        QCOMPARE(outcome.added, 4);
        QCOMPARE(outcome.skipped, 0);
        QCOMPARE(tableRows(to.store()), tableRows(from.store()));

        // Again: every row is there already.
        const KeywordImport::Outcome again = KeywordImport::importFile(to.store(), path, to.clock.today());
        QCOMPARE(again.added, 0);
        QCOMPARE(again.skipped, 4);
        QCOMPARE(tableRows(to.store()), tableRows(from.store()));
    }

    void badFileLateInTheFileWritesNothing()
    {
        TestEnv f;
        f.seed({QStringLiteral("kept")});
        QString text = QStringLiteral("Keyword\tAvg. monthly searches\r\n");
        for (int i = 0; i < 500; ++i)
            text += QStringLiteral("keyword %1\t10\r\n").arg(i);
        text += QStringLiteral("broken\t10\textra\r\n");
        const QString path = f.dataFile(QStringLiteral("late.tsv"));
        TestFiles::put(path, utf16le(text));
        const KeywordImport::Outcome outcome = KeywordImport::importFile(f.store(), path, f.clock.today());
        QCOMPARE(outcome.status, KeywordImport::Outcome::BadFile);
        QCOMPARE(outcome.parsed.line, 502);
        QCOMPARE(f.store().rowCount(), 1);

        const KeywordImport::Outcome missing =
            KeywordImport::importFile(f.store(), f.dataFile(QStringLiteral("none.txt")), f.clock.today());
        QCOMPARE(missing.status, KeywordImport::Outcome::Unreadable);
        QVERIFY(!missing.reason.isEmpty());
        QCOMPARE(f.store().rowCount(), 1);
    }

    void writeFailingMidwayStoresNone()
    {
        TestEnv f;
        {
            // Another program's rule on the table makes the third insert fail.
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(f.store().fileName());
            QVERIFY(other.open());
            QSqlQuery q(other);
            QVERIFY2(q.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON keywords WHEN NEW.keys = 'boom'"
                                           " BEGIN SELECT RAISE(ABORT, 'refused'); END")),
                     qPrintable(q.lastError().text()));
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        const QString path = f.dataFile(QStringLiteral("list.txt"));
        TestFiles::put(path, "a\r\nb\r\nboom\r\nc\r\n");
        const KeywordImport::Outcome outcome = KeywordImport::importFile(f.store(), path, f.clock.today());
        QCOMPARE(outcome.status, KeywordImport::Outcome::WriteFailed);
        QVERIFY2(outcome.reason.contains(QStringLiteral("refused")), qPrintable(outcome.reason));
        QCOMPARE(f.store().rowCount(), 0);
        QVERIFY(
            KeywordImport::failureMessage(outcome, path, f.store()).startsWith(QStringLiteral("无法写入关键词数据库")));
    }
};

QTEST_GUILESS_MAIN(TestKeywordImport)
#include "test_keywordimport.moc"
