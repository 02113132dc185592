// The reading side of KeywordStore: the whole table streamed into cells,
// straight through SQLite's own interface where the connection is SQLite,
// so a million rows cost no QVariant or QString per cell.

#include "store/KeywordStore.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QUrl>
#include <QVariant>
#include <sqlite3.h>

QVector<KeywordStore::Record> KeywordStore::loadAll() const
{
    QVector<Record> rows;
    scanAll([&rows](const Cells &c) { rows.append(Record{c[0], c[1], {c[2], c[3], c[4]}, c[5]}); });
    return rows;
}

bool KeywordStore::scanAll(const std::function<void(const Cells &)> &take) const
{
    Cells cells;
    return scanViews([&](const CellViews &v) {
        for (size_t c = 0; c < v.size(); ++c)
            cells[c] = v[c].toString();
        take(cells);
        return true;
    });
}

bool KeywordStore::scanViews(const std::function<bool(const CellViews &)> &take) const
{
    if (!isOpen())
        return false;
    return scanConnection(db(), take, &m_error);
}

bool KeywordStore::scanCopy(const ScanSource &source, const std::function<bool(const CellViews &)> &take,
                            QString *error)
{
    if (source.file.isEmpty()) {
        if (error)
            *error = QStringLiteral("数据库未打开");
        return false;
    }
    // One connection per call: its name only has to differ from any other
    // connection alive at the same time, on any thread.
    const QString name = QStringLiteral("keywordScan-%1").arg(quintptr(&take));
    bool ok = false;
    {
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        const QFileInfo info(source.file);
        if (source.readOnly) {
            d.setDatabaseName(QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded)
                              + QStringLiteral("?immutable=1"));
            d.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
        } else {
            d.setDatabaseName(source.file);
            d.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(source.lockWaitMs));
        }
        if (!d.open()) {
            if (error)
                *error = d.lastError().text();
        } else {
            ok = scanConnection(d, take, error);
            d.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

bool KeywordStore::scanConnection(const QSqlDatabase &d, const std::function<bool(const CellViews &)> &take,
                                  QString *error)
{
    static constexpr char kSelect[] =
        "select keys,parentkeys,googles,yahoos,bings ,adddate from keywords order by id desc";
    CellViews cells;
    // Straight from SQLite's own UTF-16 text: no QVariant or QString per
    // cell, which is most of the time a large table takes through QSqlQuery.
    const QVariant handle = d.driver() ? d.driver()->handle() : QVariant();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
        sqlite3 *connection = *static_cast<sqlite3 *const *>(handle.constData());
        sqlite3_stmt *statement = nullptr;
        if (!connection || sqlite3_prepare_v2(connection, kSelect, -1, &statement, nullptr) != SQLITE_OK) {
            if (error)
                *error = connection ? QString::fromUtf8(sqlite3_errmsg(connection)) : QString();
            sqlite3_finalize(statement);
            return false;
        }
        // The table's UTF-8 read in place and widened here into one buffer
        // a row: SQLite's own UTF-16 would allocate a copy of every cell.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        std::vector<char16_t> wide;
        std::array<QByteArrayView, 6> bytes;
        int step;
        while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
            size_t total = 0;
            for (int c = 0; c < int(bytes.size()); ++c) {
                const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, c));
                bytes[size_t(c)] = QByteArrayView(text, text ? sqlite3_column_bytes(statement, c) : 0);
                total += size_t(bytes[size_t(c)].size());
            }
            // A character never takes more UTF-16 units than UTF-8 bytes.
            if (wide.size() < total)
                wide.resize(total);
            char16_t *out = wide.data();
            for (int c = 0; c < int(bytes.size()); ++c) {
                const QByteArrayView in = bytes[size_t(c)];
                const auto *from = reinterpret_cast<const unsigned char *>(in.data());
                qsizetype n = 0;
                while (n < in.size() && from[n] < 0x80) {
                    out[n] = char16_t(from[n]);
                    ++n;
                }
                if (n < in.size()) {
                    // The decoder drops a byte-order mark that opens what it
                    // is given: a keyword starting with one keeps it.
                    QByteArrayView rest = in.sliced(n);
                    char16_t *at = out + n;
                    while (rest.startsWith("\xEF\xBB\xBF")) {
                        *at++ = u'\uFEFF';
                        rest = rest.sliced(3);
                    }
                    at = reinterpret_cast<char16_t *>(utf8.appendToBuffer(reinterpret_cast<QChar *>(at), rest));
                    n = at - out;
                }
                cells[size_t(c)] = QStringView(out, n);
                out += n;
            }
            if (!take(cells)) {
                step = SQLITE_DONE;
                break;
            }
        }
        if (step != SQLITE_DONE && error)
            *error = QString::fromUtf8(sqlite3_errmsg(connection));
        sqlite3_finalize(statement);
        return step == SQLITE_DONE;
    }
    QSqlQuery q(d);
    q.setForwardOnly(true);
    if (!q.exec(QString::fromLatin1(kSelect))) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    std::array<QString, 6> texts;
    while (q.next()) {
        for (int c = 0; c < int(texts.size()); ++c) {
            texts[size_t(c)] = q.value(c).toString();
            cells[size_t(c)] = texts[size_t(c)];
        }
        if (!take(cells))
            break;
    }
    return true;
}
