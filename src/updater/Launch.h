#pragma once

// What happens before the window: the command line, the single-instance
// lock, the numbered working folder and where the version page lives.
// Nothing here needs a window, so it is tested directly.

#include <QString>
#include <QStringList>

#include <memory>

class QLockFile;

namespace updater {

enum class StartMode {
    Normal = 0,    // the window is shown
    Quiet = 1,     // "/n": hidden; the window appears only when there is an update
    Automatic = 2, // "/a": hidden; an update is installed without asking
};

struct CommandLine {
    StartMode mode = StartMode::Normal;
    QString scriptPath;    // empty when none was given
    QString endpoint;      // "--endpoint URL": the update service's base address
    QString dataDir;       // "--data DIR": the main program's data folder, handed back to it
    int proofMs = -1;      // "--proof-ms N": how long a new program must stay up (-1: the default)
    QString holdAfterStep; // "--hold-after STEP": steps are said on stderr, and the replacement holds after this one
    bool folderMissing = false; // the script path's folder does not exist: end at once

    // `arguments` without the program name.
    static CommandLine parse(const QStringList &arguments);
};

// The script file is never read; its folder is where "Temp" goes.
QString defaultScriptPath(const QString &programDir);
QString baseFolderOf(const QString &scriptPath);

// One updater per program folder. The lock file lives in the program folder,
// the only place besides the working folder the updater may write to.
class InstanceLock
{
public:
    explicit InstanceLock(const QString &programDir);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    enum class Result {
        Acquired,
        HeldByOther, // another live updater works on this folder
        Unusable,    // no lock file can be made: the folder cannot be written
    };
    Result acquire();
    QString path() const;

private:
    std::unique_ptr<QLockFile> m_lock;
};

// base/Temp/Tidewise_NNNN: the first number whose folder does not exist yet.
class WorkFolder
{
public:
    bool create(const QString &baseDir, QString *error);
    QString path() const { return m_path; }
    // Deletes "Notify.ico", then the folder and its parent "Temp", each only when empty.
    void remove();

private:
    QString m_path;
};

// The text of the box shown when start-up itself fails.
QString startupFailureText(const QString &description);
QString startupFailureTitle();

// The data folder of the main program: the one it handed over with "--data",
// else as its own rule finds it (the updater shares no code with it):
// $VELTRANA_HOME, else the program folder when it is writable, else the
// per-user data folder.
QString dataFolder(const QString &programDir, const QString &given = QString());
// The "update" base address from endpoints.ini; empty when missing.
QString readUpdateBase(const QString &iniPath);
// base + "/veltrana/ver.htm"; empty for an empty base.
QString versionPageUrl(const QString &base);

} // namespace updater
