#pragma once

#include "common/ListExporter.h"

#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

class JobStatus;
class Prompter;

// What a window shows while an export is written: a progress bar with a
// cancel. One is made for each export and dropped when it ends.
class ExportProgress
{
public:
    virtual ~ExportProgress() = default;
    // `percent` of the report written, 0 to 100, never falling. Called
    // after every block of rows: the window may handle its events here.
    // False once the user asked to stop.
    virtual bool update(int percent) = 0;
    // Runs `step`, which reads no list, and returns when it is done; the
    // window stays responsive meanwhile.
    virtual void runAside(const std::function<void()> &step) { step(); }
};

// The export routine behind every tab's report buttons. It refuses while a
// job runs or stops, says so for an empty list, asks for the file name
// ("Save   Export   File") and before replacing a file, writes the report
// and offers to open it. A report that could not be written is reported as
// failed (with the file and the reason) and never followed by the completion
// question; workbook cells cut to the format's limit are counted first. A
// list longer than a workbook holds is refused before the save dialog. While
// the report is written the progress is shown (when a maker is set); a
// cancel there drops the new file and leaves an older one as it was.
class ReportExport : public ListExporter
{
public:
    using Opener = std::function<bool(const QUrl &)>;
    using ProgressMaker = std::function<std::unique_ptr<ExportProgress>()>;

    // `open` shows a finished report in the desktop's default application
    // (none in headless use: the question is still asked).
    // `status` says whether a job runs; `prompter` asks and tells.
    ReportExport(JobStatus &status, Prompter &prompter, Opener open = {});

    void exportList(const ResultList &list, const QList<int> &columns, ReportKind kind, ReportFormat format) override;

    void setProgressMaker(ProgressMaker maker) { m_progress = std::move(maker); }
    // Rows a workbook may have, its header included (tests use small ones).
    void setWorkbookRowLimit(int rows) { m_workbookRows = rows; }

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
    // Said instead of the save dialog when a list does not fit a workbook.
    static QString tooLongNotice(qsizetype rows, int limit);

private:
    JobStatus &m_status;
    Prompter &m_prompter;
    Opener m_open;
    ProgressMaker m_progress;
    int m_workbookRows;
    bool m_exporting = false;
};
