#pragma once

// The maker's version page: what the updater reads from it, and loading it.

#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace updater {

struct VersionInfo {
    QString version; // input "ver"
    QString files;   // input "files": addresses separated by "||"
    QString names;   // input "names": the main program's file name
};

// Values of the <input> elements named "ver", "files" and "names", read the
// way a browser would: attributes in any order, quoted with either quote or
// not at all, entities decoded, comments skipped. A later input of the same
// name wins.
VersionInfo parseVersionPage(const QString &html);

// Text of a page under the character set its header or <meta> names (UTF-8 otherwise).
QString decodePage(const QByteArray &body, const QByteArray &contentType);

// Loads one page; `loaded` carries its text, `failed` says why there is none
// (no address, a network error, an error status, no answer in time).
class PageLoader : public QObject
{
    Q_OBJECT
public:
    explicit PageLoader(QNetworkAccessManager *network, QObject *parent = nullptr);
    void load(const QString &url, int timeoutMs);

Q_SIGNALS:
    void loaded(const QString &html);
    void failed(const QString &reason);

private:
    QNetworkAccessManager *m_network;
};

} // namespace updater
