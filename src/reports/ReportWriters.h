#pragma once

#include "common/ListExporter.h"

#include <QByteArray>
#include <QList>
#include <QString>

class ResultList;

// The report files of a result list. Text and HTML reports are GB18030 with
// CRLF line ends (the HTML declares gb2312, which browsers read as the same
// family); CSV is UTF-8 with a byte-order mark; workbooks are .xlsx. Every
// file goes through CheckedFile: written beside its name, checked and synced,
// and moved over it only when complete, so a failed export (a full disk, say)
// leaves an older file of that name as it was.
namespace ReportWriters {

struct Outcome {
    bool ok = true;
    int code = 0;   // the failing step's error number
    QString reason; // what went wrong, for "导出失败，原因如下："
    QString path;
    int cutCells = 0; // workbook cells cut to the format's 32,767 characters
};

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
// folder.
Outcome writeWorkbook(const ResultList &list, const QList<int> &kept, const QString &path);

// The report of `format` at `path`; workbooks and CSV files keep `columns`.
Outcome write(const ResultList &list, const QList<int> &columns, ReportKind kind, ReportFormat format,
              const QString &path);

} // namespace ReportWriters
