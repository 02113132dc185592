#include "keyworddb/DbCommand.h"

#include "common/Clock.h"
#include "common/CommandLine.h"
#include "common/Endpoints.h"
#include "common/JobStatus.h"
#include "common/ResultList.h"
#include "context/AppContext.h"
#include "keyworddb/DatabaseRefresh.h"
#include "keyworddb/KeywordDatabase.h"
#include "keyworddb/KeywordImport.h"
#include "store/KeywordStore.h"

#include <array>

namespace {

const QString kEnginesHelp = QStringLiteral("--engines takes google, yahoo and bing, separated by commas");

int listTable(AppContext &context)
{
    if (const int status = openDatabaseOr(context, QStringLiteral("db list")); status != Cli::Done)
        return status;
    Cli::RowPrinter out;
    const QVector<KeywordStore::Record> rows = context.keywords().loadAll();
    for (const KeywordStore::Record &r : rows) {
        out.print({r.keys, r.parentkeys, r.counts.google, r.counts.yahoo, r.counts.bing, r.adddate});
        if (out.failed()) {
            Cli::fail(QStringLiteral("cannot write to standard output"), out.error());
            return Cli::Failed;
        }
    }
    return Cli::Done;
}

int refresh(AppContext &context, const std::array<bool, 3> &engines)
{
    if (const int status = openDatabaseOr(context, QStringLiteral("db refresh")); status != Cli::Done)
        return status;
    KeywordDatabase database(context.keywords());
    database.GetDb();
    ResultList &list = database.list();

    DatabaseRefresh run(database.lists(), context.keywords(), context.endpoints(), context.pacing(), context.clock(),
                        context.pageRules(), context.jobStatus());
    run.setEngineSwitch([engines](Engine e) { return engines[engineIndex(e)]; });
    Cli::ConsolePrompter said;
    run.setPrompter(&said);
    QObject::connect(&run, &DatabaseRefresh::engineGaveUp, &run, [](Engine e) {
        Cli::fail(engineLabel(e), QStringLiteral("not answering; no more requests to it in this run"));
    });

    QObject::connect(&run, &DatabaseRefresh::requestFailed, &run, [&list](int row, Engine e, const QString &why) {
        Cli::fail(QStringLiteral("%1 count of %2")
                      .arg(engineLabel(e), Cli::RowPrinter::field(list.cell(row, KeywordDatabase::Keyword))),
                  why);
    });

    Cli::InterruptWatch watch([&run] { run.requestPause(); });
    const int total = list.count();
    // Progress is a note on standard error: the row's fields tab-separated
    // like the output, after "N/TOTAL".
    QObject::connect(&run, &DatabaseRefresh::rowFinished, &run, [&](int row) {
        QStringList fields{QStringLiteral("%1/%2").arg(row + 1).arg(total), list.cell(row, KeywordDatabase::Keyword)};
        for (int c = KeywordDatabase::Google; c <= KeywordDatabase::Date; ++c)
            fields.append(list.cell(row, c));
        for (QString &f : fields)
            f = Cli::RowPrinter::field(f);
        Cli::note(fields.join(u'\t'));
    });

    const DatabaseRefresh::Outcome outcome = run.start();
    if (outcome == DatabaseRefresh::Outcome::Paused) {
        Cli::note(QStringLiteral("stopped before row %1 of %2").arg(run.resumeRow() + 1).arg(total));
        return Cli::Interrupted;
    }
    if (outcome == DatabaseRefresh::Outcome::WriteFailed) {
        return databaseWriteFailed(context, QStringLiteral("db refresh"), said.said());
    }
    Cli::note(QStringLiteral("done: %1 rows").arg(total));
    const EngineFailures &failures = run.failures();
    if (failures.totalFailures() == 0)
        return Cli::Done;
    for (Engine e : kEngines) {
        if (failures.failures(e) > 0)
            Cli::fail(engineLabel(e),
                      QStringLiteral("%1 requests failed; their stored counts were kept").arg(failures.failures(e)));
    }
    return Cli::Incomplete;
}

int importKeywords(AppContext &context, const QString &path)
{
    // The file first: a file that cannot be used leaves the data folder as it was.
    KeywordImport::Outcome outcome = KeywordImport::readFile(path);
    if (outcome.status == KeywordImport::Outcome::Unreadable) {
        Cli::fail(QStringLiteral("cannot read ") + path, outcome.reason);
        return Cli::Failed;
    }
    if (outcome.status == KeywordImport::Outcome::BadFile) {
        Cli::fail(QStringLiteral("cannot import ") + path, KeywordImport::problemText(outcome.parsed));
        return Cli::Failed;
    }
    if (const int status = openDatabaseOr(context, QStringLiteral("db import")); status != Cli::Done)
        return status;
    KeywordImport::storeKeywords(context.keywords(), outcome, context.clock().today());
    if (outcome.status == KeywordImport::Outcome::WriteFailed)
        return databaseWriteFailed(context, QStringLiteral("db import"),
                                   KeywordImport::failureMessage(outcome, path, context.keywords()));
    Cli::note(QStringLiteral("imported %1 (%2): added %3, skipped %4 (already stored, repeated or without a keyword)")
                  .arg(path, KeywordImport::kindText(outcome.parsed.kind))
                  .arg(outcome.added)
                  .arg(outcome.skipped));
    return Cli::Done;
}

} // namespace

CommandEntry dbCommand()
{
    CommandEntry entry;
    entry.name = QStringLiteral("db");
    entry.summary = QStringLiteral("the keyword database: list it, or ask the engines again");
    entry.usageLines = {
        QStringLiteral("db list                                   the keyword table, newest first"),
        QStringLiteral("db refresh [--engines google,yahoo,bing]  ask the engines again"),
        QStringLiteral("db import FILE                            add the keywords of a planner export, "
                       "a CSV report or a list")};
    entry.run = runDbCommand;
    return entry;
}

int runDbCommand(AppContext &context, const QStringList &args)
{
    const CommandEntry entry = dbCommand();
    if (args.size() < 2 || args.at(0) != u"db")
        return entry.usageError(QStringLiteral("list, refresh or import is missing"));
    const QString command = args.at(1);
    Cli::Arguments a;
    if (command == u"list") {
        if (!a.parse(args.mid(2), {}))
            return entry.usageError(a.error());
        if (!a.words().isEmpty())
            return entry.usageError(QStringLiteral("unexpected argument: ") + a.words().first());
        return listTable(context);
    }
    if (command == u"import") {
        if (!a.parse(args.mid(2), {}))
            return entry.usageError(a.error());
        if (a.words().size() != 1)
            return entry.usageError(QStringLiteral("import takes one file name"));
        return importKeywords(context, a.words().first());
    }
    if (command != u"refresh")
        return entry.usageError(QStringLiteral("unknown command: db ") + command);
    if (!a.parse(args.mid(2), {{QStringLiteral("engines"), true}}))
        return entry.usageError(a.error());
    if (!a.words().isEmpty())
        return entry.usageError(QStringLiteral("unexpected argument: ") + a.words().first());
    std::array<bool, 3> engines{true, true, true};
    if (a.isSet(QStringLiteral("engines")) && !parseEngineList(a.value(QStringLiteral("engines")), engines))
        return entry.usageError(kEnginesHelp);
    return refresh(context, engines);
}
