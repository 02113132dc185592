#pragma once

#include "common/Engine.h"
#include "common/Job.h"
#include "engines/EngineFailures.h"
#include "rank/RankList.h"
#include "store/DayResults.h"
#include "web/FetchAbort.h"

#include <QDate>
#include <QMutex>
#include <QObject>
#include <QThreadPool>
#include <functional>

class Clock;
class PageRuleSet;
class Endpoints;
class JobStatus;
class Prompter;
class cKeyrank;

// The rank query run: every ticked site with every ticked keyword, each
// ticked engine asked for the site's position (and with "all matches" every
// further position within the chosen depth). Fills the result list with a
// header row per pair and a row per engine answer, keeps one recent record
// per pair and writes today's day file of a pair that is a favourite, with
// the organic results its pages listed in a results file beside it. An
// engine answers only when every page its scan needed loaded: otherwise it
// shows "-" and "查询失败" and is left out of the record, the day file and
// the results file (the day's earlier lines for it stay). An engine that fails three times in
// a row is asked nothing more in the run. A stop ends the page in flight and
// the run after the current pair.
class RankRun : public QObject
{
    Q_OBJECT
public:
    enum class Outcome { NothingSelected, OtherJobBusy, Finished, Stopped };
    Q_ENUM(Outcome)

    struct Settings {
        int depthIndex = 1;
        bool allMatches = false;
    };
    struct Pair {
        QString site;
        QString keyword;
        // The favourite this pair runs for, when the caller knows it (the
        // command line runs each favourite under its own stored key); empty:
        // the key of the current options, when such a favourite exists.
        QString favouriteKey;
    };

    static const QString kFailedLink; // "查询失败"

    // Scans ask `endpoints`; favourites live in `favouritesFolder` ("myfav"),
    // their day files dated by `clock`.
    RankRun(RankList &engines, const Endpoints &endpoints, JobStatus &status, Prompter &prompter, const Clock &clock,
            const PageRuleSet &rules, const QString &favouritesFolder, QObject *parent = nullptr);
    ~RankRun() override;

    static QStringList resultHeaders();
    static QStringList recentHeaders();

    RankList &result() { return m_result; }
    const RankList &result() const { return m_result; }
    RankList &recent() { return m_recent; }
    Job &job() { return m_job; }

    // Read anew for every engine step, as the tab's controls are.
    void setSettingsSource(std::function<Settings()> source) { m_settings = std::move(source); }
    Settings settings() const { return m_settings ? m_settings() : Settings{}; }
    QString dateText() const;
    // Page time limit of the scanners, seconds.
    void setPageTimeLimit(int seconds) { m_timeLimit = seconds; }

    // checksave: 0 when the selection can run, -1 after saying what is missing.
    int checksave(const ResultList &sites, const ResultList &keywords);
    // keyrank_GetSes: every ticked engine's label, each preceded by ",".
    QString keyrank_GetSes() const;
    // The engine list text: ticked labels joined with ",".
    QString engineListText() const { return keyrank_GetSes().mid(1).trimmed(); }
    // keyrank_CheckExit: a recent record of this pair with these engines and the current options.
    bool keyrank_CheckExit(const QString &keyword, const QString &engineList, const QString &site) const;

    // The "开始查询" button: checks the selection and runs the ticked pairs.
    Outcome start(const ResultList &sites, const ResultList &keywords);
    // Runs the given pairs without the selection checks (command line).
    // Engines that gave up in an earlier call stay given up: one command is
    // one run.
    Outcome runPairs(const QVector<Pair> &pairs);
    // Stops after the current pair; the page in flight ends at once.
    void requestStop();

    // Engine steps without an answer in the last call (pages that failed,
    // engines given up, scans stopped).
    int failedSteps() const { return m_failedSteps; }
    const EngineFailures &failures() const { return m_failures; }
    // Favourites' day files and results files the last run could not write (already said
    // through the prompter): each file and why.
    struct DayFileError {
        QString file;
        QString reason;
    };
    int dayFileFailures() const { return int(m_dayFileErrors.size()); }
    QList<DayFileError> dayFileErrors() const { return m_dayFileErrors; }
    int pageRequests() const { return m_pageRequests; }

Q_SIGNALS:
    // One pair is done: its header row and engine rows end the result list.
    void pairFinished(int headerRow);
    // An engine's scan of a pair got no answer; `reason` says why ("timed
    // out", "HTTP status 500", "not answering", ...).
    void scanFailed(Engine e, const QString &site, const QString &keyword, const QString &reason);
    // Three failures in a row: the engine is asked nothing more in this run.
    void engineGaveUp(Engine e);

private:
    struct PairResult {
        QString record;
        QStringList dayLines;
        QStringList failedLabels;
        QStringList answeredLabels;
        QVector<DayResults::Row> results; // the answered engines' organic results
        int steps = 0;
    };
    void runPair(const Pair &pair, cKeyrank &scanner);
    void engineStep(Engine e, const Pair &pair, cKeyrank &scanner, PairResult &out);
    int addEngineRow(Engine e, const QString &position, const QString &link, const QString &address);
    void writeDayFile(const QString &key, const QString &date, const PairResult &pair);
    static QList<DayFileError> writeDayFiles(const QString &folder, const QString &key, const QString &date,
                                             const PairResult &pair);
    void failStep(Engine e, const Pair &pair, PairResult &out, const QString &reason);

    RankList &m_engines;
    const Endpoints &m_endpoints;
    Prompter &m_prompter;
    const Clock &m_clock;
    const PageRuleSet &m_rules;
    QString m_favouritesFolder;
    RankList m_result;
    RankList m_recent;
    Job m_job;
    FetchAbort m_abort;
    EngineFailures m_failures;
    std::function<Settings()> m_settings;
    int m_timeLimit = 15;
    int m_failedSteps = 0;
    QList<DayFileError> m_dayFileErrors; // filled by the writer thread while a run is on
    QMutex m_writeErrorsLock;
    int m_pageRequests = 0;
    // Writes the favourites' files, one at a time, while the scan goes on.
    QThreadPool m_writer;
};
