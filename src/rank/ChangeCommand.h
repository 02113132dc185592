#pragma once

#include "rank/ChangeReport.h"
#include "rank/RankChanges.h"

#include <QUrl>

class ResultList;

namespace Cli {
class Arguments;
class RowPrinter;
} // namespace Cli

// The change report of "veltrana rank --favourites": its options, the
// changes gathered pair by pair as the run goes, and what is done with them
// at the end (printed, written to a file, sent to a webhook).
class ChangeCommand
{
public:
    struct Options {
        QString file; // empty: no file
        ChangeReport::Format format = ChangeReport::Format::Json;
        int minChange = 1;
        QUrl notify; // empty: no webhook
    };

    // The options' names, for the command's parser.
    static QStringList optionNames();
    // Reads --changes, --min-change and --notify; false with `problem` set
    // for a value that cannot be used.
    static bool parse(const Cli::Arguments &args, Options *out, QString *problem);
    // Whether any of them was given.
    static bool anyGiven(const Cli::Arguments &args);

    ChangeCommand(const Options &options, const QString &favouritesFolder);

    void setNotifyTimeLimit(int seconds) { m_notifySeconds = seconds; }

    // A favourite's pair is done: its rows in `result` from `headerRow` on.
    void addPair(const QString &favouriteKey, const ResultList &result, int headerRow);
    const QList<RankChanges::Change> &changes() const { return m_changes; }

    // Once the run's files are on disk: names who replaced each falling
    // site, prints one line per change, writes the file and calls the
    // webhook. Returns Cli::Done, Cli::Failed (the file could not be
    // written) or Cli::Incomplete (the webhook did not take the report).
    int finish(Cli::RowPrinter &out);

private:
    Options m_options;
    QString m_folder;
    RankChanges::Comparer m_comparer;
    QList<RankChanges::Change> m_changes;
    QString m_date;
    int m_notifySeconds = 15;
};
