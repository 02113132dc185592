#include "rank/ChangeCommand.h"

#include "common/CommandLine.h"
#include "common/ResultList.h"
#include "rank/ChangeNotifier.h"
#include "rank/ResultsHistory.h"
#include "store/FavouriteStore.h"

QStringList ChangeCommand::optionNames()
{
    return {QStringLiteral("changes"), QStringLiteral("min-change"), QStringLiteral("notify")};
}

bool ChangeCommand::anyGiven(const Cli::Arguments &args)
{
    for (const QString &name : optionNames()) {
        if (args.isSet(name))
            return true;
    }
    return false;
}

bool ChangeCommand::parse(const Cli::Arguments &args, Options *out, QString *problem)
{
    if (args.isSet(QStringLiteral("changes"))) {
        out->file = args.value(QStringLiteral("changes"));
        const std::optional<ChangeReport::Format> format = ChangeReport::formatOfPath(out->file);
        if (out->file.isEmpty() || !format) {
            *problem = QStringLiteral("--changes takes a file ending in .csv, .json, .html or .htm");
            return false;
        }
        out->format = *format;
    }
    if (args.isSet(QStringLiteral("min-change"))) {
        bool ok = false;
        out->minChange = args.value(QStringLiteral("min-change")).toInt(&ok);
        if (!ok || out->minChange < 1) {
            *problem = QStringLiteral("--min-change takes a whole number of places, 1 or more");
            return false;
        }
    }
    if (args.isSet(QStringLiteral("notify"))) {
        out->notify = QUrl(args.value(QStringLiteral("notify")), QUrl::StrictMode);
        if (!ChangeNotifier::isUsableUrl(out->notify)) {
            *problem = QStringLiteral("--notify takes an http or https address");
            return false;
        }
    }
    return true;
}

ChangeCommand::ChangeCommand(const Options &options, const QString &favouritesFolder)
    : m_options(options),
      m_folder(favouritesFolder),
      m_comparer(options.minChange)
{
}

void ChangeCommand::addPair(const QString &favouriteKey, const ResultList &result, int headerRow)
{
    const RankChanges::Input in = RankChanges::pairInput(favouriteKey, result, headerRow, FavouriteStore(m_folder));
    m_changes += m_comparer.compare(in);
    if (m_date.isEmpty())
        m_date = in.date;
}

int ChangeCommand::finish(Cli::RowPrinter &out)
{
    const ResultsHistory kept(m_folder);
    RankChanges::nameReplacements(m_changes, [&kept](const RankChanges::Change &c) {
        return kept.newlyAbove(c.site, c.keyword, c.engine, c.previousDate, c.date);
    });
    for (const RankChanges::Change &c : m_changes)
        out.print(ChangeReport::fields(c));
    int status = Cli::Done;
    const QByteArray json = ChangeReport::json(m_changes, m_date);
    if (!m_options.file.isEmpty()) {
        const CheckedFile::Result written = m_options.format == ChangeReport::Format::Json
            ? CheckedFile::replace(m_options.file, json)
            : ChangeReport::write(m_options.file, m_options.format, m_changes, m_date);
        if (!written) {
            Cli::fail(QStringLiteral("cannot write ") + m_options.file, written.reason);
            status = Cli::Failed;
        }
    }
    if (!m_options.notify.isEmpty()) {
        const QString where = m_options.notify.toDisplayString();
        if (m_changes.isEmpty()) {
            Cli::note(QStringLiteral("no changes: nothing sent to ") + where);
        } else {
            const ChangeNotifier::Result sent = ChangeNotifier(m_notifySeconds).post(m_options.notify, json);
            if (sent.ok) {
                Cli::note(QStringLiteral("notify %1: %2 changes sent (HTTP status %3)")
                              .arg(where)
                              .arg(m_changes.size())
                              .arg(sent.status));
            } else {
                Cli::fail(QStringLiteral("notify ") + where, sent.reason);
                if (status == Cli::Done)
                    status = Cli::Incomplete;
            }
        }
    }
    return status;
}
