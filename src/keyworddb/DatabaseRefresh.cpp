#include "keyworddb/DatabaseRefresh.h"

#include "common/Clock.h"
#include "common/ListPair.h"
#include "common/Prompter.h"
#include "common/ResultList.h"
#include "engines/IndexCounts.h"
#include "keyworddb/KeywordDatabase.h"
#include "store/KeywordStore.h"
#include "web/CXHtml.h"

#include <QDate>

namespace {
int countColumn(Engine e)
{
    switch (e) {
    case Engine::Google: return KeywordDatabase::Google;
    case Engine::Yahoo: return KeywordDatabase::Yahoo;
    case Engine::Bing: return KeywordDatabase::Bing;
    }
    return KeywordDatabase::Google;
}
} // namespace

DatabaseRefresh::DatabaseRefresh(ListPair &lists, KeywordStore &store, const Endpoints &endpoints, EnginePacing &pacing,
                                 const Clock &clock, const PageRuleSet &rules, JobStatus &status, QObject *parent)
    : QObject(parent),
      m_lists(lists),
      m_list(lists.shown()),
      m_store(store),
      m_endpoints(endpoints),
      m_pacing(pacing),
      m_clock(clock),
      m_rules(rules),
      m_status(status),
      m_job(status, Job::Resume::Resumable)
{
    connect(&m_job, &Job::stateChanged, this, &DatabaseRefresh::stateChanged);
}

void DatabaseRefresh::setTimeLimits(int beforeBing, int fromBing)
{
    m_limitBeforeBing = beforeBing;
    m_limitFromBing = fromBing;
}

bool DatabaseRefresh::engineTicked(Engine e) const { return !m_engines || m_engines(e); }

bool DatabaseRefresh::anyEngineTicked() const
{
    for (Engine e : kEngines)
        if (engineTicked(e))
            return true;
    return false;
}

int DatabaseRefresh::resumeRow() const
{
    for (int r = 0; r < m_list.count(); ++r)
        if (m_list.isBold(r))
            return r;
    return 0;
}

DatabaseRefresh::Outcome DatabaseRefresh::start()
{
    if (isRunning())
        return Outcome::AlreadyRunning;
    if (m_job.otherJobBusy())
        return Outcome::OtherJobBusy;
    if (!anyEngineTicked())
        return Outcome::NoEngine;
    if (!m_job.start())
        return Outcome::OtherJobBusy;
    m_failures.reset();
    const Outcome outcome = UpdateDb();
    Q_EMIT finished(outcome);
    return outcome;
}

void DatabaseRefresh::requestPause() { m_job.requestStop(); }

DatabaseRefresh::Outcome DatabaseRefresh::UpdateDb()
{
    // One fetcher for the whole run: its time limit grows for Bing and stays
    // grown, so later requests to any engine get the longer limit too.
    CXHtml html;
    html.TryTime = m_limitBeforeBing;

    for (int r = resumeRow(); r < m_list.count(); ++r) {
        if (r > 0)
            m_list.setBold(r - 1, false);
        m_list.setBold(r, true);
        Q_EMIT rowStarted(r);
        if (m_job.stopRequested()) {
            m_job.park();
            return Outcome::Paused;
        }
        // Rows cannot move while a run goes on (the tab locks every list
        // change), and the cell text is what the table update matches.
        const QString keyword = m_list.cell(r, KeywordDatabase::Keyword);
        m_status.setTotal(QStringLiteral("数据库更新：%1/%2").arg(r + 1).arg(m_list.count()));
        m_status.setCurrent(QStringLiteral("当前关键词：") + keyword);
        bool answered = false;
        for (Engine e : kEngines) {
            if (!engineTicked(e) || m_failures.gaveUp(e))
                continue;
            const int column = countColumn(e);
            const QString before = m_list.cell(r, column);
            m_list.setCell(r, column, updatingText());
            Q_EMIT engineStarted(r, e);
            if (e == Engine::Bing)
                html.TryTime = m_limitFromBing;
            const IndexCounts::CountResult result =
                IndexCounts::fetchCount(e, keyword, html, m_endpoints, m_pacing, m_rules);
            if (result.failed())
                Q_EMIT requestFailed(r, e, result.reason());
            if (m_failures.record(e, result.failed())) {
                m_status.setCurrent(EngineFailures::gaveUpText(e));
                Q_EMIT engineGaveUp(e);
            }
            // No answer is not "not found": the stored count stays (in the
            // table and in the reserve copy); a page the rules cannot read
            // says so in the shown cell.
            if (result.failed()) {
                const QString unreadable = result.unreadableText();
                m_list.setCell(r, column, unreadable.isEmpty() ? before : unreadable);
                continue;
            }
            // The table first: a row shown as updated is a row already stored.
            if (!m_store.updateCount(e, keyword, result.count, m_clock.today())) {
                m_list.setCell(r, column, before);
                return stopForWriteFailure();
            }
            m_lists.setCellAt(r, column, result.count);
            answered = true;
        }
        // The date says when the engines last answered for this row.
        if (answered)
            m_lists.setCellAt(r, KeywordDatabase::Date, KeywordStore::dateText(m_clock.today()));
        Q_EMIT rowFinished(r);
    }
    // A finished run leaves no resume point: the next one starts at the top.
    if (!m_list.isEmpty())
        m_list.setBold(m_list.count() - 1, false);
    m_job.finish();
    // Failures stay in view after the run; a clean run leaves the panels empty.
    if (m_failures.totalFailures() > 0)
        m_status.setTotal(finishedText(m_failures));
    return Outcome::Finished;
}

DatabaseRefresh::Outcome DatabaseRefresh::stopForWriteFailure()
{
    // The bold row stays the resume point: a later start tries it again.
    m_job.requestStop();
    m_job.park();
    m_status.setTotal(QStringLiteral("写入数据库失败，更新已停止"));
    if (m_prompter)
        m_prompter->message(QStringLiteral("提示"),
                            QStringLiteral("无法写入关键词数据库 %1：%2\n更新已停止，已保存的数据不受影响。")
                                .arg(m_store.fileName(), m_store.lastError()),
                            Prompter::Icon::Warning);
    return Outcome::WriteFailed;
}

QString DatabaseRefresh::finishedText(const EngineFailures &failures)
{
    if (failures.totalFailures() == 0)
        return QStringLiteral("更新完成");
    return QStringLiteral("更新完成，%1次查询失败").arg(failures.totalFailures());
}
