#pragma once

#include "common/ListExporter.h"

#include <QString>
#include <QUrl>
#include <functional>

class JobStatus;
class Prompter;

// The export routine behind every tab's report buttons. It refuses while a
// job runs or stops, says so for an empty list, asks for the file name
// ("Save   Export   File") and before replacing a file, writes the report
// and offers to open it. A report that could not be written is reported as
// failed (with the file and the reason) and never followed by the completion
// question; workbook cells cut to the format's limit are counted first.
class ReportExport : public ListExporter
{
public:
    using Opener = std::function<bool(const QUrl &)>;

    // `open` shows a finished report in the desktop's default application
    // (none in headless use: the question is still asked).
    // `status` says whether a job runs; `prompter` asks and tells.
    ReportExport(JobStatus &status, Prompter &prompter, Opener open = {});

    void exportList(const ResultList &list, const QList<int> &columns, ReportKind kind, ReportFormat format) override;

    // What the save dialog shows and what a bare name gets.
    static QString formatWord(ReportFormat format);
    static QString extension(ReportFormat format);
    static QString dialogFilter(ReportFormat format);
    // `chosen` with the format's extension added when it has none.
    static QString withExtension(const QString &chosen, ReportFormat format);
    // The format a file name asks for (.txt, .htm/.html, .xlsx, .csv);
    // false for any other extension.
    static bool formatFromName(const QString &name, ReportFormat &format);
    // Said after a workbook whose longest cells had to be cut.
    static QString cutCellsNotice(int cells);

private:
    JobStatus &m_status;
    Prompter &m_prompter;
    Opener m_open;
};
