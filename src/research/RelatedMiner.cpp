#include "research/RelatedMiner.h"

#include "common/JobStatus.h"
#include "common/Prompter.h"
#include "common/ResultList.h"
#include "context/AppContext.h"
#include "engines/EnginePacing.h"
#include "engines/IndexCounts.h"
#include "engines/RelatedSearches.h"
#include "web/CXHtml.h"
#include "web/M_base.h"

namespace {

// Yahoo first, then Google, then Bing: the order the related pages are read.
constexpr std::array<Engine, 3> kStepOrder = {Engine::Yahoo, Engine::Google, Engine::Bing};

} // namespace

RelatedMiner::RelatedMiner(AppContext &context, QObject *parent)
    : QObject(parent),
      m_context(context),
      m_result(new ResultList(resultHeaders(), this)),
      m_reserve(new ResultList(reserveHeaders(), this)),
      m_filler(context)
{
}

QStringList RelatedMiner::resultHeaders()
{
    QStringList headers{QStringLiteral("相关关键词")};
    for (Engine e : kEngines)
        headers << engineLabel(e) + QStringLiteral("收录");
    return headers;
}

QStringList RelatedMiner::reserveHeaders()
{
    return {QStringLiteral("相关关键词"), QStringLiteral("搜索量-月均"), QStringLiteral("搜索量-昨日"),
            QStringLiteral("百度收录数"), QStringLiteral("百度优化指数")};
}

bool RelatedMiner::passesWords(const QString &candidate, const QString &seed, const MiningOptions &options)
{
    if (options.mustContain ? !candidate.contains(seed) : candidate.isEmpty())
        return false;
    if (options.exclude) {
        const QString words = options.excludeWords.trimmed().toLower();
        // An empty field excludes nothing; an empty word between two bars
        // is contained in every text and so excludes everything.
        if (!words.isEmpty()) {
            for (const QString &w : words.split(QLatin1Char('|'))) {
                if (candidate.contains(w))
                    return false;
            }
        }
    }
    return true;
}

void RelatedMiner::setState(State s)
{
    if (m_state == s)
        return;
    m_state = s;
    JobStatus &status = m_context.jobStatus();
    switch (s) {
    case State::Idle: status.setState(JobStatus::Idle); break;
    case State::Running: status.setState(JobStatus::Running); break;
    case State::Stopping: status.setState(JobStatus::Stopping); break;
    case State::Paused: status.setState(JobStatus::Paused); break;
    }
    Q_EMIT stateChanged(s);
}

void RelatedMiner::GetStbar(const QString &k)
{
    JobStatus &status = m_context.jobStatus();
    status.setTotal(QStringLiteral("累计查询到相关关键词：") + QString::number(m_result->count())
                    + QStringLiteral("个"));
    status.setCurrent(QStringLiteral("当前相关关键词：") + k);
}

RelatedMiner::Outcome RelatedMiner::click(const QString &seedText)
{
    // One job at a time: a run started inside another job's wait would
    // share its status panels and leave them wrong when either ends.
    const bool ownRun = m_state == State::Running || m_state == State::Stopping;
    if (!ownRun && m_context.jobStatus().isBusy())
        return Outcome::OtherJobBusy;
    const QString seed = seedText.toLower().trimmed();
    if (seed.isEmpty()) {
        m_context.prompter().notice(QStringLiteral("请输入要查询的关键词！"));
        return Outcome::EmptySeed;
    }
    if (seed != m_lastSeed) {
        m_result->clear();
        m_reserve->clear();
        m_lastSeed = seed;
        m_done = {false, false, false};
        ++m_generation;
    }
    if (m_state == State::Running || m_state == State::Stopping) {
        requestPause();
        return Outcome::PauseRequested;
    }
    return run();
}

void RelatedMiner::requestPause()
{
    if (m_state != State::Running)
        return;
    m_running = false;
    setState(State::Stopping);
}

void RelatedMiner::addKeyword(const QString &keyword, const MiningOptions &options, bool bold)
{
    m_result->addRow(keyword);
    m_reserve->addRow(keyword);
    if (!bold)
        GetStbar(keyword);
    const KeywordStore::Counts counts = m_filler.AddIndex(keyword, *m_result, *m_reserve, options.counts);
    if (bold) {
        m_result->setBold(m_result->findText(keyword), true);
        m_reserve->setBold(m_reserve->findText(keyword), true);
    }
    Q_EMIT rowFilled({keyword, counts.google, counts.yahoo, counts.bing});
}

QString RelatedMiner::fetchRelatedPage(Engine e, const QString &seed)
{
    // Paced like the count requests: the wait value is the least time
    // between any two requests to an engine.
    m_context.pacing().pace(e);
    ++m_pageRequests;
    CXHtml html;
    html.TryTime = 10;
    html.charset = QStringLiteral("utf-8");
    html.url = m_context.endpoints().url(Endpoints::serviceOf(e), IndexCounts::requestPath(e, seed));
    const QString page = html.GetSrc().toLower();
    m_context.pacing().requestDone(e);
    return page;
}

RelatedMiner::Outcome RelatedMiner::run()
{
    const QString seed = m_lastSeed;
    const quint64 generation = m_generation;
    m_result->setSortingEnabled(false);
    m_running = true;
    setState(State::Running);

    if (!M_base::IsInList(seed, *m_result)) {
        GetStbar(seed);
        addKeyword(seed, options(), true);
    }

    for (Engine e : kStepOrder) {
        if (m_done[engineIndex(e)])
            continue;
        const QStringList found = RelatedSearches::candidates(e, fetchRelatedPage(e, seed));
        for (const QString &candidate : found) {
            if (!m_running) {
                setState(State::Paused);
                return Outcome::Paused;
            }
            const MiningOptions opts = options();
            if (!passesWords(candidate, seed, opts) || M_base::IsInList(candidate, *m_result))
                continue;
            addKeyword(candidate, opts, false);
        }
        if (generation == m_generation)
            m_done[engineIndex(e)] = true;
    }

    // Finish: a later click starts afresh, even with the same seed.
    m_running = false;
    m_lastSeed.clear();
    m_context.jobStatus().clearProgress();
    setState(State::Idle);
    return Outcome::Finished;
}
