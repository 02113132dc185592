#include "app/Feedback.h"

#include "common/Endpoints.h"
#include "web/CXHtml.h"

#include <QUrl>

QStringList Feedback::types()
{
    return {QStringLiteral("功能改进"), QStringLiteral("BUG报告"), QStringLiteral("购买事宜"),
            QStringLiteral("一般性建议")};
}

QString Feedback::requestUrl(const Endpoints &endpoints) const
{
    const auto enc = [](const QString &value) { return QString::fromLatin1(QUrl::toPercentEncoding(value.trimmed())); };
    const QString query = QStringLiteral("soft=") + enc(product()) + QStringLiteral("&title=") + enc(title)
        + QStringLiteral("&tp=") + enc(type) + QStringLiteral("&qq=") + enc(qq) + QStringLiteral("&email=") + enc(email)
        + QStringLiteral("&content=") + enc(content);
    return endpoints.url(Endpoints::Service::Maker, QStringLiteral("/suggest.asp?") + query);
}

bool Feedback::send(const Endpoints &endpoints) const
{
    CXHtml page;
    page.url = requestUrl(endpoints);
    page.charset = QStringLiteral("gb2312");
    page.TryTime = 20;
    return !page.fetchOutcome().failed();
}
