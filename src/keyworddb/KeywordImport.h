#pragma once

#include "store/KeywordStore.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QVector>
#include <functional>

// Keyword files brought into the keyword table: what the file holds is read
// whole and checked before anything is stored, so a bad file stores nothing.
// Three kinds are understood:
//  - a keyword planner export: UTF-16 with a byte-order mark and tabs, or
//    UTF-8 with commas; a title line or two, then a header row whose first
//    cell is "Keyword" and which has an "Avg. monthly searches" column;
//  - the CSV report of the keyword table (UTF-8, a header row of the table's
//    captions, "关键词" first), read back cell for cell;
//  - a plain list, one keyword per line, in GB18030 or UTF-8 (or UTF-16 with
//    a byte-order mark).
namespace KeywordImport {

enum class Kind { PlannerExport, OwnExport, PlainList };

enum class Problem {
    None,
    NotText,        // bytes the character set rejects, or NUL bytes
    NoKeywords,     // nothing to add: empty, blank, or a header alone
    NoVolumeColumn, // a "Keyword" header without "Avg. monthly searches"
    OpenQuote,      // a quoted field that never ends
    ExtraFields,    // a row with more fields than its header
    MissingFields,  // a row of our own report with fewer fields than its header
    BadDate,        // a date cell of our own report that is no yyyy-MM-dd date
};

struct Parsed {
    Kind kind = Kind::PlainList;
    Problem problem = Problem::None;
    int line = 0; // the line (from 1) the problem was found on; 0 for the whole file
    // In file order. An empty `adddate` means the day of the import; a
    // planner's or a list's keywords carry no parent and no counts ("-").
    QVector<KeywordStore::Record> records;
    // Rows that held something, but no keyword: skipped, not stored.
    int rowsWithoutKeyword = 0;

    bool ok() const { return problem == Problem::None; }
};

// Reads a whole file's bytes. Keywords are trimmed of spaces and lines
// without a keyword are passed over; nothing here looks at the table, so
// keywords already stored, or repeated in the file, are still in `records`.
Parsed parse(const QByteArray &bytes);

// "keyword planner export", "Veltrana CSV report", "keyword list".
QString kindText(Kind kind);
// What is wrong, in English for the command line ("line 4: ...").
QString problemText(const Parsed &parsed);
// The same in Chinese for the window.
QString problemMessage(const Parsed &parsed);

struct Outcome {
    enum Status { Read, Added, BadFile, Unreadable, WriteFailed };
    Status status = Read;
    Parsed parsed;
    int added = 0;
    int skipped = 0; // already stored, repeated in the file, or without a keyword
    QString reason;  // why the file could not be read or the table written
};

// Called now and then while keywords are stored: how many of the file's
// `total` keywords were gone through.
using Progress = std::function<void(qsizetype done, qsizetype total)>;

// Reads and parses `path`: Read when its keywords are ready to store, else
// Unreadable or BadFile.
Outcome readFile(const QString &path);
// Stores the keywords of a Read outcome that the table lacks (compared as
// the table's look-ups compare), in one transaction: all of them or, on a
// failed write, none (WriteFailed); then Added. `today` dates the rows that carry no date of their own. A report
// of the table is stored oldest row first, so that the table lists its rows
// in the report's order.
void storeKeywords(KeywordStore &store, Outcome &outcome, const QDate &today, const Progress &progress = {});
// Both.
Outcome importFile(KeywordStore &store, const QString &path, const QDate &today, const Progress &progress = {});

// The window's message for a failed import of `path`: the file could not be
// read, was not understood, or the table could not be written.
QString failureMessage(const Outcome &outcome, const QString &path, const KeywordStore &store);
// "成功导入N个关键词，跳过M个已有的关键词！"
QString addedMessage(int added, int skipped);

} // namespace KeywordImport
