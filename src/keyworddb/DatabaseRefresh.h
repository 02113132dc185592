#pragma once

#include "common/Engine.h"
#include "common/Job.h"
#include "engines/EngineFailures.h"

#include <QObject>
#include <QString>
#include <functional>

class Clock;
class EnginePacing;
class Endpoints;
class KeywordStore;
class ListPair;
class PageRuleSet;
class Prompter;
class ResultList;

// The database refresh (UpdateDb): walks the database list from its bold
// resume row, asks each ticked engine again for the row's count, shows it,
// stores it with today's date, and can be paused between rows. It blocks its
// caller while it runs; the fetches and pacing waits run the event loop, so
// a pause request (a click, a signal) is taken during them and acted on at
// the next row. No widgets: the tab and the headless command both drive it.
class DatabaseRefresh : public QObject
{
    Q_OBJECT
public:
    enum class Outcome { Finished, Paused, NoEngine, AlreadyRunning, OtherJobBusy, WriteFailed };
    Q_ENUM(Outcome)
    // Paused after a stop request: the next start resumes at the bold row.
    using State = JobStatus::State;

    // Asked before every engine step, so a box unticked during a run counts
    // from the next step on.
    using EngineSwitch = std::function<bool(Engine)>;

    static QString updatingText() { return QStringLiteral("更新中..."); }

    // Refreshed counts go into both lists of the pair, so that a later
    // filter or "还原" does not bring back stale counts. `clock` dates them;
    // `rules` read the count pages.
    DatabaseRefresh(ListPair &lists, KeywordStore &store, const Endpoints &endpoints, EnginePacing &pacing,
                    const Clock &clock, const PageRuleSet &rules, JobStatus &status, QObject *parent = nullptr);
    void setEngineSwitch(EngineSwitch engines) { m_engines = std::move(engines); }
    // Where a failed database write is reported (the run stops then).
    void setPrompter(Prompter *prompter) { m_prompter = prompter; }
    // Fetch time limits in seconds: until the run's first Bing request, and
    // from then on (10 and 15 unless a test shortens them).
    void setTimeLimits(int beforeBing, int fromBing);

    State state() const { return m_job.state(); }
    bool isRunning() const { return m_job.isActive(); }
    Job &job() { return m_job; }
    bool anyEngineTicked() const;
    // Where the next run starts: the first bold row, else the top.
    int resumeRow() const;
    // Failed requests of the current or last run. A failed request leaves
    // the stored count, the shown cells and the row's date as they were.
    const EngineFailures &failures() const { return m_failures; }
    // "更新完成" or "更新完成，3次查询失败": status panel 2 after a run.
    static QString finishedText(const EngineFailures &failures);

    // Starts a run (when one engine at least is ticked and no run is going
    // on) and returns when it has finished or parked.
    Outcome start();
    // Clears the run flag; the run parks at its next row.
    void requestPause();

Q_SIGNALS:
    void stateChanged(JobStatus::State state);
    // Row `row` is now the bold current row; emitted before the run flag is
    // tested, so a handler may still ask for a pause here.
    void rowStarted(int row);
    // Every ticked engine of the row was asked and stored, and its date set.
    void rowFinished(int row);
    // An engine step is about to fetch (its cell shows "更新中...").
    void engineStarted(int row, Engine engine);
    void finished(DatabaseRefresh::Outcome outcome);
    // An engine failed three times in a row: it is asked nothing more in this run.
    void engineGaveUp(Engine engine);
    // An engine's request for the row failed ("timed out", "unrecognised
    // page", "blocked"): its stored count was kept.
    void requestFailed(int row, Engine engine, const QString &reason);

private:
    Outcome UpdateDb();
    Outcome stopForWriteFailure();
    bool engineTicked(Engine e) const;

    ListPair &m_lists;
    ResultList &m_list;
    KeywordStore &m_store;
    const Endpoints &m_endpoints;
    EnginePacing &m_pacing;
    const Clock &m_clock;
    const PageRuleSet &m_rules;
    JobStatus &m_status;
    Job m_job;
    EngineFailures m_failures;
    Prompter *m_prompter = nullptr;
    EngineSwitch m_engines;
    int m_limitBeforeBing = 10;
    int m_limitFromBing = 15;
};
