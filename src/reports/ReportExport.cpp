#include "reports/ReportExport.h"

#include "common/JobStatus.h"
#include "common/Prompter.h"
#include "common/ResultList.h"
#include "reports/ReportWriters.h"

#include <QDir>
#include <QFileInfo>
#include <QScopedValueRollback>

ReportExport::ReportExport(JobStatus &status, Prompter &prompter, Opener open)
    : m_status(status),
      m_prompter(prompter),
      m_open(std::move(open)),
      m_workbookRows(ReportWriters::kWorkbookRowLimit)
{
}

QString ReportExport::formatWord(ReportFormat format)
{
    switch (format) {
    case ReportFormat::Text: return QStringLiteral("Txt");
    case ReportFormat::Html: return QStringLiteral("Html");
    case ReportFormat::Workbook: return QStringLiteral("Excel");
    case ReportFormat::Csv: break;
    }
    return QStringLiteral("CSV");
}

QString ReportExport::extension(ReportFormat format)
{
    switch (format) {
    case ReportFormat::Text: return QStringLiteral("txt");
    case ReportFormat::Html: return QStringLiteral("htm");
    case ReportFormat::Workbook: return QStringLiteral("xlsx");
    case ReportFormat::Csv: break;
    }
    return QStringLiteral("csv");
}

QString ReportExport::dialogFilter(ReportFormat format)
{
    return formatWord(format) + QStringLiteral("  (*.") + extension(format) + QLatin1Char(')');
}

QString ReportExport::withExtension(const QString &chosen, ReportFormat format)
{
    if (!QFileInfo(chosen).suffix().isEmpty())
        return chosen;
    QString name = chosen;
    if (!name.endsWith(QLatin1Char('.')))
        name += QLatin1Char('.');
    return name + extension(format);
}

QString ReportExport::cutCellsNotice(int cells)
{
    return QStringLiteral("有%1个单元格的文字超过32767个字符（工作簿单元格的上限），已截断。").arg(cells);
}

QString ReportExport::tooLongNotice(qsizetype rows, int limit)
{
    return QStringLiteral(
               "列表共有%1行，超过Excel工作表的上限（%2行，含标题行），无法导出至Excel。请导出至Txt、Html或CSV。")
        .arg(rows)
        .arg(limit);
}

bool ReportExport::formatFromName(const QString &name, ReportFormat &format)
{
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix == u"txt")
        format = ReportFormat::Text;
    else if (suffix == u"htm" || suffix == u"html")
        format = ReportFormat::Html;
    else if (suffix == u"xlsx")
        format = ReportFormat::Workbook;
    else if (suffix == u"csv")
        format = ReportFormat::Csv;
    else
        return false;
    return true;
}

void ReportExport::exportList(const ResultList &list, const QList<int> &columns, ReportKind kind, ReportFormat format)
{
    // A list being filled or stopped is not exported; nor is a second list
    // while one is written (its window handles events meanwhile).
    if (m_status.isBusy() || m_exporting)
        return;
    const QScopedValueRollback<bool> exporting(m_exporting, true);
    Prompter &prompter = m_prompter;
    if (list.isEmpty()) {
        prompter.message(QStringLiteral("导出数据"), QStringLiteral("没有数据需要导出！"), Prompter::Icon::Information);
        return;
    }
    // Said before a name is asked for: nothing would come of it.
    if (format == ReportFormat::Workbook && !ReportWriters::fitsWorkbook(list.count(), m_workbookRows)) {
        prompter.message(QStringLiteral("导出数据"), tooLongNotice(list.count(), m_workbookRows),
                         Prompter::Icon::Warning);
        return;
    }
    const QString chosen = prompter.saveFileName(QStringLiteral("Save   Export   File"), dialogFilter(format), {});
    if (chosen.isEmpty())
        return;
    const QString path = withExtension(chosen, format);
    if (QFileInfo::exists(path)
        && prompter.askOkCancel(QStringLiteral("提示"), QStringLiteral("该文件已经存在，是否覆盖?"))
            != Prompter::Answer::Ok)
        return;

    ReportWriters::Outcome outcome;
    {
        ReportWriters::Options options;
        options.workbookRowLimit = m_workbookRows;
        const std::unique_ptr<ExportProgress> progress = m_progress ? m_progress() : nullptr;
        int shown = 0;
        if (progress) {
            options.progress = [&](qint64 done, qint64 total) {
                shown = qMax(shown, total > 0 ? int(done * 100 / total) : 100);
                return progress->update(shown);
            };
            options.runAside = [&](const std::function<void()> &step) { progress->runAside(step); };
            // The clock of "over a second" starts here.
            progress->update(0);
        }
        outcome = ReportWriters::write(list, columns, kind, format, path, options);
    }
    // The user stopped it: the old file is as it was, and nothing more is said.
    if (outcome.cancelled)
        return;
    if (!outcome.ok) {
        prompter.message(QStringLiteral("导出失败"),
                         QStringLiteral("导出失败，原因如下：\r\n\r\n") + QString::number(outcome.code)
                             + QStringLiteral(":   ") + outcome.reason + QStringLiteral("\r\n\r\n")
                             + QDir::toNativeSeparators(path),
                         Prompter::Icon::Critical);
        return;
    }
    if (outcome.cutCells > 0)
        prompter.message(QStringLiteral("提示"), cutCellsNotice(outcome.cutCells), Prompter::Icon::Information);
    if (prompter.askOkCancel(QStringLiteral("提示"), QStringLiteral("导出完成，是否打开文件?")) == Prompter::Answer::Ok
        && m_open)
        m_open(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}
