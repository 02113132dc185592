#include "research/BaiduTools.h"

#include "common/Clock.h"
#include "common/Endpoints.h"
#include "common/JobStatus.h"
#include "common/ListPair.h"
#include "common/ResultList.h"
#include "engines/BaiduPages.h"
#include "pagerules/PageRules.h"
#include "web/CXHtml.h"
#include "web/M_base.h"

#include <QDate>

namespace {

constexpr Endpoints::Service kBaidu = Endpoints::Service::Baidu;
constexpr Endpoints::Service kBaiduIndex = Endpoints::Service::BaiduIndex;
constexpr Endpoints::Service kFigures = Endpoints::Service::Figures;

} // namespace

BaiduTools::BaiduTools(const Endpoints &endpoints, PageReader *reader, JobStatus &status, const Clock &clock,
                       const PageRuleSet &rules, QObject *parent)
    : QObject(parent),
      m_endpoints(endpoints),
      m_reader(reader),
      m_status(status),
      m_clock(clock),
      m_rules(rules),
      m_job(status, Job::Resume::StartsAfresh)
{
}

QString BaiduTools::indexPageUrl(const QString &keyword) const
{
    return m_endpoints.url(kBaiduIndex, BaiduPages::wordPagePath(keyword));
}

QString BaiduTools::searchPageUrl(const QString &keyword) const
{
    return m_endpoints.url(kBaidu, BaiduPages::searchPath(keyword));
}

std::optional<QString> BaiduTools::GetIndex(const QString &keyword, const QString &parent)
{
    CXHtml html;
    html.charset = QStringLiteral("gb2312");
    html.TryTime = 6;
    html.url = m_endpoints.url(kBaiduIndex, BaiduPages::dailyIndexPath(keyword));
    const FetchOutcome fetched = html.fetchOutcome();
    const BaiduPages::Reading read = BaiduPages::GetIndex(fetched.body);
    if (!read.hasFigures()) {
        ++m_indexFailCount;
        // Only the service's own page without data is "0-0"; a failed
        // request or a page that is not the data is no figure.
        if (fetched.failed() || read.kind != BaiduPages::Reading::Kind::NoData)
            return std::nullopt;
        return QStringLiteral("0-0");
    }

    // Only a pair read from the data is passed on (never "-100--100").
    const QString report =
        m_endpoints.url(kFigures, BaiduPages::figuresReportPath(read.value, keyword.trimmed(), parent));
    if (!report.isEmpty() && BaiduPages::isPair(read.value)) {
        CXHtml reporter;
        reporter.charset = QStringLiteral("gb2312");
        reporter.TryTime = 8;
        reporter.url = report;
        reporter.GetSrc();
    }
    return read.value;
}

std::optional<QString> BaiduTools::GetMonthIndex(const QString &keyword)
{
    CXHtml html;
    html.charset = QStringLiteral("utf-8");
    html.TryTime = 10;
    html.url =
        m_endpoints.url(kBaiduIndex, BaiduPages::provincePath(BaiduPages::GetMonthstr(m_clock.today()), keyword));
    const FetchOutcome fetched = html.fetchOutcome();
    if (fetched.failed())
        return std::nullopt;
    const BaiduPages::Reading read = BaiduPages::GetMonthIndex(fetched.body);
    if (!read.hasFigures())
        return std::nullopt;
    return read.value;
}

std::optional<QString> BaiduTools::volumePair(const QString &keyword, const QString &parent, CXHtml &html)
{
    const QString ask = m_endpoints.url(kFigures, BaiduPages::figuresAskPath(keyword));
    if (!ask.isEmpty()) {
        html.url = ask;
        // An answer that is not a pair (an error page, "nan-inf") is no
        // answer: the figures are looked up as if the service had none.
        if (const std::optional<QString> pair = BaiduPages::figuresAnswer(html.GetSrc()))
            return pair;
    }
    if (m_indexFailCount < 2)
        return GetIndex(keyword.trimmed(), parent);
    return GetMonthIndex(keyword.trimmed());
}

