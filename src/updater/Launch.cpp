#include "Launch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <algorithm>

namespace updater {

CommandLine CommandLine::parse(const QStringList &arguments)
{
    CommandLine line;
    QStringList rest;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        const bool hasValue = i + 1 < arguments.size();
        if (a == QLatin1String("--endpoint") && hasValue) {
            line.endpoint = arguments.at(++i).trimmed();
            continue;
        }
        if (a == QLatin1String("--data") && hasValue) {
            line.dataDir = QFileInfo(arguments.at(++i)).absoluteFilePath();
            continue;
        }
        if (a == QLatin1String("--proof-ms") && hasValue) {
            bool ok = false;
            const int ms = arguments.at(++i).toInt(&ok);
            if (ok && ms >= 0)
                line.proofMs = ms;
            continue;
        }
        if (a == QLatin1String("--hold-after") && hasValue) {
            line.holdAfterStep = arguments.at(++i);
            continue;
        }
        QString word = arguments.at(i);
        word.remove(u'"');
        rest.append(word);
    }

    // Switches are whole words here: a path on this side begins with "/" and
    // may well contain "/a" or "/n" somewhere. Paths keep their case, because
    // most file systems here tell "A" from "a".
    const auto isSwitch = [](const QString &word, const char *name) {
        return word.trimmed().compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    const auto drop = [&rest, &isSwitch](const char *name) {
        rest.removeIf([&](const QString &w) { return isSwitch(w, name); });
    };
    const auto has = [&rest, &isSwitch](const char *name) {
        return std::any_of(rest.cbegin(), rest.cend(), [&](const QString &w) { return isSwitch(w, name); });
    };
    if (has("/a")) {
        line.mode = StartMode::Automatic;
        drop("/a");
        drop("/n");
    } else if (has("/n")) {
        line.mode = StartMode::Quiet;
        drop("/n");
    }

    const QString path = rest.join(u' ').trimmed();
    if (path.size() > 6) {
        if (!QDir(baseFolderOf(path)).exists())
            line.folderMissing = true;
        else
            line.scriptPath = QFileInfo(path).absoluteFilePath();
    }
    return line;
}

QString defaultScriptPath(const QString &programDir) { return QDir(programDir).filePath(QStringLiteral("update.ris")); }

QString baseFolderOf(const QString &scriptPath)
{
    QString path = scriptPath;
#ifdef Q_OS_WIN
    path.replace(u'\\', u'/');
#endif
    return QFileInfo(path).absolutePath();
}

InstanceLock::InstanceLock(const QString &programDir)
    : m_lock(std::make_unique<QLockFile>(QDir(programDir).filePath(QStringLiteral("update.lock"))))
{
    // Only a dead owner makes the lock stale, however long an update takes.
    m_lock->setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

InstanceLock::Result InstanceLock::acquire()
{
    if (m_lock->tryLock(0))
        return Result::Acquired;
    return m_lock->error() == QLockFile::LockFailedError ? Result::HeldByOther : Result::Unusable;
}

QString InstanceLock::path() const { return m_lock->fileName(); }

bool WorkFolder::create(const QString &baseDir, QString *error)
{
    const QDir base(baseDir);
    const QString temp = base.filePath(QStringLiteral("Temp"));
    if (!QFileInfo(temp).isDir() && !base.mkdir(QStringLiteral("Temp"))) {
        *error = QStringLiteral("无法创建文件夹 ") + QDir::toNativeSeparators(temp);
        return false;
    }
    for (int n = 0; n <= 9999; ++n) {
        const QString name = QStringLiteral("Tidewise_%1").arg(n, 4, 10, QLatin1Char('0'));
        const QString candidate = QDir(temp).filePath(name);
        if (QFileInfo::exists(candidate))
            continue;
        if (!QDir(temp).mkdir(name)) {
            *error = QStringLiteral("无法创建文件夹 ") + QDir::toNativeSeparators(candidate);
            return false;
        }
        m_path = candidate;
        return true;
    }
    *error = QStringLiteral("没有可用的工作文件夹编号 ") + QDir::toNativeSeparators(temp);
    return false;
}

void WorkFolder::remove()
{
    if (m_path.isEmpty())
        return;
    QDir dir(m_path);
    dir.remove(QStringLiteral("Notify.ico"));
    QDir parent = dir;
    parent.cdUp();
    // rmdir removes only empty folders: whatever someone else keeps there stays.
    if (parent.rmdir(dir.dirName())) {
        QDir grand = parent;
        grand.cdUp();
        grand.rmdir(parent.dirName());
    }
    m_path.clear();
}

QString startupFailureTitle() { return QStringLiteral("Freshet"); }

QString startupFailureText(const QString &description)
{
    return QStringLiteral("Freshet experienced the following unrecoverable error in Sub Main:") + QStringLiteral("\n\n")
        + description + QStringLiteral("\n\n")
        + QStringLiteral("Contact your software vendor if this problem persist.");
}

QString dataFolder(const QString &programDir, const QString &given)
{
    if (!given.isEmpty())
        return QDir(given).absolutePath();
    const QString home = qEnvironmentVariable("VELTRANA_HOME");
    if (!home.isEmpty())
        return QDir(home).absolutePath();
    const QFileInfo program(programDir);
    if (program.isDir() && program.isWritable())
        return program.absoluteFilePath();
    // The main program keeps no application name of its own, so its per-user
    // folder is named after its executable.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("veltrana"));
}

QString readUpdateBase(const QString &iniPath)
{
    QFile file(iniPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inSection = false;
    QString base;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inSection = line.compare(QLatin1String("[endpoints]"), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0 && line.left(eq).trimmed() == QLatin1String("update"))
            base = line.mid(eq + 1).trimmed();
    }
    if (base.size() >= 2 && base.startsWith(u'"') && base.endsWith(u'"'))
        base = base.mid(1, base.size() - 2);
    return base;
}

QString versionPageUrl(const QString &base)
{
    QString b = base.trimmed();
    if (b.isEmpty())
        return {};
    while (b.endsWith(u'/'))
        b.chop(1);
    return b + QStringLiteral("/veltrana/ver.htm");
}

} // namespace updater
