#include "web/CXHtml.h"

#include "web/M_base.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>

namespace {

// A jar that never keeps anything: no request carries cookies.
class NoCookies : public QNetworkCookieJar
{
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    bool setCookiesFromUrl(const QList<QNetworkCookie> &, const QUrl &) override { return false; }
    QList<QNetworkCookie> cookiesForUrl(const QUrl &) const override { return {}; }
};

// Chinese pages that say "gb2312" are really written in its supersets; decode
// them with GB18030 so that no GBK character turns into garbage.
QByteArray decoderName(const QString &charsetName)
{
    const QString n = charsetName.trimmed().toLower();
    if (n == u"gb2312" || n == u"gbk" || n == u"x-gbk" || n == u"cp936" || n == u"gb_2312-80")
        return QByteArrayLiteral("GB18030");
    return n.toLatin1();
}

} // namespace

CXHtml::CXHtml() : m_manager(std::make_unique<QNetworkAccessManager>())
{
    m_manager->setCookieJar(new NoCookies(m_manager.get()));
    // fetch() follows redirects itself (see there).
    m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

CXHtml::~CXHtml() = default;

QString CXHtml::defaultAgent()
{
    return QStringLiteral("Mozilla/5.0 (Windows; U; Windows NT 6.0; zh-CN; rv:1.9.0.3) Gecko/2008092417 "
                          "Firefox/3.0.3 (.NET CLR 3.5.30729)");
}

void CXHtml::normaliseUrl()
{
    // An https address already has its scheme; prefixing it would send the
    // request to a host named "https".
    const QString lower = url.toLower();
    if (!lower.contains(QLatin1String("http://")) && !lower.contains(QLatin1String("https://")))
        url = QStringLiteral("http://") + url;
}

QString CXHtml::GetSrc()
{
    if (charset.isEmpty()) {
        if (url.isEmpty())
            return {};
        normaliseUrl();
        charset = GetChar();
    }
    if (url.isEmpty())
        return {};
    normaliseUrl();
    return GetHttpPage(charset);
}

QString CXHtml::GetHttpPage(const QString &charsetName)
{
    bool ok = false;
    const QByteArray body = fetch(&ok);
    if (!ok)
        return {};
    return BytesToBstr(body, charsetName);
}

QByteArray CXHtml::fetch(bool *ok)
{
    *ok = false;
    m_lastStatus = 0;
    m_lastTimedOut = false;

    QUrl address(url, QUrl::TolerantMode);
    if (!isFetchable(address))
        return {};   // nothing to send; waiting the time limit would only stall the caller

    // A limit of N seconds gives up once the elapsed time rounds to more than
    // N, that is after N + 0.5 seconds. Redirect hops share that one limit.
    const QDeadlineTimer deadline(qMax(0, TryTime) * 1000 + 500);
    for (int hop = 0;; ++hop) {
        Response r = fetchOnce(address, deadline);
        if (r.timedOut) {
            m_lastTimedOut = true;
            return {};
        }
        m_lastStatus = r.status;
        // Redirects are followed here rather than by Qt: Qt's own following
        // on a kept-alive connection now and then sends the first request twice.
        if (isRedirect(r.status) && hop < kMaxRedirects) {
            const QUrl next = address.resolved(r.location);
            const bool downgrade = address.scheme().toLower() == u"https" && next.scheme().toLower() != u"https";
            if (r.location.isValid() && !r.location.isEmpty() && isFetchable(next) && !downgrade) {
                address = next;
                continue;
            }
        }
        if (r.tooBig || r.failed || r.status < 200 || r.status >= 300)
            return {};
        *ok = true;
        return r.body;
    }
}

bool CXHtml::isFetchable(const QUrl &address)
{
    const QString scheme = address.scheme().toLower();
    return address.isValid() && !address.host().isEmpty() && (scheme == u"http" || scheme == u"https");
}

bool CXHtml::isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

CXHtml::Response CXHtml::fetchOnce(const QUrl &address, const QDeadlineTimer &deadline)
{
    Response r;
    QNetworkRequest request(address);
    request.setHeader(QNetworkRequest::UserAgentHeader, agent.isEmpty() ? defaultAgent() : agent);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);

    QNetworkReply *reply = m_manager->get(request);
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    limit.setTimerType(Qt::PreciseTimer);   // a coarse timer may overrun the limit by 5 %
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        r.timedOut = true;
        loop.quit();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        r.body += reply->readAll();
        if (r.body.size() > kMaxBodyBytes) {
            r.tooBig = true;
            r.body.clear();
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);

    limit.start(std::chrono::milliseconds(qMax<qint64>(0, deadline.remainingTime())));
    if (!reply->isFinished())
        loop.exec();
    limit.stop();

    if (!reply->isFinished()) {
        r.timedOut = true;
        reply->disconnect(&loop);
        reply->abort();
        reply->deleteLater();
        r.body.clear();
        return r;
    }
    r.timedOut = false;
    // A dropped connection can leave a 200 with half a page: that is a failure.
    r.failed = reply->error() != QNetworkReply::NoError && !isRedirect(
                   reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt());
    if (!r.tooBig) {
        r.body += reply->readAll();
        if (r.body.size() > kMaxBodyBytes) {
            r.tooBig = true;
            r.body.clear();
        }
    }
    r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    r.location = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    reply->deleteLater();
    return r;
}

QString CXHtml::BytesToBstr(const QByteArray &body, const QString &charsetName)
{
    QStringDecoder decoder(decoderName(charsetName).constData());
    if (!decoder.isValid())
        return {};
    return decoder.decode(body);
}

QString CXHtml::GetChar()
{
    const QString page = GetHttpPage(QStringLiteral("gb2312"));
    if (page.isEmpty())
        return QStringLiteral("gb2312");
    QString name = GetMemo(page.toLower(), QStringLiteral("charset="), QStringLiteral(">")).trimmed();
    const qsizetype quote = name.indexOf(QLatin1Char('"'));
    if (quote >= 0)
        name = name.left(quote);
    name = name.trimmed();
    return name.isEmpty() ? QStringLiteral("gb2312") : name;
}

QString CXHtml::GetMemo(const QString &temp, const QString &firststr, const QString &endstr)
{
    return M_base::GetBetween(temp, firststr, endstr);
}
