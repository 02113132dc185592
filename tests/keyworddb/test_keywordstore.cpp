// The keyword table: adds of ticked rows, checkdb's insert-or-refresh
// rules, and keyword texts that would break a statement built from text.

#include "common/ResultList.h"
#include "store/RecordRows.h"
#include "support/TestEnv.h"

#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

class TestKeywordStore : public QObject
{
    Q_OBJECT

private:
    // What a caller holding a list does: the last row as one record.
    static void checkdbLastRow(KeywordStore &store, const ResultList &list, const QString &parent, const QDate &day)
    {
        if (!list.isEmpty())
            QVERIFY(store.checkdb(RecordRows::record(list, list.count() - 1, parent), day));
    }

    static ResultList *countList(QObject *parent)
    {
        return new ResultList(
            {QStringLiteral("关键词"), QStringLiteral("Google"), QStringLiteral("Yahoo"), QStringLiteral("Bing")},
            parent);
    }

private Q_SLOTS:
    void addTickedStoresDashesAndCountsOnlyNewRows()
    {
        TestEnv f;
        f.seed({QStringLiteral("seo tools")}, QStringLiteral("5"));
        ResultList *list = countList(this);
        list->addRow(QStringLiteral("  seo tips "),
                     {QStringLiteral("100"), QStringLiteral("200"), QStringLiteral("300")});
        list->addRow(QStringLiteral("seo tools"), {QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1")});
        list->addRow(QStringLiteral("unticked"), {});
        list->addRow(QStringLiteral("seo guide"), {});
        list->setChecked(0, true);
        list->setChecked(1, true);
        list->setChecked(3, true);

        const QDate day(2024, 3, 4);
        QCOMPARE(f.store().insertMissing(RecordRows::ticked(*list, QStringLiteral(" parent "), false), day), 2);

        const auto tips = f.store().find(QStringLiteral("seo tips"));
        QVERIFY(tips);
        QCOMPARE(tips->counts.google, QStringLiteral("-"));
        QCOMPARE(tips->counts.yahoo, QStringLiteral("-"));
        QCOMPARE(tips->counts.bing, QStringLiteral("-"));
        QCOMPARE(tips->adddate, QStringLiteral("2024-03-04"));
        // The stored keyword was neither changed nor counted.
        QCOMPARE(f.store().find(QStringLiteral("seo tools"))->counts.google, QStringLiteral("5"));
        QVERIFY(!f.store().find(QStringLiteral("unticked")));
        QCOMPARE(f.store().rowCount(), 3);
        const auto records = f.store().loadAll();
        QCOMPARE(records.first().keys, QStringLiteral("seo guide"));
        QCOMPARE(records.first().parentkeys, QStringLiteral("parent"));

        // Nothing ticked: nothing stored, count 0.
        ResultList *none = countList(this);
        none->addRow(QStringLiteral("other"));
        QCOMPARE(f.store().insertMissing(RecordRows::ticked(*none, QStringLiteral("p"), false), day), 0);
        QCOMPARE(f.store().rowCount(), 3);
    }

    void addTickedWithCountsKeepsCellsAsTheyAre()
    {
        TestEnv f;
        ResultList *list = countList(this);
        list->addRow(QStringLiteral("seo"), {QStringLiteral("1200"), QStringLiteral("-"), QStringLiteral("更新中...")});
        list->setChecked(0, true);
        QCOMPARE(f.store().insertMissing(RecordRows::ticked(*list, QStringLiteral("seo"), true), f.clock.today()), 1);
        const auto stored = f.store().find(QStringLiteral("seo"));
        QVERIFY(stored);
        QCOMPARE(stored->counts.google, QStringLiteral("1200"));
        QCOMPARE(stored->counts.yahoo, QStringLiteral("-"));
        QCOMPARE(stored->counts.bing, QStringLiteral("更新中..."));
        QCOMPARE(stored->adddate, TestEnv::today());
    }

    void checkdbInsertsThenRefreshesOnlyOnAnotherDay()
    {
        TestEnv f;
        ResultList *list = countList(this);
        const QDate day1(2024, 5, 1);
        const QDate day2(2024, 5, 2);

        list->addRow(QStringLiteral("first"), {QStringLiteral("9"), QStringLiteral("9"), QStringLiteral("9")});
        list->addRow(QStringLiteral(" seo audit "),
                     {QStringLiteral(" 1500 "), QStringLiteral("n/a"), QStringLiteral("")});
        checkdbLastRow(f.store(), *list, QStringLiteral("  seo  "), day1);
        // Only the last row is stored, trimmed, with non-numbers as "-".
        QVERIFY(!f.store().find(QStringLiteral("first")));
        auto stored = f.store().find(QStringLiteral("seo audit"));
        QVERIFY(stored);
        QCOMPARE(stored->counts.google, QStringLiteral("1500"));
        QCOMPARE(stored->counts.yahoo, QStringLiteral("-"));
        QCOMPARE(stored->counts.bing, QStringLiteral("-"));
        QCOMPARE(stored->adddate, QStringLiteral("2024-05-01"));
        QCOMPARE(f.store().loadAll().first().parentkeys, QStringLiteral("seo"));

        // Same day: unchanged.
        list->setCell(1, 1, QStringLiteral("2000"));
        checkdbLastRow(f.store(), *list, QStringLiteral("other"), day1);
        stored = f.store().find(QStringLiteral("seo audit"));
        QCOMPARE(stored->counts.google, QStringLiteral("1500"));
        QCOMPARE(f.store().loadAll().first().parentkeys, QStringLiteral("seo"));

        // Another day: every count, the parent box (trimmed, as on insert) and the date.
        list->setCell(1, 2, QStringLiteral("33"));
        checkdbLastRow(f.store(), *list, QStringLiteral(" other "), day2);
        stored = f.store().find(QStringLiteral("seo audit"));
        QCOMPARE(stored->counts.google, QStringLiteral("2000"));
        QCOMPARE(stored->counts.yahoo, QStringLiteral("33"));
        QCOMPARE(stored->counts.bing, QStringLiteral("-"));
        QCOMPARE(stored->adddate, QStringLiteral("2024-05-02"));
        QCOMPARE(f.store().loadAll().first().parentkeys, QStringLiteral("other"));
        QCOMPARE(f.store().rowCount(), 1);

        // An empty list does nothing.
        ResultList *empty = countList(this);
        checkdbLastRow(f.store(), *empty, QStringLiteral("x"), day2);
        QCOMPARE(f.store().rowCount(), 1);
    }

    void foreignFilesAreRefusedAndLeftUntouched_data()
    {
        QTest::addColumn<QByteArray>("schema"); // empty: random bytes instead of a database
        QTest::newRow("table of another program")
            << QByteArray("CREATE TABLE keywords (id INTEGER PRIMARY KEY, word TEXT, hits INTEGER)");
        QTest::newRow("not a database") << QByteArray();
    }

    void foreignFilesAreRefusedAndLeftUntouched()
    {
        QFETCH(QByteArray, schema);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("db.sqlite"));
        if (schema.isEmpty()) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            for (int i = 0; i < 4096; ++i)
                f.putChar(char((i * 7919) % 251));
        } else {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
            db.setDatabaseName(file);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QString::fromLatin1(schema)));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO keywords (word, hits) VALUES ('seo', 3)")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
        QFile before(file);
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray bytes = before.readAll();
        before.close();

