#pragma once

#include <QString>
#include <memory>

class QSettings;

// The settings key: named text values under "Software\Veltrana\V1.0.0\Config"
// (the registry on Windows, the per-user config file elsewhere). Each
// operation opens the key, does its work and closes it again (mReg).
class SettingsStore
{
public:
    static QString keyPath() { return QStringLiteral("Software\\Veltrana\\V1.0.0\\Config"); }

    // The native per-user store.
    SettingsStore();
    // An ini file instead (tests, the demo's throw-away data folder).
    explicit SettingsStore(const QString &iniFile);

    void CreateKey();
    void WriteValue(const QString &name, const QString &value);
    // Empty text for a missing value.
    QString ReadValue(const QString &name) const;
    bool HasValue(const QString &name) const;
    // Value, or `fallback` when missing or empty.
    QString ReadValue(const QString &name, const QString &fallback) const;

    QString fileName() const;

    // True once start-up has restored the controls from these settings: the
    // controls' handlers save only then, so restoring them never writes the
    // settings back.
    bool isLoaded() const { return m_loaded; }
    void setLoaded(bool loaded) { m_loaded = loaded; }

private:
    std::unique_ptr<QSettings> open() const;
    QString m_iniFile;
    bool m_loaded = false;
};
