#include "store/KeywordStore.h"

#include "common/KeywordText.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {
QString numericOrDash(const QString &cell)
{
    const QString t = cell.trimmed();
    bool ok = false;
    t.toDouble(&ok);
    return ok ? t : QStringLiteral("-");
}
} // namespace

KeywordStore::KeywordStore()
    // One connection per store; the address keeps the name unique.
    : m_connection(QStringLiteral("keywords-%1").arg(quintptr(this), 0, 16))
{
}

KeywordStore::~KeywordStore()
{
    close();
}

QSqlDatabase KeywordStore::db() const
{
    return QSqlDatabase::database(m_connection, false);
}

bool KeywordStore::open(const QString &file)
{
    close();
    m_file = file;
    {
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        d.setDatabaseName(file);
        if (!d.open())
            return false;
        QSqlQuery q(d);
        // WAL with per-statement commits: a killed process loses nothing that
        // a statement already wrote.
        q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        const bool ok = q.exec(QStringLiteral(
                            "CREATE TABLE IF NOT EXISTS keywords ("
                            " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                            " keys TEXT NOT NULL DEFAULT '', parentkeys TEXT DEFAULT '',"
                            " googles TEXT DEFAULT '-', yahoos TEXT DEFAULT '-', bings TEXT DEFAULT '-',"
                            " adddate TEXT DEFAULT '')"))
                        && q.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS keywords_keys ON keywords(keys)"))
                        // Lookups ignore letter case ("SEO Tools" is "seo tools"); rows keep their text.
                        && q.exec(QStringLiteral(
                            "CREATE INDEX IF NOT EXISTS keywords_keys_nocase ON keywords(keys COLLATE NOCASE)"));
        if (!ok) {
            d.close();
            return false;
        }
    }
    return true;
}

bool KeywordStore::isOpen() const
{
    return QSqlDatabase::contains(m_connection) && db().isOpen();
}

void KeywordStore::close()
{
    if (!QSqlDatabase::contains(m_connection))
        return;
    {
        QSqlDatabase d = db();
        d.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

std::optional<KeywordStore::Stored> KeywordStore::find(const QString &keyword) const
{
    if (!isOpen())
        return std::nullopt;
    QSqlQuery q(db());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("select id,adddate,googles,yahoos,bings from keywords where keys = ? collate nocase limit 1"));
    q.addBindValue(KeywordText::trimSpaces(keyword));
    if (!q.exec() || !q.next())
        return std::nullopt;
    return Stored{q.value(0).toLongLong(), q.value(1).toString(),
                  {q.value(2).toString(), q.value(3).toString(), q.value(4).toString()}};
}

std::optional<KeywordStore::Stored> KeywordStore::findOnDay(const QString &keyword, const QDate &day) const
{
    if (!isOpen())
        return std::nullopt;
    QSqlQuery q(db());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("select id,adddate,googles,yahoos,bings from keywords"
                             " where keys = ? collate nocase and adddate = ? limit 1"));
    q.addBindValue(KeywordText::trimSpaces(keyword));
    q.addBindValue(dateText(day));
    if (!q.exec() || !q.next())
        return std::nullopt;
    return Stored{q.value(0).toLongLong(), q.value(1).toString(),
                  {q.value(2).toString(), q.value(3).toString(), q.value(4).toString()}};
}

bool KeywordStore::insert(const QString &keyword, const QString &parent, const Counts &counts, const QDate &day)
{
    if (!isOpen())
        return false;
    QSqlQuery q(db());
    q.prepare(QStringLiteral("insert into keywords (keys,parentkeys,googles,yahoos,bings,adddate)"
                             " values (?,?,?,?,?,?)"));
    q.addBindValue(KeywordText::trimSpaces(keyword));
    q.addBindValue(parent);
    q.addBindValue(counts.google);
    q.addBindValue(counts.yahoo);
    q.addBindValue(counts.bing);
    q.addBindValue(dateText(day));
    return q.exec();
}

bool KeywordStore::updateAll(const QString &keyword, const QString &parent, const Counts &counts, const QDate &day)
{
    if (!isOpen())
        return false;
    QSqlQuery q(db());
    q.prepare(QStringLiteral("update keywords set parentkeys = ?,googles = ?,yahoos = ?,bings = ?,adddate = ?"
                             " where keys = ? collate nocase"));
    q.addBindValue(parent);
    q.addBindValue(counts.google);
    q.addBindValue(counts.yahoo);
    q.addBindValue(counts.bing);
    q.addBindValue(dateText(day));
    q.addBindValue(KeywordText::trimSpaces(keyword));
    return q.exec();
}

bool KeywordStore::updateCount(Engine e, const QString &keyword, const QString &count, const QDate &day)
{
    if (!isOpen())
        return false;
    static const char *const columns[] = {"googles", "yahoos", "bings"};
    QSqlQuery q(db());
    q.prepare(QStringLiteral("update keywords set %1 = ?,adddate = ? where keys = ? collate nocase")
                  .arg(QLatin1String(columns[engineIndex(e)])));
    q.addBindValue(count);
    q.addBindValue(dateText(day));
    q.addBindValue(keyword);
    return q.exec();
}

int KeywordStore::remove(const QString &keyword)
{
    if (!isOpen())
        return -1;
    QSqlQuery q(db());
    q.prepare(QStringLiteral("delete from keywords where keys = ? collate nocase"));
    q.addBindValue(KeywordText::trimSpaces(keyword));
    if (!q.exec())
        return -1;
    return q.numRowsAffected();
}

QVector<KeywordStore::Record> KeywordStore::loadAll() const
{
    QVector<Record> rows;
    if (!isOpen())
        return rows;
    QSqlQuery q(db());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select keys,parentkeys,googles,yahoos,bings ,adddate from keywords order by id desc")))
        return rows;
    while (q.next()) {
        rows.append(Record{q.value(0).toString(), q.value(1).toString(),
                           {q.value(2).toString(), q.value(3).toString(), q.value(4).toString()},
                           q.value(5).toString()});
    }
    return rows;
}

int KeywordStore::rowCount() const
{
    if (!isOpen())
        return 0;
    QSqlQuery q(db());
    if (!q.exec(QStringLiteral("select count(*) from keywords")) || !q.next())
        return 0;
    return q.value(0).toInt();
}

bool KeywordStore::checkdb(const Record &record, const QDate &day)
{
    const QString keyword = KeywordText::trimSpaces(record.keys);
    if (keyword.isEmpty())
        return true;
    const Counts counts{numericOrDash(record.counts.google), numericOrDash(record.counts.yahoo),
                        numericOrDash(record.counts.bing)};
    const auto stored = find(keyword);
    if (!stored)
        return insert(keyword, KeywordText::trimSpaces(record.parentkeys), counts, day);
    const QDate storedDay = QDate::fromString(stored->adddate, QStringLiteral("yyyy-MM-dd"));
    if (storedDay.isValid() && storedDay.daysTo(day) == 0)
        return true;
    return updateAll(keyword, record.parentkeys, counts, day);
}

int KeywordStore::insertMissing(const QVector<Record> &records, const QDate &day)
{
    int added = 0;
    for (const Record &record : records) {
        const QString keyword = KeywordText::trimSpaces(record.keys);
        if (find(keyword))
            continue;
        if (insert(keyword, KeywordText::trimSpaces(record.parentkeys), record.counts, day))
            ++added;
    }
    return added;
}

bool KeywordStore::beginBatch()
{
    return isOpen() && db().transaction();
}

bool KeywordStore::commitBatch()
{
    return isOpen() && db().commit();
}
