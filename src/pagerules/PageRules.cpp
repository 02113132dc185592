#include "pagerules/PageRules.h"

namespace PageRules {

QString purposeName(Purpose p)
{
    switch (p) {
    case Purpose::Count: return QStringLiteral("count");
    case Purpose::Related: return QStringLiteral("related");
    case Purpose::Results: break;
    }
    return QStringLiteral("results");
}

QString Reading::reason() const
{
    switch (state) {
    case State::Unrecognised: return QStringLiteral("unrecognised page");
    case State::Blocked: return QStringLiteral("blocked");
    default: return {};
    }
}

QString Reading::reasonText() const
{
    switch (state) {
    case State::Unrecognised: return QStringLiteral("页面无法识别");
    case State::Blocked: return QStringLiteral("被搜索引擎拦截");
    default: return {};
    }
}

bool isKeywordCandidate(const QString &candidate)
{
    const QString t = candidate.trimmed();
    return !t.isEmpty() && !t.contains(QLatin1Char('<')) && !t.contains(QLatin1Char('>'));
}

} // namespace PageRules

int PageRuleSet::rankOnPage(const QString &engine, const QString &page, int pageIndex, const QString &site, int rank,
                            QString *link, PageRules::Reading *reading) const
{
    const PageRules::Reading read = this->read(engine, PageRules::Purpose::Results, page);
    if (reading)
        *reading = read;
    for (int n = 0; n < read.values.size(); ++n) {
        const int position = pageIndex * 10 + n + 1;
        if (position > rank && read.values.at(n).contains(site)) {
            if (link)
                *link = read.values.at(n);
            return position;
        }
    }
    return 0;
}

QVector<PageRules::Organic> PageRuleSet::organicResults(const QString &engine, const QString &page, int pageIndex,
                                                        PageRules::Reading *reading) const
{
    const PageRules::Reading read = this->read(engine, PageRules::Purpose::Results, page);
    if (reading)
        *reading = read;
    QVector<PageRules::Organic> out;
    if (read.failed())
        return out;
    out.reserve(read.values.size());
    for (int n = 0; n < read.values.size(); ++n)
        out.append({pageIndex * 10 + n + 1, read.values.at(n)});
    return out;
}

QString PageRuleSet::requestPath(const QString &, PageRules::Purpose, const QString &, int) const { return {}; }
