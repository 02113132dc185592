#pragma once

#include "common/ListExporter.h"

#include <QList>
#include <QString>
#include <QStringList>

// The fixed texts of each report kind: the HTML title, the header line of
// text reports and the header cells of HTML reports.
namespace ReportForms {

struct HeaderCell {
    QString label;
    int widthPercent = 0;
    bool tall = false; // carries height='25'
};

// The warning line that opens every text report.
QString textWarning();
QString title(ReportKind kind);
// `headers`: the list's own column headers, used by kinds without a fixed form.
QString textHeader(ReportKind kind, const QStringList &headers);
QList<HeaderCell> htmlHeader(ReportKind kind, const QStringList &headers);

} // namespace ReportForms
