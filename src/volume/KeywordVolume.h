#pragma once

#include "common/Job.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class Endpoints;
class JobStatus;
class Prompter;
class ResultList;
#include "volume/ToolPage.h"

// The keyword-volume query: drives the advertising service's keyword tool
// page (captcha round included), waits for its results area and lists the
// related keywords with ad position, cost, competition and monthly volume.
// The waits are bounded: a page that gives no results in time ends the
// query with a message instead of holding the tab for ever.
class KeywordVolume : public QObject
{
    Q_OBJECT
public:
    enum class Outcome {
        MissingKeyword, // "请输入要查询的关键词！"
        MissingAnswer,  // "请输入验证码！"
        OtherJobBusy,
        CaptchaFailed, // "验证码失败"
        NoResultsArea, // the page has no results area: ends at once, and says so
        TimedOut,      // no results within the bound
        Listed,
    };
    Q_ENUM(Outcome)

    static constexpr int kDefaultBoundMs = 60000;
    static constexpr int kDefaultPollMs = 1000;

    KeywordVolume(const Endpoints &endpoints, JobStatus &status, Prompter &prompter, ToolPage &page,
                  QObject *parent = nullptr);

    static QStringList headers();
    static QString timedOutText();
    static QString noResultsAreaText();

    ResultList &result() { return *m_result; }
    Job &job() { return m_job; }
    ToolPage &page() { return *m_page; }

    // The tool page's address (empty when no host is configured), and
    // whether a loaded address is that page.
    QUrl toolUrl() const;
    bool isToolPage(const QUrl &address) const;

    // The 60-second bound of the result poll and the captcha wait, and the
    // poll's step; tests shorten both. A page too busy to answer a poll
    // is polled again until the bound.
    void setTimings(int pollMs, int boundMs, int captchaPauseMs);

    bool reloadFlag() const { return m_reload; }
    bool holdFlag() const { return m_hold; }

    // "重新获取": a fresh tool page.
    void reload();

    // "开始查询". `captchaShown`: whether the tab shows the captcha frame.
    Outcome query(const QString &keyword, const QString &answer, bool captchaShown);

Q_SIGNALS:
    // The query took or gave back the tab's controls.
    void queryStarted();
    void queryEnded(KeywordVolume::Outcome outcome);
    // A fresh tool page is being loaded (the tab hides its pictures).
    void reloading();

private:
    bool waitForToolLoad(int boundMs);
    Outcome runQuery(const QString &keyword);
    Outcome end(Outcome outcome, bool freshPage);

    const Endpoints &m_endpoints;
    JobStatus &m_status;
    Prompter &m_prompter;
    QPointer<ToolPage> m_page;
    Job m_job;
    ResultList *m_result;
    bool m_reload = false;
    bool m_hold = false;
    int m_pollMs = kDefaultPollMs;
    int m_boundMs = kDefaultBoundMs;
    int m_captchaPauseMs = 1000;
};
