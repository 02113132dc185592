#pragma once

#include "common/CheckedFile.h"
#include "rank/RankChanges.h"

#include <QByteArray>
#include <optional>

// The change report of a tracked run as text: the fields of one change (as
// the command prints them) and whole files in CSV, JSON or HTML.
namespace ChangeReport {

enum class Format { Csv, Json, Html };

// By the file's extension: .csv, .json, .html or .htm (any case); none for
// anything else.
std::optional<Format> formatOfPath(const QString &path);

// site, keyword, engine, previous position, new position, change, link,
// kind, hosts now above. "-" stands for no position (no earlier answer, or
// a failed scan); the change reads "+3" or "-2" and is empty when either
// day has no position within the depth; the link is there when it changed.
QStringList fields(const RankChanges::Change &c);
QStringList headers();

// {"date": ..., "changes": [{"site", "keyword", "engine", "previousDate",
// "previous", "current", "change", "link", "previousLink", "kind",
// "hostsAbove"}]}; positions are numbers, or null where the fields say "-".
QByteArray json(const QList<RankChanges::Change> &changes, const QString &date);
// UTF-8 with a byte-order mark, CR LF, a header line; a cell that a
// spreadsheet would take for a formula is kept as text.
QByteArray csv(const QList<RankChanges::Change> &changes);
// A page with one table; every text escaped.
QByteArray html(const QList<RankChanges::Change> &changes, const QString &date);

QByteArray render(Format format, const QList<RankChanges::Change> &changes, const QString &date);
// Replaces `path` through the checked writer.
CheckedFile::Result write(const QString &path, Format format, const QList<RankChanges::Change> &changes,
                          const QString &date);

} // namespace ChangeReport
