#include "support/TinyHttpServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

namespace {
constexpr qint64 kChunk = 256 * 1024;
}

QByteArray TinyHttpServer::Hit::header(const QByteArray &name) const
{
    const QList<QByteArray> lines = headers.split('\n');
    for (const QByteArray &line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

TinyHttpServer::TinyHttpServer(QObject *parent)
    : QObject(parent),
      m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &TinyHttpServer::accept);
}

bool TinyHttpServer::listen() { return m_server->listen(QHostAddress::LocalHost, 0); }

quint16 TinyHttpServer::port() const { return m_server->serverPort(); }

QString TinyHttpServer::baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(port()); }

void TinyHttpServer::setPage(const QString &path, const QByteArray &body, const QByteArray &contentType,
                             const QList<QByteArray> &extraHeaders)
{
    Route r;
    r.body = body;
    r.contentType = contentType;
    r.extraHeaders = extraHeaders;
    m_routes.insert(path, r);
}

void TinyHttpServer::setRedirect(const QString &path, const QByteArray &location)
{
    Route r;
    r.status = 302;
    r.body = "moved";
    r.contentType = "text/plain";
    r.extraHeaders = {"Location: " + location};
    m_routes.insert(path, r);
}

void TinyHttpServer::setSilent(const QString &path)
{
    Route r;
    r.kind = Route::Silent;
    m_routes.insert(path, r);
}

void TinyHttpServer::setStream(const QString &path, qint64 size)
{
    Route r;
    r.kind = Route::Stream;
    r.size = size;
    m_routes.insert(path, r);
}

void TinyHttpServer::setTruncated(const QString &path, const QByteArray &body, qint64 promised)
{
    Route r;
    r.kind = Route::Truncated;
    r.body = body;
    r.size = promised;
    m_routes.insert(path, r);
}

QList<TinyHttpServer::Hit> TinyHttpServer::hitsFor(const QString &path) const
{
    QList<Hit> out;
    for (const Hit &h : hits)
        if (h.path == path)
            out.append(h);
    return out;
}

void TinyHttpServer::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            if (buffer->endsWith("\r\n\r\n"))
                return; // already answered (or silent); ignore anything further
            *buffer += socket->readAll();
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            buffer->truncate(end + 4);
            serve(socket, *buffer);
        });
    }
}

void TinyHttpServer::serve(QTcpSocket *socket, const QByteArray &head)
{
    const qsizetype lineEnd = head.indexOf("\r\n");
    const QList<QByteArray> first = head.left(lineEnd).split(' ');
    Hit hit;
    hit.path = QString::fromLatin1(first.value(1));
    hit.headers = head.mid(lineEnd + 2);
    hits.append(hit);

    const auto it = m_routes.constFind(hit.path);
    if (it == m_routes.cend()) {
        socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }
    const Route &route = it.value();
    if (route.kind == Route::Silent)
        return;

    QByteArray out = route.status == 302 ? QByteArray("HTTP/1.1 302 Found\r\n") : QByteArray("HTTP/1.1 200 OK\r\n");
    out += "Connection: close\r\n";
    if (!route.contentType.isEmpty())
        out += "Content-Type: " + route.contentType + "\r\n";
    for (const QByteArray &h : route.extraHeaders)
        out += h + "\r\n";
    if (route.kind == Route::Truncated) {
        out += "Content-Length: " + QByteArray::number(route.size) + "\r\n\r\n" + route.body;
        socket->write(out);
        socket->disconnectFromHost();
        return;
    }
    if (route.kind == Route::Page) {
        out += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n\r\n" + route.body;
        socket->write(out);
        socket->disconnectFromHost();
        return;
    }
    // Stream: feed the socket as it drains, so the whole body never sits in memory twice.
    out += "Content-Length: " + QByteArray::number(route.size) + "\r\n\r\n";
    socket->write(out);
    auto left = std::make_shared<qint64>(route.size);
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket, left] {
        if (socket->bytesToWrite() < kChunk)
            pump(socket, *left);
    });
    pump(socket, *left);
}

void TinyHttpServer::pump(QTcpSocket *socket, qint64 &left)
{
    if (left <= 0 || socket->state() != QAbstractSocket::ConnectedState)
        return;
    const qint64 n = qMin(left, kChunk);
    socket->write(QByteArray(n, 'x'));
    left -= n;
    if (left == 0)
        socket->disconnectFromHost();
}