        KeywordStore store;
        QVERIFY(!store.open(file));
        QVERIFY(!store.isOpen());
        if (!schema.isEmpty())
            QVERIFY2(store.lastError().contains(QStringLiteral("parentkeys, googles, yahoos, bings, adddate")),
                     qPrintable(store.lastError()));
        QVERIFY(!store.lastError().isEmpty());
        QVERIFY(!store.insert(QStringLiteral("x"), {}, {}, QDate(2026, 1, 1)));
        QFile after(file);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), bytes); // not even an index was added
        QVERIFY(!QFileInfo::exists(file + QStringLiteral("-wal")));
    }

    void readOnlyDatabaseListsButRefusesWrites()
    {
        TestEnv f;
        f.seed({QStringLiteral("seo tools"), QStringLiteral("seo tips")});
        const QString file = f.dataFile(QStringLiteral("db.sqlite"));
        f.store().close();
        KeywordStore store;
        QVERIFY2(store.openReadOnly(file), qPrintable(store.lastError()));
        QVERIFY(store.isReadOnly());
        QCOMPARE(store.loadAll().size(), 2);
        QVERIFY(store.find(QStringLiteral("seo tips")).has_value());
        QVERIFY(!store.checkdb({QStringLiteral("new"), QStringLiteral("p"), {}, {}}, f.clock.today()));
        QVERIFY(!store.lastError().isEmpty());
        QCOMPARE(store.insertMissing({{QStringLiteral("newer"), {}, {}, {}}}, f.clock.today()), -1);
        QCOMPARE(store.rowCount(), 2);
    }

    void scansReadCellsOfEveryTypeAsTextOnBothConnections()
    {
        TestEnv f;
        f.seed({QStringLiteral("seo tools")});
        {
            // Rows another program wrote: a number stored as a number, a
            // missing parent, a keyword beyond the Basic Multilingual Plane.
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(f.dataFile(QStringLiteral("db.sqlite")));
            QVERIFY(other.open());
            QSqlQuery q(other);
            QVERIFY(q.exec(QStringLiteral("insert into keywords (keys,parentkeys,googles,yahoos,bings,adddate)"
                                          " values ('关键词 \U0001F600',null,12345,'-','0','2026-01-02')")));
            // A keyword opening with a byte-order mark keeps it.
            QVERIFY(q.exec(QStringLiteral("insert into keywords (keys,parentkeys,googles,yahoos,bings,adddate)"
                                          " values (char(65279)||'bom é','p','1','2','3','2026-01-03')")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        const QStringList expected{QStringLiteral("关键词 \U0001F600"),
                                   QString(),
                                   QStringLiteral("12345"),
                                   QStringLiteral("-"),
                                   QStringLiteral("0"),
                                   QStringLiteral("2026-01-02")};
        auto collect = [](QList<QStringList> &rows) {
            return [&rows](const KeywordStore::CellViews &c) {
                QStringList row;
                for (QStringView v : c)
                    row.append(v.toString());
                rows.append(row);
                return true;
            };
        };
        QList<QStringList> own, copy;
        QVERIFY(f.store().scanViews(collect(own)));
        QString error;
        QVERIFY2(KeywordStore::scanCopy(f.store().scanSource(), collect(copy), &error), qPrintable(error));
        QCOMPARE(own.size(), 3);
        QCOMPARE(own.first().first(), QStringLiteral("\uFEFFbom é"));
        QCOMPARE(own.at(1), expected);
        QCOMPARE(own.last().first(), QStringLiteral("seo tools"));
        QCOMPARE(copy, own);
        // A scan told to stop reads no further row and is no failure.
        int seen = 0;
        QVERIFY(f.store().scanViews([&seen](const KeywordStore::CellViews &) { return ++seen < 1; }));
        QCOMPARE(seen, 1);
        // A file that is gone is a failure with its reason, never an empty table.
        KeywordStore::ScanSource gone = f.store().scanSource();
        gone.file = f.dataFile(QStringLiteral("missing/db.sqlite"));
        error.clear();
        QVERIFY(!KeywordStore::scanCopy(gone, collect(copy), &error));
        QVERIFY(!error.isEmpty());
    }

    void countsAreDigitsOnly()
    {
        TestEnv f;
        QVERIFY(f.store().checkdb({QStringLiteral("seo"),
                                   QStringLiteral("p"),
                                   {QStringLiteral("nan"), QStringLiteral("1e9"), QStringLiteral(" 1,200 ")},
                                   {}},
                                  QDate(2026, 1, 1)));
        const auto stored = f.store().find(QStringLiteral("seo"));
        QCOMPARE(stored->counts.google, QStringLiteral("-"));
        QCOMPARE(stored->counts.yahoo, QStringLiteral("-"));
        QCOMPARE(stored->counts.bing, QStringLiteral("1200"));
    }

    void apostrophesAndQuotesAreStoredAsTyped()
    {
        TestEnv f;
        const QString tricky = QStringLiteral("kid's toys'); drop table keywords; --");
        const QDate day(2024, 1, 1);
        QVERIFY(f.store().insert(tricky, QStringLiteral("o'neil"), {}, day));
        QVERIFY(f.store().find(tricky));
        QVERIFY(f.store().findOnDay(tricky, day));
        QVERIFY(!f.store().findOnDay(tricky, day.addDays(1)));
        QVERIFY(f.store().updateCount(Engine::Yahoo, tricky, QStringLiteral("12"), day.addDays(1)));
        QCOMPARE(f.store().find(tricky)->counts.yahoo, QStringLiteral("12"));
        QCOMPARE(f.store().loadAll().first().parentkeys, QStringLiteral("o'neil"));
        QCOMPARE(f.store().remove(tricky), 1);
        QCOMPARE(f.store().rowCount(), 0);
    }

    void countUpdateMatchesTheCellTextAsGiven()
    {
        TestEnv f;
        f.seed({QStringLiteral("seo")});
        // The refresh writes by the list's cell text, untrimmed.
        QVERIFY(f.store().updateCount(Engine::Google, QStringLiteral(" seo"), QStringLiteral("1"), QDate(2024, 1, 1)));
        QCOMPARE(f.store().find(QStringLiteral("seo"))->counts.google, QStringLiteral("7"));
        QVERIFY(f.store().updateCount(Engine::Bing, QStringLiteral("seo"), QStringLiteral("1"), QDate(2024, 1, 1)));
        const auto stored = f.store().find(QStringLiteral("seo"));
        QCOMPARE(stored->counts.bing, QStringLiteral("1"));
        QCOMPARE(stored->counts.google, QStringLiteral("7"));
        QCOMPARE(stored->adddate, QStringLiteral("2024-01-01"));
    }

    void batchWritesAndReopenedFileKeepRows()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("db.sqlite"));
        {
            KeywordStore store;
            QVERIFY(store.open(file));
            QVERIFY(store.beginBatch());
            for (int i = 0; i < 50; ++i)
                store.insert(QStringLiteral("kw %1").arg(i), QStringLiteral("p"), {}, QDate(2024, 1, 1));
            QVERIFY(store.commitBatch());
        }
        KeywordStore again;
        QVERIFY(again.open(file));
        QCOMPARE(again.rowCount(), 50);
        // Newest first.
        QCOMPARE(again.loadAll().first().keys, QStringLiteral("kw 49"));
    }

    // Two programs adding the same ticked rows at once: each keyword is
    // stored once, and the two counts said add up to the rows stored.
    void twoProgramsAddingAtOnceStoreEachKeywordOnce()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath(QStringLiteral("db.sqlite"));
        {
            KeywordStore store;
            QVERIFY(store.open(file));
        }
        constexpr int kRows = 2000;
        std::vector<std::unique_ptr<QProcess>> programs;
        for (int i = 0; i < 2; ++i) {
            programs.push_back(std::make_unique<QProcess>());
            programs.back()->start(QCoreApplication::applicationFilePath(),
                                   {QStringLiteral("--insert-missing"), file, QString::number(kRows)});
            QVERIFY(programs.back()->waitForStarted(5000));
        }
        // Both are ready and waiting: let them go together.
        for (auto &p : programs)
            QTRY_VERIFY_WITH_TIMEOUT(p->canReadLine(), 5000);
        for (auto &p : programs) {
            QCOMPARE(p->readLine().trimmed(), QByteArray("ready"));
            p->write("go\n");
        }
        for (auto &p : programs)
            QVERIFY(p->waitForBytesWritten(2000));
        int said = 0;
        for (auto &p : programs) {
            QVERIFY(p->waitForFinished(20000));
            QCOMPARE(p->exitCode(), 0);
            said += p->readAllStandardOutput().trimmed().toInt();
        }
        KeywordStore store;
        QVERIFY(store.open(file));
        const QVector<KeywordStore::Record> rows = store.loadAll();
        QSet<QString> distinct;
        for (const KeywordStore::Record &r : rows)
            distinct.insert(r.keys);
        QCOMPARE(rows.size(), kRows);
        QCOMPARE(distinct.size(), kRows);
        QCOMPARE(said, kRows);
    }
};

namespace {

// The second program of the concurrency test: this very executable, asked
// to add `count` keywords to `file` once it reads "go" on standard input.
int insertMissingProgram(const QString &file, int count)
{
    KeywordStore store;
    if (!store.open(file))
        return 2;
    QVector<KeywordStore::Record> records;
    for (int i = 0; i < count; ++i)
        records.append({QStringLiteral("keyword %1").arg(i), QStringLiteral("seed"), {}, {}});
    QTextStream out(stdout);
    out << "ready" << Qt::endl;
    QTextStream in(stdin);
    if (in.readLine() != u"go")
        return 3;
    const int added = store.insertMissing(records, QDate(2024, 3, 1));
    out << added << Qt::endl;
    return added < 0 ? 1 : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 4 && qstrcmp(argv[1], "--insert-missing") == 0) {
        QCoreApplication app(argc, argv);
        return insertMissingProgram(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    }
    QCoreApplication app(argc, argv);
    TestKeywordStore test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_keywordstore.moc"
