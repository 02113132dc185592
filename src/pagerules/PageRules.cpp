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
