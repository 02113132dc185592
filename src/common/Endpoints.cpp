#include "common/Endpoints.h"

#include "common/CheckedFile.h"

#include <QFile>
#include <QSettings>
#include <QUrl>

Endpoints::Endpoints()
{
    for (Service s : kServices)
        m_bases[indexOf(s)] = defaultBase(s);
}

QString Endpoints::keyOf(Service service)
{
    switch (service) {
    case Service::Google: return QStringLiteral("google");
    case Service::Yahoo: return QStringLiteral("yahoo");
    case Service::Bing: return QStringLiteral("bing");
    case Service::Baidu: return QStringLiteral("baidu");
    case Service::BaiduIndex: return QStringLiteral("baiduindex");
    case Service::KeywordTool: return QStringLiteral("keywordtool");
    case Service::Maker: return QStringLiteral("maker");
    case Service::Figures: return QStringLiteral("figures");
    case Service::Update: return QStringLiteral("update");
    }
    return {};
}

std::optional<Endpoints::Service> Endpoints::serviceFromKey(const QString &key)
{
    for (Service s : kServices) {
        if (keyOf(s) == key)
            return s;
    }
    return std::nullopt;
}

QStringList Endpoints::serviceNames()
{
    QStringList names;
    for (Service s : kServices)
        names.append(keyOf(s));
    return names;
}

Endpoints::Service Endpoints::serviceOf(Engine e)
{
    switch (e) {
    case Engine::Google: return Service::Google;
    case Engine::Yahoo: return Service::Yahoo;
    case Engine::Bing: return Service::Bing;
    }
    return Service::Google;
}

QString Endpoints::defaultBase(Service service)
{
    switch (service) {
    case Service::Google: return QStringLiteral("http://www.google.com");
    case Service::Yahoo: return QStringLiteral("http://search.yahoo.com");
    case Service::Bing: return QStringLiteral("http://www.bing.com");
    case Service::Baidu: return QStringLiteral("http://www.baidu.com");
    case Service::BaiduIndex: return QStringLiteral("http://index.baidu.com");
    case Service::KeywordTool: return QStringLiteral("https://adwords.google.com");
    // The maker's services have no public host.
    case Service::Maker:
    case Service::Figures:
    case Service::Update: return {};
    }
    return {};
}

bool Endpoints::load(const QString &iniPath)
{
    if (!QFile::exists(iniPath))
        return false;
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("endpoints"));
    for (Service s : kServices) {
        if (ini.contains(keyOf(s)))
            m_bases[indexOf(s)] = ini.value(keyOf(s)).toString().trimmed();
    }
    ini.endGroup();
    return true;
}

bool Endpoints::save(const QString &iniPath, QString *failure) const
{
    QByteArray text = "[endpoints]\n";
    for (Service s : kServices)
        text += keyOf(s).toUtf8() + '=' + base(s).toUtf8() + '\n';
    const CheckedFile::Result written = CheckedFile::replace(iniPath, text);
    if (!written && failure)
        *failure = written.reason;
    return written.ok;
}

QString Endpoints::base(Service service) const { return m_bases[indexOf(service)]; }

void Endpoints::setBase(Service service, const QString &base) { m_bases[indexOf(service)] = base.trimmed(); }

QString Endpoints::url(Service service, const QString &pathAndQuery) const
{
    QString b = base(service);
    if (b.isEmpty())
        return {};
    while (b.endsWith(QLatin1Char('/')))
        b.chop(1);
    return b + pathAndQuery;
}

QString Endpoints::host(Service service) const
{
    const QUrl u(base(service));
    if (u.port() > 0)
        return u.host() + QLatin1Char(':') + QString::number(u.port());
    return u.host();
}