std::optional<QString> BaiduTools::pageCount(const QString &keyword, CXHtml &html, QString *unreadable)
{
    const QString address = searchPageUrl(keyword);
    if (address.isEmpty())
        return std::nullopt;
    html.url = address;
    html.charset = QStringLiteral("gb2312");
    const PageRuleSet &rules = m_rules;
    const auto count = [&rules, unreadable](const QString &page) {
        const PageRules::Reading r = rules.read(QStringLiteral("baidu"), PageRules::Purpose::Count, page);
        if (r.state == PageRules::Reading::State::NoResults)
            return std::optional<QString>(QStringLiteral("0"));
        // A page that loaded but that the rules cannot read says why (an
        // empty second read keeps what the first one said).
        if (!page.isEmpty())
            *unreadable = r.reasonText();
        return r.values.isEmpty() ? std::nullopt : std::optional<QString>(r.values.first());
    };
    std::optional<QString> read = count(html.GetSrc());
    // A page that gave no count (failed, empty, or not a result page) is
    // read again through the browser.
    if (!read)
        read = count(M_base::GetWebHtml(m_reader, address));
    if (read)
        unreadable->clear();
    return read;
}

BaiduTools::Outcome BaiduTools::requery(ListPair &lists, const Columns &columns, const QString &keyword,
                                        const Options &options)
{
    if (keyword.trimmed().isEmpty())
        return Outcome::NoKeyword;
    if (!m_job.start())
        return Outcome::OtherJobBusy;

    const int row = lists.shown().findText(keyword);
    const int cells[] = {columns.volume, columns.latest, columns.pages, columns.index};
    QHash<int, QString> before;
    for (int column : cells) {
        before.insert(column, row >= 0 ? lists.shown().cell(row, column) : QString());
        lists.setCell(keyword, column, inProgressText());
    }
    m_status.setCurrent(QStringLiteral("重查：") + keyword);

    bool failed = false;
    const auto fail = [&](int column, const QString &why = {}) {
        // A figure shown before stays; a failure is never written over it.
        const QString old = before.value(column);
        const bool wasValue = !old.isEmpty() && old != inProgressText() && old != failedText() && old != u"页面无法识别"
            && old != u"被搜索引擎拦截";
        lists.setCell(keyword, column, wasValue ? old : why.isEmpty() ? failedText() : why);
        failed = true;
    };

    CXHtml html;
    QString volume = QStringLiteral("0");
    bool volumeOk = true;
    if (options.volume) {
        const std::optional<QString> pair = volumePair(keyword, options.parent, html);
        if (pair) {
            const QStringList parts = BaiduPages::splitPair(*pair);
            volume = BaiduPages::pairValue(parts.at(0));
            lists.setCell(keyword, columns.volume, volume);
            lists.setCell(keyword, columns.latest, BaiduPages::pairValue(parts.at(1)));
        } else {
            volumeOk = false;
            fail(columns.volume);
            fail(columns.latest);
        }
    } else {
        lists.setCell(keyword, columns.volume, QStringLiteral("0"));
        lists.setCell(keyword, columns.latest, QStringLiteral("0"));
    }

    QString pages = QStringLiteral("0");
    bool pagesOk = true;
    if (options.pages) {
        QString unreadable;
        const std::optional<QString> count = pageCount(keyword, html, &unreadable);
        if (count) {
            pages = *count;
            lists.setCell(keyword, columns.pages, pages);
        } else {
            pagesOk = false;
            fail(columns.pages, unreadable);
            if (!unreadable.isEmpty())
                m_status.setCurrent(QStringLiteral("百度搜索页：") + unreadable);
        }
    } else {
        lists.setCell(keyword, columns.pages, QStringLiteral("0"));
    }

    if (volumeOk && pagesOk)
        lists.setCell(keyword, columns.index, BaiduPages::optimisationIndex(volume, pages));
    else
        fail(columns.index);

    m_job.finish();
    return failed ? Outcome::Failed : Outcome::Done;
}
