#include "store/KeywordStore.h"

#include "common/KeywordText.h"
#include "common/Wait.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>
#include <algorithm>

namespace {
// A count is digits only (thousands separators removed); anything else a
// page may hold where the count stands ("nan", "1e9", "-3") is no count.
QString digitsOrDash(const QString &cell)
{
    QString t = cell.trimmed();
    t.remove(QLatin1Char(','));
    const bool digits = !t.isEmpty() && std::all_of(t.begin(), t.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    return digits ? t : QStringLiteral("-");
}
} // namespace

QStringList KeywordStore::columnCaptions()
{
    return {QStringLiteral("关键词"),
            QStringLiteral("父关键词"),
            engineLabel(Engine::Google) + QStringLiteral("收录"),
            engineLabel(Engine::Yahoo) + QStringLiteral("收录"),
            engineLabel(Engine::Bing) + QStringLiteral("收录"),
            QStringLiteral("更新日期")};
}

KeywordStore::KeywordStore()
    // One connection per store; the address keeps the name unique.
    : m_connection(QStringLiteral("keywords-%1").arg(quintptr(this), 0, 16))
{
}

KeywordStore::~KeywordStore() { close(); }

QSqlDatabase KeywordStore::db() const { return QSqlDatabase::database(m_connection, false); }

void KeywordStore::reset(const QString &file, bool readOnly)
{
    close();
    m_file = file;
    m_error.clear();
    m_readOnly = readOnly;
    ++m_writes;
}

bool KeywordStore::open(const QString &file)
{
    const QFileInfo info(file);
    // A database the user may read but not write (a read-only file or
    // folder) is opened as it is, and every write then fails loudly instead
    // of the list staying empty.
    const bool writable = info.exists() ? info.isWritable() && QFileInfo(info.absolutePath()).isWritable()
                                        : QFileInfo(info.absolutePath()).isWritable();
    if (info.exists() && !writable)
        return openReadOnly(file);
    reset(file, false);
    if (info.exists() && !info.isFile())
        return fail(QStringLiteral("%1 不是数据库文件").arg(file));
    if (!writable)
        return fail(QStringLiteral("无法在 %1 中创建数据库").arg(info.absolutePath()));
    QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    d.setDatabaseName(file);
    // A short wait inside SQLite; the longer wait for another process's
    // transaction is execWrite's, which keeps the event loop running.
    d.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(qMin(m_lockWaitMs, kBusySliceMs)));
    return finishOpen(d);
}

bool KeywordStore::openReadOnly(const QString &file)
{
    reset(file, true);
    const QFileInfo info(file);
    if (!info.isFile())
        return fail(QStringLiteral("%1 不是数据库文件").arg(file));
    QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    // "immutable": no lock or journal file is made beside it.
    d.setDatabaseName(QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded)
                      + QStringLiteral("?immutable=1"));
    d.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
    return finishOpen(d);
}

bool KeywordStore::finishOpen(QSqlDatabase &d)
{
    if (!d.open())
        return fail(d.lastError().text());
    if (!prepareTable(d)) {
        d.close();
        return false;
    }
    return true;
}

bool KeywordStore::prepareTable(QSqlDatabase &d)
{
    QSqlQuery q(d);
    // Whatever the file is, it must answer as an SQLite database first.
    if (!q.exec(QStringLiteral("PRAGMA table_info(keywords)")))
        return fail(q.lastError().text());
    QStringList columns;
    while (q.next())
        columns.append(q.value(1).toString().toLower());
    if (!columns.isEmpty()) {
        // Someone else's table is never modified, not even by an index.
        QStringList missing;
        for (const char *name : {"id", "keys", "parentkeys", "googles", "yahoos", "bings", "adddate"}) {
            if (!columns.contains(QLatin1String(name)))
                missing.append(QLatin1String(name));
        }
        if (!missing.isEmpty())
            return fail(QStringLiteral("%1 中的 keywords 表不是本程序的：缺少列 %2")
                            .arg(m_file, missing.join(QStringLiteral(", "))));
    }
    if (m_readOnly)
        return columns.isEmpty() ? fail(QStringLiteral("%1 中没有 keywords 表").arg(m_file)) : true;
    // WAL with per-statement commits: a killed process loses nothing that
    // a statement already wrote.
    q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    // Through execWrite: another program's write transaction must not make
    // this start fail.
    return execWrite(q,
                     QStringLiteral("CREATE TABLE IF NOT EXISTS keywords ("
                                    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                                    " keys TEXT NOT NULL DEFAULT '', parentkeys TEXT DEFAULT '',"
                                    " googles TEXT DEFAULT '-', yahoos TEXT DEFAULT '-', bings TEXT DEFAULT '-',"
                                    " adddate TEXT DEFAULT '')"))
        && execWrite(q, QStringLiteral("CREATE INDEX IF NOT EXISTS keywords_keys ON keywords(keys)"))
        // Lookups ignore letter case ("SEO Tools" is "seo tools"); rows keep their text.
        && execWrite(
               q, QStringLiteral("CREATE INDEX IF NOT EXISTS keywords_keys_nocase ON keywords(keys COLLATE NOCASE)"));
}

