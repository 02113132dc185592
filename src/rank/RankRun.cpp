#include "rank/RankRun.h"

#include "common/Clock.h"
#include "common/Endpoints.h"
#include "common/JobStatus.h"
#include "common/Prompter.h"
#include "engines/cKeyrank.h"
#include "rank/RankFormats.h"
#include "store/FavouriteStore.h"

#include <map>

const QString RankRun::kFailedLink = QStringLiteral("查询失败");

RankRun::RankRun(RankList &engines, const Endpoints &endpoints, JobStatus &status, Prompter &prompter,
                 const Clock &clock, const PageRuleSet &rules, const QString &favouritesFolder, QObject *parent)
    : QObject(parent),
      m_engines(engines),
      m_endpoints(endpoints),
      m_prompter(prompter),
      m_clock(clock),
      m_rules(rules),
      m_favouritesFolder(favouritesFolder),
      m_result(resultHeaders()),
      m_recent(recentHeaders()),
      m_job(status, Job::Resume::StartsAfresh)
{
    m_writer.setMaxThreadCount(1);
    // Positions sit on the engine rows; the pair rows hold the keyword there.
    m_result.setCountColumns({1}, true);
    // However the stop comes (the button, Ctrl-C), the page in flight ends now.
    connect(&m_job, &Job::stateChanged, this, [this](JobStatus::State state) {
        if (state == JobStatus::Stopping)
            m_abort.abort();
    });
}

void RankRun::requestStop() { m_job.requestStop(); }

RankRun::~RankRun() { m_writer.waitForDone(); }

QStringList RankRun::resultHeaders()
{
    return {QStringLiteral("搜索引擎/网站"), QStringLiteral("关键字/排名"), QStringLiteral("查询日期/收录网址")};
}

QStringList RankRun::recentHeaders()
{
    return {QStringLiteral("搜索引擎"), QStringLiteral("网站"), QStringLiteral("关键字")};
}

QString RankRun::dateText() const { return FavouriteStore::dateText(m_clock.today()); }

int RankRun::checksave(const ResultList &sites, const ResultList &keywords)
{
    QString missing;
    if (sites.checkedCount() == 0)
        missing = QStringLiteral("请添加或选择至少一个要查询的网站！");
    else if (keywords.checkedCount() == 0)
        missing = QStringLiteral("请添加或选择至少一个要查询的关键词！");
    else if (m_engines.checkedCount() == 0)
        missing = QStringLiteral("请至少选择一个要查询搜索引擎！");
    if (missing.isEmpty())
        return 0;
    m_prompter.notice(missing);
    return -1;
}

QString RankRun::keyrank_GetSes() const
{
    QString out;
    for (int r = 0; r < m_engines.count(); ++r) {
        if (m_engines.row(r).checked)
            out += u',' + m_engines.row(r).tag;
    }
    return out;
}

bool RankRun::keyrank_CheckExit(const QString &keyword, const QString &engineList, const QString &site) const
{
    const Settings s = settings();
    for (const ResultList::Row &row : m_recent.rows()) {
        if (row.text.trimmed() != engineList.trimmed() || row.sub.value(0).trimmed() != site.trimmed()
            || row.sub.value(1).trimmed() != keyword.trimmed())
            continue;
        // Same pair under other options is another record: keep looking.
        const RankFormats::RecentTag tag = RankFormats::parseTag(row.tag);
        if (tag.depthIndex == s.depthIndex && tag.allMatches == s.allMatches)
            return true;
    }
    return false;
}

RankRun::Outcome RankRun::start(const ResultList &sites, const ResultList &keywords)
{
    if (m_job.isActive() || m_job.otherJobBusy())
        return Outcome::OtherJobBusy;
    if (checksave(sites, keywords) != 0)
        return Outcome::NothingSelected;
    QVector<Pair> pairs;
    for (const ResultList::Row &s : sites.rows()) {
        if (!s.checked)
            continue;
        for (const ResultList::Row &k : keywords.rows()) {
            if (k.checked)
                pairs.append({s.text.trimmed(), k.text.trimmed(), QString()});
        }
    }
    m_failures.reset();
    const Outcome outcome = runPairs(pairs);
    if (outcome != Outcome::OtherJobBusy && !pairs.isEmpty() && m_result.count() > 0)
        m_prompter.notice(QStringLiteral("查询完毕"));
    // The status panel said it as it happened; the run's end clears it.
    QStringList gaveUp;
    for (Engine e : kEngines) {
        if (m_failures.gaveUp(e))
            gaveUp << EngineFailures::gaveUpText(e);
    }
    if (!gaveUp.isEmpty())
        m_prompter.message(QStringLiteral("提示"), gaveUp.join(QLatin1Char('\n')), Prompter::Icon::Warning);
    return outcome;
}

