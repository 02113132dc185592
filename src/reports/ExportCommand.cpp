#include "reports/ExportCommand.h"

#include "common/CommandLine.h"
#include "common/Engine.h"
#include "common/ResultList.h"
#include "context/AppContext.h"
#include "reports/FavouriteHistory.h"
#include "reports/ReportExport.h"
#include "reports/ReportWriters.h"
#include "store/KeywordStore.h"

namespace {

void loadDatabase(AppContext &context, ResultList &list)
{
    QVector<ResultList::Row> rows;
    for (const KeywordStore::Record &r : context.keywords().loadAll()) {
        ResultList::Row row;
        row.text = r.keys;
        row.sub = {r.parentkeys, r.counts.google, r.counts.yahoo, r.counts.bing, r.adddate};
        rows.append(row);
    }
    list.appendRows(rows);
}

// Said before anything is written: nothing would come of it.
int refuseWorkbook(const QString &path, qsizetype rows)
{
    Cli::fail(QStringLiteral("cannot write ") + path,
              QStringLiteral("%1 rows do not fit a workbook (at most %2 rows under its header); "
                             "write .csv, .txt or .htm instead")
                  .arg(rows)
                  .arg(ReportWriters::kWorkbookRowLimit - 1),
              ReportExport::tooLongNotice(rows, ReportWriters::kWorkbookRowLimit));
    return Cli::Failed;
}

} // namespace

CommandEntry exportCommand()
{
    CommandEntry entry;
    entry.name = QStringLiteral("export");
    entry.summary = QStringLiteral("the keyword table or the favourites' history as a report file");
    entry.usageLines = {QStringLiteral("export db FILE                           the keyword table as a report "
                                       "(.txt, .htm, .xlsx or .csv)"),
                        QStringLiteral("export favourites FILE                   the favourites' history, a row per "
                                       "favourite, day and engine")};
    entry.run = runExportCommand;
    return entry;
}

int runExportCommand(AppContext &context, const QStringList &args)
{
    const CommandEntry entry = exportCommand();
    Cli::Arguments a;
    if (!a.parse(args.mid(1), {}))
        return entry.usageError(a.error());
    const QStringList words = a.words();
    if (words.size() != 2)
        return entry.usageError(QStringLiteral("what (db or favourites) and a file name are needed"));
    const QString what = words.at(0);
    const QString path = words.at(1);
    ReportFormat format;
    if (!ReportExport::formatFromName(path, format))
        return entry.usageError(QStringLiteral("the file name must end in .txt, .htm, .html, .xlsx or .csv"));

    ResultList list(what == u"db" ? KeywordStore::columnCaptions() : FavouriteHistory::headers());
    // The engine counts, or the position.
    list.setCountColumns(what == u"db" ? QList<int>{2, 3, 4} : QList<int>{4});
    ReportKind kind = ReportKind::KeywordDatabase;
    QStringList unreadable;
    if (what == u"db") {
        if (const int status = openDatabaseOr(context, QStringLiteral("export db")); status != Cli::Done)
            return status;
        // Counted first: a table too long for a workbook is not loaded for nothing.
        const int stored = context.keywords().rowCount();
        if (format == ReportFormat::Workbook && !ReportWriters::fitsWorkbook(stored))
            return refuseWorkbook(path, stored);
        loadDatabase(context, list);
    } else if (what == u"favourites") {
        kind = ReportKind::History;
        FavouriteHistory::fill(list, FavouriteHistory::read(context.dataFile(QStringLiteral("myfav")), &unreadable));
    } else {
        return entry.usageError(QStringLiteral("unknown list: ") + what);
    }

    if (format == ReportFormat::Workbook && !ReportWriters::fitsWorkbook(list.count()))
        return refuseWorkbook(path, list.count());

    // Ctrl-C stops the export between blocks: the file it would replace stays.
    Cli::InterruptWatch interrupt;
    ReportWriters::Outcome outcome;
    {
        Cli::ProgressLine line(QStringLiteral("exporting"));
        ReportWriters::Options options;
        int shown = 0;
        options.progress = [&](qint64 done, qint64 total) {
            shown = qMax(shown, total > 0 ? int(done * 100 / total) : 100);
            line.show(shown);
            return !interrupt.interrupted();
        };
        // The workbook's packing tells no progress of its own.
        options.runAside = [&](const std::function<void()> &step) {
            line.show(shown, QStringLiteral("(packing the workbook)"));
            step();
        };
        line.show(0);
        outcome = ReportWriters::write(list, list.allColumns(), kind, format, path, options);
    }
    if (outcome.cancelled) {
        Cli::note(QStringLiteral("stopped; ") + path + QStringLiteral(" was not written"));
        return Cli::Interrupted;
    }
    if (!outcome.ok) {
        Cli::fail(QStringLiteral("cannot write ") + path, outcome.reason);
        return Cli::Failed;
    }
    // The workbook is complete as the format allows: said, not failed.
    if (outcome.cutCells > 0)
        Cli::note(QStringLiteral("%1 cells longer than 32767 characters were cut to the workbook's limit")
                      .arg(outcome.cutCells));
    Cli::note(QStringLiteral("wrote %1 rows to %2").arg(list.count()).arg(path));
    // The report holds everything else; what it lacks is said by name.
    for (const QString &name : unreadable)
        Cli::fail(QStringLiteral("left out favourite folder ") + Cli::RowPrinter::field(name),
                  QStringLiteral("its name is not engines#site#keyword#depth#all"));
    return unreadable.isEmpty() ? Cli::Done : Cli::Failed;
}
