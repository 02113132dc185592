#pragma once

#include "common/ListExporter.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

class ResultList;

// The report files of a result list. Text and HTML reports are GB18030 with
// CRLF line ends (the HTML declares gb2312, which browsers read as the same
// family); CSV is UTF-8 with a byte-order mark; workbooks are .xlsx. Every
// file goes through CheckedFile: written beside its name, checked and synced,
// and moved over it only when complete, so a failed or cancelled export (a
// full disk, say) leaves an older file of that name as it was.
//
// Rows go out in blocks: a report of a million rows is never held whole in
// memory, and the caller hears of the progress after each block.
namespace ReportWriters {

// The most rows a workbook's sheet holds, its header row included.
constexpr int kWorkbookRowLimit = 1048576;

struct Outcome {
    bool ok = true;
    int code = 0;   // the failing step's error number
    QString reason; // what went wrong, for "导出失败，原因如下："
    QString path;
    int cutCells = 0;       // workbook cells cut to the format's 32,767 characters
    bool cancelled = false; // stopped by the progress callback: nothing was replaced
    bool tooLong = false;   // more rows than a workbook holds: nothing was written
};

struct Options {
    // Called after each block of rows with the work done so far and the
    // whole of it, in the same units: `done` never falls and ends at
    // `total`. Returning false stops the export; the target stays as it was.
    std::function<bool(qint64 done, qint64 total)> progress;
    // Runs one long step that reads no list (packing the workbook) and
    // returns when it is done. A window runs it on a thread so it stays
    // responsive; unset, it runs right here.
    std::function<void(const std::function<void()> &step)> runAside;
    // Rows a workbook may have, the header row included.
    int workbookRowLimit = kWorkbookRowLimit;
};

// Whether `rows` list rows under one header row fit a workbook.
inline bool fitsWorkbook(qsizetype rows, int limit = kWorkbookRowLimit) { return rows < qsizetype(limit); }

QByteArray textReport(const ResultList &list, ReportKind kind);
QByteArray htmlReport(const ResultList &list, ReportKind kind);
// Header row and data rows of the `kept` columns, RFC 4180.
QByteArray csvReport(const ResultList &list, const QList<int> &kept);
// One CSV field, quoted when it holds a comma, a quote or a line break. A
// text a spreadsheet would take for a formula (starting with "=", "+", "-",
// "@", a tab or a CR) gets a leading apostrophe; the lone "-" that stands for
// "no value" cannot be one and stays as it is.
QString csvField(const QString &text);

// Writes `bytes` to `path` through a temporary file beside it.
Outcome saveFile(const QString &path, const QByteArray &bytes);
// A workbook of the `kept` columns: bold 12-point header row, every row, the
// columns fitted to their contents. Its temporary files live in the target's
// folder. A list longer than the options' row limit is refused before any
// file is made.
Outcome writeWorkbook(const ResultList &list, const QList<int> &kept, const QString &path, const Options &options = {});

// The report of `format` at `path`; workbooks and CSV files keep `columns`.
Outcome write(const ResultList &list, const QList<int> &columns, ReportKind kind, ReportFormat format,
              const QString &path, const Options &options = {});

} // namespace ReportWriters
