#include "rank/ChangeNotifier.h"

#include "common/Wait.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

bool ChangeNotifier::isUsableUrl(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

ChangeNotifier::Result ChangeNotifier::post(const QUrl &url, const QByteArray &json) const
{
    Result result;
    if (!isUsableUrl(url)) {
        result.reason = QStringLiteral("not an http or https address");
        return result;
    }
    QNetworkAccessManager manager;
    manager.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    QNetworkReply *reply = manager.post(request, json);

    Wait wait;
    QObject::connect(reply, &QNetworkReply::finished, &wait, &Wait::done);
    const bool timedOut = wait.run(m_timeLimitMs) == Wait::Outcome::TimedOut;
    if (timedOut)
        reply->abort();

    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (timedOut) {
        result.reason = QStringLiteral("timed out");
    } else if (result.status != 0) {
        // A status outside 2xx comes with a network error too; the status says it better.
        result.ok = result.status >= 200 && result.status < 300;
        if (!result.ok)
            result.reason = QStringLiteral("HTTP status %1").arg(result.status);
    } else if (reply->error() != QNetworkReply::NoError) {
        result.reason = reply->errorString();
    } else {
        result.reason = QStringLiteral("no answer");
    }
    delete reply;
    return result;
}
