#include "VersionPage.h"

#include "Download.h"

#include <QHash>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimer>

namespace updater {

namespace {

QString decodeEntities(const QString &text)
{
    if (!text.contains(u'&'))
        return text;
    static const QHash<QString, QString> named = {
        {QStringLiteral("amp"), QStringLiteral("&")},  {QStringLiteral("lt"), QStringLiteral("<")},
        {QStringLiteral("gt"), QStringLiteral(">")},   {QStringLiteral("quot"), QStringLiteral("\"")},
        {QStringLiteral("apos"), QStringLiteral("'")}, {QStringLiteral("nbsp"), QString(QChar(0xa0))},
    };
    static const QRegularExpression entity(QStringLiteral("&(#[xX][0-9a-fA-F]+|#[0-9]+|[a-zA-Z]+);"));
    QString out;
    qsizetype last = 0;
    auto it = entity.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QString body = m.captured(1);
        QString replacement;
        if (body.startsWith(u'#')) {
            bool ok = false;
            const bool hex = body.size() > 1 && (body.at(1) == u'x' || body.at(1) == u'X');
            const uint code = body.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
            if (ok && code > 0 && code <= 0x10FFFF)
                replacement = QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
        } else {
            replacement = named.value(body.toLower());
        }
        if (replacement.isEmpty())
            continue;
        out += QStringView(text).mid(last, m.capturedStart() - last);
        out += replacement;
        last = m.capturedEnd();
    }
    out += QStringView(text).mid(last);
    return out;
}

bool isSpace(QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'; }

// Reads the attributes of a tag whose name ends at `pos`; returns them with
// lower-cased names (the first of a repeated name wins) and moves `pos` past '>'.
QHash<QString, QString> readAttributes(const QString &html, qsizetype &pos)
{
    QHash<QString, QString> attributes;
    const qsizetype n = html.size();
    while (pos < n) {
        while (pos < n && (isSpace(html.at(pos)) || html.at(pos) == u'/'))
            ++pos;
        if (pos >= n)
            break;
        if (html.at(pos) == u'>') {
            ++pos;
            break;
        }
        const qsizetype nameStart = pos;
        while (pos < n && !isSpace(html.at(pos)) && html.at(pos) != u'=' && html.at(pos) != u'>'
               && html.at(pos) != u'/')
            ++pos;
        const QString name = html.mid(nameStart, pos - nameStart).toLower();
        while (pos < n && isSpace(html.at(pos)))
            ++pos;
        QString value;
        if (pos < n && html.at(pos) == u'=') {
            ++pos;
            while (pos < n && isSpace(html.at(pos)))
                ++pos;
            if (pos < n && (html.at(pos) == u'"' || html.at(pos) == u'\'')) {
                const QChar quote = html.at(pos);
                const qsizetype close = html.indexOf(quote, pos + 1);
                const qsizetype end = close < 0 ? n : close;
                value = html.mid(pos + 1, end - pos - 1);
                pos = close < 0 ? n : close + 1;
            } else {
                const qsizetype valueStart = pos;
                while (pos < n && !isSpace(html.at(pos)) && html.at(pos) != u'>')
                    ++pos;
                value = html.mid(valueStart, pos - valueStart);
            }
        }
        if (!name.isEmpty() && !attributes.contains(name))
            attributes.insert(name, decodeEntities(value));
    }
    return attributes;
}

} // namespace

VersionInfo parseVersionPage(const QString &html)
{
    VersionInfo info;
    const qsizetype n = html.size();
    qsizetype pos = 0;
    while (pos < n) {
        const qsizetype lt = html.indexOf(u'<', pos);
        if (lt < 0)
            break;
        if (QStringView(html).mid(lt, 4) == QLatin1String("<!--")) {
            const qsizetype end = html.indexOf(QLatin1String("-->"), lt + 4);
            pos = end < 0 ? n : end + 3;
            continue;
        }
        pos = lt + 1;
        qsizetype nameEnd = pos;
        while (nameEnd < n && html.at(nameEnd).isLetterOrNumber())
            ++nameEnd;
        const QString tag = html.mid(pos, nameEnd - pos).toLower();
        if (tag == QLatin1String("script") || tag == QLatin1String("style")) {
            // Their text is not markup: an "<input" inside a script is no input.
            const qsizetype close = html.indexOf(QLatin1String("</") + tag, nameEnd, Qt::CaseInsensitive);
            pos = close < 0 ? n : close + 2;
            continue;
        }
        if (tag != QLatin1String("input"))
            continue;
        pos = nameEnd;
        const QHash<QString, QString> attributes = readAttributes(html, pos);
        const QString name = attributes.value(QStringLiteral("name"));
        const QString value = attributes.value(QStringLiteral("value"));
        if (name == QLatin1String("ver"))
            info.version = value;
        else if (name == QLatin1String("files"))
            info.files = value;
        else if (name == QLatin1String("names"))
            info.names = value;
    }
    return info;
}

QString decodePage(const QByteArray &body, const QByteArray &contentType)
{
    static const QRegularExpression charsetIn(QStringLiteral("charset\\s*=\\s*[\"']?([A-Za-z0-9_.:-]+)"),
                                              QRegularExpression::CaseInsensitiveOption);
    QString charset = charsetIn.match(QString::fromLatin1(contentType)).captured(1);
    if (charset.isEmpty())
        charset = charsetIn.match(QString::fromLatin1(body.left(2048))).captured(1);
    QStringDecoder decoder(charset.isEmpty() ? "utf-8" : charset.toLatin1().constData());
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Utf8);
    return decoder.decode(body);
}

PageLoader::PageLoader(QNetworkAccessManager *network, QObject *parent)
    : QObject(parent),
      m_network(network)
{
}

void PageLoader::load(const QString &url, int timeoutMs)
{
    const QUrl address(url, QUrl::StrictMode);
    const QString scheme = address.scheme().toLower();
    if (url.isEmpty() || !address.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        const QString reason =
            url.isEmpty() ? QStringLiteral("没有设置升级服务器地址") : QStringLiteral("升级服务器地址无效");
        QTimer::singleShot(0, this, [this, reason] { Q_EMIT failed(reason); });
        return;
    }
    QNetworkRequest request(address);
    request.setTransferTimeout(timeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply *reply = m_network->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QString reason = networkReason(reply->error(), status);
        if (!reason.isEmpty())
            Q_EMIT failed(reason);
        else
            Q_EMIT loaded(
                decodePage(reply->readAll(), reply->header(QNetworkRequest::ContentTypeHeader).toByteArray()));
    });
}

} // namespace updater
