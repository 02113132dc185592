#include "research/RelatedMiner.h"

#include "common/JobStatus.h"
#include "common/Prompter.h"
#include "common/ResultList.h"
#include "context/AppContext.h"
#include "engines/EnginePacing.h"
#include "engines/IndexCounts.h"
#include "engines/RelatedSearches.h"
#include "pagerules/PageRules.h"
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
      m_filler(context.keywords(), context.endpoints(), context.pacing(), context.clock(), context.pageRules())
{
    connect(&m_job, &Job::stateChanged, this, &RelatedMiner::stateChanged);
    // The engine counts and the Baidu figures.
    m_lists.shown().setCountColumns(
        {1, 2, 3, kBaiduVolumeColumn, kBaiduLatestColumn, kBaiduPagesColumn, kBaiduIndexColumn});
    m_filler.setGiveUpHandler([this](Engine e) {
        m_context.jobStatus().setCurrent(EngineFailures::gaveUpText(e));
        Q_EMIT engineGaveUp(e);
    });
}

QStringList RelatedMiner::resultHeaders()
{
    QStringList headers{QStringLiteral("相关关键词")};
    for (Engine e : kEngines)
        headers << engineLabel(e) + QStringLiteral("收录");
    // The Baidu figures have columns of their own, so the engine counts stay visible.
    headers << QStringLiteral("搜索量-月均") << QStringLiteral("搜索量-昨日") << QStringLiteral("百度收录数")
            << QStringLiteral("百度优化指数");
    return headers;
}

QStringList RelatedMiner::reserveHeaders() { return resultHeaders(); }

bool RelatedMiner::passesWords(const QString &candidate, const QString &seed, const MiningOptions &options)
{
    if (options.mustContain ? !candidate.contains(seed) : candidate.isEmpty())
        return false;
    if (options.exclude) {
        // Empty words ("free|", "a||b") are skipped: an empty text is
        // contained in every candidate and would reject them all.
        const QStringList words = options.excludeWords.trimmed().toLower().split(QLatin1Char('|'), Qt::SkipEmptyParts);
        for (const QString &w : words) {
            if (candidate.contains(w))
                return false;
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

void RelatedMiner::requestPause() { m_job.requestStop(); }

bool RelatedMiner::isListed(const QString &keyword) const
{
    // The reserve copy counts too: a row the user filtered away or deleted
    // is still this run's, and "还原" would show it twice.
    return M_base::IsInList(keyword, m_lists.shown()) || m_lists.reserve().containsText(keyword);
}

bool RelatedMiner::addKeyword(const QString &keyword, const MiningOptions &options, bool bold)
{
    m_lists.addRow(keyword);
    if (!bold)
        GetStbar(keyword);
    // The engine boxes are read again before each engine's step.
    const CountFiller::Filled filled = m_filler.AddIndex(
        keyword, m_lists, [this, &options] { return m_options ? m_options().counts : options.counts; });
    if (bold)
        m_lists.setBold(keyword, true);
    if (filled.writeFailed)
        return false;
    const KeywordStore::Counts &counts = filled.counts;
    Q_EMIT rowFilled({keyword, counts.google, counts.yahoo, counts.bing});
    return true;
}

void RelatedMiner::reportWriteFailure()
{
    const KeywordStore &store = m_context.keywords();
    m_context.prompter().message(QStringLiteral("提示"),
                                 QStringLiteral("无法写入关键词数据库 %1：%2\n查询已停止，已保存的数据不受影响。")
                                     .arg(store.fileName(), store.lastError()),
                                 Prompter::Icon::Warning);
}

QStringList RelatedMiner::relatedOf(Engine e, const QString &seed)
{
    // An engine that stopped answering is asked nothing more in this run.
    if (m_filler.failures().gaveUp(e))
        return {};
    // Paced like the count requests: the wait value is the least time
    // between any two requests to an engine.
    m_context.pacing().pace(e);
    ++m_pageRequests;
    CXHtml html;
    html.TryTime = 10;
    html.charset = QStringLiteral("utf-8");
    html.url = m_context.endpoints().url(Endpoints::serviceOf(e), IndexCounts::requestPath(e, seed));
    const FetchOutcome outcome = html.fetchOutcome();
    m_context.pacing().requestDone(e);
    const QString what = QStringLiteral("related searches");
    if (outcome.failed()) {
        m_filler.recordRequest(e, seed, what, outcome.reason());
        return {};
    }
    // The page as it came: rule sets match class names as written.
    const PageRules::Reading read = m_context.pageRules().read(engineKey(e), PageRules::Purpose::Related, outcome.body);
    if (read.failed()) {
        m_filler.recordRequest(e, seed, what, read.reason());
        m_context.jobStatus().setCurrent(engineLabel(e) + QStringLiteral(" 相关搜索：") + read.reasonText());
        return {};
    }
    m_filler.recordRequest(e, false);
    return read.values;
}

RelatedMiner::Outcome RelatedMiner::run()
{
    const QString seed = m_lastSeed;
    const quint64 generation = m_generation;
    result().setSortingEnabled(false);
    if (!m_job.start())
        return Outcome::OtherJobBusy;
    m_filler.resetFailures();

    const auto writeFailed = [this] {
        m_lastSeed.clear();
        m_job.finish();
        reportWriteFailure();
        return Outcome::WriteFailed;
    };
    if (!isListed(seed)) {
        GetStbar(seed);
        if (!addKeyword(seed, options(), true))
            return writeFailed();
    }

    for (Engine e : kStepOrder) {
        if (m_done[engineIndex(e)])
            continue;
        const QStringList found = relatedOf(e, seed);
        for (const QString &candidate : found) {
            if (m_job.stopRequested()) {
                m_job.park();
                return Outcome::Paused;
            }
            const MiningOptions opts = options();
            if (!passesWords(candidate, seed, opts) || isListed(candidate))
                continue;
            if (!addKeyword(candidate, opts, false))
                return writeFailed();
        }
        if (generation == m_generation)
            m_done[engineIndex(e)] = true;
    }

    // Finish: a later click starts afresh, even with the same seed.
    m_lastSeed.clear();
    m_job.finish();
    return Outcome::Finished;
}
