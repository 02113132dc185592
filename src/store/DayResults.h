#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// The organic results a favourite's scan read, kept beside its day file as
// "yyyy-MM-dd.results.gz": gzip over UTF-8 text, LF line ends, one result per
// line with six tab-separated fields
//
//     site  keyword  engine  position  host  link
//
// in the order the pages listed them. The engine is its display label (as in
// day files); the position counts as the day file's does; the host is the
// link's host in lower case. An engine that answered but listed nothing has
// one line with position 0 and empty host and link, so "nobody listed" is
// never confused with "not asked" or "failed" (an engine without any line).
// Lines starting with "#" are comments; the file starts with one naming the
// fields.
namespace DayResults {

struct Row {
    QString site;
    QString keyword;
    QString engine;
    int position = 0;
    QString host;
    QString link;

    bool operator==(const Row &other) const = default;
};

// "2024-03-09" -> "2024-03-09.results.gz".
QString fileName(const QString &date);
// Whether a file of a favourite's folder is such a file (not a day file).
bool isResultsFile(const QString &fileName);

// The host of a link in lower case: "http://www.A.com/x" -> "www.a.com"; a
// link without scheme is read as http; empty when there is none.
QString hostOf(const QString &link);

// The text (before compression) and back. `parse` is false on a line that
// does not hold six fields with a numeric position; `failure` then names it.
QByteArray format(const QVector<Row> &rows);
bool parse(const QByteArray &text, QVector<Row> *rows, QString *failure = nullptr);

// gzip, as gzip(1) writes and reads it.
QByteArray gzip(const QByteArray &data);
// False when `data` is no complete gzip stream.
bool gunzip(const QByteArray &data, QByteArray *out);

// Writes the file through the checked writer. False (the old file as it was)
// when it cannot be written; `failure` says why.
bool write(const QString &path, const QVector<Row> &rows, QString *failure = nullptr);
// The rows of a file. A missing file reads empty with `exists` false; a file
// that is no readable results file reads empty and `failure` says why.
QVector<Row> read(const QString &path, bool *exists = nullptr, QString *failure = nullptr);

// `earlier` with every row of the engines in `answered` replaced by `fresh`:
// an engine that failed today keeps what an earlier run of the day read.
QVector<Row> merged(const QVector<Row> &earlier, const QVector<Row> &fresh, const QStringList &answered);

} // namespace DayResults