bool KeywordStore::execWrite(QSqlQuery &q, const QString &statement)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (statement.isEmpty() ? q.exec() : q.exec(statement)) {
            ++m_writes;
            return true;
        }
        // SQLITE_BUSY (5) or SQLITE_LOCKED (6): another connection holds the
        // write lock. Try again until the lock wait runs out.
        const QString code = q.lastError().nativeErrorCode();
        const bool locked = code == u"5" || code == u"6";
        if (!locked || waited.elapsed() >= m_lockWaitMs)
            return fail(locked ? QStringLiteral("数据库被另一个程序锁定（已等待%1秒）").arg(m_lockWaitMs / 1000.0)
                               : q.lastError().text());
        waitWithEvents(kRetryPauseMs);
    }
}

QString KeywordStore::notOpenText() const
{
    // Keep the reason the open gave, when there was one.
    return m_error.isEmpty() ? QStringLiteral("数据库未打开") : m_error;
}

bool KeywordStore::fail(const QString &reason) const
{
    m_error = reason;
    return false;
}

bool KeywordStore::isOpen() const { return QSqlDatabase::contains(m_connection) && db().isOpen(); }

void KeywordStore::close()
{
    m_inBatch = false;
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
    q.prepare(QStringLiteral("select id,adddate,googles,yahoos,bings from keywords"
                             " where keys = ? collate nocase limit 1"));
    q.addBindValue(KeywordText::trimSpaces(keyword));
    if (!q.exec() || !q.next())
        return std::nullopt;
    return Stored{q.value(0).toLongLong(),
                  q.value(1).toString(),
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
    return Stored{q.value(0).toLongLong(),
                  q.value(1).toString(),
                  {q.value(2).toString(), q.value(3).toString(), q.value(4).toString()}};
}

bool KeywordStore::insert(const QString &keyword, const QString &parent, const Counts &counts, const QDate &day)
{
    if (!isOpen())
        return fail(notOpenText());
    QSqlQuery q(db());
    q.prepare(QStringLiteral("insert into keywords (keys,parentkeys,googles,yahoos,bings,adddate)"
                             " values (?,?,?,?,?,?)"));
    q.addBindValue(KeywordText::trimSpaces(keyword));
    q.addBindValue(parent);
    q.addBindValue(counts.google);
    q.addBindValue(counts.yahoo);
    q.addBindValue(counts.bing);
    q.addBindValue(dateText(day));
    return execWrite(q);
}

bool KeywordStore::updateAll(const QString &keyword, const QString &parent, const Counts &counts, const QDate &day)
{
    if (!isOpen())
        return fail(notOpenText());
    QSqlQuery q(db());
    q.prepare(QStringLiteral("update keywords set parentkeys = ?,googles = ?,yahoos = ?,bings = ?,adddate = ?"
                             " where keys = ? collate nocase"));
    q.addBindValue(parent);
    q.addBindValue(counts.google);
    q.addBindValue(counts.yahoo);
    q.addBindValue(counts.bing);
    q.addBindValue(dateText(day));
    q.addBindValue(KeywordText::trimSpaces(keyword));
    return execWrite(q);
}

bool KeywordStore::updateCount(Engine e, const QString &keyword, const QString &count, const QDate &day)
{
    if (!isOpen())
        return fail(notOpenText());
    static const char *const columns[] = {"googles", "yahoos", "bings"};
    QSqlQuery q(db());
    q.prepare(QStringLiteral("update keywords set %1 = ?,adddate = ? where keys = ? collate nocase")
                  .arg(QLatin1String(columns[engineIndex(e)])));
    q.addBindValue(count);
    q.addBindValue(dateText(day));
    q.addBindValue(keyword);
    return execWrite(q);
}

int KeywordStore::remove(const QString &keyword)
{
    if (!isOpen()) {
        fail(notOpenText());
        return -1;
    }
    QSqlQuery q(db());
    q.prepare(QStringLiteral("delete from keywords where keys = ? collate nocase"));
    q.addBindValue(KeywordText::trimSpaces(keyword));
    if (!execWrite(q))
        return -1;
    return q.numRowsAffected();
}

namespace {
constexpr qsizetype kDeleteChunk = 200; // keywords a delete statement
} // namespace

bool KeywordStore::removeAll(const QStringList &keywords)
{
    if (keywords.isEmpty())
        return true;
    if (!beginBatch())
        return false;
    QSqlQuery q(db());
    // A large delete touches most pages of the table and both indexes: with
    // the small default cache, changed pages would be spilled and written
    // again and again before the commit. The cache shrinks back afterwards.
    const bool large = keywords.size() > 1000;
    if (large)
        q.exec(QStringLiteral("PRAGMA cache_size=-%1").arg(kLargeWriteCacheKiB));
    // Many keywords a statement: each statement run costs more than the
    // look-up of one keyword in the index.
    auto statement = [](qsizetype count) {
        QString marks = QStringLiteral("?");
        for (qsizetype i = 1; i < count; ++i)
            marks += QStringLiteral(",?");
        return QStringLiteral("delete from keywords where keys collate nocase in (%1)").arg(marks);
    };
    const qsizetype chunk = qMin<qsizetype>(kDeleteChunk, keywords.size());
    bool done = q.prepare(statement(chunk));
    if (!done)
        fail(q.lastError().text());
    for (qsizetype from = 0; done && from < keywords.size(); from += chunk) {
        const qsizetype count = qMin(chunk, keywords.size() - from);
        if (count < chunk && !(done = q.prepare(statement(count)))) {
            fail(q.lastError().text());
            break;
        }
        for (qsizetype i = 0; i < count; ++i)
            q.bindValue(int(i), KeywordText::trimSpaces(keywords.at(from + i)));
        done = execWrite(q);
    }
    if (done)
        done = commitBatch();
    else
        rollbackBatch();
    if (large) {
        QSqlQuery shrink(db());
        shrink.exec(QStringLiteral("PRAGMA cache_size=-2000"));
    }
    return done;
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

bool KeywordStore::holdsMoreThan(int rows) const
{
    if (!isOpen())
        return false;
    QSqlQuery q(db());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("select 1 from keywords limit 1 offset ?"));
    q.addBindValue(qMax(0, rows));
    return q.exec() && q.next();
}

bool KeywordStore::checkdb(const Record &record, const QDate &day)
{
    const QString keyword = KeywordText::trimSpaces(record.keys);
    if (keyword.isEmpty())
        return true;
    const Counts counts{digitsOrDash(record.counts.google), digitsOrDash(record.counts.yahoo),
                        digitsOrDash(record.counts.bing)};
    const QString parent = KeywordText::trimSpaces(record.parentkeys);
    // The look-up and the write in one write transaction: another process
    // storing the same keyword waits, then finds it, so no keyword is ever
    // inserted twice.
    WriteTransaction transaction(*this);
    if (!transaction.begun())
        return false;
    const auto stored = find(keyword);
    bool ok = true;
    if (!stored) {
        ok = insert(keyword, parent, counts, day);
    } else {
        const QDate storedDay = QDate::fromString(stored->adddate, QStringLiteral("yyyy-MM-dd"));
        if (!storedDay.isValid() || storedDay.daysTo(day) != 0)
            ok = updateAll(keyword, parent, counts, day);
    }
    return ok && transaction.commit();
}

int KeywordStore::insertMissing(const QVector<Record> &records, const QDate &day)
{
    if (records.isEmpty())
        return 0;
    // Every look-up and insert under one write lock, as checkdb does: two
    // programs adding the same rows at once store each keyword once. On a
    // failure nothing of this add stays, so the count said is the truth.
    WriteTransaction transaction(*this);
    if (!transaction.begun())
        return -1;
    int added = 0;
    for (const Record &record : records) {
        const QString keyword = KeywordText::trimSpaces(record.keys);
        if (find(keyword))
            continue;
        if (!insert(keyword, KeywordText::trimSpaces(record.parentkeys), record.counts, day))
            return -1;
        ++added;
    }
    return transaction.commit() ? added : -1;
}

namespace {
constexpr qsizetype kAddProgressStep = 4096;

// SQLite's NOCASE: only the 26 ASCII letters fold ("É" stays apart from "é").
QString foldAscii(QString text)
{
    for (QChar &c : text) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return text;
}
} // namespace

bool KeywordStore::readFoldedKeys(QSet<QString> &into) const
{
    QSqlQuery q(db());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select keys from keywords")))
        return fail(q.lastError().text());
    while (q.next())
        into.insert(foldAscii(q.value(0).toString()));
    return true;
}

int KeywordStore::addMissing(const QVector<Record> &records, const QDate &today,
                             const std::function<void(qsizetype done)> &progress)
{
    if (records.isEmpty())
        return 0;
    // The keys are read under the write lock: another program cannot add one
    // between the read and the inserts.
    WriteTransaction transaction(*this);
    if (!transaction.begun())
        return -1;
    QSet<QString> seen;
    seen.reserve(records.size());
    if (!readFoldedKeys(seen))
        return -1;
    // Reading a large table's keys takes a moment: report before the inserts start.
    if (progress)
        progress(0);
    QSqlQuery q(db());
    // As for a large delete: a big cache keeps changed index pages from
    // being spilled and written again before the commit.
    const bool large = records.size() > 1000;
    if (large)
        q.exec(QStringLiteral("PRAGMA cache_size=-%1").arg(kLargeWriteCacheKiB));
    int added = -1;
    if (!q.prepare(QStringLiteral("insert into keywords (keys,parentkeys,googles,yahoos,bings,adddate)"
                                  " values (?,?,?,?,?,?)"))) {
        fail(q.lastError().text());
    } else {
        const QString todayText = dateText(today);
        added = 0;
        for (qsizetype i = 0; i < records.size(); ++i) {
            if (progress && i > 0 && i % kAddProgressStep == 0)
                progress(i);
            const Record &record = records.at(i);
            const QString keyword = KeywordText::trimSpaces(record.keys);
            const qsizetype known = seen.size();
            seen.insert(foldAscii(keyword));
            if (seen.size() == known)
                continue;
            q.bindValue(0, keyword);
            q.bindValue(1, KeywordText::trimSpaces(record.parentkeys));
            q.bindValue(2, record.counts.google);
            q.bindValue(3, record.counts.yahoo);
            q.bindValue(4, record.counts.bing);
            q.bindValue(5, record.adddate.isEmpty() ? todayText : record.adddate);
            if (!execWrite(q)) {
                added = -1;
                break;
            }
            ++added;
        }
        if (added >= 0 && progress)
            progress(records.size());
    }
    q.finish();
    if (large)
        q.exec(QStringLiteral("PRAGMA cache_size=-2000"));
    if (added < 0)
        return -1;
    return transaction.commit() ? added : -1;
}

bool KeywordStore::beginBatch()
{
    if (!isOpen())
        return fail(notOpenText());
    QSqlQuery q(db());
    if (!execWrite(q, QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    m_inBatch = true;
    return true;
}

bool KeywordStore::commitBatch()
{
    if (!isOpen() || !m_inBatch)
        return false;
    m_inBatch = false;
    QSqlQuery q(db());
    if (execWrite(q, QStringLiteral("COMMIT")))
        return true;
    q.exec(QStringLiteral("ROLLBACK"));
    return false;
}

void KeywordStore::rollbackBatch()
{
    if (!isOpen() || !m_inBatch)
        return;
    m_inBatch = false;
    QSqlQuery q(db());
    q.exec(QStringLiteral("ROLLBACK"));
}

KeywordStore::WriteTransaction::WriteTransaction(KeywordStore &store)
    : m_store(store)
{
    // Inside a batch the batch's own transaction already holds the lock.
    if (store.m_inBatch) {
        m_begun = true;
        return;
    }
    m_begun = store.beginBatch();
    m_own = m_begun;
}

KeywordStore::WriteTransaction::~WriteTransaction()
{
    if (m_own)
        m_store.rollbackBatch();
}

bool KeywordStore::WriteTransaction::commit()
{
    if (!m_own)
        return m_begun;
    m_own = false;
    return m_store.commitBatch();
}
