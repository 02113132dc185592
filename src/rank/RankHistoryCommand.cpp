#include "rank/RankHistoryCommand.h"

#include "context/AppContext.h"
#include "rank/ResultsHistory.h"

namespace {

// "-" for not found, the number otherwise, nothing without data.
QString positionText(const std::optional<int> &position)
{
    if (!position)
        return {};
    return *position > 0 ? QString::number(*position) : QStringLiteral("-");
}

} // namespace

int runRankHistory(const CommandEntry &entry, AppContext &context, const Cli::Arguments &a)
{
    for (const char *other : {"depth", "all", "favourites", "import-favourites"}) {
        if (a.isSet(QLatin1String(other)))
            return entry.usageError(
                QStringLiteral("--history takes --site, --keyword, --competitor and --engines only"));
    }
    const QString site = a.value(QStringLiteral("site")).trimmed();
    const QString keyword = a.value(QStringLiteral("keyword")).trimmed();
    if (site.isEmpty() || keyword.isEmpty())
        return entry.usageError(QStringLiteral("--history needs --site and --keyword"));
    std::array<bool, 3> engines{true, true, true};
    if (a.isSet(QStringLiteral("engines")) && !parseEngineList(a.value(QStringLiteral("engines")), engines))
        return entry.usageError(QStringLiteral("--engines takes a list of google, yahoo, bing"));
    QStringList competitors;
    for (const QString &value : a.values(QStringLiteral("competitor"))) {
        const QString host = value.trimmed();
        if (host.isEmpty() || host.contains(u'/') || host.contains(u' '))
            return entry.usageError(QStringLiteral("--competitor takes a host name: ") + value);
        competitors.append(host);
    }

    const ResultsHistory history(context.dataFile(QStringLiteral("myfav")));
    if (!history.tracked(site, keyword)) {
        Cli::fail(QStringLiteral("rank --history"),
                  QStringLiteral("no favourite tracks %1 for \"%2\"")
                      .arg(Cli::RowPrinter::field(site), Cli::RowPrinter::field(keyword)));
        return Cli::Failed;
    }
    Cli::RowPrinter out;
    for (const ResultsHistory::Day &day : history.days(site, keyword)) {
        if (!engines[engineIndex(day.engine)])
            continue;
        QStringList fields{day.date, engineLabel(day.engine), positionText(day.sitePosition)};
        for (const QString &host : competitors)
            fields.append(positionText(ResultsHistory::positionOf(day, host)));
        out.print(fields);
        if (out.failed())
            break;
    }
    if (out.failed()) {
        Cli::fail(QStringLiteral("cannot write to standard output"), out.error());
        return Cli::Failed;
    }
    return Cli::Done;
}
