#include "engines/IndexCounts.h"

#include "common/Digits.h"
#include "common/Endpoints.h"
#include "engines/BaiduPages.h"
#include "engines/EnginePacing.h"
#include "web/CXHtml.h"
#include "web/M_base.h"

#include <algorithm>

#include <QUrl>

namespace IndexCounts {

QString queryText(const QString &keyword) { return QString::fromLatin1(QUrl::toPercentEncoding(keyword)); }

QString requestPath(Engine e, const QString &keyword)
{
    const QString kw = queryText(keyword);
    switch (e) {
    case Engine::Google: return QStringLiteral("/search?hl=en&q=") + kw;
    case Engine::Yahoo: return QStringLiteral("/search?p=") + kw;
    case Engine::Bing: return QStringLiteral("/search?q=") + kw + QStringLiteral("&setmkt=en-US");
    }
    return {};
}

QString notFound(Engine e) { return e == Engine::Google ? QStringLiteral("0") : QStringLiteral("-"); }

QString extract(Engine e, const QString &page)
{
    QString count;
    switch (e) {
    case Engine::Google: {
        count = M_base::GetBetween(page, QStringLiteral("</b> of"), QStringLiteral("</b>"));
        const QStringList pieces = count.split(QStringLiteral("<b>"));
        if (pieces.size() > 1)
            count = pieces.at(1);
        break;
    }
    case Engine::Yahoo:
        count = M_base::GetBetween(page, QStringLiteral("<strong id=\"resultCount\">"), QStringLiteral("<"));
        break;
    case Engine::Bing:
        count = M_base::GetBetween(page, QStringLiteral(" of "), QStringLiteral("results")).trimmed();
        break;
    }
    count.remove(QLatin1Char(','));
    // A count is digits only: whatever else stands where the count should
    // ("nan", "1e9") is no count.
    return Digits::onlyAscii(count) ? count : notFound(e);
}

CountResult read(Engine e, const QString &page, const PageRuleSet &rules)
{
    const PageRules::Reading r = rules.read(engineKey(e), PageRules::Purpose::Count, page);
    CountResult out;
    out.page = r.state;
    out.count = r.values.isEmpty() ? notFound(e) : r.values.first();
    return out;
}

CountResult fetchCount(Engine e, const QString &keyword, CXHtml &html, const Endpoints &endpoints, EnginePacing &pacing,
                       const PageRuleSet &rules)
{
    pacing.pace(e);
    html.charset = QStringLiteral("utf-8");
    QString path = rules.requestPath(engineKey(e), PageRules::Purpose::Count, queryText(keyword), 0);
    if (path.isEmpty())
        path = requestPath(e, keyword);
    html.url = endpoints.url(Endpoints::serviceOf(e), path);
    const FetchOutcome page = html.fetchOutcome();
    pacing.requestDone(e);
    if (page.failed()) {
        CountResult failed;
        failed.count = notFound(e);
        failed.failure = page.failure;
        failed.fetchReason = page.reason();
        return failed;
    }
    CountResult out = read(e, page.body, rules);
    out.failure = page.failure;
    if (out.unreadable())
        out.count = notFound(e);
    return out;
}

CountResult fetchBaiduCount(const QString &keyword, CXHtml &html, const Endpoints &endpoints, const PageRuleSet &rules)
{
    html.charset = QStringLiteral("gb2312");
    QString path =
        rules.requestPath(QStringLiteral("baidu"), PageRules::Purpose::Count, M_base::UrlEncode(keyword.trimmed()), 0);
    if (path.isEmpty())
        path = BaiduPages::searchPath(keyword);
    html.url = endpoints.url(Endpoints::Service::Baidu, path);
    const FetchOutcome page = html.fetchOutcome();
    CountResult out;
    out.count = QStringLiteral("0");
    if (page.failed()) {
        out.failure = page.failure;
        out.fetchReason = page.reason();
        return out;
    }
    const PageRules::Reading r = rules.read(QStringLiteral("baidu"), PageRules::Purpose::Count, page.body);
    out.page = r.state;
    if (r.state == PageRules::Reading::State::Read && !r.values.isEmpty())
        out.count = r.values.first();
    else if (r.state == PageRules::Reading::State::Read)
        out.page = PageRules::Reading::State::Unrecognised; // a Baidu result page always states its count
    return out;
}

QString CountResult::reason() const
{
    if (failure != FetchOutcome::Failure::None)
        return fetchReason;
    if (page == PageRules::Reading::State::Unrecognised)
        return QStringLiteral("unrecognised page");
    if (page == PageRules::Reading::State::Blocked)
        return QStringLiteral("blocked");
    return {};
}

QString CountResult::unreadableText() const
{
    if (failure != FetchOutcome::Failure::None)
        return {};
    PageRules::Reading r;
    r.state = page;
    return r.reasonText();
}

QString fetch(Engine e, const QString &keyword, CXHtml &html, const Endpoints &endpoints, EnginePacing &pacing,
              const PageRuleSet &rules)
{
    return fetchCount(e, keyword, html, endpoints, pacing, rules).count;
}

} // namespace IndexCounts
