#include "support/ClosedPort.h"

#include <QHostAddress>

ClosedPort::ClosedPort() { m_socket.bind(QHostAddress::LocalHost, 0); }

QString ClosedPort::url(const QString &path) const { return QStringLiteral("http://127.0.0.1:%1").arg(port()) + path; }
