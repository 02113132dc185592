#include "keyworddb/DbCommand.h"

#include "common/CommandLine.h"
#include "common/Endpoints.h"
#include "common/JobStatus.h"
#include "common/ResultList.h"
#include "context/AppContext.h"
#include "keyworddb/DatabaseRefresh.h"
#include "keyworddb/KeywordDatabase.h"
#include "store/KeywordStore.h"

#include <QTextStream>
#include <array>

namespace {

const QString kEnginesHelp = QStringLiteral("--engines takes google, yahoo and bing, separated by commas");

bool ensureDatabase(AppContext &context)
{
    if (context.keywords().isOpen() || context.openDatabase())
        return true;
    Cli::complain(QStringLiteral("db: cannot open the keyword database in ") + context.dataDir());
    return false;
}

int listTable(AppContext &context)
{
    if (!ensureDatabase(context))
        return Cli::Failed;
    Cli::RowPrinter out;
    const QVector<KeywordStore::Record> rows = context.keywords().loadAll();
    for (const KeywordStore::Record &r : rows) {
        out.print({r.keys, r.parentkeys, r.counts.google, r.counts.yahoo, r.counts.bing, r.adddate});
        if (out.failed()) {
            Cli::complain(QStringLiteral("cannot write to standard output"));
            return Cli::Failed;
        }
    }
    return Cli::Done;
}

int refresh(AppContext &context, const std::array<bool, 3> &engines)
{
    if (!ensureDatabase(context))
        return Cli::Failed;
    KeywordDatabase database(context.keywords());
    database.GetDb();
    ResultList &list = database.list();

    DatabaseRefresh run(database.lists(), context.keywords(), context.endpoints(), context.pacing(), context.jobStatus());
    run.setPageRules(&context.pageRules());
    run.setEngineSwitch([engines](Engine e) { return engines[engineIndex(e)]; });
    run.setPrompter(&context.prompter());
    QObject::connect(&run, &DatabaseRefresh::engineGaveUp, &run, [](Engine e) {
        Cli::complain(QStringLiteral("%1 is not answering; no more requests to it in this run").arg(engineLabel(e)));
    });

    Cli::InterruptWatch watch([&run] { run.requestPause(); });
    const int total = list.count();
    // Progress goes to standard error, one row per line like the output.
    Cli::RowPrinter progress(stderr);
    QObject::connect(&run, &DatabaseRefresh::rowFinished, &run, [&](int row) {
        QStringList fields{QStringLiteral("%1/%2").arg(row + 1).arg(total), list.cell(row, KeywordDatabase::Keyword)};
        for (int c = KeywordDatabase::Google; c <= KeywordDatabase::Date; ++c)
            fields.append(list.cell(row, c));
        progress.print(fields);
    });

    const DatabaseRefresh::Outcome outcome = run.start();
    if (outcome == DatabaseRefresh::Outcome::Paused) {
        QTextStream(stderr) << "stopped before row " << (run.resumeRow() + 1) << " of " << total << Qt::endl;
        return Cli::Interrupted;
    }
    if (outcome == DatabaseRefresh::Outcome::WriteFailed)
        return Cli::Failed;   // the prompter has said why
    QTextStream(stderr) << "done: " << total << " rows" << Qt::endl;
    const EngineFailures &failures = run.failures();
    if (failures.totalFailures() == 0)
        return Cli::Done;
    for (Engine e : kEngines) {
        if (failures.failures(e) > 0)
            Cli::complain(QStringLiteral("%1: %2 requests failed; their stored counts were kept")
                              .arg(engineLabel(e))
                              .arg(failures.failures(e)));
    }
    return Cli::Incomplete;
}

} // namespace

CommandEntry dbCommand()
{
    CommandEntry entry;
    entry.name = QStringLiteral("db");
    entry.summary = QStringLiteral("the keyword database: list it, or ask the engines again");
    entry.usageLines = {QStringLiteral("db list                                   the keyword table, newest first"),
                       QStringLiteral("db refresh [--engines google,yahoo,bing]  ask the engines again")};
    entry.run = runDbCommand;
    return entry;
}

int runDbCommand(AppContext &context, const QStringList &args)
{
    const QString usage = dbCommand().usageText();
    if (args.size() < 2 || args.at(0) != u"db")
        return Cli::usageError(QStringLiteral("db needs list or refresh"), usage);
    const QString command = args.at(1);
    Cli::Arguments a;
    if (command == u"list") {
        if (!a.parse(args.mid(2), {}))
            return Cli::usageError(a.error(), usage);
        if (!a.words().isEmpty())
            return Cli::usageError(QStringLiteral("unexpected argument: ") + a.words().first(), usage);
        return listTable(context);
    }
    if (command != u"refresh")
        return Cli::usageError(QStringLiteral("unknown command: db ") + command, usage);
    if (!a.parse(args.mid(2), {{QStringLiteral("engines"), true}}))
        return Cli::usageError(a.error(), usage);
    if (!a.words().isEmpty())
        return Cli::usageError(QStringLiteral("unexpected argument: ") + a.words().first(), usage);
    std::array<bool, 3> engines{true, true, true};
    if (a.isSet(QStringLiteral("engines")) && !parseEngineList(a.value(QStringLiteral("engines")), engines))
        return Cli::usageError(kEnginesHelp, usage);
    return refresh(context, engines);
}
