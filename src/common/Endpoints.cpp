#include "common/Endpoints.h"

#include <QFile>
#include <QSaveFile>
#include <QSettings>
#include <QUrl>

namespace {
const char *const kNames[] = {"google", "yahoo", "bing", "baidu", "baiduindex",
                              "keywordtool", "maker", "figures", "update"};
}

Endpoints::Endpoints()
{
    for (const QString &name : serviceNames())
        m_bases.insert(name, defaultBase(name));
}

QStringList Endpoints::serviceNames()
{
    QStringList names;
    for (const char *n : kNames)
        names.append(QLatin1String(n));
    return names;
}

QString Endpoints::defaultBase(const QString &service)
{
    static const QHash<QString, QString> defaults = {
        {QStringLiteral("google"), QStringLiteral("http://www.google.com")},
        {QStringLiteral("yahoo"), QStringLiteral("http://search.yahoo.com")},
        {QStringLiteral("bing"), QStringLiteral("http://www.bing.com")},
        {QStringLiteral("baidu"), QStringLiteral("http://www.baidu.com")},
        {QStringLiteral("baiduindex"), QStringLiteral("http://index.baidu.com")},
        {QStringLiteral("keywordtool"), QStringLiteral("https://adwords.google.com")},
    };
    return defaults.value(service);
}

bool Endpoints::load(const QString &iniPath)
{
    if (!QFile::exists(iniPath))
        return false;
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("endpoints"));
    for (const QString &name : serviceNames()) {
        if (ini.contains(name))
            m_bases.insert(name, ini.value(name).toString().trimmed());
    }
    ini.endGroup();
    return true;
}

bool Endpoints::save(const QString &iniPath) const
{
    QSaveFile file(iniPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QByteArray text = "[endpoints]\n";
    for (const QString &name : serviceNames())
        text += name.toUtf8() + '=' + base(name).toUtf8() + '\n';
    file.write(text);
    return file.commit();
}

QString Endpoints::base(const QString &service) const
{
    return m_bases.value(service);
}

void Endpoints::setBase(const QString &service, const QString &base)
{
    m_bases.insert(service, base.trimmed());
}

QString Endpoints::url(const QString &service, const QString &pathAndQuery) const
{
    QString b = base(service);
    if (b.isEmpty())
        return {};
    while (b.endsWith(QLatin1Char('/')))
        b.chop(1);
    return b + pathAndQuery;
}

QString Endpoints::host(const QString &service) const
{
    const QUrl u(base(service));
    if (u.port() > 0)
        return u.host() + QLatin1Char(':') + QString::number(u.port());
    return u.host();
}
