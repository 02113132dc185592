#include "DemoUpdate.h"

#include "StandIn.h"
#include "common/Wait.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

namespace {

const QString kPublished = QStringLiteral("1.1");

#ifdef Q_OS_WIN
const QString kUpdater = QStringLiteral("update.exe");
const QString kProgram = QStringLiteral("veltrana.exe");
#else
const QString kUpdater = QStringLiteral("update");
const QString kProgram = QStringLiteral("veltrana");
#endif

bool copyExecutable(const QString &from, const QString &to)
{
    QFile::remove(to);
    return QFile::copy(from, to)
        && QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}

bool alive(qint64 pid)
{
#ifdef Q_OS_UNIX
    return pid > 0 && ::kill(pid_t(pid), 0) == 0;
#else
    Q_UNUSED(pid)
    return false;
#endif
}

} // namespace

DemoUpdate::DemoUpdate(standin::StandIn &standIn, const QString &demoRoot)
    : m_standIn(standIn),
      m_root(demoRoot),
      m_programDir(QDir(demoRoot).filePath(QStringLiteral("program")))
{
}

bool DemoUpdate::prepare(QString *error)
{
    const QDir real(QCoreApplication::applicationDirPath());
    if (!QDir().mkpath(m_programDir)) {
        *error = QStringLiteral("cannot create ") + m_programDir;
        return false;
    }
    // Without a built updater the menu says nothing happens, as it would in a real folder.
    if (QFileInfo::exists(real.filePath(kUpdater))
        && !copyExecutable(real.filePath(kUpdater), QDir(m_programDir).filePath(kUpdater))) {
        *error = QStringLiteral("cannot copy the updater into ") + m_programDir;
        return false;
    }
    // The maker's site still says 1.0, so the demo starts without handing over.
    m_standIn.setUpdateVersion(kPublished);
    return true;
}

bool DemoUpdate::launch(const QString &updater, const QStringList &arguments)
{
    // The installed program of the copy is this executable; the published one too.
    const QString self = QCoreApplication::applicationFilePath();
    if (!copyExecutable(self, QDir(m_programDir).filePath(kProgram)))
        return false;
    QFile program(self);
    if (!program.open(QIODevice::ReadOnly))
        return false;
    m_standIn.setDownload(QStringLiteral("veltrana-newver"), program.readAll());

    QProcess process;
    process.setProgram(updater);
    process.setArguments(arguments);
    process.setWorkingDirectory(m_programDir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The updater hands its environment on to the program it starts: settings
    // and caches of both land in the demo folder.
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QDir(m_root).filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), QDir(m_root).filePath(QStringLiteral("share")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), QDir(m_root).filePath(QStringLiteral("cache")));
    env.remove(QStringLiteral("VELTRANA_HOME"));
    process.setProcessEnvironment(env);
    return process.startDetached(&m_updaterPid);
}

int DemoUpdate::serveUntilDone(const QString &dataDir)
{
    // The new program holds the data folder's lock while it runs; the check
    // waits a little at first, so that a program just started has taken it.
    Wait served;
    QTimer check;
    int graceTicks = 5;
    QObject::connect(&check, &QTimer::timeout, &served, [&] {
        if (alive(m_updaterPid))
            return;
        if (graceTicks > 0) {
            --graceTicks;
            return;
        }
        QLockFile lock(QDir(dataDir).filePath(QStringLiteral("veltrana.lock")));
        lock.setStaleLockTime(0);
        if (lock.tryLock(0))
            served.done();
    });
    check.start(1000);
    served.run(Wait::kNoLimit);
    return 0;
}
