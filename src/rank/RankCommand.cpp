#include "rank/RankCommand.h"

#include "common/CommandLine.h"
#include "context/AppContext.h"
#include "rank/ChangeCommand.h"
#include "rank/FavouriteImport.h"
#include "rank/RankFormats.h"
#include "rank/RankHistoryCommand.h"
#include "rank/RankRun.h"
#include "store/FavouriteStore.h"

namespace {

// Prints the rows a finished pair added: its header (site, keyword, date),
// then one line per engine row: label, position, link, result-page address.
void printPair(Cli::RowPrinter &out, const ResultList &result, int header)
{
    out.print({result.cell(header, 0), result.cell(header, 1), result.cell(header, 2)});
    for (int r = header + 1; r < result.count(); ++r) {
        const bool failed = RankRun::isFailedLink(result.cell(r, 2)) && result.cell(r, 1) == u"-";
        out.print({result.cell(r, 0), failed ? QStringLiteral("failed") : result.cell(r, 1),
                   failed ? QString() : result.cell(r, 2), result.row(r).tag});
    }
}

int finish(const Cli::RowPrinter &out, int failedSteps, const QList<RankRun::DayFileError> &unwrittenDays, int skipped,
           bool interrupted)
{
    if (out.failed()) {
        Cli::fail(QStringLiteral("cannot write to standard output"), out.error());
        return Cli::Failed;
    }
    for (const RankRun::DayFileError &failure : unwrittenDays)
        Cli::fail(QStringLiteral("cannot write ") + failure.file, failure.reason);
    // Each skipped favourite was named when it was skipped.
    if (!unwrittenDays.isEmpty() || skipped > 0)
        return Cli::Failed;
    if (interrupted) {
        Cli::note(QStringLiteral("interrupted"));
        return Cli::Interrupted;
    }
    if (failedSteps > 0) {
        Cli::fail(QStringLiteral("rank"),
                  QStringLiteral("%1 engine scans could not load their pages").arg(failedSteps));
        return Cli::Incomplete;
    }
    return Cli::Done;
}

struct RankJob {
    std::array<bool, 3> engines{true, true, true};
    int depthIndex = 1;
    bool allMatches = false;
    QVector<RankRun::Pair> pairs;
};

// `changes`: the favourites' change report, gathered as each pair ends.
int runJobs(AppContext &context, const QVector<RankJob> &jobs, int skipped, ChangeCommand *changes = nullptr)
{
    RankList engines({QStringLiteral("搜索引擎")});
    for (Engine e : kEngines) {
        const int r = engines.addRow(engineLabel(e));
        engines.setTag(r, engineLabel(e));
    }
    RankRun run(engines, context.endpoints(), context.jobStatus(), context.prompter(), context.clock(),
                context.pageRules(), context.dataFile(QStringLiteral("myfav")));
    const RankJob *current = nullptr;
    run.setSettingsSource([&current] { return RankRun::Settings{current->depthIndex, current->allMatches}; });
    Cli::RowPrinter out;
    QObject::connect(&run, &RankRun::pairFinished, &run, [&](int header) {
        printPair(out, run.result(), header);
        // A pair a stop cut short has scans that were abandoned, not failed.
        if (changes && !run.job().stopRequested())
            changes->addPair(current->pairs.value(0).favouriteKey, run.result(), header);
        if (out.failed())
            run.requestStop();
    });
    QObject::connect(&run, &RankRun::scanFailed, &run,
                     [](Engine e, const QString &site, const QString &keyword, const QString &reason) {
                         Cli::fail(
                             QStringLiteral("%1 for \"%2\" on %3")
                                 .arg(engineLabel(e), Cli::RowPrinter::field(keyword), Cli::RowPrinter::field(site)),
                             reason);
                     });
    QObject::connect(&run, &RankRun::engineGaveUp, &run, [](Engine e) {
        Cli::fail(engineLabel(e), QStringLiteral("failed three times in a row; no more requests to it in this run"));
    });
    Cli::InterruptWatch watch([&run] { run.requestStop(); });
    int failed = 0;
    QList<RankRun::DayFileError> unwrittenDays;
    for (const RankJob &job : jobs) {
        if (watch.interrupted() || out.failed())
            break;
        current = &job;
        for (Engine e : kEngines)
            engines.setChecked(engineIndex(e), job.engines[engineIndex(e)]);
        run.runPairs(job.pairs);
        failed += run.failedSteps();
        unwrittenDays += run.dayFileErrors();
    }
    const int status = finish(out, failed, unwrittenDays, skipped, watch.interrupted());
    if (!changes || out.failed())
        return status;
    const int reported = changes->finish(out);
    if (out.failed()) {
        Cli::fail(QStringLiteral("cannot write to standard output"), out.error());
        return Cli::Failed;
    }
    // A file that could not be written outranks everything but itself; a
    // webhook that did not take the report is a failed request.
    if (status == Cli::Failed || reported == Cli::Failed)
        return Cli::Failed;
    if (status != Cli::Done)
        return status;
    return reported;
}

// Every favourite folder as a job of its own, run under the very key it is
// stored by. A folder that is no favourite, or that names no engine, is
// said by name and counted in `skipped`.
QVector<RankJob> favouriteJobs(const FavouriteStore &store, int *skipped)
{
    QVector<RankJob> jobs;
    for (const QString &name : store.folderNames()) {
        const QString key = FavouriteStore::keyOfName(name);
        const RankFormats::FavouriteParts p = RankFormats::parseFavouriteKey(key);
        if (!p.ok) {
            Cli::fail(QStringLiteral("skipped favourite folder ") + Cli::RowPrinter::field(name),
                      QStringLiteral("its name is not engines#site#keyword#depth#all"));
            ++*skipped;
            continue;
        }
        RankJob job;
        job.engines = RankFormats::enginesListed(p.engineList);
        if (job.engines == std::array<bool, 3>{false, false, false}) {
            Cli::fail(QStringLiteral("skipped favourite folder ") + Cli::RowPrinter::field(name),
                      QStringLiteral("it names no engine"));
            ++*skipped;
            continue;
        }
        if (p.site.trimmed().isEmpty() || p.keyword.trimmed().isEmpty()) {
            Cli::fail(QStringLiteral("skipped favourite folder ") + Cli::RowPrinter::field(name),
                      QStringLiteral("it names no site or no keyword"));
            ++*skipped;
            continue;
        }
        job.depthIndex = p.depthIndex;
        job.allMatches = p.allMatches;
        job.pairs = {{p.site, p.keyword, key}};
        jobs.append(job);
    }
    return jobs;
}

int runRank(const CommandEntry &entry, AppContext &context, const QStringList &args)
{
    Cli::Arguments a;
    const QList<Cli::Option> known{{QStringLiteral("site"), true},       {QStringLiteral("keyword"), true},
                                   {QStringLiteral("engines"), true},    {QStringLiteral("depth"), true},
                                   {QStringLiteral("all"), false},       {QStringLiteral("favourites"), false},
                                   {QStringLiteral("changes"), true},    {QStringLiteral("min-change"), true},
                                   {QStringLiteral("notify"), true},     {QStringLiteral("history"), false},
                                   {QStringLiteral("competitor"), true}, {QStringLiteral("import-favourites"), true}};
    if (!a.parse(args.mid(1), known))
        return entry.usageError(a.error());
    if (!a.words().isEmpty())
        return entry.usageError(QStringLiteral("unexpected argument: ") + a.words().first());
    if (ChangeCommand::anyGiven(a) && !a.isSet(QStringLiteral("favourites")))
        return entry.usageError(QStringLiteral("--changes, --min-change and --notify go with --favourites"));
    if (a.isSet(QStringLiteral("history")))
        return runRankHistory(entry, context, a);
    if (a.isSet(QStringLiteral("competitor")))
        return entry.usageError(QStringLiteral("--competitor goes with --history"));
    if (a.isSet(QStringLiteral("import-favourites")))
        return runImportFavourites(entry, context, a);

    if (a.isSet(QStringLiteral("favourites"))) {
        for (const char *other : {"site", "keyword", "engines", "depth", "all"}) {
            if (a.isSet(QLatin1String(other)))
                return entry.usageError(QStringLiteral("--favourites takes no other option"));
        }
        ChangeCommand::Options reportOptions;
        QString problem;
        if (!ChangeCommand::parse(a, &reportOptions, &problem))
            return entry.usageError(problem);
        const FavouriteStore store(context.dataFile(QStringLiteral("myfav")));
        if (!store.folderExists()) {
            Cli::fail(QStringLiteral("nothing to track"),
                      QStringLiteral("%1 is not a folder of favourites").arg(store.folder()));
            return Cli::Failed;
        }
        int skipped = 0;
        const QVector<RankJob> jobs = favouriteJobs(store, &skipped);
        if (jobs.isEmpty() && skipped == 0) {
            Cli::fail(QStringLiteral("nothing to track"), QStringLiteral("no favourites in ") + store.folder());
            return Cli::Failed;
        }
        ChangeCommand changes(reportOptions, store.folder());
        return runJobs(context, jobs, skipped, &changes);
    }

    const QString site = a.value(QStringLiteral("site")).trimmed();
    const QString keyword = a.value(QStringLiteral("keyword")).trimmed();
    if (site.isEmpty() || keyword.isEmpty())
        return entry.usageError(QStringLiteral("--site and --keyword are needed"));
    RankJob job;
    if (a.isSet(QStringLiteral("engines")) && !parseEngineList(a.value(QStringLiteral("engines")), job.engines))
        return entry.usageError(QStringLiteral("--engines takes a list of google, yahoo, bing"));
    job.depthIndex = 1; // "20", as the tab starts
    if (a.isSet(QStringLiteral("depth"))) {
        job.depthIndex = RankFormats::depthIndexOf(a.value(QStringLiteral("depth")));
        if (job.depthIndex < 0)
            return entry.usageError(QStringLiteral("--depth takes 10, 20 or 50"));
    }
    job.allMatches = a.isSet(QStringLiteral("all"));
    job.pairs = {{site, keyword, QString()}};
    return runJobs(context, {job}, 0);
}

} // namespace

CommandEntry rankCommand()
{
    return commandEntry(
        QStringLiteral("rank"), QStringLiteral("where engines list a site for a keyword, or every favourite"),
        {QStringLiteral("rank --site SITE --keyword KEYWORD [--engines google,yahoo,bing] [--depth 10|20|50] [--all]"),
         QStringLiteral("rank --favourites [--changes FILE.csv|.json|.html] [--min-change N] [--notify URL]   run "
                        "every favourite, write today's day files, report what moved since the day before"),
         QStringLiteral("rank --history --site SITE --keyword KEYWORD [--competitor HOST ...] [--engines ...]"),
         QStringLiteral("rank --import-favourites FILE.csv   add favourites and their history from a CSV file")},
        runRank);
}
