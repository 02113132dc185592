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
      m_job(context.jobStatus(), Job::Resume::Resumable),
      m_lists(resultHeaders(), reserveHeaders(), kRestoredColumns),
      m_filler(context)
{
    connect(&m_job, &Job::stateChanged, this, &RelatedMiner::stateChanged);
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

void RelatedMiner::GetStbar(const QString &k)
{
    JobStatus &status = m_context.jobStatus();
    status.setTotal(QStringLiteral("累计查询到相关关键词：") + QString::number(result().count())
                    + QStringLiteral("个"));
    status.setCurrent(QStringLiteral("当前相关关键词：") + k);
}

RelatedMiner::Outcome RelatedMiner::click(const QString &seedText)
{
    if (m_job.otherJobBusy())
        return Outcome::OtherJobBusy;
    const QString seed = seedText.toLower().trimmed();
    if (seed.isEmpty()) {
        m_context.prompter().notice(QStringLiteral("请输入要查询的关键词！"));
        return Outcome::EmptySeed;
    }
    if (seed != m_lastSeed) {
        m_lists.clear();
        m_lastSeed = seed;
        m_done = {false, false, false};
        ++m_generation;
    }
    if (m_job.isActive()) {
        requestPause();
        return Outcome::PauseRequested;
    }
    return run();
}

void RelatedMiner::requestPause()
{
    m_job.requestStop();
}

void RelatedMiner::addKeyword(const QString &keyword, const MiningOptions &options, bool bold)
{
    m_lists.addRow(keyword);
    if (!bold)
        GetStbar(keyword);
    const KeywordStore::Counts counts = m_filler.AddIndex(keyword, m_lists, options.counts);
    if (bold)
        m_lists.setBold(keyword, true);
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
    result().setSortingEnabled(false);
    if (!m_job.start())
        return Outcome::OtherJobBusy;

    if (!M_base::IsInList(seed, result())) {
        GetStbar(seed);
        addKeyword(seed, options(), true);
    }

    for (Engine e : kStepOrder) {
        if (m_done[engineIndex(e)])
            continue;
        const QStringList found = RelatedSearches::candidates(e, fetchRelatedPage(e, seed));
        for (const QString &candidate : found) {
            if (m_job.stopRequested()) {
                m_job.park();
                return Outcome::Paused;
            }
            const MiningOptions opts = options();
            if (!passesWords(candidate, seed, opts) || M_base::IsInList(candidate, result()))
                continue;
            addKeyword(candidate, opts, false);
        }
        if (generation == m_generation)
            m_done[engineIndex(e)] = true;
    }

    // Finish: a later click starts afresh, even with the same seed.
    m_lastSeed.clear();
    m_job.finish();
    return Outcome::Finished;
}
