#pragma once

#include "common/Job.h"

#include <QObject>
#include <QString>
#include <optional>

class CXHtml;
class Clock;
class PageRuleSet;
class Endpoints;
class JobStatus;
class PageReader;
class ListPair;

// The Baidu figures of one keyword for the mining list's context menu: its
// search volume (from the maker's figures service, else the Baidu index
// service), the number of pages Baidu web search reports and the
// optimisation index of the two. Cells are written by keyword into the
// mining list and its reserve copy. A request that failed never shows as a
// figure: its cells keep their former value, or read "获取失败" (a page the
// rules cannot read: "页面无法识别" or "被搜索引擎拦截").
class BaiduTools : public QObject
{
    Q_OBJECT
public:
    struct Columns {
        int volume = 4;
        int latest = 5;
        int pages = 6;
        int index = 7;
    };
    struct Options {
        bool volume = false; // the mining option of the first engine
        bool pages = false;  // the mining option of the second engine
        QString parent;      // the mining seed, reported with found figures
    };
    enum class Outcome { NoKeyword, OtherJobBusy, Done, Failed };
    Q_ENUM(Outcome)

    // `reader` (the embedded browser; nullptr when there is none) reads the
    // search pages a plain fetch gets no count from; `clock` dates the
    // province data asked for; `rules` read the search pages' counts.
    BaiduTools(const Endpoints &endpoints, PageReader *reader, JobStatus &status, const Clock &clock,
               const PageRuleSet &rules, QObject *parent = nullptr);

    static QString inProgressText() { return QStringLiteral("重新获取中"); }
    static QString failedText() { return QStringLiteral("获取失败"); }

    Job &job() { return m_job; }
    // Empty or failing daily index pages since the program started; from
    // two on, local lookups use the province data.
    int indexFailCount() const { return m_indexFailCount; }

    // "重查当前项" for the keyword's row.
    Outcome requery(ListPair &lists, const Columns &columns, const QString &keyword, const Options &options);

    // The figures pair from the daily index data ("0-0" when the service's
    // page holds none), reported to the figures service; nothing when the
    // request failed or the page is not that data (an error page, a value
    // that is not a count).
    std::optional<QString> GetIndex(const QString &keyword, const QString &parent);
    // The figures pair from the province data; nothing when the request failed.
    std::optional<QString> GetMonthIndex(const QString &keyword);

    // Addresses opened in the desktop's browser (empty when Baidu has no host).
    QString indexPageUrl(const QString &keyword) const;
    QString searchPageUrl(const QString &keyword) const;

private:
    std::optional<QString> volumePair(const QString &keyword, const QString &parent, CXHtml &html);
    // `unreadable` gets "页面无法识别" or "被搜索引擎拦截" when the page
    // loaded but the rules could not read it.
    std::optional<QString> pageCount(const QString &keyword, CXHtml &html, QString *unreadable);

    const Endpoints &m_endpoints;
    PageReader *m_reader;
    JobStatus &m_status;
    const Clock &m_clock;
    const PageRuleSet &m_rules;
    Job m_job;
    qint32 m_indexFailCount = 0;
};
