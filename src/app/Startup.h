#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class AppContext;
class QLockFile;

// The start-up steps that need no window: the single-instance lock, the
// database, "ver.txt", the daily version check with its hand-over to the
// updater, and the settings defaults. The window runs these first and builds
// its tabs only when they say to go on.
class Startup
{
public:
    enum class Outcome {
        Continue,       // start-up goes on; the window is built
        AlreadyRunning, // another instance holds the lock; nothing was written
        HandedOver,     // the updater was started; the program ends
    };

    struct Check {
        bool made = false;      // false when today's check was already made
        QString version;        // the published version, or "1.0"
        bool minimised = false; // how the updater would be started
    };

    // Starts the updater program at `path` with `arguments`; false when it could not start.
    using Launcher = std::function<bool(const QString &path, const QStringList &arguments, bool minimised)>;

    static QString version() { return QStringLiteral("1.0"); }
    static QString defaultOptions() { return QStringLiteral("0#1#1#0#0"); }

    explicit Startup(AppContext &context);
    ~Startup();
    Startup(const Startup &) = delete;
    Startup &operator=(const Startup &) = delete;

    void setLauncher(Launcher launcher) { m_launcher = std::move(launcher); }
    // The day the checks count from: the context clock's.
    QDate today() const;

    // The steps in their order; see Outcome.
    Outcome run();

    enum class Instance {
        Acquired,       // this process holds the lock
        HeldByOther,    // a live Veltrana process holds it
        FolderUnusable, // the lock cannot even be made: the data folder is not writable
    };
    Instance acquireInstance();
    // Why the data folder cannot be written, for the message.
    static QString unusableFolderText(const QString &dataDir);
    // Why db.sqlite was refused, for the message.
    static QString databaseRefusedText(const QString &file, const QString &reason);
    void writeVersionFile();
    Check checkVersion();
    void restoreSettings();

    // The update-start flag: set while the program hands over to the updater,
    // so that closing asks nothing.
    bool updateStarted() const { return m_updateStarted; }
    void setUpdateStarted(bool started) { m_updateStarted = started; }

    QString updaterPath() const;
    // Starts the updater; false (and nothing started) when it is missing.
    bool startUpdater(bool minimised);
    static bool launchDetached(const QString &path, const QStringList &arguments, bool minimised);

private:
    AppContext &m_context;
    std::unique_ptr<QLockFile> m_lock;
    Launcher m_launcher;
    bool m_updateStarted = false;
};
