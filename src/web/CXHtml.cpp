#include "web/CXHtml.h"

#include "common/Wait.h"
#include "web/FetchAbort.h"
#include "web/M_base.h"

#include <QDeadlineTimer>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QUrl>

Q_LOGGING_CATEGORY(lcFetch, "veltrana.fetch", QtWarningMsg)

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

CXHtml::CXHtml()
    : m_manager(std::make_unique<QNetworkAccessManager>())
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
    // request to a host named "https". Only the start counts: an address that
    // carries another one in its query still needs its own scheme.
    if (!url.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        && !url.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        url = QStringLiteral("http://") + url;
}

QString CXHtml::GetSrc() { return fetchOutcome().body; }

FetchOutcome CXHtml::fetchOutcome()
{
    // With no address nothing is sent, not even the detection request;
    // fetch() only reports it.
    if (url.isEmpty()) {
        QByteArray nothing;
        return fetch(&nothing);
    }
    if (charset.isEmpty()) {
        normaliseUrl();
        charset = GetChar();
    }
    normaliseUrl();
    return httpPage(charset);
}

QString CXHtml::GetHttpPage(const QString &charsetName) { return httpPage(charsetName).body; }

FetchOutcome CXHtml::httpPage(const QString &charsetName)
{
    QByteArray body;
    FetchOutcome out = fetch(&body);
    if (!out.failed())
        out.body = BytesToBstr(body, charsetName);
    return out;
}

FetchOutcome CXHtml::fetch(QByteArray *body)
{
    body->clear();
    m_lastStatus = 0;
    m_lastTimedOut = false;

    FetchOutcome out;
    QString detail;
    const auto failWith = [&](FetchOutcome::Failure failure) {
        out.failure = failure;
        QString line = QStringLiteral("fetch failed: ") + out.reason() + QLatin1Char(' ') + url;
        if (!detail.isEmpty())
            line += QStringLiteral(" (") + detail + QLatin1Char(')');
        qCDebug(lcFetch).noquote() << line;
        return out;
    };

    if (url.isEmpty())
        return failWith(FetchOutcome::Failure::NotConfigured);
    QUrl address(url, QUrl::TolerantMode);
    if (!isFetchable(address))
        return failWith(FetchOutcome::Failure::BadAddress); // waiting the time limit would only stall the caller

    // A limit of N seconds gives up once the elapsed time rounds to more than
    // N, that is after N + 0.5 seconds. Redirect hops share that one limit.
    const QDeadlineTimer deadline(qMax(0, TryTime) * 1000 + 500);
    for (int hop = 0;; ++hop) {
        Response r = fetchOnce(address, deadline);
        detail = r.detail;
        if (r.failure == FetchOutcome::Failure::TimedOut) {
            m_lastTimedOut = true;
            return failWith(r.failure);
        }
        if (r.failure == FetchOutcome::Failure::Aborted)
            return failWith(r.failure);
        m_lastStatus = r.status;
        out.status = r.status;
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
        if (r.failure != FetchOutcome::Failure::None)
            return failWith(r.failure);
        if (r.status < 200 || r.status >= 300)
            return failWith(FetchOutcome::Failure::HttpStatus);
        *body = r.body;
        return out;
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
    if (abortOn && abortOn->isAborted()) {
        r.failure = FetchOutcome::Failure::Aborted;
        return r;
    }
    QNetworkRequest request(address);
    request.setHeader(QNetworkRequest::UserAgentHeader, agent.isEmpty() ? defaultAgent() : agent);
    // Qt would otherwise send the machine's locale, and an engine would then
    // answer in that language with markup the count rules do not know. The
    // manager has no cache, so no Cache-Control or Pragma is needed either.
    request.setRawHeader("Accept-Language", "en");
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);

    QNetworkReply *reply = m_manager->get(request);
    Wait wait;
    QObject::connect(reply, &QNetworkReply::readyRead, &wait, [&] {
        r.body += reply->readAll();
        if (r.body.size() > kMaxBodyBytes) {
            r.failure = FetchOutcome::Failure::TooBig;
            r.body.clear();
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &wait, &Wait::done);
    if (abortOn)
        QObject::connect(abortOn, &FetchAbort::aborted, &wait, &Wait::interrupt);

    if (!reply->isFinished())
        wait.run(qMax<qint64>(0, deadline.remainingTime()));

    if (!reply->isFinished()) {
        r.failure = abortOn && abortOn->isAborted() ? FetchOutcome::Failure::Aborted : FetchOutcome::Failure::TimedOut;
        reply->disconnect(&wait);
        reply->abort();
        reply->deleteLater();
        r.body.clear();
        return r;
    }
    r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    r.location = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (r.failure != FetchOutcome::Failure::TooBig) {
        r.body += reply->readAll();
        if (r.body.size() > kMaxBodyBytes) {
            r.failure = FetchOutcome::Failure::TooBig;
            r.body.clear();
        } else if (reply->error() != QNetworkReply::NoError) {
            // A status outside 200-299 is an answer, judged by fetch(); an error
            // after a 2xx head means the page was cut short: half a page must
            // not pass for a page.
            if (r.status == 0)
                r.failure = reply->error() == QNetworkReply::ConnectionRefusedError ? FetchOutcome::Failure::Refused
                    : reply->error() == QNetworkReply::RemoteHostClosedError        ? FetchOutcome::Failure::Dropped
                                                                                    : FetchOutcome::Failure::Network;
            else if (r.status >= 200 && r.status < 300)
                r.failure = FetchOutcome::Failure::Dropped;
            if (r.failure != FetchOutcome::Failure::None)
                r.detail = reply->errorString();
        }
    }
    reply->deleteLater();
    return r;
}

QString CXHtml::BytesToBstr(const QByteArray &body, const QString &charsetName)
{
    QStringDecoder decoder(decoderName(charsetName).constData());
    if (decoder.isValid())
        return decoder.decode(body);
    // A name nobody knows (a typo, "x-user-defined") must not turn a page
    // into nothing: UTF-8 when the bytes are valid UTF-8, else GB18030, which
    // reads the Chinese pages this program meets and any other byte too.
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    QStringDecoder gb18030("GB18030");
    return gb18030.decode(body);
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
