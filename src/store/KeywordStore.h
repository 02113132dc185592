#pragma once

#include "common/Engine.h"

#include <QDate>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVector>
#include <array>
#include <functional>
#include <optional>

// The keyword table: one row per kept keyword with its seed, the three
// engines' page counts and the day they were written. Every statement binds
// its values, so any keyword text (apostrophes included) is stored as typed.
class KeywordStore
{
public:
    struct Counts {
        QString google = QStringLiteral("-");
        QString yahoo = QStringLiteral("-");
        QString bing = QStringLiteral("-");
    };
    struct Stored {
        qint64 id = 0;
        QString adddate;
        Counts counts;
    };
    struct Record {
        QString keys;
        QString parentkeys;
        Counts counts;
        QString adddate;
    };

    KeywordStore();
    ~KeywordStore();
    KeywordStore(const KeywordStore &) = delete;
    KeywordStore &operator=(const KeywordStore &) = delete;

    // The table's columns as every list of it is captioned: keyword,
    // parent, the three engines' counts, date.
    static QStringList columnCaptions();
    static QString dateText(const QDate &day) { return day.toString(QStringLiteral("yyyy-MM-dd")); }

    // Opens (creating when missing) the database file and the table. A
    // database that cannot be written is opened read-only; a file that is
    // not an SQLite database, or whose keywords table lacks our columns, is
    // refused and left untouched. lastError() says why.
    bool open(const QString &file);
    // Opens an existing database for reading only, without locks or journal
    // (what open() does for a file or folder it cannot write).
    bool openReadOnly(const QString &file);
    bool isReadOnly() const { return m_readOnly; }
    // Why the last open or write failed, for the user.
    QString lastError() const { return m_error; }
    // How long a write waits for another process's lock before it fails.
    void setLockWaitMs(int ms) { m_lockWaitMs = ms; }
    int lockWaitMs() const { return m_lockWaitMs; }
    bool isOpen() const;
    void close();
    QString fileName() const { return m_file; }
    // Grows with every write and every (re)open: a list loaded at one count
    // is stale once the count has moved on.
    quint64 writeCount() const { return m_writes; }

    // Rows with this keyword (trimmed, letter case ignored); the first one found.
    std::optional<Stored> find(const QString &keyword) const;
    // The row with this keyword (trimmed) written on `day`, if any.
    std::optional<Stored> findOnDay(const QString &keyword, const QDate &day) const;

    bool insert(const QString &keyword, const QString &parent, const Counts &counts, const QDate &day);
    bool updateAll(const QString &keyword, const QString &parent, const Counts &counts, const QDate &day);
    // Refresh of one engine's count; `keyword` is matched as given.
    bool updateCount(Engine e, const QString &keyword, const QString &count, const QDate &day);
    // Removes every row with this keyword (trimmed); how many went, -1 on error.
    int remove(const QString &keyword);
    // Removes every row with any of these keywords (trimmed) in one write
    // transaction with one prepared statement; false when a write failed
    // (then nothing is removed; lastError() says why). Keywords in the
    // table's own order (as loaded) delete fastest.
    bool removeAll(const QStringList &keywords);
    // Every row, newest first.
    QVector<Record> loadAll() const;
    // The same, streamed: `take` gets each row's keys, parentkeys, googles,
    // yahoos, bings and adddate in turn, so a large table is never held
    // twice. False when the table could not be read.
    using Cells = std::array<QString, 6>;
    bool scanAll(const std::function<void(const Cells &)> &take) const;
    // The same without a copy of any cell: the views hold until `take`
    // returns, and `take` returning false ends the scan early (still true).
    using CellViews = std::array<QStringView, 6>;
    bool scanViews(const std::function<bool(const CellViews &)> &take) const;
    // Where a scan off the window's thread reads from: taken on the
    // store's thread, used on the other.
    struct ScanSource {
        QString file;
        bool readOnly = false;
        int lockWaitMs = 0;
    };
    ScanSource scanSource() const { return {m_file, m_readOnly, m_lockWaitMs}; }
    // scanViews over a connection of the calling thread's own to the same
    // file, read only: what a load off the window's thread goes through.
    // `error` gets the reason when it returns false.
    static bool scanCopy(const ScanSource &source, const std::function<bool(const CellViews &)> &take, QString *error);
    int rowCount() const;
    // Whether the table holds more than `rows` rows, without counting them all.
    bool holdsMoreThan(int rows) const;

    // Insert-or-refresh of one keyword (checkdb): a keyword not stored yet
    // is inserted with its parent trimmed; one stored on another day gets
    // the record's counts, parent and `day`; one stored on `day` stays as
    // it is. Counts that are not numbers are stored as "-". False when a
    // write failed.
    bool checkdb(const Record &record, const QDate &day);
    // Inserts every record whose keyword is not stored yet, with the
    // record's counts and `day`, in one write transaction; returns how many
    // were stored, or -1 when a write failed (then none of them is stored;
    // lastError() says why).
    int insertMissing(const QVector<Record> &records, const QDate &day);
    // The same for a whole file's keywords at once: the stored keywords are
    // read once and every row goes through one prepared statement, all in
    // one write transaction. A keyword repeated among `records` is stored
    // once; keywords compare trimmed and with ASCII letter case ignored, as
    // every look-up of the table does. A record keeps its own `adddate`
    // (yyyy-MM-dd) or, when it has none, gets `today`. `progress`, when set,
    // is called every few thousand records with how many were gone through.
    int addMissing(const QVector<Record> &records, const QDate &today,
                   const std::function<void(qsizetype done)> &progress = {});

    // Runs several writes as one transaction (bulk imports, benchmarks); the
    // write lock is taken at the start.
    bool beginBatch();
    bool commitBatch();
    void rollbackBatch();

private:
    // The write lock for one look-up-then-write, rolled back unless committed.
    class WriteTransaction
    {
    public:
        explicit WriteTransaction(KeywordStore &store);
        ~WriteTransaction();
        bool begun() const { return m_begun; }
        bool commit();

    private:
        KeywordStore &m_store;
        bool m_begun = false;
        bool m_own = false;
    };

    static constexpr int kBusySliceMs = 200;
    static constexpr int kLargeWriteCacheKiB = 65536;
    static constexpr int kRetryPauseMs = 100;

    QSqlDatabase db() const;
    static bool scanConnection(const QSqlDatabase &d, const std::function<bool(const CellViews &)> &take,
                               QString *error);
    void reset(const QString &file, bool readOnly);
    bool finishOpen(QSqlDatabase &d);
    bool prepareTable(QSqlDatabase &d);
    // Runs a write (the prepared query, or `statement`), trying again while
    // another connection holds the lock, up to the lock wait.
    bool execWrite(QSqlQuery &q, const QString &statement = {});
    // Every stored keyword, folded as look-ups compare them; false when the
    // table could not be read.
    bool readFoldedKeys(QSet<QString> &into) const;
    bool fail(const QString &reason) const;
    QString notOpenText() const;

    QString m_connection;
    QString m_file;
    mutable QString m_error;
    bool m_readOnly = false;
    bool m_inBatch = false;
    int m_lockWaitMs = 15000;
    quint64 m_writes = 0;
};
