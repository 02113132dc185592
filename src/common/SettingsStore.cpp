#include "common/SettingsStore.h"

#include <QSettings>

SettingsStore::SettingsStore() = default;

SettingsStore::SettingsStore(const QString &iniFile)
    : m_iniFile(iniFile)
{
}

std::unique_ptr<QSettings> SettingsStore::open() const
{
    std::unique_ptr<QSettings> s;
    if (m_iniFile.isEmpty())
        s = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Veltrana"),
                                        QStringLiteral("V1.0.0"));
    else
        s = std::make_unique<QSettings>(m_iniFile, QSettings::IniFormat);
    s->beginGroup(QStringLiteral("Config"));
    return s;
}

void SettingsStore::CreateKey()
{
    // A group exists as soon as one value does; nothing to create up front.
}

void SettingsStore::WriteValue(const QString &name, const QString &value)
{
    auto s = open();
    s->setValue(name, value);
    s->sync();
}

QString SettingsStore::ReadValue(const QString &name) const
{
    auto s = open();
    const QVariant v = s->value(name);
    if (!v.isValid())
        return {};
    return v.toString();
}

QString SettingsStore::ReadValue(const QString &name, const QString &fallback) const
{
    const QString v = ReadValue(name);
    return v.isEmpty() ? fallback : v;
}

bool SettingsStore::HasValue(const QString &name) const { return open()->contains(name); }

QString SettingsStore::fileName() const { return open()->fileName(); }