RankRun::Outcome RankRun::runPairs(const QVector<Pair> &pairs)
{
    if (!m_job.start())
        return Outcome::OtherJobBusy;
    m_result.clear();
    m_failedSteps = 0;
    m_dayFileErrors.clear();
    m_abort.reset();
    cKeyrank scanner(m_endpoints);
    scanner.TryTime = m_timeLimit;
    scanner.abortOn = &m_abort;
    scanner.rules = &m_rules;
    JobStatus &status = m_job.status();
    bool stopped = false;
    for (int i = 0; i < pairs.size(); ++i) {
        if (m_job.stopRequested()) {
            stopped = true;
            break;
        }
        status.setTotal(QStringLiteral("正在查询第%1/%2组").arg(i + 1).arg(pairs.size()));
        status.setCurrent(pairs.at(i).site + QStringLiteral(" | ") + pairs.at(i).keyword);
        runPair(pairs.at(i), scanner);
    }
    m_pageRequests = scanner.pageRequests();
    // The run is over once its files are on disk.
    m_writer.waitForDone();
    if (stopped)
        m_job.park();
    m_job.finish();
    if (!m_dayFileErrors.isEmpty()) {
        QStringList each;
        for (const DayFileError &e : std::as_const(m_dayFileErrors))
            each.append(QStringLiteral("cannot write %1: %2").arg(e.file, e.reason));
        m_prompter.message(QStringLiteral("提示"),
                           QStringLiteral("有%1个收藏的查询记录无法写入 %2\n%3")
                               .arg(m_dayFileErrors.size())
                               .arg(m_favouritesFolder, each.join(u'\n')),
                           Prompter::Icon::Warning);
    }
    return stopped ? Outcome::Stopped : Outcome::Finished;
}

void RankRun::runPair(const Pair &pair, cKeyrank &scanner)
{
    const QString date = dateText();
    const QString engineList = engineListText();
    const Settings s = settings();
    const QString key = !pair.favouriteKey.isEmpty()
        ? pair.favouriteKey
        : RankFormats::favouriteKey(engineList, pair.site, pair.keyword, s.depthIndex, s.allMatches);
    FavouriteStore favourites(m_favouritesFolder);
    const bool favourite = favourites.contains(key);

    const int header = m_result.addRow(pair.site, {pair.keyword, date});
    PairResult result;
    // Only a favourite keeps its pages' results.
    scanner.keepResults = favourite;
    for (const QString &label : engineList.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (const auto e = RankFormats::engineOfLabel(label.trimmed()))
            engineStep(*e, pair, scanner, result);
    }
    const bool allFailed = result.steps > 0 && result.failedLabels.size() == result.steps;
    // No engine asked, no answer: an empty day file would read as a day
    // without any ranks.
    if (favourite && !allFailed && result.steps > 0)
        writeDayFile(key, date, result);

    if (!pair.keyword.isEmpty() && !pair.site.isEmpty() && !engineList.isEmpty() && !allFailed
        && !keyrank_CheckExit(pair.keyword, engineList, pair.site)) {
        const int r = m_recent.addRow(engineList, {pair.site, pair.keyword});
        m_recent.setTag(
            r, RankFormats::formatTag({pair.site, pair.keyword, date, result.record, s.depthIndex, s.allMatches}));
    }
    Q_EMIT pairFinished(header);
}

int RankRun::addEngineRow(Engine e, const QString &position, const QString &link, const QString &address)
{
    const int r = m_result.addRow(engineLabel(e), {position, link});
    m_result.setImageKey(r, engineKey(e));
    m_result.setTag(r, address);
    return r;
}

void RankRun::failStep(Engine e, const Pair &pair, PairResult &out, const QString &reason)
{
    // No answer, not "not found": shown as such, kept out of the record and
    // the day file.
    addEngineRow(e, QStringLiteral("-"), kFailedLink, QString());
    out.failedLabels.append(engineLabel(e));
    ++m_failedSteps;
    Q_EMIT scanFailed(e, pair.site, pair.keyword, reason);
}

