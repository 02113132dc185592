#include "research/MineCommand.h"

#include "common/CommandLine.h"
#include "common/Engine.h"
#include "common/ResultList.h"
#include "context/AppContext.h"
#include "engines/IndexCounts.h"
#include "research/CountFiller.h"
#include "research/RelatedMiner.h"
#include "store/KeywordStore.h"
#include "web/CXHtml.h"

#include <QDir>

namespace {

const QString kEnginesHelp = QStringLiteral("--engines takes a list of google, yahoo, bing");
const QString kCountEnginesHelp = QStringLiteral("--engines takes a list of google, yahoo, bing, baidu");

int printed(const Cli::RowPrinter &out, int status)
{
    if (out.failed()) {
        Cli::fail(QStringLiteral("cannot write to standard output"), out.error());
        return Cli::Failed;
    }
    return status;
}

void reportGiveUp(Engine e)
{
    Cli::fail(engineLabel(e), QStringLiteral("not answering; no more requests to it in this run"));
}

// A run whose requests failed finished, but its not-found cells may be no
// answer at all: say how many, and end with status 3.
int withFailures(const EngineFailures &failures, int status, int baiduFailures = 0)
{
    if (status != Cli::Done || failures.totalFailures() + baiduFailures == 0)
        return status;
    QStringList parts;
    for (Engine e : kEngines) {
        if (failures.failures(e) > 0)
            parts << QStringLiteral("%1 %2").arg(engineLabel(e)).arg(failures.failures(e));
    }
    if (baiduFailures > 0)
        parts << QStringLiteral("Baidu %1").arg(baiduFailures);
    Cli::fail(QStringLiteral("failed requests"),
              parts.join(QStringLiteral(", "))
                  + QStringLiteral(" (their counts show as not found and were not stored)"));
    return Cli::Incomplete;
}

int openForSaving(AppContext &context)
{
    // Saving is the one thing that may make a new data folder.
    if (!context.keywords().isOpen() && !QDir().mkpath(context.dataDir())) {
        Cli::fail(QStringLiteral("mine --save"),
                  QStringLiteral("cannot create the data folder ") + QDir::toNativeSeparators(context.dataDir()));
        return Cli::Failed;
    }
    return openDatabaseOr(context, QStringLiteral("mine --save"));
}

// "veltrana: Google count of seo: unrecognised page"
void reportFailure(const QString &engine, const QString &keyword, const QString &what, const QString &reason)
{
    Cli::fail(QStringLiteral("%1 %2 of %3").arg(engine, what, Cli::RowPrinter::field(keyword)), reason);
}

void reportFailedRequest(Engine e, const QString &keyword, const QString &what, const QString &reason)
{
    reportFailure(engineLabel(e), keyword, what, reason);
}

// The engine list of counts: the three count engines, and "baidu" for the
// Baidu page count as a fifth column.
bool parseCountEngines(const QString &list, std::array<bool, 3> &engines, bool &baidu)
{
    QStringList rest;
    baidu = false;
    for (const QString &name : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (name.trimmed().compare(QLatin1String("baidu"), Qt::CaseInsensitive) == 0)
            baidu = true;
        else
            rest << name;
    }
    if (rest.isEmpty()) {
        engines = {false, false, false};
        return baidu;
    }
    return parseEngineList(rest.join(QLatin1Char(',')), engines);
}

int runCounts(const CommandEntry &entry, AppContext &context, const QStringList &args)
{
    Cli::Arguments a;
    if (!a.parse(args.mid(1), {{QStringLiteral("engines"), true}}))
        return entry.usageError(a.error());
    CountFiller::Options options;
    options.engines = {true, true, true};
    bool baidu = false;
    if (a.isSet(QStringLiteral("engines"))
        && !parseCountEngines(a.value(QStringLiteral("engines")), options.engines, baidu))
        return entry.usageError(kCountEnginesHelp);
    const QStringList words = a.words();
    if (words.isEmpty())
        return entry.usageError(QStringLiteral("at least one keyword is needed"));
    for (const QString &w : words) {
        if (w.trimmed().isEmpty())
            return entry.usageError(QStringLiteral("empty keyword"));
    }
    // Only today's counts are read: no database is made for them.
    if (!context.keywords().isOpen())
        context.openExistingDatabase();

    CountFiller filler(context.keywords(), context.endpoints(), context.pacing(), context.clock(), context.pageRules());
    filler.setGiveUpHandler(reportGiveUp);
    filler.setFailureHandler(reportFailedRequest);
    CXHtml baiduPage;
    baiduPage.TryTime = 10;
    int baiduStreak = 0;
    int baiduFailures = 0;
    Cli::RowPrinter out;
    Cli::InterruptWatch watch;
    for (const QString &keyword : words) {
        if (watch.interrupted())
            break;
        const KeywordStore::Counts c = filler.lookup(keyword, options).counts;
        QStringList row{keyword, c.google, c.yahoo, c.bing};
        if (baidu) {
            // Baidu follows the same give-up rule as the others.
            QString count = QStringLiteral("0");
            if (baiduStreak < EngineFailures::kGiveUpAfter) {
                const IndexCounts::CountResult r =
                    IndexCounts::fetchBaiduCount(keyword, baiduPage, context.endpoints(), context.pageRules());
                count = r.count;
                if (r.failed()) {
                    ++baiduFailures;
                    reportFailure(QStringLiteral("Baidu"), keyword, QStringLiteral("count"), r.reason());
                    if (++baiduStreak == EngineFailures::kGiveUpAfter)
                        Cli::fail(QStringLiteral("Baidu"),
                                  QStringLiteral("not answering; no more requests to it in this run"));
                } else {
                    baiduStreak = 0;
                }
            } else {
                ++baiduFailures;
            }
            row << count;
        }
        out.print(row);
        if (out.failed())
            break;
    }
    if (watch.interrupted()) {
        Cli::note(QStringLiteral("interrupted"));
        return printed(out, Cli::Interrupted);
    }
    return withFailures(filler.failures(), printed(out, Cli::Done), baiduFailures);
}

int runMine(const CommandEntry &entry, AppContext &context, const QStringList &args)
{
    Cli::Arguments a;
    const QList<Cli::Option> known{{QStringLiteral("engines"), true},
                                   {QStringLiteral("must-contain"), false},
                                   {QStringLiteral("exclude"), true},
                                   {QStringLiteral("save"), false}};
    if (!a.parse(args.mid(1), known))
        return entry.usageError(a.error());
    MiningOptions options;
    options.counts.engines = {true, true, true};
    if (a.isSet(QStringLiteral("engines"))
        && !parseEngineList(a.value(QStringLiteral("engines")), options.counts.engines))
        return entry.usageError(kEnginesHelp);
    options.mustContain = a.isSet(QStringLiteral("must-contain"));
    options.exclude = a.isSet(QStringLiteral("exclude"));
    options.excludeWords = a.value(QStringLiteral("exclude"));
    options.counts.store = a.isSet(QStringLiteral("save"));
    const QStringList words = a.words();
    if (words.size() != 1)
        return entry.usageError(QStringLiteral("one seed is needed (quote a seed with spaces)"));
    if (words.first().trimmed().isEmpty())
        return entry.usageError(QStringLiteral("empty keyword"));
    // Without --save the database only serves today's counts; with it, a
    // database that cannot be opened is an error, not a silent no-op.
    if (options.counts.store) {
        if (const int status = openForSaving(context); status != Cli::Done)
            return status;
    }
    if (!context.keywords().isOpen())
        context.openExistingDatabase();

    options.counts.parentBox = words.first();
    RelatedMiner miner(context);
    miner.setOptionsSource([options] { return options; });
    Cli::RowPrinter out;
    QObject::connect(&miner, &RelatedMiner::rowFilled, &miner, [&out, &miner](const QStringList &cells) {
        out.print(cells);
        if (out.failed())
            miner.requestPause();
    });
    QObject::connect(&miner, &RelatedMiner::engineGaveUp, &miner, reportGiveUp);
    miner.setFailureHandler(reportFailedRequest);
    Cli::InterruptWatch watch([&miner] { miner.requestPause(); });
    // The miner's messages are held for the failure line below.
    Cli::ConsolePrompter said;
    Prompter &previous = context.prompter();
    context.setPrompter(&said);
    const RelatedMiner::Outcome outcome = miner.click(words.first());
    context.setPrompter(&previous);
    if (outcome == RelatedMiner::Outcome::WriteFailed) {
        return databaseWriteFailed(context, QStringLiteral("mine --save"), said.said());
    }
    if (outcome == RelatedMiner::Outcome::Paused && !out.failed()) {
        Cli::note(QStringLiteral("interrupted after %1 keywords").arg(miner.result().count()));
        return Cli::Interrupted;
    }
    return withFailures(miner.failures(), printed(out, Cli::Done));
}

} // namespace

CommandEntry mineCommand()
{
    CommandEntry entry = commandEntry(
        QStringLiteral("mine"), QStringLiteral("related keywords of a seed, each with its indexed counts"),
        {QStringLiteral("mine SEED [--engines google,yahoo,bing] [--must-contain] [--exclude WORDS] [--save]")},
        runMine);
    entry.mayCreateDataFolder = true; // with --save; without it nothing is written
    return entry;
}

CommandEntry countsCommand()
{
    return commandEntry(
        QStringLiteral("counts"), QStringLiteral("how many pages each engine reports for keywords"),
        {QStringLiteral("counts [--engines google,yahoo,bing,baidu] KEYWORD...   indexed counts per engine "
                        "(baidu: a fifth column)")},
        runCounts);
}
