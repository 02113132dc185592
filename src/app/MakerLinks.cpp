#include "app/MakerLinks.h"

#include "common/Endpoints.h"

namespace MakerLinks {

QList<Link> aboutLinks()
{
    return {
        {QStringLiteral("软件主页"), QStringLiteral("/")},
        {QStringLiteral("使用教程"), QStringLiteral("/veltrana/guide.htm")},
        {QStringLiteral("常见问题"), QStringLiteral("/veltrana/faq.htm")},
        {QStringLiteral("更新历史"), QStringLiteral("/veltrana/history.htm")},
        {QStringLiteral("联系我们"), QStringLiteral("/veltrana/contact.htm")},
    };
}

Link helpLink() { return {QStringLiteral("在线帮助"), QStringLiteral("/help.htm")}; }

QUrl pageUrl(const Endpoints &endpoints, const QString &path)
{
    const QString address = endpoints.url(Endpoints::Service::Maker, path);
    if (address.isEmpty())
        return {};
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https"))
        return {};
    return url;
}

} // namespace MakerLinks