void RankRun::engineStep(Engine e, const Pair &pair, cKeyrank &scanner, PairResult &out)
{
    const QString label = engineLabel(e);
    ++out.steps;
    if (m_failures.gaveUp(e)) {
        failStep(e, pair, out, QStringLiteral("not answering, not asked again in this run"));
        return;
    }
    // Page index -> its organic results; "all matches" reads the page of
    // the last find again, and the later reading replaces the earlier.
    std::map<int, QVector<PageRules::Organic>> pages;
    const auto scan = [&](int start, int threshold) {
        // The depth is read anew for every call, like the tab's drop-down.
        scanner.Keyword = pair.keyword;
        scanner.url = pair.site;
        scanner.maxnum = RankFormats::pagesFor(settings().depthIndex);
        const int position = scanner.GetRank(e, start, threshold);
        const cKeyrank::Output o = scanner.output(e);
        for (const cKeyrank::PageResults &p : o.pages)
            pages[p.pageIndex] = p.results;
        // A stop is no failure of the engine's.
        if (o.fetch.failure != FetchOutcome::Failure::Aborted && m_failures.record(e, o.failed)) {
            m_job.status().setCurrent(EngineFailures::gaveUpText(e));
            Q_EMIT engineGaveUp(e);
        }
        return position;
    };
    const auto show = [&](int position) {
        const cKeyrank::Output o = scanner.output(e);
        addEngineRow(e, QString::number(position), o.foundUrl, o.pageUrl);
        return RankFormats::engineLine(label, QString::number(position), o.foundUrl);
    };

    const int first = scan(0, 0);
    if (scanner.output(e).failed) {
        failStep(e, pair, out, scanner.output(e).reason());
        return;
    }
    QStringList lines{show(first)};
    if (settings().allMatches) {
        int last = first;
        while (scanner.output(e).pageIndex.toInt() < RankFormats::pagesFor(settings().depthIndex)) {
            const int next = scan(scanner.output(e).pageIndex.toInt(), last);
            if (scanner.output(e).failed) {
                // The positions shown are real, but the list of them is not
                // whole: the engine's answer is not stored.
                failStep(e, pair, out, scanner.output(e).reason());
                return;
            }
            if (next <= 0)
                break;
            lines.append(show(next));
            last = next;
        }
    }
    for (const QString &line : lines) {
        out.record += QStringLiteral("$1$") + line;
        out.dayLines.append(line);
    }
    if (!scanner.keepResults)
        return;
    out.answeredLabels.append(label);
    const qsizetype before = out.results.size();
    for (const auto &[index, results] : pages) {
        for (const PageRules::Organic &o : results)
            out.results.append({pair.site, pair.keyword, label, o.position, DayResults::hostOf(o.link), o.link});
    }
    // Pages that listed nobody are an answer too, not a missing one.
    if (out.results.size() == before)
        out.results.append({pair.site, pair.keyword, label, 0, QString(), QString()});
}

void RankRun::writeDayFile(const QString &key, const QString &date, const PairResult &pair)
{
    // The files are synced to disk; that wait is the writer thread's, not
    // the next pages'. One thread keeps the writes in order.
    m_writer.start([this, folder = m_favouritesFolder, key, date, pair] {
        const QList<DayFileError> errors = writeDayFiles(folder, key, date, pair);
        if (errors.isEmpty())
            return;
        const QMutexLocker lock(&m_writeErrorsLock);
        m_dayFileErrors += errors;
    });
}

QList<RankRun::DayFileError> RankRun::writeDayFiles(const QString &folder, const QString &key, const QString &date,
                                                    const PairResult &pair)
{
    QList<DayFileError> errors;
    FavouriteStore favourites(folder);
    QStringList lines = pair.dayLines;
    if (!pair.failedLabels.isEmpty()) {
        // An engine that failed today keeps whatever an earlier run of the
        // same day found for it.
        bool exists = false;
        const QStringList earlier = favourites.readDay(key, date, &exists);
        for (const QString &line : earlier) {
            if (pair.failedLabels.contains(RankFormats::parseEngineLine(line).label))
                lines.append(line);
        }
    }
    QString failure;
    if (!favourites.writeDay(key, date, lines, &failure)) {
        errors.append({favourites.dayPath(key, date), failure});
        return errors;
    }
    if (pair.answeredLabels.isEmpty())
        return errors;
    // Earlier runs of the day keep the lists of the engines that failed now.
    const QString resultsPath = favourites.resultsPath(key, date);
    const QVector<DayResults::Row> earlier = DayResults::read(resultsPath);
    if (!DayResults::write(resultsPath, DayResults::merged(earlier, pair.results, pair.answeredLabels), &failure))
        errors.append({resultsPath, failure});
    return errors;
}
