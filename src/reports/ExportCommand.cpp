#include "reports/ExportCommand.h"

#include "common/CommandLine.h"
#include "common/Engine.h"
#include "common/ResultList.h"
#include "context/AppContext.h"
#include "reports/FavouriteHistory.h"
#include "reports/ReportExport.h"
#include "reports/ReportWriters.h"
#include "store/KeywordStore.h"

#include <QTextStream>

namespace {

QStringList databaseHeaders()
{
    return {QStringLiteral("关键词"), QStringLiteral("父关键词"), engineLabel(Engine::Google) + QStringLiteral("收录"),
            engineLabel(Engine::Yahoo) + QStringLiteral("收录"), engineLabel(Engine::Bing) + QStringLiteral("收录"),
            QStringLiteral("更新日期")};
}

bool loadDatabase(AppContext &context, ResultList &list)
{
    if (!context.keywords().isOpen() && !context.openDatabase()) {
        Cli::complain(QStringLiteral("export: cannot open the keyword database in ") + context.dataDir());
        return false;
    }
    QVector<ResultList::Row> rows;
    for (const KeywordStore::Record &r : context.keywords().loadAll()) {
        ResultList::Row row;
        row.text = r.keys;
        row.sub = {r.parentkeys, r.counts.google, r.counts.yahoo, r.counts.bing, r.adddate};
        rows.append(row);
    }
    list.appendRows(rows);
    return true;
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
    const QString usage = exportCommand().usageText();
    Cli::Arguments a;
    if (!a.parse(args.mid(1), {}))
        return Cli::usageError(a.error(), usage);
    const QStringList words = a.words();
    if (words.size() != 2)
        return Cli::usageError(QStringLiteral("export needs what (db or favourites) and a file name"), usage);
    const QString what = words.at(0);
    const QString path = words.at(1);
    ReportFormat format;
    if (!ReportExport::formatFromName(path, format))
        return Cli::usageError(QStringLiteral("the file name must end in .txt, .htm, .html, .xlsx or .csv"), usage);

    ResultList list(what == u"db" ? databaseHeaders() : FavouriteHistory::headers());
    // The engine counts, or the position.
    list.setCountColumns(what == u"db" ? QList<int>{2, 3, 4} : QList<int>{4});
    ReportKind kind = ReportKind::KeywordDatabase;
    QStringList unreadable;
    if (what == u"db") {
        if (!loadDatabase(context, list))
            return Cli::Failed;
    } else if (what == u"favourites") {
        kind = ReportKind::History;
        FavouriteHistory::fill(list, FavouriteHistory::read(context.dataFile(QStringLiteral("myfav")), &unreadable));
    } else {
        return Cli::usageError(QStringLiteral("unknown list: ") + what, usage);
    }

    const ReportWriters::Outcome outcome = ReportWriters::write(list, list.allColumns(), kind, format, path);
    if (!outcome.ok) {
        Cli::complain(QStringLiteral("export: cannot write ") + path + QStringLiteral(": ") + outcome.reason);
        return Cli::Failed;
    }
    // The workbook is complete as the format allows: said, not failed.
    if (outcome.cutCells > 0)
        Cli::complain(QStringLiteral("export: %1 cells longer than 32767 characters were cut to the workbook's limit")
                          .arg(outcome.cutCells));
    QTextStream(stderr) << "wrote " << list.count() << " rows to " << path << Qt::endl;
    // The report holds everything else; what it lacks is said by name.
    for (const QString &name : unreadable)
        Cli::complain(QStringLiteral("export: left out favourite folder %1: its name is not "
                                     "engines#site#keyword#depth#all")
                          .arg(Cli::RowPrinter::field(name)));
    return unreadable.isEmpty() ? Cli::Done : Cli::Failed;
}
