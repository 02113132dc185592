#include "rank/RankCommand.h"

#include "common/CommandLine.h"
#include "context/AppContext.h"
#include "rank/RankFormats.h"
#include "rank/RankRun.h"
#include "store/FavouriteStore.h"

namespace {

// Prints the rows a finished pair added: its header (site, keyword, date),
// then one line per engine row: label, position, link, result-page address.
void printPair(Cli::RowPrinter &out, const ResultList &result, int header)
{
    out.print({result.cell(header, 0), result.cell(header, 1), result.cell(header, 2)});
    for (int r = header + 1; r < result.count(); ++r) {
        const bool failed = result.cell(r, 2) == RankRun::kFailedLink && result.cell(r, 1) == u"-";
        out.print({result.cell(r, 0), failed ? QStringLiteral("failed") : result.cell(r, 1),
                   failed ? QString() : result.cell(r, 2), result.row(r).tag});
    }
}

int finish(const Cli::RowPrinter &out, int failedSteps, const QStringList &unwrittenDays, int skipped, bool interrupted)
{
    if (out.failed()) {
        Cli::complain(QStringLiteral("cannot write to standard output"));
        return Cli::Failed;
    }
    for (const QString &failure : unwrittenDays)
        Cli::complain(failure);
    // Each skipped favourite was named when it was skipped.
    if (!unwrittenDays.isEmpty() || skipped > 0)
        return Cli::Failed;
    if (interrupted) {
        Cli::complain(QStringLiteral("interrupted"));
        return Cli::Interrupted;
    }
    if (failedSteps > 0) {
        Cli::complain(QStringLiteral("%1 engine scans could not load their pages").arg(failedSteps));
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

int runJobs(AppContext &context, const QVector<RankJob> &jobs, int skipped)
{
    RankList engines({QStringLiteral("搜索引擎")});
    for (Engine e : kEngines) {
        const int r = engines.addRow(engineLabel(e));
        engines.setTag(r, engineLabel(e));
    }
    RankRun run(engines, context.endpoints(), context.jobStatus(), context.prompter(), context.clock(),
                context.dataFile(QStringLiteral("myfav")));
    const RankJob *current = nullptr;
    run.setSettingsSource([&current] { return RankRun::Settings{current->depthIndex, current->allMatches}; });
    Cli::RowPrinter out;
    QObject::connect(&run, &RankRun::pairFinished, &run, [&](int header) {
        printPair(out, run.result(), header);
        if (out.failed())
            run.requestStop();
    });
    QObject::connect(&run, &RankRun::scanFailed, &run,
                     [](Engine e, const QString &site, const QString &keyword, const QString &reason) {
                         Cli::complain(QStringLiteral("%1 for \"%2\" on %3: %4")
                                           .arg(engineLabel(e), Cli::RowPrinter::field(keyword),
                                                Cli::RowPrinter::field(site), reason));
                     });
    QObject::connect(&run, &RankRun::engineGaveUp, &run, [](Engine e) {
        Cli::complain(QStringLiteral("%1 failed three times in a row; no more requests to it in this run")
                          .arg(engineLabel(e)));
    });
    Cli::InterruptWatch watch([&run] { run.requestStop(); });
    int failed = 0;
    QStringList unwrittenDays;
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
    return finish(out, failed, unwrittenDays, skipped, watch.interrupted());
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
            Cli::complain(QStringLiteral("skipped favourite folder %1: its name is not engines#site#keyword#depth#all")
                              .arg(Cli::RowPrinter::field(name)));
            ++*skipped;
            continue;
        }
        RankJob job;
        job.engines = RankFormats::enginesListed(p.engineList);
        if (job.engines == std::array<bool, 3>{false, false, false}) {
            Cli::complain(QStringLiteral("skipped favourite folder %1: it names no engine")
                              .arg(Cli::RowPrinter::field(name)));
            ++*skipped;
            continue;
        }
        if (p.site.trimmed().isEmpty() || p.keyword.trimmed().isEmpty()) {
            Cli::complain(QStringLiteral("skipped favourite folder %1: it names no site or no keyword")
                              .arg(Cli::RowPrinter::field(name)));
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
    const QList<Cli::Option> known{{QStringLiteral("site"), true},     {QStringLiteral("keyword"), true},
                                   {QStringLiteral("engines"), true},  {QStringLiteral("depth"), true},
                                   {QStringLiteral("all"), false},     {QStringLiteral("favourites"), false}};
    if (!a.parse(args.mid(1), known))
        return Cli::usageError(a.error(), entry.usageText());
    if (!a.words().isEmpty())
        return Cli::usageError(QStringLiteral("unexpected argument: ") + a.words().first(), entry.usageText());

    if (a.isSet(QStringLiteral("favourites"))) {
        for (const char *other : {"site", "keyword", "engines", "depth", "all"}) {
            if (a.isSet(QLatin1String(other)))
                return Cli::usageError(QStringLiteral("--favourites takes no other option"), entry.usageText());
        }
        const FavouriteStore store(context.dataFile(QStringLiteral("myfav")));
        if (!store.folderExists()) {
            Cli::complain(QStringLiteral("nothing to track: %1 is not a folder of favourites").arg(store.folder()));
            return Cli::Failed;
        }
        int skipped = 0;
        const QVector<RankJob> jobs = favouriteJobs(store, &skipped);
        if (jobs.isEmpty() && skipped == 0) {
            Cli::complain(QStringLiteral("nothing to track: no favourites in ") + store.folder());
            return Cli::Failed;
        }
        return runJobs(context, jobs, skipped);
    }

    const QString site = a.value(QStringLiteral("site")).trimmed();
    const QString keyword = a.value(QStringLiteral("keyword")).trimmed();
    if (site.isEmpty() || keyword.isEmpty())
        return Cli::usageError(QStringLiteral("rank needs --site and --keyword"), entry.usageText());
    RankJob job;
    if (a.isSet(QStringLiteral("engines")) && !parseEngineList(a.value(QStringLiteral("engines")), job.engines))
        return Cli::usageError(QStringLiteral("--engines takes a list of google, yahoo, bing"), entry.usageText());
    job.depthIndex = 1;   // "20", as the tab starts
    if (a.isSet(QStringLiteral("depth"))) {
        job.depthIndex = RankFormats::depthIndexOf(a.value(QStringLiteral("depth")));
        if (job.depthIndex < 0)
            return Cli::usageError(QStringLiteral("--depth takes 10, 20 or 50"), entry.usageText());
    }
    job.allMatches = a.isSet(QStringLiteral("all"));
    job.pairs = {{site, keyword, QString()}};
    return runJobs(context, {job}, 0);
}

} // namespace

CommandEntry rankCommand()
{
    CommandEntry entry;
    entry.name = QStringLiteral("rank");
    entry.summary = QStringLiteral("where engines list a site for a keyword, or every favourite");
    entry.usageLines = {
        QStringLiteral("rank --site SITE --keyword KEYWORD [--engines google,yahoo,bing] [--depth 10|20|50] [--all]"),
        QStringLiteral("rank --favourites   run every favourite and write today's day files")};
    entry.run = [entry](AppContext &context, const QStringList &args) { return runRank(entry, context, args); };
    return entry;
}
