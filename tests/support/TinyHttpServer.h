#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;

// A loopback HTTP server that answers each path with fixed bytes. Tests use it
// where they need exact bytes on the wire (a charset declaration or none, GBK
// text, a huge body, a Set-Cookie header) rather than the stand-in's pages.
// One request per connection; the connection closes after the answer.
class TinyHttpServer : public QObject
{
    Q_OBJECT
public:
    struct Hit {
        QString path;       // path and query as sent
        QByteArray headers; // the raw header block
        QByteArray header(const QByteArray &name) const;
    };

    explicit TinyHttpServer(QObject *parent = nullptr);

    bool listen();
    QString baseUrl() const; // "http://127.0.0.1:PORT"
    quint16 port() const;

    // Serves `body` with status 200 and the given Content-Type ("" = none).
    void setPage(const QString &path, const QByteArray &body, const QByteArray &contentType = "text/html",
                 const QList<QByteArray> &extraHeaders = {});
    // Answers 302 with a Location header.
    void setRedirect(const QString &path, const QByteArray &location);
    // Reads the request and never answers.
    void setSilent(const QString &path);
    // Streams `size` bytes of 'x' with a Content-Length, a chunk at a time.
    void setStream(const QString &path, qint64 size);
    // Promises `promised` bytes, sends `body` and hangs up: a dropped connection.
    void setTruncated(const QString &path, const QByteArray &body, qint64 promised);

    QList<Hit> hits;
    QList<Hit> hitsFor(const QString &path) const;

private:
    struct Route {
        enum Kind { Page, Silent, Stream, Truncated } kind = Page;
        int status = 200;
        QByteArray body;
        QByteArray contentType;
        QList<QByteArray> extraHeaders;
        qint64 size = 0;
    };
    void accept();
    void serve(QTcpSocket *socket, const QByteArray &head);
    void pump(QTcpSocket *socket, qint64 &left);

    QTcpServer *m_server;
    QHash<QString, Route> m_routes;
};
