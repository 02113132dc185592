#pragma once

#include <QString>
#include <QTcpSocket>

// A loopback port where nobody listens, for as long as this lives: a socket
// is bound to it but never listens, so a connection is refused, and no
// other test can take the port between finding it and using it (as it could
// after a server listened and closed).
class ClosedPort
{
public:
    ClosedPort();
    bool isValid() const { return m_socket.state() == QAbstractSocket::BoundState; }
    quint16 port() const { return m_socket.localPort(); }
    // "http://127.0.0.1:<port>" followed by `path`.
    QString url(const QString &path = {}) const;

private:
    QTcpSocket m_socket;
};
