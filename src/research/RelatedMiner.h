#pragma once

#include "common/Engine.h"
#include "common/Job.h"
#include "common/ListPair.h"
#include "research/CountFiller.h"

#include <QObject>
#include <QStringList>
#include <array>
#include <functional>

class AppContext;

// The options of the mining tab, read afresh at each use so that a box
// ticked during a run counts from the next keyword on.
struct MiningOptions {
    bool mustContain = false;    // "相关关键词中必须包含关键词"
    bool exclude = false;        // "相关关键词中不包含以下关键词："
    QString excludeWords;        // words separated by "|"
    CountFiller::Options counts; // engines, database option, seed field text
};

// Related-keyword mining: from a seed, the related searches of Yahoo, Google
// and Bing that pass the word conditions, each with its indexed counts. It
// owns the result list, its reserve copy and the run state (last seed, the
// engines already finished, the running flag), so a paused run resumes where
// it stopped. A run blocks its caller while the event loop keeps running;
// a second click() during it is the pause request.
class RelatedMiner : public QObject
{
    Q_OBJECT
public:
    using State = JobStatus::State;
    enum class Outcome { EmptySeed, PauseRequested, Paused, Finished, OtherJobBusy, WriteFailed };
    Q_ENUM(Outcome)

    explicit RelatedMiner(AppContext &context, QObject *parent = nullptr);

    static QStringList resultHeaders();
    static QStringList reserveHeaders();

    // Columns 1-3 hold the engine counts, 4-7 the Baidu figures (volume,
    // latest day, page count, optimisation index) that only the Baidu tools
    // write. "还原" and the filter's rebuild copy all of them back.
    static constexpr int kBaiduVolumeColumn = 4;
    static constexpr int kBaiduLatestColumn = 5;
    static constexpr int kBaiduPagesColumn = 6;
    static constexpr int kBaiduIndexColumn = 7;
    static constexpr int kRestoredColumns = 7;

    ListPair &lists() { return m_lists; }
    ResultList &result() { return m_lists.shown(); }
    ResultList &reserve() { return m_lists.reserve(); }
    Job &job() { return m_job; }

    void setOptionsSource(std::function<MiningOptions()> source) { m_options = std::move(source); }
    MiningOptions options() const { return m_options ? m_options() : MiningOptions{}; }

    // The start button: starts, asks a running job to pause, or resumes a
    // paused one (same seed). Returns when the run parks or finishes.
    Outcome click(const QString &seedText);
    // The pause request alone (Ctrl-C of the command line).
    void requestPause();

    State state() const { return m_job.state(); }
    QString lastSeed() const { return m_lastSeed; }
    bool engineDone(Engine e) const { return m_done[engineIndex(e)]; }
    int requestCount() const { return m_filler.requestCount() + m_pageRequests; }
    // Failed count requests of the current or last run.
    const EngineFailures &failures() const { return m_filler.failures(); }
    // Told each failed request, counts and related searches alike.
    void setFailureHandler(CountFiller::FailureHandler handler) { m_filler.setFailureHandler(std::move(handler)); }

    // The word conditions: must-contain and the exclusion words.
    static bool passesWords(const QString &candidate, const QString &seed, const MiningOptions &options);

Q_SIGNALS:
    void stateChanged(JobStatus::State state);
    // A row was added and its counts filled (and, with the store option,
    // stored): keyword, Google, Yahoo, Bing.
    void rowFilled(const QStringList &cells);
    // An engine failed three times in a row: it is asked nothing more in this run.
    void engineGaveUp(Engine engine);

private:
    Outcome run();
    void GetStbar(const QString &k);
    // False when the store option's write failed (the run must stop).
    bool addKeyword(const QString &keyword, const MiningOptions &options, bool bold);
    void reportWriteFailure();
    bool isListed(const QString &keyword) const;
    // The related searches of the seed's result page; a page that failed or
    // that the rules cannot read gives none and counts as a failure.
    QStringList relatedOf(Engine e, const QString &seed);

    AppContext &m_context;
    Job m_job;
    ListPair m_lists;
    CountFiller m_filler;
    std::function<MiningOptions()> m_options;

    QString m_lastSeed;
    std::array<bool, 3> m_done{false, false, false};
    // Bumped whenever the lists are emptied for another seed, so a run that
    // is still unwinding cannot mark engines done for the new seed.
    quint64 m_generation = 0;
    int m_pageRequests = 0;
};
