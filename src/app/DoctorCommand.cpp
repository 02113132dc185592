#include "app/DoctorCommand.h"

#include "common/CommandLine.h"
#include "context/AppContext.h"
#include "engines/RuleDoctor.h"
#include "engines/RuleSetChoice.h"

#include <QDir>
#include <memory>

namespace {

// The live query: a common word every engine answers with a full page.
const QString kLiveKeyword = QStringLiteral("seo");
constexpr int kLiveTimeLimit = 15;

int runDoctor(const CommandEntry &entry, AppContext &context, const QStringList &args)
{
    Cli::Arguments a;
    if (!a.parse(args.mid(1), {{QStringLiteral("live"), false}, {QStringLiteral("rules"), true}}))
        return entry.usageError(a.error());
    if (!a.words().isEmpty())
        return entry.usageError(QStringLiteral("unexpected argument: ") + a.words().first());
    const QString rulesDir = QDir(context.programDir()).filePath(QStringLiteral("rules"));

    std::unique_ptr<PageRuleSet> own;
    const PageRuleSet *rules = &context.pageRules();
    // A set asked for but refused is no set that reads, whatever the
    // built-in one standing in for it does.
    bool refused = !context.rulesRefused().isEmpty();
    if (a.isSet(QStringLiteral("rules"))) {
        const QString given = a.value(QStringLiteral("rules"));
        if (given.trimmed().isEmpty())
            return entry.usageError(QStringLiteral("--rules needs a name or a file"));
        QString why;
        own = RuleSetChoice::load(given, context.programDir(), &why);
        if (!own) {
            Cli::fail(QStringLiteral("doctor"), QStringLiteral("rules: ") + why);
            return Cli::Incomplete;
        }
        rules = own.get();
        refused = false;
    }
    Cli::note(QStringLiteral("rule set %1").arg(rules->name()));

    QList<RuleDoctor::Check> checks = RuleDoctor::checkSamples(*rules, rulesDir);
    if (a.isSet(QStringLiteral("live")))
        checks += RuleDoctor::checkLive(*rules, context.endpoints(), kLiveKeyword, kLiveTimeLimit);
    Cli::RowPrinter out;
    bool allRead = !refused;
    for (const RuleDoctor::Check &c : checks) {
        out.print({RuleDoctor::engineLabel(c.engine), PageRules::purposeName(c.purpose), c.source, c.verdict});
        allRead = allRead && c.reads;
    }
    if (out.failed()) {
        Cli::fail(QStringLiteral("cannot write to standard output"), out.error());
        return Cli::Failed;
    }
    if (!allRead) {
        Cli::fail(QStringLiteral("doctor"),
                  refused ? QStringLiteral("the asked-for rule set was refused")
                          : QStringLiteral("some rules read nothing"));
        return Cli::Incomplete;
    }
    return Cli::Done;
}

} // namespace

CommandEntry doctorCommand()
{
    return commandEntry(QStringLiteral("doctor"),
                        QStringLiteral("whether the page rule set still reads the engines' pages"),
                        {QStringLiteral("doctor [--live] [--rules NAME|FILE]   the rules over their sample pages "
                                        "(--live: one real query per engine too)")},
                        runDoctor);
}
