#include "web/CXHtml.h"

#include "web/M_base.h"

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
    m_manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

CXHtml::~CXHtml() = default;

QString CXHtml::defaultAgent()
{
    return QStringLiteral("Mozilla/5.0 (Windows; U; Windows NT 6.0; zh-CN; rv:1.9.0.3) Gecko/2008092417 "
                          "Firefox/3.0.3 (.NET CLR 3.5.30729)");
}

void CXHtml::normaliseUrl()
{
    if (!url.toLower().contains(QLatin1String("http://")))
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

    const QUrl address(url, QUrl::TolerantMode);
    const QString scheme = address.scheme().toLower();
    if (!address.isValid() || address.host().isEmpty()
        || (scheme != u"http" && scheme != u"https"))
        return {};   // nothing to send; waiting the time limit would only stall the caller

    QNetworkRequest request(address);
    request.setHeader(QNetworkRequest::UserAgentHeader, agent.isEmpty() ? defaultAgent() : agent);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);

    QNetworkReply *reply = m_manager->get(request);
    QByteArray body;
    bool tooBig = false;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        m_lastTimedOut = true;
        loop.quit();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        body += reply->readAll();
        if (body.size() > kMaxBodyBytes) {
            tooBig = true;
            body.clear();
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);

    // A limit of N seconds gives up once the elapsed time rounds to more than
    // N, that is after N + 0.5 seconds.
    limit.start(qMax(0, TryTime) * 1000 + 500);
    if (!reply->isFinished())
        loop.exec();
    limit.stop();

    if (!reply->isFinished()) {
        reply->disconnect(&loop);
        reply->abort();
        reply->deleteLater();
        return {};
    }
    body += reply->readAll();
    m_lastStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool success = !tooBig && body.size() <= kMaxBodyBytes && m_lastStatus >= 200
                         && m_lastStatus < 300;
    reply->deleteLater();
    if (!success)
        return {};
    *ok = true;
    return body;
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
