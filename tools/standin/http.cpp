#include "http.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <memory>

namespace standin::detail {

namespace {
constexpr qsizetype MaxHeaderBytes = 64 * 1024;
constexpr qsizetype MaxBodyBytes = 16 * 1024 * 1024;
} // namespace

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 408: return "Request Timeout";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    default: return "Status";
    }
}

HttpServer::HttpServer(Handler handler, QObject *parent)
    : QObject(parent),
      m_server(new QTcpServer(this)),
      m_handler(std::move(handler))
{
    connect(m_server, &QTcpServer::newConnection, this, &HttpServer::accept);
}

bool HttpServer::listen(quint16 port) { return m_server->listen(QHostAddress::LocalHost, port); }

quint16 HttpServer::port() const { return m_server->serverPort(); }

void HttpServer::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection())
        new HttpConnection(socket, m_handler, this);
}

HttpConnection::HttpConnection(QTcpSocket *socket, const Handler &handler, QObject *parent)
    : QObject(parent),
      m_socket(socket),
      m_handler(handler)
{
    socket->setParent(this);
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(socket, &QTcpSocket::readyRead, this, &HttpConnection::readMore);
    connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    if (socket->bytesAvailable() > 0)
        readMore();
}

void HttpConnection::readMore()
{
    m_buffer += m_socket->readAll();
    processNext();
}

qsizetype HttpConnection::parse(HttpRequest &req, bool &keepAlive)
{
    const qsizetype headerEnd = m_buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return m_buffer.size() > MaxHeaderBytes ? -1 : 0;

    const QList<QByteArray> lines = m_buffer.left(headerEnd).split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    if (first.size() != 3 || !first[2].startsWith("HTTP/"))
        return -1;
    req.method = first[0].toUpper();
    QByteArray target = first[1];
    if (target.startsWith("http://") || target.startsWith("https://")) {
        const qsizetype slash = target.indexOf('/', target.indexOf("//") + 2);
        target = slash < 0 ? QByteArray("/") : target.mid(slash);
    }
    const qsizetype q = target.indexOf('?');
    req.rawQuery = q < 0 ? QByteArray() : target.mid(q + 1);
    req.path = QUrl::fromPercentEncoding(q < 0 ? target : target.left(q));

    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon <= 0)
            continue;
        req.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    if (req.headers.contains("transfer-encoding"))
        return -1; // chunked uploads: none of our clients send them

    bool ok = true;
    const qsizetype length = req.headers.value("content-length", "0").toLongLong(&ok);
    if (!ok || length < 0 || length > MaxBodyBytes)
        return -1;
    const qsizetype total = headerEnd + 4 + length;
    if (m_buffer.size() < total)
        return 0;
    req.body = m_buffer.mid(headerEnd + 4, length);

    const QByteArray connection = req.headers.value("connection").toLower();
    if (first[2] == "HTTP/1.0")
        keepAlive = connection.contains("keep-alive");
    else
        keepAlive = !connection.contains("close");
    return total;
}

void HttpConnection::processNext()
{
    if (m_processing)
        return; // an answer given inside the handler: the loop below carries on
    m_processing = true;
    while (!m_busy && !m_closing) {
        HttpRequest req;
        bool keepAlive = true;
        const qsizetype consumed = parse(req, keepAlive);
        if (consumed == 0)
            break;
        if (consumed < 0) {
            HttpResponse bad;
            bad.status = 400;
            bad.contentType = "text/plain";
            bad.body = "bad request\n";
            m_buffer.clear();
            finish(bad, false, false);
            break;
        }
        m_buffer.remove(0, consumed);
        m_busy = true;
        const bool head = req.method == "HEAD";
        QPointer<HttpConnection> self(this);
        auto answered = std::make_shared<bool>(false);
        m_handler(req, [self, answered, keepAlive, head](const HttpResponse &r) {
            if (!self || *answered)
                return;
            *answered = true;
            if (self->finish(r, keepAlive, head))
                self->processNext();
        });
        if (!self)
            return;
    }
    m_processing = false;
}

bool HttpConnection::finish(const HttpResponse &r, bool keepAlive, bool head)
{
    // A body without a size ends where the connection does.
    if (r.omitContentLength || r.cutAfter >= 0)
        keepAlive = false;
    QByteArray out;
    out.reserve(r.body.size() + 256);
    out += "HTTP/1.1 " + QByteArray::number(r.status) + ' ' + reasonPhrase(r.status) + "\r\n";
    out += "Server: veltrana-standin\r\n";
    if (!r.contentType.isEmpty())
        out += "Content-Type: " + r.contentType + "\r\n";
    if (!r.omitContentLength)
        out += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n";
    for (const auto &h : r.headers)
        out += h.first + ": " + h.second + "\r\n";
    out += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    QByteArray body = head ? QByteArray() : r.body;
    if (r.cutAfter >= 0)
        body.truncate(r.cutAfter);
    if (r.pieceDelayMs > 0 && body.size() > r.pieceSize) {
        m_socket->write(out + body.left(r.pieceSize));
        sendPieces(body.mid(r.pieceSize), std::max(1, r.pieceSize), r.pieceDelayMs, keepAlive);
        return false;
    }
    m_socket->write(out + body);
    done(keepAlive);
    return true;
}

void HttpConnection::sendPieces(QByteArray rest, int size, int delayMs, bool keepAlive)
{
    // The timer has this connection as its context: it never fires once the
    // connection is gone.
    QTimer::singleShot(delayMs, this, [this, rest, size, delayMs, keepAlive] {
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            return;
        m_socket->write(rest.left(size));
        if (rest.size() > size) {
            sendPieces(rest.mid(size), size, delayMs, keepAlive);
            return;
        }
        done(keepAlive);
        processNext();
    });
}

void HttpConnection::done(bool keepAlive)
{
    m_busy = false;
    if (!keepAlive) {
        m_closing = true;
        m_socket->disconnectFromHost();
    }
}

} // namespace standin::detail
