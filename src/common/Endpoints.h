#pragma once

#include "common/Engine.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// Base addresses of every outside service. Defaults are the real hosts;
// "endpoints.ini" in the data folder overrides any of them. Services are
// named by enum so that a misspelt one cannot compile; the ini keys are
// spelt only here.
class Endpoints
{
public:
    enum class Service { Google, Yahoo, Bing, Baidu, BaiduIndex, KeywordTool, Maker, Figures, Update };
    static constexpr std::array<Service, 9> kServices = {Service::Google, Service::Yahoo,      Service::Bing,
                                                         Service::Baidu,  Service::BaiduIndex, Service::KeywordTool,
                                                         Service::Maker,  Service::Figures,    Service::Update};

    Endpoints();

    // The service's key in endpoints.ini ("google", ..., "baiduindex", ...).
    static QString keyOf(Service service);
    static std::optional<Service> serviceFromKey(const QString &key);
    // Every key, in the order of the file.
    static QStringList serviceNames();
    static Service serviceOf(Engine e);
    static QString defaultBase(Service service);

    // Reads the [endpoints] section of an ini file; missing keys keep their
    // current value. Returns false when the file does not exist.
    bool load(const QString &iniPath);
    // Writes every base into an ini file (through CheckedFile: a failed save
    // leaves the old file as it was and `failure` gets the reason).
    bool save(const QString &iniPath, QString *failure = nullptr) const;

    QString base(Service service) const;
    void setBase(Service service, const QString &base);

    // base + pathAndQuery ("/search?q=..."), or empty when the service has no
    // host configured: callers then get the empty text without any request.
    QString url(Service service, const QString &pathAndQuery) const;
    // The host part of a base (for texts such as "site:" + host).
    QString host(Service service) const;

private:
    static std::size_t indexOf(Service service) { return static_cast<std::size_t>(service); }

    std::array<QString, kServices.size()> m_bases;
};
