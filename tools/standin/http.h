#pragma once

// A small HTTP/1.1 server: keep-alive, Content-Length bodies, answers in request order.
// The handler may answer later (delays) or never (a server that hangs), which is why
// this is not built on QHttpServer.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

#include <functional>

class QTcpServer;
class QTcpSocket;

namespace standin::detail {

struct HttpRequest {
    QByteArray method;
    QString path;                          // percent-decoded path
    QByteArray rawQuery;                   // as sent, without '?'
    QHash<QByteArray, QByteArray> headers; // keys lower-cased
    QByteArray body;
};

struct HttpResponse {
    int status = 200;
    QByteArray contentType = "text/html; charset=utf-8";
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    // Faults of a download server: no size (the body ends when the connection
    // closes), a body cut short after this many bytes, a body sent in pieces
    // one every pieceDelayMs.
    bool omitContentLength = false;
    qint64 cutAfter = -1;
    int pieceDelayMs = 0;
    int pieceSize = 512;
};

// Called at most once per request; calling it after the client left is harmless.
using Reply = std::function<void(const HttpResponse &)>;
using Handler = std::function<void(const HttpRequest &, Reply)>;

class HttpServer : public QObject
{
    Q_OBJECT
public:
    HttpServer(Handler handler, QObject *parent = nullptr);
    bool listen(quint16 port);
    quint16 port() const;

private:
    void accept();
    QTcpServer *m_server;
    Handler m_handler;
};

class HttpConnection : public QObject
{
    Q_OBJECT
public:
    HttpConnection(QTcpSocket *socket, const Handler &handler, QObject *parent);

private:
    void readMore();
    void processNext();
    // False while a slow body is still being sent; it goes on by itself then.
    bool finish(const HttpResponse &r, bool keepAlive, bool head);
    void sendPieces(QByteArray rest, int size, int delayMs, bool keepAlive);
    void done(bool keepAlive);
    // >0 bytes consumed, 0 incomplete, -1 malformed
    qsizetype parse(HttpRequest &req, bool &keepAlive);

    QTcpSocket *m_socket;
    const Handler &m_handler;
    QByteArray m_buffer;
    bool m_busy = false;
    bool m_processing = false;
    bool m_closing = false;
};

QByteArray reasonPhrase(int status);

} // namespace standin::detail
