#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Base addresses of every outside service. Defaults are the real hosts;
// "endpoints.ini" in the data folder overrides any of them.
class Endpoints
{
public:
    Endpoints();

    static QStringList serviceNames();
    static QString defaultBase(const QString &service);

    // Reads the [endpoints] section of an ini file; missing keys keep their
    // current value. Returns false when the file does not exist.
    bool load(const QString &iniPath);
    // Writes every base into an ini file (through a QSaveFile).
    bool save(const QString &iniPath) const;

    QString base(const QString &service) const;
    void setBase(const QString &service, const QString &base);

    // base + pathAndQuery ("/search?q=..."), or empty when the service has no
    // host configured: callers then get the empty text without any request.
    QString url(const QString &service, const QString &pathAndQuery) const;
    // The host part of a base (for texts such as "site:" + host).
    QString host(const QString &service) const;

private:
    QHash<QString, QString> m_bases;
};
