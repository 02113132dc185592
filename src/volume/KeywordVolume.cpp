#include "volume/KeywordVolume.h"

#include "common/Endpoints.h"
#include "common/JobStatus.h"
#include "common/Prompter.h"
#include "common/ResultList.h"
#include "common/Wait.h"
#include "engines/KeywordToolPage.h"
#include "volume/ToolPage.h"

#include <QElapsedTimer>

KeywordVolume::KeywordVolume(const Endpoints &endpoints, JobStatus &status, Prompter &prompter, ToolPage &page,
                             QObject *parent)
    : QObject(parent),
      m_endpoints(endpoints),
      m_status(status),
      m_prompter(prompter),
      m_page(&page),
      m_job(status, Job::Resume::StartsAfresh),
      m_result(new ResultList(headers(), this))
{
    m_result->setCountColumns({4}); // global monthly searches
}

QStringList KeywordVolume::headers()
{
    return {QStringLiteral("相关关键词"), QStringLiteral("估计广告排名"), QStringLiteral("估计每次点击费用"),
            QStringLiteral("广告客户竞争度"), QStringLiteral("全球每月搜索量")};
}

QString KeywordVolume::timedOutText() { return QStringLiteral("关键词工具页面没有及时给出查询结果，请稍后再试！"); }

QString KeywordVolume::noResultsAreaText() { return QStringLiteral("关键词工具页面没有结果区域，无法读取查询结果！"); }

QUrl KeywordVolume::toolUrl() const
{
    const QString address = m_endpoints.url(Endpoints::Service::KeywordTool, KeywordToolPage::path());
    return address.isEmpty() ? QUrl() : QUrl(address);
}

bool KeywordVolume::isToolPage(const QUrl &address) const
{
    const QUrl tool = toolUrl();
    if (!tool.isValid() || tool.isEmpty())
        return false;
    return address.scheme().compare(tool.scheme(), Qt::CaseInsensitive) == 0
        && address.host().compare(tool.host(), Qt::CaseInsensitive) == 0 && address.port(-1) == tool.port(-1)
        && address.path() == tool.path();
}

void KeywordVolume::setTimings(int pollMs, int boundMs, int captchaPauseMs)
{
    m_pollMs = qMax(1, pollMs);
    m_boundMs = qMax(1, boundMs);
    m_captchaPauseMs = qMax(0, captchaPauseMs);
}

void KeywordVolume::reload()
{
    const QUrl url = toolUrl();
    Q_EMIT reloading();
    if (m_page && url.isValid() && !url.isEmpty())
        m_page->load(url);
}

bool KeywordVolume::waitForToolLoad(int boundMs)
{
    if (!m_page)
        return false;
    // The load counts when it came, not when its handlers finished: the
    // tab's own handler runs scripts first, and their wait may outlast the
    // bound while the page is already there.
    bool loaded = false;
    Wait wait;
    connect(m_page, &ToolPage::loadFinished, &wait, [&](const QUrl &address, bool) {
        if (isToolPage(address)) {
            loaded = true;
            wait.done();
        }
    });
    wait.run(boundMs);
    return loaded;
}

KeywordVolume::Outcome KeywordVolume::query(const QString &keyword, const QString &answer, bool captchaShown)
{
    if (keyword.isEmpty()) {
        m_prompter.notice(QStringLiteral("请输入要查询的关键词！"));
        return Outcome::MissingKeyword;
    }
    if (captchaShown && answer.isEmpty()) {
        m_prompter.notice(QStringLiteral("请输入验证码！"));
        return Outcome::MissingAnswer;
    }
    if (!m_page || !m_job.start())
        return Outcome::OtherJobBusy;
    m_status.setCurrent(QStringLiteral("当前关键词：") + keyword);
    m_hold = m_result->isEmpty() && captchaShown;
    Q_EMIT queryStarted();

    if (m_page->hasElement(KeywordToolPage::captchaId())) {
        m_page->setValue(KeywordToolPage::keywordId(), keyword);
        m_page->setValue(KeywordToolPage::captchaAnswerId(), answer);
        m_page->click(KeywordToolPage::searchButtonId());
        waitWithEvents(m_captchaPauseMs);
        m_reload = true;
        reload();
        if (!waitForToolLoad(m_boundMs)) {
            m_prompter.notice(timedOutText());
            return end(Outcome::TimedOut, true);
        }
        if (m_page && m_page->hasElement(KeywordToolPage::captchaId())) {
            m_prompter.notice(QStringLiteral("验证码失败"));
            return end(Outcome::CaptchaFailed, false);
        }
    }
    return runQuery(keyword);
}

KeywordVolume::Outcome KeywordVolume::runQuery(const QString &keyword)
{
    m_result->setSortingEnabled(false);
    m_page->setValue(KeywordToolPage::keywordId(), keyword);
    // Whatever the results area holds now is an earlier query's: empty it,
    // so that rows seen from here on are this query's, even when they begin
    // with the keyword already listed. Should the page not let us, only an
    // area that differs from the one seen now counts.
    QString before;
    if (!m_page->clearInnerHtml(KeywordToolPage::resultsId())) {
        const ToolPage::Markup now = m_page->innerHtml(KeywordToolPage::resultsId());
        if (now.state == ToolPage::Markup::State::Found)
            before = KeywordToolPage::normalise(now.html);
    }
    m_page->click(KeywordToolPage::searchButtonId());

    QElapsedTimer elapsed;
    elapsed.start();
    QString html;
    for (;;) {
        waitWithEvents(m_pollMs);
        if (!m_page) {
            m_prompter.notice(noResultsAreaText());
            return end(Outcome::NoResultsArea, false);
        }
        const ToolPage::Markup area = m_page->innerHtml(KeywordToolPage::resultsId());
        if (area.state == ToolPage::Markup::State::Missing) {
            m_prompter.notice(noResultsAreaText());
            return end(Outcome::NoResultsArea, false);
        }
        // No answer: the page is busy with its own scripts; not yet.
        if (area.state == ToolPage::Markup::State::Found) {
            html = KeywordToolPage::normalise(area.html);
            if (KeywordToolPage::resultsReady(html, QString(), true) && (before.isEmpty() || html != before))
                break;
        }
        if (elapsed.elapsed() >= m_boundMs) {
            m_prompter.notice(timedOutText());
            return end(Outcome::TimedOut, true);
        }
    }

    const QVector<KeywordToolPage::Row> rows = KeywordToolPage::rows(html);
    QVector<ResultList::Row> listed;
    listed.reserve(rows.size());
    for (const KeywordToolPage::Row &r : rows) {
        ResultList::Row row;
        row.text = r.keyword;
        row.sub = {r.position, r.cost, r.competition, r.volume};
        listed.append(row);
    }
    m_result->clear();
    m_result->appendRows(listed);
    return end(Outcome::Listed, true);
}

KeywordVolume::Outcome KeywordVolume::end(Outcome outcome, bool freshPage)
{
    if (freshPage)
        reload();
    m_job.finish();
    Q_EMIT queryEnded(outcome);
    return outcome;
}
